#include "wizard/input_row.h"

#include <charconv>
#include <system_error>

#include "shell/util_funcs.h"

namespace tallowin {

namespace {

// Fixed or shortest-exact notation with a '.' whatever the locale.
std::string FixedText(double value, int decimals) {
  char buffer[64];
  const auto result =
      std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, decimals);
  return result.ec == std::errc() ? std::string(buffer, result.ptr) : std::string("0");
}

std::string FloatText(float value) {
  char buffer[64];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
  return result.ec == std::errc() ? std::string(buffer, result.ptr) : std::string("0");
}

}  // namespace

std::string DurationText(std::int64_t duration) {
  return duration < 0 ? std::string("Duration is not preseted") : FormatMicroseconds(duration);
}

std::string BitRateText(int bit_rate) {
  if (bit_rate < 1) return "Bit rate is not preseted";
  return std::to_string(bit_rate / 1000) + " Kbps";
}

std::array<std::string, kNextGridColumnCount> InputRowTexts(const std::string& full_path,
                                                            const TInputProbe& probe) {
  const media::TVideoStreamInfo& video = probe.video;
  const media::TAudioStreamInfo& audio = probe.audio;
  std::array<std::string, kNextGridColumnCount> cells;
  cells[NxTextColumnDuration] = "Duration: " + DurationText(probe.file.Duration);
  if (probe.audio_only) {
    cells[NxTextColumnBitrate] = "Audio Bit rate: " + BitRateText(audio.BitRate);
    cells[NxTextColumnDimension] = "Audio Encoder: " + audio.CodecDesc;
  } else {
    cells[NxTextColumnBitrate] = "Bit rate: " + BitRateText(video.BitRate);
    cells[NxTextColumnDimension] =
        "Dimension: " + std::to_string(video.Width) + " x " + std::to_string(video.Height);
  }
  cells[NxTextColumnFileFullName] = full_path;
  // The size in bytes, all 64 bits of it.
  cells[NxTextColumnFileSize] = "File size: " + std::to_string(probe.file_size) + " M";
  cells[NxTextColumnVideoEncoder] = "Video encoder: " + video.CodecDesc;
  cells[NxTextColumnAudioChannels] = "Channels: " + std::to_string(audio.Channels);
  cells[NxTextColumnAudioSampleRate] = "Sample rate: " + std::to_string(audio.SampleRate) + " Hz";
  cells[NxTextColumnAudioBitrate] = "Bit rate: " + BitRateText(audio.BitRate);
  cells[NxTextColumnAudioEncoder] = "Audio encoder: " + audio.CodecDesc;
  // A rate without a denominator has no quotient: shown as 0.
  const double frame_rate = video.FrameRate.den == 0 ? 0.0
                                                     : static_cast<double>(video.FrameRate.num) /
                                                           static_cast<double>(video.FrameRate.den);
  cells[NxTextColumnFrameRate] = "Frame rate: " + FixedText(frame_rate, 2);
  cells[NxTextColumnRealDuration] =
      probe.file.Duration < 0 ? std::string("0") : std::to_string(probe.file.Duration);
  cells[NxTextColumnWidth] = std::to_string(video.Width);
  cells[NxTextColumnHeight] = std::to_string(video.Height);
  cells[NxTextColumnAspectRatio] = FloatText(video.DisplayAspectRatio);
  return cells;
}

}  // namespace tallowin
