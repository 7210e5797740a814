// The HTTP transfer component: one HTTP, HTTPS or "file" transfer at a time on a worker thread
// (libcurl underneath), with its outcome told by exactly one of a fixed set of events.
//
// Every transfer that was started ends with exactly one of: OnDone; OnDoneInterrupted;
// OnAnyError + OnOutputFileError; one of OnConnLost, OnHostUnreachable, OnHTTPError followed by
// OnAnyError; or OnAborted. A failure inside the job adds one OnAnyError before it.
//
// Call the operations on the main thread (Abort may also be called from the worker-thread
// events). Do not destroy the component from inside one of its own event handlers.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "net/win_http_types.h"
#include "net/win_thread.h"

namespace tallowin::net {

namespace detail {
struct Transfer;
class TransferJob;
}  // namespace detail

inline constexpr const char* kDefaultAgent = "Tallowin TWinHTTP";
// The largest body kept in memory unless MaxMemoryBody says otherwise.
inline constexpr std::int64_t kDefaultMaxMemoryBody = std::int64_t{512} << 20;
// ... and the largest error body.
inline constexpr std::int64_t kDefaultMaxErrorBody = std::int64_t{64} << 10;

class TWinLoginComponent {
 public:
  std::string Username;
  std::string Password;
};

class TCustomWinHTTP : public TWinLoginComponent {
 public:
  TCustomWinHTTP();
  // Abandons a running transfer without events and waits for its worker to end.
  virtual ~TCustomWinHTTP();
  TCustomWinHTTP(const TCustomWinHTTP&) = delete;
  TCustomWinHTTP& operator=(const TCustomWinHTTP&) = delete;

  bool Read(bool force_wait = false) { return ReadRange(0, 0, force_wait); }
  // Starts a transfer; False when one is in progress. With `force_wait` (or WaitThread) it
  // returns when the transfer has ended, serving hand-overs meanwhile.
  bool ReadRange(std::uint32_t start_range, std::uint32_t end_range, bool force_wait = false);
  // Does nothing unless a transfer is in progress and not yet completing. TerminateThread False
  // stops at the worker's next checkpoint; True abandons the worker at once (on the main thread;
  // on the worker it acts as False).
  void Abort(bool delete_output_file, bool terminate_thread);
  bool Running() const { return thread_.Running(); }
  // From ReadRange until the transfer's completion step has released it, or an abort.
  bool InProgress() const { return current_ != nullptr; }

  // ---- properties ----
  std::string URL;
  std::string AcceptTypes = "text/html, */*";
  std::string Agent = kDefaultAgent;
  std::vector<std::string> AddHeaders;
  std::string Referer;
  std::string POSTData;
  TWinHTTPRequestMethod RequestMethod = TWinHTTPRequestMethod::rmAutoDetect;
  TWinHTTPProxy Proxy;
  TWinHTTPRange Range;
  TWinHTTPTimeouts Timeouts;
  TCacheOptions CacheOptions{TCacheOption::coReloadIfNoExpireInformation,
                             TCacheOption::coReloadUpdatedObjects,
                             TCacheOption::coCreateTempFilesIfCantCache};
  TInternetOptions InternetOptions{TInternetOption::ioKeepConnection};
  std::string OutputFileName;
  TWinHTTPOutputFileAttributes OutputFileAttributes;
  // A body that goes to memory (no output file, or an error answer) ends the transfer once it
  // would grow past this many bytes: OnConnLost for a 200 or 206 answer, OnHTTPError (with the
  // bytes up to the limit) for any other, each followed by OnAnyError.
  std::int64_t MaxMemoryBody = kDefaultMaxMemoryBody;
  // The body of an error answer (any status but 200 and 206) is read only this far; OnHTTPError
  // gets the bytes up to the limit.
  std::int64_t MaxErrorBody = kDefaultMaxErrorBody;
  // There is no system-wide offline mode here: the prompt is never needed.
  bool ShowGoOnlineMessage = false;
  // Offline means cache only, and this client keeps no cache: network transfers fail at once.
  bool WorkOffline = false;

  std::uint32_t TransferBufferSize() const { return transfer_buffer_size_; }
  // Clamped to 255 .. 2147483647.
  void SetTransferBufferSize(std::int64_t size);
  TThreadPriority ThreadPriority() const { return thread_.Priority(); }
  void SetThreadPriority(TThreadPriority priority) { thread_.SetPriority(priority); }
  bool WaitThread() const { return thread_.WaitThread; }
  void SetWaitThread(bool wait) { thread_.WaitThread = wait; }
  unsigned WaitTimeout() const { return thread_.WaitTimeout; }
  void SetWaitTimeout(unsigned ms) { thread_.WaitTimeout = ms; }

  // ---- the last transfer's figures (read them in handlers or when no transfer runs) ----
  int StatusCode() const;
  std::int64_t ContentLength() const;
  // The body bytes of the running transfer so far: this one may be read at any time.
  std::int64_t Received() const;
  std::int64_t StartOffset() const;
  const std::string& ContentType() const;

  // ---- events ----
  TWinHTTPBeforeSendRequestEvent OnBeforeSendRequest;  // worker
  TWinHTTPRedirectedEvent OnRedirected;                // worker
  TWinHTTPStatusEvent OnStatus;                        // worker
  TWinHTTPHeaderInfoEvent OnHeaderInfo;
  TWinHTTPProgressEvent OnProgress;
  TWinHTTPPasswordRequestEvent OnPasswordRequest;
  TWinHTTPProxyAuthenticationEvent OnProxyAuthenticationRequest;
  TWinHTTPDoneEvent OnDone;
  TWinHTTPNotifyEvent OnDoneInterrupted;
  TWinHTTPConnLostEvent OnConnLost;
  TWinHTTPErrorEvent OnHTTPError;
  TWinHTTPNotifyEvent OnHostUnreachable;
  TWinHTTPNotifyEvent OnOutputFileError;
  TWinHTTPNotifyEvent OnAnyError;
  TWinHTTPNotifyEvent OnAborted;
  TWinHTTPWaitTimeoutExpiredEvent OnWaitTimeoutExpired;

 private:
  friend class detail::TransferJob;

  void CompleteTransfer(const std::shared_ptr<detail::Transfer>& transfer);
  // Closes the transfer's output and, when it is the current one, ends InProgress.
  void ReleaseTransfer(const std::shared_ptr<detail::Transfer>& transfer);
  // Main thread, after the worker's abort release: ends InProgress and raises OnAborted.
  void FinishAbort(const std::shared_ptr<detail::Transfer>& transfer);
  // Abandons the current transfer on the main thread; the worker is left to wind down.
  void AbandonCurrent(bool delete_output_file);

  std::uint32_t transfer_buffer_size_ = 4096;
  std::shared_ptr<detail::Transfer> current_;
  std::shared_ptr<detail::Transfer> last_;
  bool destroying_ = false;
  TCustomWinThread thread_;
};

// The published component.
class TWinHTTP : public TCustomWinHTTP {};

}  // namespace tallowin::net
