// The request sequence of one transfer: the worker's job of TCustomWinHTTP, over libcurl (or a
// local file for "file" URLs).
#pragma once

#include <curl/curl.h>

#include <chrono>
#include <cstdint>
#include <exception>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "net/http_transfer.h"
#include "net/url_helpers.h"

namespace tallowin::net {

class TCustomWinHTTP;
class TCustomWinThread;

// The text of a status notice code ("Unknown status" for codes not in the table).
const char* WinHTTPStatusText(int code);

namespace detail {

// The transfer whose job runs on this thread (null elsewhere).
Transfer* CurrentJobTransfer();

// Header text: blanks before it, blanks and line ends after it trimmed off.
std::string_view TrimView(std::string_view s);

// How many times a resumed transfer tries its position before it downloads everything, and how
// many times one transfer starts again at the connect point before it gives up.
inline constexpr int kMaxResumeAttempts = 2;
inline constexpr int kMaxRestarts = 6;
// A memory body is pre-sized to the announced length only up to this much; beyond it, it grows.
inline constexpr std::int64_t kMaxPresize = std::int64_t{1} << 30;

class TransferJob {
 public:
  TransferJob(TCustomWinHTTP& owner, TCustomWinThread& thread, std::shared_ptr<Transfer> transfer);
  ~TransferJob();
  TransferJob(const TransferJob&) = delete;
  TransferJob& operator=(const TransferJob&) = delete;

  void Run();

 private:
  enum class Flow { kGo, kEnd, kRestart, kResumeFailed, kAbort, kTryAgain, kCheckComplete };

  struct EasyDeleter {
    void operator()(CURL* h) const { curl_easy_cleanup(h); }
  };
  struct MultiDeleter {
    void operator()(CURLM* h) const { curl_multi_cleanup(h); }
  };
  struct SlistDeleter {
    void operator()(curl_slist* h) const { curl_slist_free_all(h); }
  };
  using Easy = std::unique_ptr<CURL, EasyDeleter>;
  using Multi = std::unique_ptr<CURLM, MultiDeleter>;
  using Slist = std::unique_ptr<curl_slist, SlistDeleter>;
  using Clock = std::chrono::steady_clock;

  Flow RunSequence();
  bool StopRequested() const;
  void AbortRelease();
  void Status(int code, const std::string& extra = std::string());

  // "file" URLs.
  Flow ReadLocalFile(const std::string& path);
  // HTTP and HTTPS: the connect point, with restarts.
  Flow Network(const TURLParts& parts);
  Flow Connection();
  bool Configure(CURL* easy);
  Slist BuildHeaders(bool complete_check) const;
  CURLcode Perform(CURL* easy, CURLM* multi);
  bool TimedOut(Clock::time_point now);

  // The response has begun (its first body bytes, or its end when it has no body).
  Flow ResponseBegins(long code);
  Flow Authenticate(long code, bool& try_again);
  Flow ReportHeaders(long code);
  Flow OpenOutput(long code);
  // Body bytes, cut into blocks of TransferBufferSize; the end of the body.
  Flow Feed(const char* data, size_t size);
  Flow BlockDone();
  Flow EndOfBody();
  bool Store(const char* data, size_t size);
  bool VerifyBlock();
  void RaiseProgress();
  void Verdict();

  const std::string* Header(const char* lower_name) const;

  static size_t HeaderCallback(char* data, size_t size, size_t count, void* self);
  static size_t WriteCallback(char* data, size_t size, size_t count, void* self);
  static int ProgressCallback(void* self, curl_off_t dltotal, curl_off_t dlnow, curl_off_t ultotal,
                              curl_off_t ulnow);
  static curl_socket_t OpenSocketCallback(void* self, curlsocktype purpose, curl_sockaddr* address);
  static int CloseSocketCallback(void* self, curl_socket_t socket);
  static int PrereqCallback(void* self, char* conn_primary_ip, char* conn_local_ip,
                            int conn_primary_port, int conn_local_port);

  TCustomWinHTTP& owner_;
  TCustomWinThread& thread_;
  std::shared_ptr<Transfer> transfer_;
  Transfer& t_;
  const TransferSettings& s_;

  // Request.
  std::string request_url_;
  bool https_ = false;
  std::string username_, password_;
  std::string proxy_username_, proxy_password_;
  bool post_ = false;
  int restarts_ = 0;
  int resume_failures_ = 0;

  // One perform.
  CURL* easy_ = nullptr;
  bool checking_complete_ = false;
  long check_status_ = 0;
  std::int64_t check_length_ = 0;
  bool response_started_ = false;
  Flow action_ = Flow::kGo;
  bool headers_complete_ = false;
  bool redirect_pending_ = false;
  bool any_header_ = false;
  std::string raw_headers_;
  std::vector<std::pair<std::string, std::string>> headers_;
  bool connected_ = false;
  bool upload_done_ = false;
  Clock::time_point connected_at_{};
  Clock::time_point sent_at_{};
  Clock::time_point last_receive_{};
  bool sent_ = false;
  // The low-speed check: bytes (headers and body) counted since the current window began.
  std::int64_t window_bytes_ = 0;
  Clock::time_point window_start_{};
  // A status line arrived in this perform; the answer's length was unreadable and the request
  // is sent once more with curl told to ignore it.
  bool status_line_seen_ = false;
  bool ignore_length_ = false;
  bool stop_seen_ = false;
  bool timed_out_ = false;
  std::exception_ptr callback_error_;

  // Body.
  bool content_length_present_ = false;
  bool body_error_ = false;
  bool verifying_ = false;
  std::string verify_block_;
  std::uint64_t block_fill_ = 0;
};

}  // namespace detail
}  // namespace tallowin::net
