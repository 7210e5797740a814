#include "net/win_http.h"

#include <curl/curl.h>
#include <unistd.h>

#include <algorithm>
#include <mutex>

#include "common/dispatcher.h"
#include "net/file_attributes.h"
#include "net/http_job.h"
#include "net/http_transfer.h"

namespace tallowin::net {

using detail::Transfer;

namespace {

bool OnMainThread() {
  try {
    return MainDispatcher().IsMainThread();
  } catch (...) {
    return true;
  }
}

void MarkIncomplete(const Transfer& t) {
  const auto& incomplete = t.settings.attributes.Incomplete;
  if (!(incomplete == TWinHTTPFileAttributes{TWinHTTPFileAttribute::atrArchive}))
    ApplyFileAttributes(t.settings.output_file_name, incomplete);
}

}  // namespace

TCustomWinHTTP::TCustomWinHTTP() {
  static std::once_flag curl_ready;
  std::call_once(curl_ready, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
  thread_.OnWaitTimeoutExpired = [this](TCustomWinThread&, bool& terminate_thread) {
    if (OnWaitTimeoutExpired) OnWaitTimeoutExpired(*this, terminate_thread);
    // The run is abandoned without further events; its output stays as it is.
    if (terminate_thread && current_) {
      auto t = current_;
      if (t->Abandon()) MarkIncomplete(*t);
      current_.reset();
    }
  };
}

TCustomWinHTTP::~TCustomWinHTTP() {
  destroying_ = true;
  thread_.BeginDestroy();
  if (current_) current_->Abandon();
  thread_.Shutdown();
  current_.reset();
}

void TCustomWinHTTP::SetTransferBufferSize(std::int64_t size) {
  transfer_buffer_size_ =
      static_cast<std::uint32_t>(std::clamp<std::int64_t>(size, 255, 2147483647));
}

int TCustomWinHTTP::StatusCode() const {
  return last_ ? last_->status_code : -1;
}
std::int64_t TCustomWinHTTP::ContentLength() const {
  return last_ ? last_->content_length : 0;
}
std::int64_t TCustomWinHTTP::Received() const {
  return last_ ? last_->received.load() : 0;
}
std::int64_t TCustomWinHTTP::StartOffset() const {
  return last_ ? last_->start_offset : 0;
}
const std::string& TCustomWinHTTP::ContentType() const {
  static const std::string kEmpty;
  return last_ ? last_->content_type : kEmpty;
}

bool TCustomWinHTTP::ReadRange(std::uint32_t start_range, std::uint32_t end_range,
                               bool force_wait) {
  if (current_ || destroying_) return false;
  auto t = std::make_shared<Transfer>();
  auto& s = t->settings;
  s.url = URL;
  s.accept_types = AcceptTypes;
  s.agent = Agent;
  s.add_headers = AddHeaders;
  s.referer = Referer;
  s.post_data = POSTData;
  s.request_method = RequestMethod;
  s.username = Username;
  s.password = Password;
  s.proxy = Proxy;
  s.range = Range;
  s.timeouts = Timeouts;
  s.cache_options = CacheOptions;
  s.internet_options = InternetOptions;
  s.output_file_name = OutputFileName;
  s.attributes = OutputFileAttributes;
  s.buffer_size = transfer_buffer_size_;
  s.max_memory_body = std::max<std::int64_t>(MaxMemoryBody, 0);
  s.max_error_body = std::max<std::int64_t>(MaxErrorBody, 0);
  s.work_offline = WorkOffline;
  s.has_header_info = static_cast<bool>(OnHeaderInfo);
  s.has_progress = static_cast<bool>(OnProgress);
  s.has_password_request = static_cast<bool>(OnPasswordRequest);
  s.has_proxy_authentication = static_cast<bool>(OnProxyAuthenticationRequest);
  s.on_before_send_request = OnBeforeSendRequest;
  s.on_redirected = OnRedirected;
  s.on_status = OnStatus;
  t->start_offset = start_range;
  t->end_offset = end_range;

  current_ = t;
  last_ = t;
  thread_.SetOnExecute([this, t](TCustomWinThread& thread) {
    detail::TransferJob job(*this, thread, t);
    job.Run();
  });
  thread_.SetOnTerminate([this, t](TCustomWinThread&) { CompleteTransfer(t); });
  thread_.SetOnException([this, t](std::exception_ptr) {
    if (!t->Abandoned() && !destroying_ && OnAnyError) OnAnyError(*this);
  });
  const bool saved_wait = thread_.WaitThread;
  if (force_wait) thread_.WaitThread = true;
  bool result = thread_.Execute();
  thread_.WaitThread = saved_wait;
  return result;
}

void TCustomWinHTTP::Abort(bool delete_output_file, bool terminate_thread) {
  if (!OnMainThread()) {
    // From a worker-thread event: the job stops at its next checkpoint.
    if (Transfer* own = detail::CurrentJobTransfer()) {
      own->delete_on_abort.store(delete_output_file);
      thread_.Terminate(false);
    }
    return;
  }
  auto t = current_;
  if (!t || t->completion_started) return;
  t->delete_on_abort.store(delete_output_file);
  if (!terminate_thread) {
    thread_.Terminate(false);
    return;
  }
  AbandonCurrent(delete_output_file);
  thread_.Terminate(true);
  if (!destroying_ && OnAborted) OnAborted(*this);
}

void TCustomWinHTTP::AbandonCurrent(bool delete_output_file) {
  auto t = current_;
  if (!t) return;
  // After this the worker neither opens nor writes the output file.
  if (t->Abandon()) {
    if (delete_output_file)
      ::unlink(t->settings.output_file_name.c_str());
    else
      MarkIncomplete(*t);
  }
  current_.reset();
}

void TCustomWinHTTP::ReleaseTransfer(const std::shared_ptr<Transfer>& t) {
  t->output_file = nullptr;
  t->output.reset();
  if (current_ == t) current_.reset();
}

void TCustomWinHTTP::FinishAbort(const std::shared_ptr<Transfer>& t) {
  if (current_ == t) current_.reset();
  if (!destroying_ && OnAborted) OnAborted(*this);
}

void TCustomWinHTTP::CompleteTransfer(const std::shared_ptr<Transfer>& t) {
  if (t->aborted || t->Abandoned() || destroying_) return;
  t->completion_started = true;
  // Whatever a handler throws, the transfer is released (and a failed download's own file
  // deleted) before the exception travels on to OnAnyError.
  struct Release {
    TCustomWinHTTP* self;
    std::shared_ptr<Transfer> t;
    bool delete_file = false;
    ~Release() {
      self->ReleaseTransfer(t);
      if (delete_file) ::unlink(t->settings.output_file_name.c_str());
    }
  } release{this, t};

  if (t->output) t->output->Seek(0);
  if (!t->continue_download) {
    ReleaseTransfer(t);
    if (OnDoneInterrupted) OnDoneInterrupted(*this);
    return;
  }
  if (t->output_error) {
    ReleaseTransfer(t);
    if (OnAnyError) OnAnyError(*this);
    if (OnOutputFileError) OnOutputFileError(*this);
    return;
  }
  const auto& attributes = t->settings.attributes;
  if (t->succeeded) {
    TStream* stream = t->output.get();
    if (t->file_written || t->already_complete) {
      ReleaseTransfer(t);
      stream = nullptr;
      if (!t->settings.output_file_name.empty() && !(attributes.Complete == attributes.Incomplete))
        ApplyFileAttributes(t->settings.output_file_name, attributes.Complete);
    }
    if (OnDone) OnDone(*this, t->content_type, t->received.load() + t->start_offset, stream);
    return;
  }
  TStream* stream = t->output.get();
  if (t->status_code == 200 || t->status_code == 206) {
    if (OnConnLost)
      OnConnLost(*this, t->content_type, t->content_length, t->received.load(), stream);
  } else if (t->status_code == -1) {
    if (OnHostUnreachable) OnHostUnreachable(*this);
  } else {
    // A file this transfer created holds no download; a resumed file keeps its bytes.
    release.delete_file = t->file_written && t->file_created;
    if (OnHTTPError) OnHTTPError(*this, t->status_code, stream);
  }
  if (OnAnyError) OnAnyError(*this);
}

}  // namespace tallowin::net
