// The targets vcd, svcd, dvd, dv and dv50: the container, codecs, sizes, rates and rate-control
// settings that each one fixes, by television norm.
#pragma once

#include <string>
#include <utility>
#include <vector>

extern "C" {
#include <libavutil/rational.h>
}

namespace tallowin::media {

enum class TargetNorm { kUnknown, kPal, kNtsc, kFilm };

struct TargetSettings {
  std::string format, video_codec, audio_codec;  // empty: the container's default
  int width = 0, height = 0;
  AVRational frame_rate{0, 1};
  std::string pix_fmt;
  int sample_rate = 0, channels = 0;  // channels 0: keep, but mono becomes stereo
  double mux_preload = -1;
  // Options in the old tool's words, set in this order through the option parser.
  std::vector<std::pair<std::string, std::string>> options;
  double assumed_aspect = 0;  // used when no aspect was set (0: none assumed)
  std::string aspect_text;    // "4:3" or "16:9"
};

// Splits "pal-vcd" into its norm (kUnknown without a prefix) and type. An unknown type raises
// FFmpegException "Unknown target type".
std::pair<TargetNorm, std::string> SplitTarget(const std::string& target);

// The norm a frame rate stands for: 25 is PAL, 29.97 and 23.976 are NTSC, others kUnknown. A
// zero denominator raises FFmpegException "frame_rate is invalid.".
TargetNorm NormOfFrameRate(AVRational rate);

// The settings of `type` (vcd, svcd, dvd, dv, dv50) under `norm` (PAL, NTSC or film).
TargetSettings TargetFor(const std::string& type, TargetNorm norm);

}  // namespace tallowin::media
