#include "media/components/ff_encode.h"

#include <algorithm>
#include <chrono>

#include "common/dispatcher.h"
#include "media/components/records_to_options.h"
#include "media/runtime/ff_load.h"
#include "media/runtime/ff_log.h"

namespace tallowin::media {
namespace {

bool IsMainThreadSafe() {
  try {
    return MainDispatcher().IsMainThread();
  } catch (const std::logic_error&) {
    return false;
  }
}

// Set while this thread runs an event handler for a task, or runs a task itself: waiting there
// for a task to end would wait for ourselves.
thread_local int g_inside_task = 0;

struct InsideTask {
  InsideTask() { ++g_inside_task; }
  ~InsideTask() { --g_inside_task; }
};

void NotifyMainThread() {
  try {
    MainDispatcher().Notify();
  } catch (const std::logic_error&) {
  }
}

}  // namespace

// --- TFFmpeg -------------------------------------------------------------------------------------

TFFmpeg::TFFmpeg(TCustomEncoder& owner, int max_files) : TCustomFFmpeg(max_files), owner_(owner) {
  OnVideoOutputFrame = [this](TCustomFFmpeg&, const AVFrame* frame, int number, int64_t pts) {
    if (!previewer_.Flags()) return;
    previewer_.Offer(
        FF().av_gettime_relative(), number, pts,
        [this, frame](TBitmap& bitmap, std::string& error) {
          converter_.SetBitsPixel(VideoHookBitsPixel());
          return converter_.Convert(frame, bitmap, error);
        },
        [this](const TBitmap& bitmap, int n, int64_t p) {
          owner_.PreviewBitmapRelay(*this, bitmap, n, p);
        },
        this);
  };
}

TFFmpeg::~TFFmpeg() {
  // A running task ends before its decoders and preview go away.
  if (Running()) Stop(true);
}

TFFDecoder* TFFmpeg::InputDecoder(int index) {
  if (index < 0 || index >= InputCount()) return nullptr;
  if (static_cast<int>(decoders_.size()) <= index) decoders_.resize(index + 1);
  if (!decoders_[index]) {
    decoders_[index] = std::make_unique<TFFDecoder>();
    decoders_[index]->AttachInput(InputContext(index));
  }
  return decoders_[index].get();
}

// --- TCustomEncoder: tasks -----------------------------------------------------------------------

TCustomEncoder::TCustomEncoder() = default;

TCustomEncoder::~TCustomEncoder() {
  DetachEvents();
  Stop(true);
  // Each lock once, so that no relay is still inside.
  for (std::mutex* lock : {&audio_hook_lock_, &preview_bitmap_lock_, &progress_lock_,
                           &terminate_lock_, &video_hook_lock_}) {
    lock->lock();
    lock->unlock();
  }
  std::vector<std::unique_ptr<TFFmpeg>> tasks;
  {
    std::lock_guard lock(tasks_mutex_);
    tasks.swap(tasks_);
  }
  tasks.clear();
  JoinDeliveries();
}

void TCustomEncoder::Guard(const char* operation) const {
  if (working_) throw EncoderException(std::string("Cannot ") + operation + " while working.");
}

void TCustomEncoder::SetError(const std::string& text) {
  std::lock_guard lock(error_mutex_);
  last_error_ = text;
}

std::string TCustomEncoder::LastErrMsg() const {
  std::lock_guard lock(error_mutex_);
  return last_error_;
}

bool TCustomEncoder::LibrariesLoaded() const {
  return FFLoader().Loaded(kEncoderLibraries);
}

bool TCustomEncoder::LoadLibraries(const std::string& folder) {
  TFFLoader& loader = FFLoader();
  loader.SetLibraryFolder(folder);
  if (loader.Load(kEncoderLibraries)) return true;
  SetError(loader.LastErrMsg());
  return false;
}

int TCustomEncoder::IndexOf(const TFFmpeg* task) const {
  std::lock_guard lock(tasks_mutex_);
  for (size_t i = 0; i < tasks_.size(); ++i)
    if (tasks_[i].get() == task) return static_cast<int>(i);
  return -1;
}

int TCustomEncoder::TaskCount() const {
  std::lock_guard lock(tasks_mutex_);
  return static_cast<int>(tasks_.size());
}

TFFmpeg* TCustomEncoder::Task(int task_index) const {
  std::lock_guard lock(tasks_mutex_);
  if (task_index < 0 || task_index >= static_cast<int>(tasks_.size())) return nullptr;
  return tasks_[task_index].get();
}

bool TCustomEncoder::OpenInput(TFFmpeg& task, const std::string& file_name,
                               TInputOptions* options) {
  TInputOptions copy;
  if (options) {
    if (options->FileName.empty()) options->FileName = file_name;
    copy = *options;
  }
  const std::string& name = options ? copy.FileName : file_name;
  try {
    for (const TEngineOption& option : InputOptionList(copy))
      task.SetOption(option.Name, option.Value);
  } catch (const std::exception& e) {
    SetError(e.what());
    return false;
  }
  task.SetIOTimeout(IOTimeout);
  if (!task.OpenInput(name)) {
    SetError(task.LastErrMsg());
    return false;
  }
  task.InputOptions.push_back(copy);
  return true;
}

int TCustomEncoder::AddTask(const std::string& file_name, TInputOptions* options) {
  Guard("AddTask");
  std::unique_ptr<TFFmpeg> task;
  try {
    task = std::make_unique<TFFmpeg>(*this, kMaxFiles);
  } catch (const std::exception& e) {
    SetError(e.what());
    return -1;
  }
  task->SetStrictOptions(true);
  task->SetVerbosity(1);
  task->Preview().SetFlags((preview_ ? pfWindow : 0) | (preview_bitmap_ ? pfBitmap : 0));
  task->OnBeforeFindStreamInfo = [this](TCustomFFmpeg& engine, AVFormatContext* context) {
    const BeforeFindStreamInfoEvent handler = EventOf(on_before_find_stream_info_);
    if (handler) handler(engine, context);
  };
  if (!OpenInput(*task, file_name, options)) return -1;
  TFFmpeg* raw = task.get();
  task->OnProgress = [this, raw](TCustomFFmpeg&, const TProgressInfo& info) {
    ProgressRelay(*raw, info);
  };
  task->OnTerminate = [this, raw](TCustomFFmpeg&) { TerminateRelay(*raw); };
  std::lock_guard lock(tasks_mutex_);
  tasks_.push_back(std::move(task));
  return static_cast<int>(tasks_.size()) - 1;
}

bool TCustomEncoder::AddInputFile(int task_index, const std::string& file_name,
                                  TInputOptions* options) {
  Guard("AddInputFile");
  TFFmpeg* task = Task(task_index);
  if (!task) {
    SetError("Invalid task index " + std::to_string(task_index));
    return false;
  }
  if (task->InputCount() >= kMaxFiles) {
    SetError("max input files " + std::to_string(kMaxFiles) + " reached");
    return false;
  }
  return OpenInput(*task, file_name, options);
}

bool TCustomEncoder::SetOutputFile(int task_index, const std::string& file_name,
                                   TOutputOptions* options) {
  Guard("SetOutputFile");
  TFFmpeg* task = Task(task_index);
  if (!task) {
    SetError("Invalid task index " + std::to_string(task_index));
    return false;
  }
  if (task->OutputCount() >= kMaxFiles) {
    SetError("max output files " + std::to_string(kMaxFiles) + " reached");
    return false;
  }
  TOutputOptions copy;
  if (options) {
    if (options->FileName.empty()) options->FileName = file_name;
    copy = *options;
  }
  const std::string& name = options ? copy.FileName : file_name;
  TOutputOptionPlan plan;
  try {
    plan = BuildOutputOptions(copy);
    if (!plan.Target.empty()) task->SetTargetFallbackPal(plan.TargetFallbackNorm == "pal");
    for (const TEngineOption& option : plan.Before) task->SetOption(option.Name, option.Value);
  } catch (const std::exception& e) {
    SetError(e.what());
    return false;
  }
  if (options) AttachHooks(*task, copy);
  task->SetIOTimeout(IOTimeout);
  const bool join = options && copy.JoinFiles;
  if (task->OpenOutput(name, join) < 0) {
    SetError(task->LastErrMsg());
    return false;
  }
  task->OutputOptions.push_back(copy);
  try {
    for (const TEngineOption& option : plan.ExtraStreams)
      task->SetOption(option.Name, option.Value);
  } catch (const std::exception& e) {
    // The output is open already; the task keeps it, the caller learns what went wrong.
    SetError(e.what());
    return false;
  }
  return true;
}

void TCustomEncoder::RemoveTask(int task_index) {
  Guard("RemoveTask");
  std::unique_ptr<TFFmpeg> task;
  {
    std::lock_guard lock(tasks_mutex_);
    if (task_index < 0 || task_index >= static_cast<int>(tasks_.size())) return;
    task = std::move(tasks_[task_index]);
    tasks_.erase(tasks_.begin() + task_index);
  }
}

void TCustomEncoder::ClearTasks() {
  if (working_ && !all_done_) throw EncoderException("Cannot ClearTasks while working.");
  std::vector<std::unique_ptr<TFFmpeg>> tasks;
  {
    std::lock_guard lock(tasks_mutex_);
    tasks.swap(tasks_);
  }
  // Outside the list's lock: a task's end may still be looking itself up.
  tasks.clear();
  SetError("");
  std::lock_guard lock(run_mutex_);
  finished_count_ = 0;
  next_index_ = -1;
  tasks_to_start_ = 0;
  all_done_ = false;
  threaded_ = false;
  working_ = false;
}

// --- Running -------------------------------------------------------------------------------------

void TCustomEncoder::SetProgressInterval(int ms) {
  progress_interval_ = std::max(ms, 100);
}

bool TCustomEncoder::StartNext() {
  TFFmpeg* task = nullptr;
  {
    std::lock_guard lock(run_mutex_);
    if (tasks_to_start_ <= 0) return false;
    --tasks_to_start_;
    task = Task(next_index_++);
  }
  if (!task) return false;
  task->SetReportInterval(int64_t{progress_interval_} * 1000);
  // A task that cannot start ends at once through the terminate relay.
  if (threaded_) {
    task->Start(true, ThreadPriority);
  } else {
    InsideTask inside;
    task->Start(false, ThreadPriority);
  }
  return true;
}

void TCustomEncoder::StartTask(int threads) {
  Guard("StartTask");
  {
    std::lock_guard lock(run_mutex_);
    finished_count_ = 0;
    next_index_ = 0;
    tasks_to_start_ = TaskCount();
    all_done_ = false;
    threaded_ = threads > 0;
    working_ = true;
  }
  if (TaskCount() == 0) {
    // Nothing to run: the run ends at once.
    std::lock_guard lock(run_mutex_);
    all_done_ = true;
  }
  if (threads > 0) {
    for (int started = 0; started < threads && StartNext(); ++started) {
    }
    if (TaskCount() == 0) {
      const TerminateEvent handler = EventOf(on_terminate_);
      if (handler)
        Deliver([this, handler] { handler(*this, TTerminateInfo{-1, true, false, ""}); });
    }
    return;
  }
  while (StartNext()) {
  }
  // Tasks that a Stop kept from starting end here, in list order, so that their events keep the
  // order of the tasks.
  std::vector<TFFmpeg*> left;
  {
    std::lock_guard lock(tasks_mutex_);
    for (auto& task : tasks_)
      if (!task->Terminated()) left.push_back(task.get());
  }
  for (TFFmpeg* task : left) task->Stop(true);
  // The final event comes from here, not from inside the last task's run: its handler may clear
  // the tasks.
  const TerminateEvent handler = EventOf(on_terminate_);
  all_done_ = true;
  if (handler) handler(*this, TTerminateInfo{-1, true, false, ""});
}

void TCustomEncoder::Stop(bool wait) {
  {
    std::lock_guard lock(run_mutex_);
    tasks_to_start_ = 0;
  }
  if (!working_) return;
  std::vector<TFFmpeg*> tasks;
  {
    std::lock_guard lock(tasks_mutex_);
    for (auto& task : tasks_) tasks.push_back(task.get());
  }
  // From inside a task's run or one of its hand-overs the task cannot be waited for: it is
  // waiting for us. It is asked to stop and ends once we return.
  if (g_inside_task > 0) wait = false;
  // A run in the caller's thread ends the tasks it did not start itself, after the running one.
  const bool synchronous = !threaded_;
  for (TFFmpeg* task : tasks) {
    if (synchronous && !task->Running()) continue;
    task->Stop(wait);
  }
}

void TCustomEncoder::SetPreview(bool value) {
  preview_ = value;
  ApplyPreviewFlags();
}

void TCustomEncoder::SetPreviewBitmap(bool value) {
  preview_bitmap_ = value;
  ApplyPreviewFlags();
}

void TCustomEncoder::ApplyPreviewFlags() {
  const int flags = (preview_ ? pfWindow : 0) | (preview_bitmap_ ? pfBitmap : 0);
  std::lock_guard lock(tasks_mutex_);
  for (auto& task : tasks_) task->Preview().SetFlags(flags);
}

// --- Events and relays ---------------------------------------------------------------------------

void TCustomEncoder::SetOnProgress(ProgressEvent handler) {
  AssignEvent(on_progress_, std::move(handler));
}
void TCustomEncoder::SetOnTerminate(TerminateEvent handler) {
  AssignEvent(on_terminate_, std::move(handler));
}
void TCustomEncoder::SetOnPreviewBitmap(PreviewBitmapEvent handler) {
  AssignEvent(on_preview_bitmap_, std::move(handler));
}
void TCustomEncoder::SetOnBeforeFindStreamInfo(BeforeFindStreamInfoEvent handler) {
  AssignEvent(on_before_find_stream_info_, std::move(handler));
}
void TCustomEncoder::DetachEvents() {
  std::lock_guard lock(events_mutex_);
  on_before_find_stream_info_ = nullptr;
  on_progress_ = nullptr;
  on_terminate_ = nullptr;
  on_preview_bitmap_ = nullptr;
  on_video_input_hook_ = nullptr;
  on_video_output_hook_ = nullptr;
  on_audio_hook_ = nullptr;
}

void TCustomEncoder::ProgressRelay(TFFmpeg& task, const TProgressInfo& info) {
  const ProgressEvent handler = EventOf(on_progress_);
  if (!handler) return;
  TProgressInfo record;
  {
    std::lock_guard lock(progress_lock_);
    progress_ = info;
    progress_.TaskIndex = IndexOf(&task);
    record = progress_;
  }
  // The handler gets its own copy: no lock is held while the worker waits for the main thread.
  if (TriggerEventInMainThread) {
    MainDispatcher().Send([&] {
      InsideTask inside;
      handler(*this, &record);
    });
  } else {
    handler(*this, &record);
  }
}

void TCustomEncoder::PreviewBitmapRelay(TFFmpeg& task, const TBitmap& bitmap, int frame,
                                        int64_t pts) {
  const PreviewBitmapEvent handler = EventOf(on_preview_bitmap_);
  if (!handler) return;
  TPreviewInfo record;
  {
    std::lock_guard lock(preview_bitmap_lock_);
    preview_info_ = TPreviewInfo{IndexOf(&task), &bitmap, frame, pts};
    record = preview_info_;
  }
  if (TriggerEventInMainThread) {
    MainDispatcher().Send([&] {
      InsideTask inside;
      handler(*this, record);
    });
  } else {
    handler(*this, record);
  }
}

void TCustomEncoder::Deliver(std::function<void()> call) {
  std::shared_ptr<Deliveries> d = deliveries_;
  std::list<std::thread> over;
  {
    std::lock_guard lock(d->mutex);
    // Threads whose delivery is over are joined, so that the list stays short.
    for (auto it = d->threads.begin(); it != d->threads.end();) {
      if (it->done && it->thread.get_id() != std::this_thread::get_id()) {
        over.push_back(std::move(it->thread));
        it = d->threads.erase(it);
      } else {
        ++it;
      }
    }
    const uint64_t turn = d->issued++;
    Delivery& delivery = d->threads.emplace_back();
    delivery.thread = std::thread([d, turn, &delivery, call = std::move(call)] {
      {
        std::unique_lock wait(d->mutex);
        d->cv.wait(wait, [&] { return d->delivered == turn; });
      }
      call();
      {
        std::lock_guard done(d->mutex);
        ++d->delivered;
        delivery.done = true;
      }
      d->cv.notify_all();
      NotifyMainThread();
    });
  }
  for (std::thread& t : over) t.join();
}

void TCustomEncoder::JoinDeliveries() {
  std::shared_ptr<Deliveries> d = deliveries_;
  const auto self = std::this_thread::get_id();
  // Every delivery but the calling one must be over; a main thread serves hand-overs while it
  // waits, since a handler may be sending a call to it.
  auto others_done = [&] {
    std::lock_guard lock(d->mutex);
    for (const Delivery& delivery : d->threads)
      if (!delivery.done && delivery.thread.get_id() != self) return false;
    return true;
  };
  if (IsMainThreadSafe()) {
    MainDispatcher().WaitUntil(others_done);
  } else {
    std::unique_lock lock(d->mutex);
    d->cv.wait(lock, [&] {
      for (const Delivery& delivery : d->threads)
        if (!delivery.done && delivery.thread.get_id() != self) return false;
      return true;
    });
  }
  std::list<Delivery> threads;
  {
    std::lock_guard lock(d->mutex);
    threads.swap(d->threads);
  }
  for (Delivery& delivery : threads) {
    if (delivery.thread.get_id() == self)
      delivery.thread.detach();  // the delivery destroying us: it only touches `d` afterwards
    else
      delivery.thread.join();
  }
}

void TCustomEncoder::TerminateRelay(TFFmpeg& task) {
  task.Preview().ReleaseWindow();
  const TerminateEvent handler = EventOf(on_terminate_);
  bool final_step = false;
  {
    std::lock_guard lock(terminate_lock_);
    if (handler) {
      terminate_info_.TaskIndex = IndexOf(&task);
      terminate_info_.Finished = task.Finished();
      terminate_info_.Exception = task.Failed();
      terminate_info_.ExceptionMsg = task.Failed() ? task.FailureMessage() : std::string();
      const TTerminateInfo record = terminate_info_;
      if (threaded_ || !working_)
        Deliver([this, handler, record] { handler(*this, record); });
      else
        handler(*this, record);
    }
  }
  {
    std::lock_guard run(run_mutex_);
    ++finished_count_;
    if (tasks_to_start_ <= 0 && finished_count_ >= TaskCount() && working_ && threaded_ &&
        !all_done_) {
      // All done. Set before the final delivery starts: its handler may clear the tasks.
      all_done_ = true;
      final_step = true;
    }
  }
  if (final_step) {
    if (handler) Deliver([this, handler] { handler(*this, TTerminateInfo{-1, true, false, ""}); });
    return;  // the task list may be cleared from here on
  }
  if (threaded_ && working_) StartNext();
}

}  // namespace tallowin::media
