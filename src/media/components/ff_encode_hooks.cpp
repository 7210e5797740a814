// The encoder's hook relays: a task's pictures and decoded audio reach the caller's handlers in
// the task's worker thread, one task at a time (the video hooks share one lock, the audio hook has
// its own).
#include "media/components/ff_encode.h"

namespace tallowin::media {

void TCustomEncoder::SetOnVideoInputHook(VideoHookEvent handler) {
  AssignEvent(on_video_input_hook_, std::move(handler));
}
void TCustomEncoder::SetOnVideoOutputHook(VideoHookEvent handler) {
  AssignEvent(on_video_output_hook_, std::move(handler));
}
void TCustomEncoder::SetOnAudioHook(AudioHookEvent handler) {
  AssignEvent(on_audio_hook_, std::move(handler));
}

void TCustomEncoder::AttachHooks(TFFmpeg& task, const TOutputOptions& options) {
  task.SetVideoHookBitsPixel(options.VideoHookBitsPixel);
  TFFmpeg* raw = &task;
  if (options.AudioHook)
    task.OnAudioHook = [this, raw](TCustomFFmpeg&, int64_t pts, const uint8_t* samples, int size,
                                   int rate, int channels, int format) {
      AudioHookRelay(*raw, pts, samples, size, rate, channels, format);
    };
  if (options.VideoInputHook)
    task.OnVideoInputHook = [this, raw](TCustomFFmpeg&, THookInfo& info) {
      VideoInputHookRelay(*raw, info);
    };
  if (options.VideoOutputHook)
    task.OnVideoOutputHook = [this, raw](TCustomFFmpeg&, THookInfo& info) {
      VideoOutputHookRelay(*raw, info);
    };
}

void TCustomEncoder::VideoInputHookRelay(TFFmpeg& task, THookInfo& info) {
  const VideoHookEvent handler = EventOf(on_video_input_hook_);
  VideoHookRelay(handler, task, info);
}

void TCustomEncoder::VideoOutputHookRelay(TFFmpeg& task, THookInfo& info) {
  const VideoHookEvent handler = EventOf(on_video_output_hook_);
  VideoHookRelay(handler, task, info);
}

void TCustomEncoder::VideoHookRelay(const VideoHookEvent& handler, TFFmpeg& task, THookInfo& info) {
  if (!handler) {
    // Nobody looks at the picture: it need not be written back.
    info.Update = false;
    return;
  }
  std::lock_guard lock(video_hook_lock_);
  hook_info_ = info;
  hook_info_.TaskIndex = IndexOf(&task);
  hook_info_.Update = true;
  hook_info_.StopHook = false;
  // A handler that throws reaches the engine, which logs it and keeps the picture as it was.
  handler(*this, &hook_info_);
  info.Update = hook_info_.Update;
  info.StopHook = hook_info_.StopHook;
}

void TCustomEncoder::AudioHookRelay(TFFmpeg& task, int64_t pts, const uint8_t* samples, int size,
                                    int sample_rate, int channels, int sample_format) {
  const AudioHookEvent handler = EventOf(on_audio_hook_);
  if (!handler) return;
  std::lock_guard lock(audio_hook_lock_);
  handler(*this, IndexOf(&task), pts, samples, size, sample_rate, channels, sample_format);
}

}  // namespace tallowin::media
