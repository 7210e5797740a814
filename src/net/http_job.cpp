#include "net/http_job.h"

#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <exception>
#include <limits>
#include <string_view>

#include "common/ascii_text.h"
#include "net/file_attributes.h"
#include "net/progress_figures.h"
#include "net/win_http.h"
#include "net/win_thread.h"

namespace tallowin::net {

const char* WinHTTPStatusText(int code) {
  switch (code) {
    case 10:
      return "Resolving name";
    case 11:
      return "Name resolved";
    case 20:
      return "Connecting to server";
    case 21:
      return "Connected";
    case 30:
      return "Sending Request";
    case 31:
      return "Request sent";
    case 40:
      return "Receiving response";
    case 41:
      return "Response received";
    case 42:
      return "CTL Response received";
    case 43:
      return "Prefetch";
    case 50:
      return "Closing connection";
    case 51:
      return "Connection closed";
    case 60:
      return "Handle created";
    case 70:
      return "Handle closing";
    case 100:
      return "Request complete";
    case 110:
      return "Redirect";
    case 120:
      return "Intermediate response";
    case 200:
      return "State change";
    default:
      return "Unknown status";
  }
}

namespace detail {
namespace {

thread_local Transfer* t_job_transfer = nullptr;

// Header values are read into 4096-byte buffers by design: a value that does not fit counts as
// absent (this also bounds what a hostile server can make us copy around).
constexpr size_t kHeaderValueLimit = 4096;

// A non-negative decimal number that fits in 64 bits; -1 when the text is anything else.
std::int64_t ParseCount(std::string_view s) {
  s = TrimView(s);
  if (s.empty()) return -1;
  constexpr std::int64_t kMax = std::numeric_limits<std::int64_t>::max();
  std::int64_t value = 0;
  for (char c : s) {
    if (c < '0' || c > '9') return -1;
    const int digit = c - '0';
    if (value > (kMax - digit) / 10) return -1;
    value = value * 10 + digit;
  }
  return value;
}

// The first byte position of a Content-Range value ("bytes a-b/c"); -1 when unreadable.
std::int64_t ContentRangeStart(std::string_view value) {
  value = TrimView(value);
  if (value.substr(0, 6) != "bytes ") return -1;
  value.remove_prefix(6);
  auto dash = value.find('-');
  if (dash == std::string_view::npos) return -1;
  return ParseCount(value.substr(0, dash));
}

bool IsArchiveOnly(TWinHTTPFileAttributes set) {
  return set == TWinHTTPFileAttributes{TWinHTTPFileAttribute::atrArchive};
}

}  // namespace

Transfer* CurrentJobTransfer() {
  return t_job_transfer;
}

std::string_view TrimView(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() &&
         (s.back() == ' ' || s.back() == '\t' || s.back() == '\r' || s.back() == '\n'))
    s.remove_suffix(1);
  return s;
}

TransferJob::TransferJob(TCustomWinHTTP& owner, TCustomWinThread& thread,
                         std::shared_ptr<Transfer> transfer)
    : owner_(owner),
      thread_(thread),
      transfer_(std::move(transfer)),
      t_(*transfer_),
      s_(transfer_->settings) {}

TransferJob::~TransferJob() {
  t_job_transfer = nullptr;
}

bool TransferJob::StopRequested() const {
  return thread_.Terminated();
}

void TransferJob::Status(int code, const std::string& extra) {
  if (s_.on_status) s_.on_status(owner_, code, WinHTTPStatusText(code));
  if (code == 110 && s_.on_redirected) s_.on_redirected(owner_, extra);
}

void TransferJob::Run() {
  t_job_transfer = &t_;
  Flow flow;
  try {
    flow = RunSequence();
  } catch (...) {
    // The verdict was never reached: whatever arrived is no success.
    t_.succeeded = false;
    throw;
  }
  switch (flow) {
    case Flow::kAbort:
      AbortRelease();
      break;
    case Flow::kGo:
      Verdict();
      break;
    default:
      // The job ended early; only a resumed file found complete counts as a success.
      t_.succeeded = t_.already_complete;
      break;
  }
}

void TransferJob::AbortRelease() {
  {
    std::lock_guard lock(t_.file_guard);
    t_.output_file = nullptr;
    t_.output.reset();
    if (!t_.abandoned && t_.file_written) {
      if (t_.delete_on_abort.load())
        ::unlink(s_.output_file_name.c_str());
      else if (!IsArchiveOnly(s_.attributes.Incomplete))
        ApplyFileAttributes(s_.output_file_name, s_.attributes.Incomplete);
    }
  }
  t_.aborted = true;
  auto transfer = transfer_;
  TCustomWinHTTP& owner = owner_;
  thread_.Synchronize([&owner, transfer] { owner.FinishAbort(transfer); });
}

TransferJob::Flow TransferJob::RunSequence() {
  t_.status_code = -1;
  t_.content_type.clear();
  t_.continue_download = true;
  t_.start_tick = TickCount();
  std::string url = s_.url;
  if (url.find("://") == std::string::npos) url = "http://" + url;
  TURLParts parts;
  const bool split = SplitURL(url, parts);
  if (StopRequested()) return Flow::kAbort;
  if (!split) return Flow::kEnd;
  const std::string scheme = LowerAscii(parts.Scheme);
  if (scheme == "file") return ReadLocalFile(parts.Path);
  if (scheme != "http" && scheme != "https") return Flow::kEnd;
  if (s_.work_offline) return Flow::kEnd;
  return Network(parts);
}

// ---- "file" URLs ----

TransferJob::Flow TransferJob::ReadLocalFile(const std::string& path) {
  for (;;) {
    if (StopRequested()) return Flow::kAbort;
    TWinHTTPFileStream source(path, TWinHTTPFileStream::Mode::kRead);
    struct stat st {};
    const bool found = source.IsOpen() && ::fstat(source.Handle(), &st) == 0 && S_ISREG(st.st_mode);
    t_.status_code = found ? 200 : 404;
    t_.content_length = found ? st.st_size : 0;
    content_length_present_ = found;
    t_.succeeded = found;
    if (found && t_.start_offset != 0) source.Seek(t_.start_offset);
    if (found && !s_.output_file_name.empty()) {
      // Writing the output would destroy the source.
      struct stat out {};
      if (::stat(s_.output_file_name.c_str(), &out) == 0 && out.st_dev == st.st_dev &&
          out.st_ino == st.st_ino) {
        t_.output_error = true;
        return Flow::kEnd;
      }
    }
    Flow flow = OpenOutput(t_.status_code);
    if (flow == Flow::kGo && found) {
      std::vector<char> buffer(std::min<std::uint32_t>(s_.buffer_size, 1u << 20));
      for (;;) {
        std::int64_t n = source.Read(buffer.data(), static_cast<std::int64_t>(buffer.size()));
        if (n < 0) body_error_ = true;
        if (n <= 0) break;
        flow = Feed(buffer.data(), static_cast<size_t>(n));
        if (flow != Flow::kGo) break;
      }
    }
    if (flow == Flow::kGo) flow = EndOfBody();
    if (flow != Flow::kRestart && flow != Flow::kResumeFailed) return flow;
    t_.status_code = -1;
    if (flow == Flow::kResumeFailed && ++resume_failures_ >= kMaxResumeAttempts)
      t_.start_offset = 0;
    t_.output_file = nullptr;
    t_.output.reset();
    if (++restarts_ > kMaxRestarts) return Flow::kEnd;
  }
}

// ---- HTTP ----

TransferJob::Flow TransferJob::Network(const TURLParts& parts) {
  https_ = LowerAscii(parts.Scheme) == "https";
  std::string host = parts.Host;
  if (host.find(':') != std::string::npos && host.front() != '[') host = "[" + host + "]";
  request_url_ = LowerAscii(parts.Scheme) + "://" + host + ":" + std::to_string(parts.Port) +
                 EscapeURLPath(parts.Path.empty() ? "/" : parts.Path) + EscapeURLExtra(parts.Extra);
  // Credentials in the URL win over the component's.
  if (!parts.UserName.empty() || !parts.Password.empty()) {
    username_ = parts.UserName;
    password_ = parts.Password;
  } else {
    username_ = s_.username;
    password_ = s_.password;
  }
  proxy_username_ = s_.proxy.ProxyUsername;
  proxy_password_ = s_.proxy.ProxyPassword;
  post_ = s_.request_method == TWinHTTPRequestMethod::rmPOST ||
          (s_.request_method == TWinHTTPRequestMethod::rmAutoDetect && !s_.post_data.empty());
  for (;;) {
    if (StopRequested()) return Flow::kAbort;  // the connect point
    Flow flow = Connection();
    if (flow != Flow::kRestart && flow != Flow::kResumeFailed) return flow;
    // Start again: a resumed file that keeps failing is downloaded whole instead, and a
    // transfer that keeps restarting gives up.
    t_.status_code = -1;
    if (flow == Flow::kResumeFailed && ++resume_failures_ >= kMaxResumeAttempts)
      t_.start_offset = 0;
    t_.output_file = nullptr;
    t_.output.reset();
    if (++restarts_ > kMaxRestarts) return Flow::kEnd;
  }
}

TransferJob::Flow TransferJob::Connection() {
  Multi multi(curl_multi_init());
  Easy easy(curl_easy_init());
  if (!multi || !easy) return Flow::kEnd;
  easy_ = easy.get();
  ignore_length_ = false;
  struct Forget {
    CURL*& handle;
    ~Forget() { handle = nullptr; }
  } forget{easy_};
  Status(60);
  if (!Configure(easy.get())) return Flow::kEnd;
  if (StopRequested()) return Flow::kAbort;
  if (s_.on_before_send_request) s_.on_before_send_request(owner_, easy.get());
  bool complete_check = false;
  for (;;) {  // the send loop
    if (StopRequested()) return Flow::kAbort;
    Slist headers = BuildHeaders(complete_check);
    curl_easy_setopt(easy.get(), CURLOPT_HTTPHEADER, headers.get());
    checking_complete_ = complete_check;
    CURLcode result = Perform(easy.get(), multi.get());
    curl_easy_setopt(easy.get(), CURLOPT_HTTPHEADER, static_cast<curl_slist*>(nullptr));
    if (stop_seen_) return Flow::kAbort;
    if (result == CURLE_WEIRD_SERVER_REPLY && status_line_seen_ && !headers_complete_ &&
        !response_started_ && !ignore_length_ && !post_) {
      // curl refuses a Content-Length that is no number, where the answer counts as one of
      // unknown length: ask once more, reading its body up to the end of the connection.
      ignore_length_ = true;
      curl_easy_setopt(easy.get(), CURLOPT_IGNORE_CONTENT_LENGTH, 1L);
      continue;
    }
    Flow flow = action_;
    if (!response_started_) {
      // No body bytes arrived: the answer, if there was one, ends here.
      long code = 0;
      if (headers_complete_ && !redirect_pending_) {
        curl_easy_getinfo(easy.get(), CURLINFO_RESPONSE_CODE, &code);
      } else {
        long connect_code = 0;  // a proxy that refused the tunnel
        curl_easy_getinfo(easy.get(), CURLINFO_HTTP_CONNECTCODE, &connect_code);
        if (connect_code == 407) code = 407;
      }
      if (code == 0 && !complete_check) return Flow::kEnd;  // nothing answered
      response_started_ = true;
      if (code != 0) {
        flow = ResponseBegins(code);
        // Headers followed by a broken or stalled body are no complete answer either.
        if (flow == Flow::kGo && result != CURLE_OK) body_error_ = true;
        if (flow == Flow::kGo) flow = EndOfBody();
      }
    } else if (flow == Flow::kGo) {
      if (result != CURLE_OK) body_error_ = true;  // the body did not end normally
      flow = EndOfBody();
    }
    if (complete_check) {
      const std::int64_t length = check_status_ == 200 || check_status_ == 206 ? check_length_ : 0;
      struct stat st {};
      const bool local_complete =
          s_.output_file_name.empty() ||
          (::stat(s_.output_file_name.c_str(), &st) == 0 && st.st_size == t_.start_offset);
      if (length == t_.start_offset && local_complete) {
        t_.already_complete = true;
        t_.status_code = static_cast<int>(check_status_);
        return Flow::kEnd;
      }
      t_.status_code = -1;
      t_.start_offset = 0;
      return Flow::kRestart;
    }
    switch (flow) {
      case Flow::kTryAgain:
        continue;
      case Flow::kCheckComplete:
        complete_check = true;
        continue;
      default:
        return flow;
    }
  }
}

const std::string* TransferJob::Header(const char* lower_name) const {
  for (const auto& [name, value] : headers_)
    if (name == lower_name) return value.size() < kHeaderValueLimit ? &value : nullptr;
  return nullptr;
}

// ---- the response ----

TransferJob::Flow TransferJob::ResponseBegins(long code) {
  if (StopRequested()) return Flow::kAbort;
  t_.status_code = static_cast<int>(code);
  if (checking_complete_) {
    check_status_ = code;
    const std::string* length = Header("content-length");
    check_length_ = length ? std::max<std::int64_t>(ParseCount(*length), 0) : 0;
    return Flow::kEnd;
  }
  if (code == 416 && t_.start_offset != 0) return Flow::kCheckComplete;
  bool try_again = false;
  Authenticate(code, try_again);
  if (StopRequested()) return Flow::kAbort;
  if (try_again) return Flow::kTryAgain;
  Flow flow = ReportHeaders(code);
  if (flow != Flow::kGo) return flow;
  return OpenOutput(code);
}

TransferJob::Flow TransferJob::Authenticate(long code, bool& try_again) {
  if (code == 401 && s_.has_password_request) {
    std::string realm;
    if (const std::string* value = Header("www-authenticate")) {
      auto pos = value->find("=\"");
      if (pos == std::string::npos)
        realm = *value;
      else if (value->size() >= pos + 3)
        realm = value->substr(pos + 2, value->size() - pos - 3);
    }
    thread_.Synchronize([&] {
      if (owner_.OnPasswordRequest) owner_.OnPasswordRequest(owner_, realm, try_again);
      username_ = owner_.Username;
      password_ = owner_.Password;
    });
    curl_easy_setopt(easy_, CURLOPT_USERNAME, username_.c_str());
    curl_easy_setopt(easy_, CURLOPT_PASSWORD, password_.c_str());
  }
  if (code == 407 && s_.has_proxy_authentication) {
    thread_.Synchronize([&] {
      std::string user = owner_.Proxy.ProxyUsername;
      std::string pass = owner_.Proxy.ProxyPassword;
      if (owner_.OnProxyAuthenticationRequest)
        owner_.OnProxyAuthenticationRequest(owner_, user, pass, try_again);
      owner_.Proxy.ProxyUsername = proxy_username_ = user;
      owner_.Proxy.ProxyPassword = proxy_password_ = pass;
    });
    curl_easy_setopt(easy_, CURLOPT_PROXYUSERNAME, proxy_username_.c_str());
    curl_easy_setopt(easy_, CURLOPT_PROXYPASSWORD, proxy_password_.c_str());
    curl_easy_setopt(easy_, CURLOPT_PROXYAUTH, static_cast<long>(CURLAUTH_ANY));
  }
  return Flow::kGo;
}

TransferJob::Flow TransferJob::ReportHeaders(long code) {
  if (StopRequested()) return Flow::kAbort;
  auto value = [this](const char* name) {
    const std::string* v = Header(name);
    return v ? *v : std::string();
  };
  t_.content_type = value("content-type");
  const std::string* length = Header("content-length");
  content_length_present_ = length != nullptr;
  t_.content_length = length ? std::max<std::int64_t>(ParseCount(*length), 0) : 0;
  t_.succeeded = content_length_present_;
  if (const std::string* range = Header("content-range")) {
    // A part that does not start where the file stops cannot be appended to it.
    if (code == 206 && t_.start_offset != 0 && ContentRangeStart(*range) != t_.start_offset)
      return Flow::kResumeFailed;
  } else {
    t_.start_offset = 0;
  }
  if (s_.has_header_info) {
    THeaderInfo info;
    info.ErrorCode = static_cast<int>(code);
    if (raw_headers_.size() < kHeaderValueLimit) info.RawHeadersCRLF = raw_headers_;
    info.ContentType = t_.content_type;
    info.ContentLanguage = value("content-language");
    info.ContentEncoding = value("content-encoding");
    info.ContentLength = t_.content_length + t_.start_offset;
    info.Location = value("location");
    info.Date = ParseHTTPDate(value("date"));
    info.LastModified = ParseHTTPDate(value("last-modified"));
    info.Expires = ParseHTTPDate(value("expires"));
    info.ETag = value("etag");
    bool continue_download = true;
    thread_.Synchronize([&] {
      if (owner_.OnHeaderInfo) owner_.OnHeaderInfo(owner_, info, continue_download);
    });
    t_.continue_download = continue_download;
    if (!continue_download) return Flow::kEnd;
  }
  return Flow::kGo;
}

TransferJob::Flow TransferJob::OpenOutput(long code) {
  if (StopRequested()) return Flow::kAbort;
  t_.received = 0;
  block_fill_ = 0;
  verifying_ = false;
  verify_block_.clear();
  body_error_ = false;
  t_.output_file = nullptr;
  t_.output.reset();
  if ((code == 200 || code == 206) && !s_.output_file_name.empty()) {
    const std::string& path = s_.output_file_name;
    const auto mode = t_.start_offset == 0 ? TWinHTTPFileStream::Mode::kCreateEmpty
                                           : TWinHTTPFileStream::Mode::kReadWrite;
    struct stat st {};
    const bool existed = ::stat(path.c_str(), &st) == 0;
    std::unique_ptr<TWinHTTPFileStream> file;
    {
      std::lock_guard lock(t_.file_guard);
      if (t_.abandoned) return Flow::kAbort;
      file = std::make_unique<TWinHTTPFileStream>(path, mode);
      if (!file->IsOpen()) {
        t_.output_error = true;
        return Flow::kEnd;
      }
      t_.file_written = true;
      if (!existed || mode == TWinHTTPFileStream::Mode::kCreateEmpty) t_.file_created = true;
      if (!IsArchiveOnly(s_.attributes.Incomplete))
        ApplyFileAttributes(path, s_.attributes.Incomplete);
    }
    if (!file->Seek(t_.start_offset)) return Flow::kResumeFailed;
    t_.output_file = file.get();
    t_.output = std::move(file);
    verifying_ = t_.start_offset != 0;
  } else {
    auto memory = std::make_unique<TMemoryStream>();
    if (content_length_present_ && t_.content_length > 0)  // growing is the fallback
      memory->Reserve(std::min({t_.content_length, kMaxPresize, s_.max_memory_body}));
    t_.output = std::move(memory);
  }
  return Flow::kGo;
}

// ---- the body ----

TransferJob::Flow TransferJob::Feed(const char* data, size_t size) {
  const std::uint64_t block = s_.buffer_size;
  while (size > 0) {
    if (block_fill_ == 0 && StopRequested()) return Flow::kAbort;  // before every block
    const size_t part = static_cast<size_t>(std::min<std::uint64_t>(size, block - block_fill_));
    if (verifying_) {
      verify_block_.append(data, part);
    } else {
      bool abandoned = false;
      bool stored;
      if (t_.output_file) {
        std::lock_guard lock(t_.file_guard);
        abandoned = t_.abandoned;
        stored = !abandoned && t_.output_file->Write(data, static_cast<std::int64_t>(part));
      } else {
        // A memory body never grows past its limit: the answer ends here as an incomplete one.
        // An error answer's body is only there to be looked at: it gets a smaller limit.
        const bool error_body = t_.status_code != 200 && t_.status_code != 206;
        const std::int64_t limit =
            error_body ? std::min(s_.max_memory_body, s_.max_error_body) : s_.max_memory_body;
        if (t_.received + static_cast<std::int64_t>(part) > limit) {
          body_error_ = true;
          return Flow::kEnd;
        }
        stored = t_.output->Write(data, static_cast<std::int64_t>(part));
      }
      if (abandoned) return Flow::kAbort;
      if (!stored) {
        t_.output_error = true;
        return Flow::kEnd;
      }
    }
    block_fill_ += part;
    t_.received += static_cast<std::int64_t>(part);
    data += part;
    size -= part;
    if (block_fill_ == block) {
      Flow flow = BlockDone();
      if (flow != Flow::kGo) return flow;
    }
  }
  return Flow::kGo;
}

TransferJob::Flow TransferJob::BlockDone() {
  block_fill_ = 0;
  if (verifying_) {
    verifying_ = false;
    const bool same = VerifyBlock();
    std::string().swap(verify_block_);
    return same ? Flow::kGo : Flow::kResumeFailed;
  }
  if (s_.has_progress) RaiseProgress();
  return Flow::kGo;
}

TransferJob::Flow TransferJob::EndOfBody() {
  if (block_fill_ > 0 || verifying_) return BlockDone();
  return Flow::kGo;
}

bool TransferJob::VerifyBlock() {
  // The first block of a resumed transfer overlaps the file: it must hold the same bytes there.
  if (verify_block_.size() != s_.buffer_size || !t_.output_file) return false;
  std::string local(verify_block_.size(), '\0');
  std::int64_t n = t_.output_file->Read(local.data(), static_cast<std::int64_t>(local.size()));
  return n == static_cast<std::int64_t>(local.size()) && local == verify_block_;
}

void TransferJob::RaiseProgress() {
  thread_.Synchronize([this] {
    if (!owner_.OnProgress) return;
    TWinHTTPProgress progress = ComputeProgress(t_.received, t_.start_offset, t_.content_length,
                                                t_.start_tick, TickCount());
    owner_.OnProgress(owner_, t_.content_type, progress, t_.output.get());
  });
}

void TransferJob::Verdict() {
  t_.succeeded = t_.status_code == 200 || t_.status_code == 206;
  if (t_.succeeded && t_.content_length != 0 && t_.output)
    t_.succeeded = t_.received == t_.content_length;
  if (body_error_) t_.succeeded = false;
  if (t_.succeeded && t_.output_file) {
    // A resumed file that was longer than the download keeps no stale tail.
    std::lock_guard lock(t_.file_guard);
    if (!t_.abandoned) t_.output_file->Truncate(t_.start_offset + t_.received);
  }
}

}  // namespace detail
}  // namespace tallowin::net
