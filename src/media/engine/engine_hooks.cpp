// The hooks of a task: decoded input pictures, pictures about to be encoded and decoded audio
// handed to the encoder's handlers in the task's thread.
#include <cstring>
#include <exception>

#include "media/engine/engine_state.h"

namespace tallowin::media {

void TCustomFFmpeg::Impl::RunVideoHook(VideoHookState& hook, const VideoHookEvent& handler,
                                       AVFrame* frame, int frame_number, int64_t pts_us) {
  if (hook.ended || !handler) return;
  // The picture may share its buffers with the decoder's reference pictures or another output:
  // it gets buffers of its own before anything is written into it.
  if (FF().av_frame_make_writable(frame) < 0) {
    Log(llError, "hook buf malloc error.");
    hook.ended = true;
    return;
  }
  if (!hook.converter.Convert(frame, hook.bitmap, hook.error)) {
    Log(llError, hook.error);
    hook.ended = true;
    return;
  }
  THookInfo info;
  info.Bitmap = &hook.bitmap;
  info.FrameNumber = frame_number;
  info.PTS = pts_us;
  try {
    handler(owner, info);
  } catch (const std::exception& e) {
    Log(llError, std::string("Error occurs VideoHook event: ") + e.what());
    info.Update = false;
  } catch (...) {
    Log(llError, "Error occurs VideoHook event: unknown exception");
    info.Update = false;
  }
  if (info.Update && !hook.converter.ConvertBack(hook.bitmap, frame, hook.error)) {
    // A bitmap the handler resized or broke cannot go back: the picture stays as decoded.
    Log(llError, hook.error);
    hook.ended = true;
  }
  if (info.StopHook) hook.ended = true;
}

void TCustomFFmpeg::Impl::RunAudioHook(AVFrame* frame, AVRational time_base) {
  if (!owner.OnAudioHook || frame->nb_samples <= 0) return;
  const auto format = static_cast<AVSampleFormat>(frame->format);
  const int channels = frame->ch_layout.nb_channels;
  const int bytes = FF().av_get_bytes_per_sample(format);
  if (channels <= 0 || bytes <= 0) return;
  const size_t size = static_cast<size_t>(frame->nb_samples) * channels * bytes;
  const uint8_t* samples = frame->extended_data[0];
  if (FF().av_sample_fmt_is_planar(format)) {
    // The handler gets interleaved samples, as one block.
    audio_hook_samples.resize(size);
    uint8_t* out = audio_hook_samples.data();
    for (int i = 0; i < frame->nb_samples; ++i)
      for (int c = 0; c < channels; ++c, out += bytes)
        std::memcpy(out, frame->extended_data[c] + static_cast<size_t>(i) * bytes, bytes);
    samples = audio_hook_samples.data();
  }
  const int64_t pts_us = frame->pts == AV_NOPTS_VALUE
                             ? AV_NOPTS_VALUE
                             : FF().av_rescale_q(frame->pts, time_base, AV_TIME_BASE_Q);
  try {
    owner.OnAudioHook(owner, pts_us, samples, static_cast<int>(size), frame->sample_rate, channels,
                      FF().av_get_packed_sample_fmt(format));
  } catch (const std::exception& e) {
    Log(llError, std::string("Error occurs AudioHook event: ") + e.what());
  } catch (...) {
    Log(llError, "Error occurs AudioHook event: unknown exception");
  }
}

}  // namespace tallowin::media
