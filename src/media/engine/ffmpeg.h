// TCustomFFmpeg: the transcoding engine of one task. It takes options by name and value as the old
// ffmpeg command-line tool did, opens inputs and outputs in the order the caller adds them, and
// runs the transcoding loop over the FFmpeg libraries, in a worker thread or in the caller's.
//
// The engine is this folder: run control (this class, ffmpeg.cpp), the run loop and set-up order
// (engine_run.cpp), and one file per pipeline stage, each with its set-up and its per-frame work:
// engine_demux.cpp (inputs, packets read), engine_decode.cpp, engine_filter.cpp,
// engine_encode.cpp (opening encoders, encoding) and engine_mux.cpp (outputs, headers, packets
// written, trailers). Beside them: two-pass logs, bitstream filters, stream and metadata maps,
// join mode, hooks, progress reports and local files; engine_state.h is the state they share.
// Options come in through the parser of media/options (option_parser.h).
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "media/engine/engine_events.h"

struct AVFormatContext;
struct AVFrame;

namespace tallowin::media {

enum class TThreadPriority {
  tpIdle,
  tpLowest,
  tpLower,
  tpNormal,
  tpHigher,
  tpHighest,
  tpTimeCritical
};

class TCustomFFmpeg {
 public:
  // `max_files` inputs and outputs at most (1..512); raises FFmpegException otherwise.
  explicit TCustomFFmpeg(int max_files = 20);
  virtual ~TCustomFFmpeg();
  TCustomFFmpeg(const TCustomFFmpeg&) = delete;
  TCustomFFmpeg& operator=(const TCustomFFmpeg&) = delete;

  // One option for the next file opened; raises FFmpegException with the option's text.
  void SetOption(const std::string& name, const std::string& value);

  // Opens an input with the pending options. False on failure, with the reason in LastErrMsg.
  bool OpenInput(const std::string& file_name);
  // Opens an output with the pending options. Its index, or -1 with the reason in LastErrMsg.
  int OpenOutput(const std::string& file_name, bool join = false);

  // Runs the task: threaded in a worker thread (returns true when the worker was made; the run
  // goes on after the call returns), otherwise in the caller's thread, returning at its end.
  // Refused (false) while running or after the task has terminated.
  bool Start(bool threaded, TThreadPriority priority = TThreadPriority::tpNormal);

  // Asks the task to stop; with `wait`, returns once it has ended (serving the main thread's
  // hand-overs meanwhile when called there). A task never started ends through terminate.
  void Stop(bool wait);

  // Waits up to `timeout` for the run to end (serving hand-overs on the main thread).
  bool WaitFinished(std::chrono::milliseconds timeout);

  bool Running() const;
  bool Finished() const;    // ran to its end
  bool Failed() const;      // ended with a failure message
  bool Terminated() const;  // the terminate step has run
  std::string LastErrMsg() const;
  std::string FailureMessage() const;

  int InputCount() const;
  int OutputCount() const;
  AVFormatContext* InputContext(int index) const;

  // ms a blocking open may take (default 10000).
  int IOTimeout() const;
  void SetIOTimeout(int ms);
  // µs between two progress reports (default 500000).
  int64_t ReportInterval() const;
  void SetReportInterval(int64_t us);
  // Report verbosity (option v).
  int Verbosity() const;
  void SetVerbosity(int v);
  // Unknown or rejected generic options fail the call (default on).
  bool StrictOptions() const;
  void SetStrictOptions(bool strict);
  // The norm of a target without prefix when neither the output's rate nor an input's tells
  // (the option target alone: NTSC).
  void SetTargetFallbackPal(bool pal);
  // µs expected for progress; -1 unknown.
  int64_t TotalDuration() const;
  // Bits per pixel of the video hooks' bitmaps: 8, 15, 16, 24 (default) or 32; other values are
  // refused (false).
  int VideoHookBitsPixel() const;
  bool SetVideoHookBitsPixel(int bits);

  // Events. Set them before the files are opened and the task is started.
  std::function<void(TCustomFFmpeg&, AVFormatContext*)> OnBeforeFindStreamInfo;
  std::function<void(TCustomFFmpeg&, const TProgressInfo&)> OnProgress;
  // The terminate relay: called once at the end of the task, in the task's thread.
  std::function<void(TCustomFFmpeg&)> OnTerminate;
  // Each video picture just before it is encoded, in the task's thread: the picture, its 1-based
  // output frame number and its time stamp in µs (AV_NOPTS_VALUE when it has none). For the
  // preview and the output hooks; the picture must not be kept or changed.
  std::function<void(TCustomFFmpeg&, const AVFrame*, int, int64_t)> OnVideoOutputFrame;
  // Video hooks, in the task's thread: each decoded input picture (input hook) or each picture
  // about to be encoded (output hook, before OnVideoOutputFrame) as a bitmap of
  // VideoHookBitsPixel bits, with its 1-based frame number and time stamp (µs). With Update the
  // handler's changes of the bitmap go back into the picture; StopHook, a failed conversion or
  // a handler that throws (counted as Update = false) ends that hook for the rest of the run.
  using VideoHookEvent = std::function<void(TCustomFFmpeg&, THookInfo&)>;
  VideoHookEvent OnVideoInputHook, OnVideoOutputHook;
  // Each block of decoded audio, in the task's thread: its time stamp (µs, AV_NOPTS_VALUE when
  // unknown), the samples interleaved, their size in bytes, the sample rate, the channel count
  // and the (packed) AVSampleFormat.
  using AudioHookEvent =
      std::function<void(TCustomFFmpeg&, int64_t pts, const uint8_t* samples, int size,
                         int sample_rate, int channels, int sample_format)>;
  AudioHookEvent OnAudioHook;

  struct Impl;

 private:
  std::unique_ptr<Impl> impl_;
};

}  // namespace tallowin::media
