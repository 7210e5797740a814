#include "media/options/targets.h"

#include "media/runtime/ff_exception.h"

namespace tallowin::media {

std::pair<TargetNorm, std::string> SplitTarget(const std::string& target) {
  static const std::pair<const char*, TargetNorm> prefixes[] = {
      {"pal-", TargetNorm::kPal}, {"ntsc-", TargetNorm::kNtsc}, {"film-", TargetNorm::kFilm}};
  TargetNorm norm = TargetNorm::kUnknown;
  std::string type = target;
  for (const auto& [prefix, n] : prefixes) {
    if (target.rfind(prefix, 0) == 0) {
      norm = n;
      type = target.substr(std::string(prefix).size());
      break;
    }
  }
  if (type != "vcd" && type != "svcd" && type != "dvd" && type != "dv" && type != "dv50")
    throw FFmpegException("Unknown target type");
  return {norm, type};
}

TargetNorm NormOfFrameRate(AVRational rate) {
  if (rate.den == 0) throw FFmpegException("frame_rate is invalid.");
  const long long milli = static_cast<long long>(rate.num) * 1000 / rate.den;
  if (milli == 25000) return TargetNorm::kPal;
  if (milli == 29970 || milli == 23976) return TargetNorm::kNtsc;
  return TargetNorm::kUnknown;
}

TargetSettings TargetFor(const std::string& type, TargetNorm norm) {
  const bool pal = norm == TargetNorm::kPal;
  TargetSettings t;
  t.frame_rate = pal                         ? AVRational{25, 1}
                 : norm == TargetNorm::kFilm ? AVRational{24000, 1001}
                                             : AVRational{30000, 1001};
  const std::string gop = pal ? "15" : "18";
  if (type == "vcd") {
    t.format = "vcd";
    t.video_codec = "mpeg1video";
    t.audio_codec = "mp2";
    t.width = 352;
    t.height = pal ? 288 : 240;
    t.options = {{"g", gop},
                 {"b", "1150000"},
                 {"maxrate", "1150000"},
                 {"minrate", "1150000"},
                 {"bufsize", "327680"},
                 {"ab", "224000"},
                 {"packetsize", "2324"},
                 {"muxrate", "1411200"}};
    t.sample_rate = 44100;
    t.channels = 2;
    // (36000 + 3 * 1200) / 90000: the VCD player's buffer fills before the first frame.
    t.mux_preload = 0.44;
    t.assumed_aspect = 4.0 / 3.0;
    t.aspect_text = "4:3";
  } else if (type == "svcd") {
    t.format = "svcd";
    t.video_codec = "mpeg2video";
    t.audio_codec = "mp2";
    t.width = 480;
    t.height = pal ? 576 : 480;
    t.options = {{"g", gop},       {"b", "2040000"},       {"maxrate", "2516000"},
                 {"minrate", "0"}, {"bufsize", "1835008"}, {"flags", "+scan_offset"},
                 {"ab", "224000"}, {"packetsize", "2324"}};
    t.sample_rate = 44100;
    t.assumed_aspect = 4.0 / 3.0;
    t.aspect_text = "4:3";
  } else if (type == "dvd") {
    t.format = "dvd";
    t.video_codec = "mpeg2video";
    t.audio_codec = "ac3";
    t.width = 720;
    t.height = pal ? 576 : 480;
    t.options = {{"g", gop},
                 {"b", "6000000"},
                 {"maxrate", "9000000"},
                 {"minrate", "0"},
                 {"bufsize", "1835008"},
                 {"packetsize", "2048"},
                 {"muxrate", "10080000"},
                 {"ab", "448000"}};
    t.sample_rate = 48000;
    t.assumed_aspect = 16.0 / 9.0;
    t.aspect_text = "16:9";
  } else {
    t.format = "dv";
    t.width = 720;
    t.height = pal ? 576 : 480;
    t.pix_fmt = type == "dv50" ? "yuv422p" : pal ? "yuv420p" : "yuv411p";
    t.sample_rate = 48000;
    t.channels = 2;
  }
  return t;
}

}  // namespace tallowin::media
