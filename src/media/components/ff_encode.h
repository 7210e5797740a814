// The encoder component: a list of tasks, each one run of the transcoding engine with up to 20
// inputs and 20 outputs, built from TInputOptions and TOutputOptions records and run one or
// several at a time in worker threads.
//
//   TFFEncoder encoder;
//   encoder.OnProgress = [](TCustomEncoder&, PProgressInfo p) { ... };      // main thread
//   encoder.OnTerminate = [](TCustomEncoder& e, const TTerminateInfo& t) {  // delivery thread
//     if (t.TaskIndex < 0) e.ClearTasks();
//   };
//   int task = encoder.AddTask(input, &in_options);
//   if (task < 0 || !encoder.SetOutputFile(task, output, &out_options)) log(encoder.LastErrMsg());
//   encoder.StartTask(1);
//
// OnTerminate arrives once per task and then once with TaskIndex -1, each on a short-lived
// delivery thread in threaded mode; the deliveries run one after another in that order, and the
// final one starts only after the last task's has returned.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <list>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "media/components/encoder_records.h"
#include "media/components/ff_decode.h"
#include "media/components/previewer.h"
#include "media/engine/ffmpeg.h"
#include "media/picture/format_converter.h"

namespace tallowin::media {

class TCustomEncoder;

// Raised by operations that would change a running encoder ("Cannot %s while working.").
class EncoderException : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The engine of one task, with the records that built each slot and a decoder per input.
class TFFmpeg : public TCustomFFmpeg {
 public:
  TFFmpeg(TCustomEncoder& owner, int max_files);
  ~TFFmpeg() override;

  TCustomEncoder& Owner() const { return owner_; }
  // The record copies of the opened slots.
  std::vector<TInputOptions> InputOptions;
  std::vector<TOutputOptions> OutputOptions;
  // The decoder attached to input slot `index` (created on demand), or null. It reads the
  // input as it was opened; it is valid until the task runs.
  TFFDecoder* InputDecoder(int index);

  TPreviewer& Preview() { return previewer_; }

 private:
  TCustomEncoder& owner_;
  std::vector<std::unique_ptr<TFFDecoder>> decoders_;
  TPreviewer previewer_;
  TFormatConverter converter_;
};

class TCustomEncoder {
 public:
  static constexpr int kMaxFiles = 20;

  TCustomEncoder();
  virtual ~TCustomEncoder();
  TCustomEncoder(const TCustomEncoder&) = delete;
  TCustomEncoder& operator=(const TCustomEncoder&) = delete;

  static const char* Version() { return "3.9"; }

  // Libraries of the encoder's set.
  bool LibrariesLoaded() const;
  bool LoadLibraries(const std::string& folder);

  // A new task with one input; its index, or -1 with the reason in LastErrMsg. An empty
  // FileName in `options` is replaced by `file_name` (in the caller's record too).
  int AddTask(const std::string& file_name, TInputOptions* options = nullptr);
  bool AddInputFile(int task_index, const std::string& file_name, TInputOptions* options = nullptr);
  // Adds an output to the task; false with the reason in LastErrMsg.
  bool SetOutputFile(int task_index, const std::string& file_name,
                     TOutputOptions* options = nullptr);
  void RemoveTask(int task_index);
  int TaskCount() const;
  TFFmpeg* Task(int task_index) const;
  // Raises "Cannot ClearTasks while working." while tasks run.
  void ClearTasks();

  // Runs every task: `threads` > 0 at most that many at once in worker threads (returns at
  // once), otherwise one after another in the calling thread (returns after the last).
  void StartTask(int threads);
  // No further task starts; running tasks are asked to stop (and waited for with `wait`).
  void Stop(bool wait);

  bool Working() const { return working_; }
  bool AllDone() const { return all_done_; }
  std::string LastErrMsg() const;

  bool Preview() const { return preview_; }
  void SetPreview(bool value);
  bool PreviewBitmap() const { return preview_bitmap_; }
  void SetPreviewBitmap(bool value);
  // ms; values <= 100 are stored as 100.
  int ProgressInterval() const { return progress_interval_; }
  void SetProgressInterval(int ms);
  TThreadPriority ThreadPriority = TThreadPriority::tpNormal;
  bool TriggerEventInMainThread = true;
  int IOTimeout = 10000;

  TFFDecoder& Decoder() { return decoder_; }

  // Events (see the header comment). Set or clear them while no task runs, or through
  // SetEvents... they are read under a lock.
  using ProgressEvent = std::function<void(TCustomEncoder&, PProgressInfo)>;
  using TerminateEvent = std::function<void(TCustomEncoder&, const TTerminateInfo&)>;
  using PreviewBitmapEvent = std::function<void(TCustomEncoder&, const TPreviewInfo&)>;
  void SetOnProgress(ProgressEvent handler);
  void SetOnTerminate(TerminateEvent handler);
  void SetOnPreviewBitmap(PreviewBitmapEvent handler);
  // Raised with the task's engine and each just-opened input before its streams are probed.
  using BeforeFindStreamInfoEvent = std::function<void(TCustomFFmpeg&, AVFormatContext*)>;
  void SetOnBeforeFindStreamInfo(BeforeFindStreamInfoEvent handler);
  // The hooks, called in the task's worker thread (see THookInfo). They reach a task only when
  // its output record asks for them (AudioHook, VideoInputHook, VideoOutputHook).
  using VideoHookEvent = std::function<void(TCustomEncoder&, PHookInfo)>;
  using AudioHookEvent =
      std::function<void(TCustomEncoder&, int task_index, int64_t pts, const uint8_t* samples,
                         int size, int sample_rate, int channels, int sample_format)>;
  void SetOnVideoInputHook(VideoHookEvent handler);
  void SetOnVideoOutputHook(VideoHookEvent handler);
  void SetOnAudioHook(AudioHookEvent handler);
  // Unassigns every event.
  void DetachEvents();

 protected:
  // The relays the engine calls in the task's thread.
  virtual void ProgressRelay(TFFmpeg& task, const TProgressInfo& info);
  virtual void TerminateRelay(TFFmpeg& task);
  virtual void PreviewBitmapRelay(TFFmpeg& task, const TBitmap& bitmap, int frame, int64_t pts);
  virtual void VideoInputHookRelay(TFFmpeg& task, THookInfo& info);
  virtual void VideoOutputHookRelay(TFFmpeg& task, THookInfo& info);
  virtual void AudioHookRelay(TFFmpeg& task, int64_t pts, const uint8_t* samples, int size,
                              int sample_rate, int channels, int sample_format);

 private:
  friend class TFFmpeg;
  void Guard(const char* operation) const;
  void SetError(const std::string& text);
  int IndexOf(const TFFmpeg* task) const;
  bool OpenInput(TFFmpeg& task, const std::string& file_name, TInputOptions* options);
  void ApplyPreviewFlags();
  // Hands the task the hook relays its output record asks for (ff_encode_hooks.cpp).
  void AttachHooks(TFFmpeg& task, const TOutputOptions& options);
  void VideoHookRelay(const VideoHookEvent& handler, TFFmpeg& task, THookInfo& info);
  // Starts the next task if one is left; false when none was.
  bool StartNext();
  // Runs `call` on a new delivery thread, after every earlier delivery has returned.
  void Deliver(std::function<void()> call);
  void JoinDeliveries();

  mutable std::mutex error_mutex_;
  std::string last_error_;
  TFFDecoder decoder_;
  mutable std::mutex tasks_mutex_;
  std::vector<std::unique_ptr<TFFmpeg>> tasks_;

  std::atomic<bool> preview_{false}, preview_bitmap_{false};
  std::atomic<int> progress_interval_{500};

  // Run state (held briefly, never while a task starts or an event runs).
  std::mutex run_mutex_;
  int next_index_ = -1;
  int tasks_to_start_ = 0;
  int finished_count_ = 0;
  std::atomic<bool> all_done_{false}, threaded_{false}, working_{false};

  // The five locks of the event kinds, and the events themselves.
  std::mutex audio_hook_lock_, preview_bitmap_lock_, progress_lock_, terminate_lock_,
      video_hook_lock_;
  mutable std::mutex events_mutex_;
  // The events are set and read under events_mutex_; a relay calls its own copy.
  template <class Event>
  void AssignEvent(Event& slot, Event handler) {
    std::lock_guard lock(events_mutex_);
    slot = std::move(handler);
  }
  template <class Event>
  Event EventOf(const Event& slot) const {
    std::lock_guard lock(events_mutex_);
    return slot;
  }
  ProgressEvent on_progress_;
  TerminateEvent on_terminate_;
  PreviewBitmapEvent on_preview_bitmap_;
  BeforeFindStreamInfoEvent on_before_find_stream_info_;
  VideoHookEvent on_video_input_hook_, on_video_output_hook_;
  AudioHookEvent on_audio_hook_;
  THookInfo hook_info_;
  TProgressInfo progress_;
  TPreviewInfo preview_info_;
  TTerminateInfo terminate_info_;

  // Delivery threads: each waits for its turn (sequence numbers), then calls OnTerminate.
  struct Delivery {
    std::thread thread;
    bool done = false;
  };
  struct Deliveries {
    std::mutex mutex;
    std::condition_variable cv;
    uint64_t issued = 0, delivered = 0;
    std::list<Delivery> threads;
  };
  std::shared_ptr<Deliveries> deliveries_ = std::make_shared<Deliveries>();
};

// The published component.
class TFFEncoder : public TCustomEncoder {
 public:
  TFFEncoder() = default;
};

}  // namespace tallowin::media
