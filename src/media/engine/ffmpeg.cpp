// Run control of the engine: options and files in, start, stop, the worker and its events.
#include "media/engine/ffmpeg.h"

#include <sys/resource.h>

#include "common/dispatcher.h"
#include "media/engine/engine_state.h"
#include "media/runtime/ff_exception.h"

namespace tallowin::media {
namespace {

int NiceValue(TThreadPriority priority) {
  switch (priority) {
    case TThreadPriority::tpIdle:
      return 19;
    case TThreadPriority::tpLowest:
      return 10;
    case TThreadPriority::tpLower:
      return 5;
    case TThreadPriority::tpNormal:
      return 0;
    case TThreadPriority::tpHigher:
      return -5;
    case TThreadPriority::tpHighest:
      return -10;
    case TThreadPriority::tpTimeCritical:
      return -15;
  }
  return 0;
}

// Waits for `done`, serving the main thread's hand-overs when called there.
bool WaitServing(std::mutex& mutex, std::condition_variable& cv, const std::function<bool()>& done,
                 std::chrono::milliseconds timeout) {
  auto locked_done = [&] {
    std::lock_guard lock(mutex);
    return done();
  };
  Dispatcher& dispatcher = MainDispatcher();
  if (dispatcher.IsMainThread()) {
    // In 20 ms steps, so that a finished run is seen even without a Notify.
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!locked_done()) {
      if (timeout.count() >= 0 && std::chrono::steady_clock::now() >= deadline) return false;
      dispatcher.WaitUntil(locked_done, std::chrono::milliseconds(20));
    }
    return true;
  }
  std::unique_lock lock(mutex);
  if (timeout.count() < 0) {
    cv.wait(lock, done);
    return true;
  }
  return cv.wait_for(lock, timeout, done);
}

}  // namespace

TCustomFFmpeg::Impl::Impl(TCustomFFmpeg& owner, int max_files)
    : owner(owner),
      max_files(max_files),
      parser(OptionParser::Hooks{
          [&owner](TLogLevel level, const std::string& text) { FFLog(&owner, level, text); },
          [this] { return static_cast<int>(outputs.size()); },
          [this] {
            std::vector<AVRational> rates;
            for (const auto& in : inputs)
              for (const auto& is : in.streams)
                if (is.st->codecpar->codec_type == AVMEDIA_TYPE_VIDEO)
                  rates.push_back(FF().av_guess_frame_rate(in.ctx.get(), is.st, nullptr));
            return rates;
          },
          [this](StreamKind kind) { AddStreamToLastOutput(kind); }}) {}

void TCustomFFmpeg::Impl::SetError(const std::string& text) {
  std::lock_guard lock(text_mutex);
  last_error = text;
}

void TCustomFFmpeg::Impl::StartIOTimer() {
  io_message_logged = false;
  // A Stop that came while nothing blocked still cancels the open that follows.
  int64_t expected = io_start.load();
  if (expected != 0) io_start.compare_exchange_strong(expected, FF().av_gettime_relative());
}

void TCustomFFmpeg::Impl::StopIOTimer() {
  int64_t expected = io_start.load();
  if (expected != 0) io_start.compare_exchange_strong(expected, INT64_MAX);
}

bool TCustomFFmpeg::Impl::TimeoutOrCancel(void* p) {
  auto* impl = static_cast<Impl*>(p);
  const int64_t start = impl->io_start.load();
  if (start == INT64_MAX) return false;
  const char* text = nullptr;
  if (start == 0)
    text = "connecting/reading/writing canceled";
  else if (FF().av_gettime_relative() - start > int64_t{impl->io_timeout_ms} * 1000)
    text = "connecting/reading/writing timeout";
  if (!text) return false;
  if (!impl->io_message_logged.exchange(true)) impl->Log(llInfo, text);
  return true;
}

bool TCustomFFmpeg::Impl::StopRequestedTest(void* p) {
  return static_cast<Impl*>(p)->stop_requested.load();
}

TCustomFFmpeg::TCustomFFmpeg(int max_files) {
  if (max_files < 1 || max_files > 512)
    throw FFmpegException("MaxFiles must be 1..512, not " + std::to_string(max_files));
  impl_ = std::make_unique<Impl>(*this, max_files);
}

TCustomFFmpeg::~TCustomFFmpeg() {
  Impl& s = *impl_;
  if (s.running) Stop(true);
  for (std::thread* t : {&s.worker, &s.terminator}) {
    if (!t->joinable()) continue;
    if (t->get_id() == std::this_thread::get_id())
      t->detach();  // destroyed from its own terminate event: the thread ends right after
    else
      t->join();
  }
}

void TCustomFFmpeg::SetOption(const std::string& name, const std::string& value) {
  if (impl_->running) throw FFmpegException("Cannot set options while working.");
  impl_->parser.Set(name, value);
}

bool TCustomFFmpeg::OpenInput(const std::string& file_name) {
  Impl& s = *impl_;
  try {
    if (s.running || s.terminated) throw FFmpegException("Cannot open files while working.");
    s.OpenInputFile(file_name);
    s.parser.ResetPending();
    return true;
  } catch (const std::exception& e) {
    s.parser.ResetPending();
    s.SetError(e.what());
    return false;
  }
}

int TCustomFFmpeg::OpenOutput(const std::string& file_name, bool join) {
  Impl& s = *impl_;
  try {
    if (s.running || s.terminated) throw FFmpegException("Cannot open files while working.");
    s.OpenOutputFile(file_name, join);
    s.parser.ResetPending();
    const PendingOptions& o = s.outputs.back().settings;
    if (o.recording_time != AV_NOPTS_VALUE) s.total_duration = o.recording_time;
    return static_cast<int>(s.outputs.size()) - 1;
  } catch (const std::exception& e) {
    s.parser.ResetPending();
    s.SetError(e.what());
    return -1;
  }
}

bool TCustomFFmpeg::Start(bool threaded, TThreadPriority priority) {
  Impl& s = *impl_;
  if (s.running || s.terminated || s.started) return false;
  std::string missing;
  if (s.outputs.empty())
    missing = "At least one output file must be specified";
  else if (s.inputs.empty())
    missing = "At least one input file must be specified";
  if (!missing.empty()) {
    s.Log(llQuiet, missing);
    {
      std::lock_guard lock(s.text_mutex);
      s.failure = s.last_error = missing;
    }
    s.failed = true;
    s.started = true;
    s.RemoveEmptyOutputs();
    s.Terminate();
    return false;
  }
  s.started = true;
  s.stop_requested = false;
  s.finished = false;
  s.running = true;
  {
    std::lock_guard lock(s.event_mutex);
    s.run_finished = false;
  }
  auto run = [&s] {
    s.Run();
    {
      std::lock_guard lock(s.event_mutex);
      s.run_finished = true;
    }
    s.event_cv.notify_all();
    if (Dispatcher* d = &MainDispatcher()) d->Notify();
  };
  if (!threaded) {
    run();
    return true;
  }
  s.worker = std::thread([run, priority] {
    const int nice = NiceValue(priority);
    if (nice != 0) setpriority(PRIO_PROCESS, static_cast<id_t>(CurrentThreadId()), nice);
    run();
  });
  return true;
}

void TCustomFFmpeg::Stop(bool wait) {
  Impl& s = *impl_;
  // An open that blocks right now is abandoned at once.
  int64_t start = s.io_start.load();
  if (start != INT64_MAX) s.io_start.compare_exchange_strong(start, 0);
  if (s.running) {
    s.stop_requested = true;
    if (wait) WaitFinished(std::chrono::milliseconds(-1));
    return;
  }
  if (s.terminated || s.started) return;
  {
    std::lock_guard lock(s.event_mutex);
    if (s.terminator.joinable()) return;  // already on its way
    s.started = true;
    s.terminator = std::thread([&s] { s.Terminate(); });
  }
  if (wait)
    WaitServing(
        s.event_mutex, s.event_cv, [&s] { return s.terminate_delivered; },
        std::chrono::milliseconds(-1));
}

bool TCustomFFmpeg::WaitFinished(std::chrono::milliseconds timeout) {
  Impl& s = *impl_;
  return WaitServing(
      s.event_mutex, s.event_cv, [&s] { return s.run_finished; }, timeout);
}

bool TCustomFFmpeg::Running() const {
  return impl_->running;
}
bool TCustomFFmpeg::Finished() const {
  return impl_->finished;
}
bool TCustomFFmpeg::Failed() const {
  return impl_->failed;
}
bool TCustomFFmpeg::Terminated() const {
  return impl_->terminated;
}

std::string TCustomFFmpeg::LastErrMsg() const {
  std::lock_guard lock(impl_->text_mutex);
  return impl_->last_error;
}

std::string TCustomFFmpeg::FailureMessage() const {
  std::lock_guard lock(impl_->text_mutex);
  return impl_->failure;
}

int TCustomFFmpeg::InputCount() const {
  return static_cast<int>(impl_->inputs.size());
}
int TCustomFFmpeg::OutputCount() const {
  return static_cast<int>(impl_->outputs.size());
}

AVFormatContext* TCustomFFmpeg::InputContext(int index) const {
  if (index < 0 || index >= InputCount()) return nullptr;
  return impl_->inputs[index].ctx.get();
}

int TCustomFFmpeg::IOTimeout() const {
  return impl_->io_timeout_ms;
}
void TCustomFFmpeg::SetIOTimeout(int ms) {
  impl_->io_timeout_ms = ms;
}
int64_t TCustomFFmpeg::ReportInterval() const {
  return impl_->report_interval;
}
void TCustomFFmpeg::SetReportInterval(int64_t us) {
  impl_->report_interval = us;
}
int TCustomFFmpeg::Verbosity() const {
  return impl_->verbosity();
}
void TCustomFFmpeg::SetVerbosity(int v) {
  impl_->parser.global().verbosity = v;
}
bool TCustomFFmpeg::StrictOptions() const {
  return impl_->parser.strict();
}
void TCustomFFmpeg::SetStrictOptions(bool strict) {
  impl_->parser.set_strict(strict);
}
void TCustomFFmpeg::SetTargetFallbackPal(bool pal) {
  impl_->parser.set_target_fallback(pal ? TargetNorm::kPal : TargetNorm::kNtsc);
}
int64_t TCustomFFmpeg::TotalDuration() const {
  return impl_->total_duration;
}
int TCustomFFmpeg::VideoHookBitsPixel() const {
  return impl_->input_hook.converter.BitsPerPixel();
}
bool TCustomFFmpeg::SetVideoHookBitsPixel(int bits) {
  return impl_->input_hook.converter.SetBitsPixel(bits) &&
         impl_->output_hook.converter.SetBitsPixel(bits);
}

}  // namespace tallowin::media
