// The libcurl side of a transfer's job: the easy handle's options and request headers, the
// multi-handle loop with the stop checks and time limits, and the callbacks.
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <exception>
#include <string_view>

#include "common/ascii_text.h"
#include "net/http_job.h"
#include "net/win_http.h"
#include "net/win_thread.h"

namespace tallowin::net::detail {
namespace {

constexpr size_t kRawHeadersKeep = 1 << 20;

std::string ResolveLocation(CURL* easy, const std::string& location) {
  char* base = nullptr;
  curl_easy_getinfo(easy, CURLINFO_EFFECTIVE_URL, &base);
  std::string result = location;
  CURLU* url = curl_url();
  if (!url) return result;
  if (base && curl_url_set(url, CURLUPART_URL, base, 0) == CURLUE_OK &&
      curl_url_set(url, CURLUPART_URL, location.c_str(), CURLU_ALLOW_SPACE) == CURLUE_OK) {
    char* full = nullptr;
    if (curl_url_get(url, CURLUPART_URL, &full, 0) == CURLUE_OK) {
      result = full;
      curl_free(full);
    }
  }
  curl_url_cleanup(url);
  return result;
}

}  // namespace

bool TransferJob::Configure(CURL* easy) {
  const auto& io = s_.internet_options;
  using IO = TInternetOption;
  bool ok = true;
  auto set = [&](CURLoption option, auto value) {
    if (curl_easy_setopt(easy, option, value) != CURLE_OK) ok = false;
  };
  set(CURLOPT_URL, request_url_.c_str());
  set(CURLOPT_PROTOCOLS_STR, "http,https");
  // Redirects from https to http need ioIgnoreRedirectToHTTP; the other way is always allowed.
  set(CURLOPT_REDIR_PROTOCOLS_STR,
      https_ && !io.Contains(IO::ioIgnoreRedirectToHTTP) ? "https" : "http,https");
  set(CURLOPT_NOSIGNAL, 1L);
  set(CURLOPT_USERAGENT, s_.agent.c_str());
  set(CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_1_1));
  set(CURLOPT_SUPPRESS_CONNECT_HEADERS, 1L);
  switch (s_.proxy.AccessType) {
    case TWinHTTPAccessType::atPreconfig:
      break;  // libcurl reads http_proxy, https_proxy and no_proxy of the environment
    case TWinHTTPAccessType::atDirect:
      set(CURLOPT_PROXY, "");
      break;
    case TWinHTTPAccessType::atUseProxy: {
      std::string proxy = s_.proxy.ProxyServer + ":" + std::to_string(s_.proxy.ProxyPort);
      set(CURLOPT_PROXY, proxy.c_str());
      std::string bypass;
      std::string_view list = s_.proxy.ProxyBypass;
      while (!list.empty()) {
        auto end = list.find_first_of("; ,");
        std::string_view item = list.substr(0, end);
        list = end == std::string_view::npos ? std::string_view() : list.substr(end + 1);
        if (item.empty() || item == "<local>") continue;
        if (!bypass.empty()) bypass += ',';
        bypass += item;
      }
      if (!bypass.empty()) set(CURLOPT_NOPROXY, bypass.c_str());
      break;
    }
  }
  if (s_.proxy.AccessType != TWinHTTPAccessType::atDirect && !proxy_username_.empty() &&
      !proxy_password_.empty()) {
    set(CURLOPT_PROXYUSERNAME, proxy_username_.c_str());
    set(CURLOPT_PROXYPASSWORD, proxy_password_.c_str());
    set(CURLOPT_PROXYAUTH, static_cast<long>(CURLAUTH_ANY));
  }
  if (!username_.empty() || !password_.empty()) {
    set(CURLOPT_USERNAME, username_.c_str());
    set(CURLOPT_PASSWORD, password_.c_str());
  }
  set(CURLOPT_HTTPAUTH,
      static_cast<long>(io.Contains(IO::ioNoAuthentication) ? CURLAUTH_BASIC : CURLAUTH_ANY));
  if (!s_.referer.empty()) set(CURLOPT_REFERER, s_.referer.c_str());
  set(CURLOPT_FOLLOWLOCATION, io.Contains(IO::ioNoAutoRedirect) ? 0L : 1L);
  set(CURLOPT_MAXREDIRS, 20L);
  set(CURLOPT_SSL_VERIFYHOST, io.Contains(IO::ioIgnoreCertificateInvalid) ? 0L : 2L);
  set(CURLOPT_SSL_VERIFYPEER, io.Contains(IO::ioIgnoreUnknownCertificateAuthority) ? 0L : 1L);
  set(CURLOPT_FORBID_REUSE, io.Contains(IO::ioKeepConnection) ? 0L : 1L);
  if (!io.Contains(IO::ioNoCookies)) set(CURLOPT_COOKIEFILE, "");  // this transfer's cookies only
  set(CURLOPT_CONNECTTIMEOUT_MS,
      static_cast<long>(s_.timeouts.ConnectTimeout != 0 ? s_.timeouts.ConnectTimeout
                                                        : kDefaultConnectTimeout));
  set(CURLOPT_BUFFERSIZE,
      static_cast<long>(std::clamp<std::uint32_t>(s_.buffer_size, 512 * 1024, CURL_MAX_READ_SIZE)));
  set(CURLOPT_HEADERFUNCTION, &TransferJob::HeaderCallback);
  set(CURLOPT_HEADERDATA, this);
  set(CURLOPT_WRITEFUNCTION, &TransferJob::WriteCallback);
  set(CURLOPT_WRITEDATA, this);
  set(CURLOPT_NOPROGRESS, 0L);
  set(CURLOPT_XFERINFOFUNCTION, &TransferJob::ProgressCallback);
  set(CURLOPT_XFERINFODATA, this);
  set(CURLOPT_OPENSOCKETFUNCTION, &TransferJob::OpenSocketCallback);
  set(CURLOPT_OPENSOCKETDATA, this);
  set(CURLOPT_CLOSESOCKETFUNCTION, &TransferJob::CloseSocketCallback);
  set(CURLOPT_CLOSESOCKETDATA, this);
  set(CURLOPT_PREREQFUNCTION, &TransferJob::PrereqCallback);
  set(CURLOPT_PREREQDATA, this);
  if (post_) {
    set(CURLOPT_POST, 1L);
    set(CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(s_.post_data.size()));
    set(CURLOPT_POSTFIELDS, s_.post_data.data());
  } else {
    set(CURLOPT_HTTPGET, 1L);
  }
  return ok;
}

TransferJob::Slist TransferJob::BuildHeaders(bool complete_check) const {
  Slist list;
  auto add = [&list](const std::string& line) {
    if (curl_slist* grown = curl_slist_append(list.get(), line.c_str())) {
      list.release();
      list.reset(grown);
    }
  };
  if (!s_.accept_types.empty()) add("Accept: " + s_.accept_types);
  // Each entry is one header line; line breaks inside an entry never reach the request as such.
  for (const auto& entry : s_.add_headers) {
    std::string_view rest = entry;
    while (!rest.empty()) {
      auto end = rest.find_first_of("\r\n");
      std::string_view line = TrimView(rest.substr(0, end));
      rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
      if (!line.empty() && line.find('\0') == std::string_view::npos) add(std::string(line));
    }
  }
  auto range_line = [](std::uint64_t start, std::uint64_t end) {
    return "RANGE: bytes=" + std::to_string(start) + "-" + (end != 0 ? std::to_string(end) : "");
  };
  if (complete_check)
    add(range_line(0, 0));
  else if (t_.start_offset != 0 || t_.end_offset != 0)
    add(range_line(t_.start_offset, t_.end_offset));
  else if (s_.range.StartRange != 0 || s_.range.EndRange != 0)
    add(range_line(s_.range.StartRange, s_.range.EndRange));
  if (post_) add("Content-Type: application/x-www-form-urlencoded");
  add("Expect:");
  if (s_.cache_options.Contains(TCacheOption::coPragmaNoCache)) add("Pragma: no-cache");
  if (!s_.internet_options.Contains(TInternetOption::ioKeepConnection)) add("Connection: close");
  return list;
}

CURLcode TransferJob::Perform(CURL* easy, CURLM* multi) {
  response_started_ = false;
  action_ = Flow::kGo;
  headers_complete_ = false;
  redirect_pending_ = false;
  any_header_ = false;
  raw_headers_.clear();
  headers_.clear();
  connected_ = false;
  upload_done_ = !post_ || s_.post_data.empty();
  sent_ = false;
  stop_seen_ = false;
  timed_out_ = false;
  check_status_ = 0;
  check_length_ = 0;
  callback_error_ = nullptr;
  last_receive_ = Clock::now();
  window_bytes_ = 0;
  status_line_seen_ = false;
  if (curl_multi_add_handle(multi, easy) != CURLM_OK) return CURLE_FAILED_INIT;
  Status(10);
  CURLcode result = CURLE_OK;
  for (;;) {
    int running = 0;
    if (curl_multi_perform(multi, &running) != CURLM_OK) {
      result = CURLE_RECV_ERROR;
      break;
    }
    bool done = false;
    int left = 0;
    while (CURLMsg* message = curl_multi_info_read(multi, &left)) {
      if (message->msg == CURLMSG_DONE) {
        result = message->data.result;
        done = true;
      }
    }
    if (done || running == 0) break;
    if (StopRequested()) {
      result = CURLE_ABORTED_BY_CALLBACK;
      action_ = Flow::kAbort;
      break;
    }
    if (TimedOut(Clock::now())) {
      timed_out_ = true;
      result = CURLE_OPERATION_TIMEDOUT;
      break;
    }
    curl_multi_poll(multi, nullptr, 0, 20, nullptr);
  }
  curl_multi_remove_handle(multi, easy);
  if (callback_error_) std::rethrow_exception(std::exchange(callback_error_, nullptr));
  // The progress callback may have ended the transfer for a stop request.
  if (action_ == Flow::kAbort || StopRequested()) stop_seen_ = true;
  Status(100);
  return result;
}

bool TransferJob::TimedOut(Clock::time_point now) {
  if (!connected_) return false;  // connecting is bounded by libcurl's connect time-out
  if (!sent_) {
    if (upload_done_ || any_header_) {
      sent_ = true;
      sent_at_ = now;
    } else {
      return s_.timeouts.SendTimeout != 0 &&
             now - connected_at_ > std::chrono::milliseconds(s_.timeouts.SendTimeout);
    }
  }
  const std::uint32_t receive =
      s_.timeouts.ReceiveTimeout != 0 ? s_.timeouts.ReceiveTimeout : kDefaultReceiveTimeout;
  if (now - std::max(last_receive_, sent_at_) > std::chrono::milliseconds(receive)) return true;
  // The low-speed check, in windows of LowSpeedTime from the moment the request was sent.
  const std::uint32_t limit = s_.timeouts.LowSpeedLimit;
  const std::uint32_t window = s_.timeouts.LowSpeedTime;
  if (limit == 0 || window == 0) return false;
  if (window_start_ < sent_at_) {
    window_start_ = sent_at_;
    window_bytes_ = 0;
  }
  if (now - window_start_ < std::chrono::milliseconds(window)) return false;
  if (window_bytes_ * 1000 < static_cast<std::int64_t>(limit) * window) return true;
  window_start_ = now;
  window_bytes_ = 0;
  return false;
}

// ---- libcurl callbacks: nothing may be thrown through libcurl ----

size_t TransferJob::HeaderCallback(char* data, size_t size, size_t count, void* self) {
  auto* job = static_cast<TransferJob*>(self);
  const size_t n = size * count;
  try {
    std::string_view line(data, n);
    job->last_receive_ = Clock::now();
    job->window_bytes_ += static_cast<std::int64_t>(n);
    if (!job->any_header_) {
      job->any_header_ = true;
      job->Status(31);
      job->Status(40);
    }
    if (line.substr(0, 5) == "HTTP/") {
      job->status_line_seen_ = true;
      job->raw_headers_.assign(line);
      job->headers_.clear();
      job->headers_complete_ = false;
      job->redirect_pending_ = false;
    } else if (TrimView(line).empty()) {
      if (job->raw_headers_.size() < kRawHeadersKeep) job->raw_headers_.append(line);
      long code = 0;
      curl_easy_getinfo(job->easy_, CURLINFO_RESPONSE_CODE, &code);
      if (code < 100 || code >= 200) {  // not an interim answer
        job->headers_complete_ = true;
        job->Status(41);
        const std::string* location = job->Header("location");
        const bool redirect =
            code == 301 || code == 302 || code == 303 || code == 307 || code == 308;
        if (redirect && location &&
            !job->s_.internet_options.Contains(TInternetOption::ioNoAutoRedirect)) {
          job->redirect_pending_ = true;
          job->Status(110, ResolveLocation(job->easy_, *location));
        }
      }
    } else {
      if (job->raw_headers_.size() < kRawHeadersKeep) job->raw_headers_.append(line);
      auto colon = line.find(':');
      if (colon != std::string_view::npos && job->headers_.size() < 1000)
        job->headers_.emplace_back(LowerAscii(TrimView(line.substr(0, colon))),
                                   std::string(TrimView(line.substr(colon + 1))));
    }
    return n;
  } catch (...) {
    job->callback_error_ = std::current_exception();
    return 0;
  }
}

size_t TransferJob::WriteCallback(char* data, size_t size, size_t count, void* self) {
  auto* job = static_cast<TransferJob*>(self);
  const size_t n = size * count;
  try {
    job->last_receive_ = Clock::now();
    job->window_bytes_ += static_cast<std::int64_t>(n);
    if (!job->response_started_) {
      job->response_started_ = true;
      long code = 0;
      curl_easy_getinfo(job->easy_, CURLINFO_RESPONSE_CODE, &code);
      job->action_ = job->ResponseBegins(code);
    }
    if (job->action_ != Flow::kGo) return 0;
    Flow flow = job->Feed(data, n);
    if (flow != Flow::kGo) {
      job->action_ = flow;
      return 0;
    }
    return n;
  } catch (...) {
    job->callback_error_ = std::current_exception();
    return 0;
  }
}

int TransferJob::ProgressCallback(void* self, curl_off_t, curl_off_t, curl_off_t ultotal,
                                  curl_off_t ulnow) {
  auto* job = static_cast<TransferJob*>(self);
  if (ultotal > 0 && ulnow >= ultotal) job->upload_done_ = true;
  return job->StopRequested() ? 1 : 0;
}

curl_socket_t TransferJob::OpenSocketCallback(void* self, curlsocktype, curl_sockaddr* address) {
  auto* job = static_cast<TransferJob*>(self);
  try {
    job->Status(11);
    job->Status(20);
  } catch (...) {
    job->callback_error_ = std::current_exception();
    return CURL_SOCKET_BAD;
  }
  return ::socket(address->family, address->socktype | SOCK_CLOEXEC, address->protocol);
}

int TransferJob::CloseSocketCallback(void* self, curl_socket_t socket) {
  auto* job = static_cast<TransferJob*>(self);
  try {
    job->Status(50);
  } catch (...) {
    if (!job->callback_error_) job->callback_error_ = std::current_exception();
  }
  int rc = ::close(socket);
  try {
    job->Status(51);
  } catch (...) {
    if (!job->callback_error_) job->callback_error_ = std::current_exception();
  }
  return rc;
}

int TransferJob::PrereqCallback(void* self, char*, char*, int, int) {
  auto* job = static_cast<TransferJob*>(self);
  job->connected_ = true;
  job->connected_at_ = Clock::now();
  try {
    job->Status(21);
    job->Status(30);
  } catch (...) {
    job->callback_error_ = std::current_exception();
    return CURL_PREREQFUNC_ABORT;
  }
  return CURL_PREREQFUNC_OK;
}

}  // namespace tallowin::net::detail
