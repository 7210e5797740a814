#include "media/components/records_to_options.h"

#include "common/ascii_text.h"

#include <cmath>
#include <cstdio>
#include <ctime>
#include <stdexcept>

namespace tallowin::media {
namespace {

bool OneOf(const std::string& name, std::initializer_list<const char*> names) {
  for (const char* n : names)
    if (name == n) return true;
  return false;
}

std::string FloatText(float value) {
  char text[32];
  std::snprintf(text, sizeof text, "%g", static_cast<double>(value));
  return text;
}

// The codec defaults and the ExtOptions lines that name a codec, preset, size or filter.
struct CodecDefaults {
  std::string acodec, vcodec, scodec, apre, vpre, spre, s, vf;
  std::vector<TEngineOption> lines;  // the ExtOptions lines in order (vfilters as vf)

  std::string* Slot(const std::string& name) {
    if (name == "acodec") return &acodec;
    if (name == "vcodec") return &vcodec;
    if (name == "scodec") return &scodec;
    if (name == "apre") return &apre;
    if (name == "vpre") return &vpre;
    if (name == "spre") return &spre;
    if (name == "s") return &s;
    if (name == "vf") return &vf;
    return nullptr;
  }

  // The first remaining line of that name (taken out of the list), else the default.
  std::string Take(const std::string& name) {
    for (auto it = lines.begin(); it != lines.end(); ++it) {
      if (it->Name == name) {
        std::string value = it->Value;
        lines.erase(it);
        return value;
      }
    }
    return *Slot(name);
  }
};

CodecDefaults MakeDefaults(const TOutputOptions& o, const std::vector<TExtOption>& ext) {
  CodecDefaults d;
  d.acodec = o.AudioCodec;
  d.vcodec = o.VideoCodec;
  d.scodec = o.SubtitleCodec;
  d.apre = o.AudioPreset;
  d.vpre = o.VideoPreset;
  d.spre = o.SubtitlePreset;
  d.s = o.FrameSize;
  d.vf = o.VideoFilters;
  for (const TExtOption& line : ext) {
    if (line.Value.empty()) continue;
    const std::string name = line.Name == "vfilters" ? "vf" : line.Name;
    std::string* slot = d.Slot(name);
    if (!slot) continue;
    if (slot->empty()) *slot = line.Value;
    d.lines.push_back({name, line.Value});
  }
  return d;
}

}  // namespace

std::vector<TExtOption> ParseExtOptions(std::string_view text) {
  text = TrimControls(text);
  // One line feed for every kind of line break, then "<CRLF>" as a line break too.
  std::string lines;
  lines.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r') {
      lines += '\n';
      if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
    } else if (text.compare(i, 6, "<CRLF>") == 0) {
      lines += '\n';
      i += 5;
    } else {
      lines += text[i];
    }
  }
  std::vector<TExtOption> options;
  size_t start = 0;
  while (start <= lines.size()) {
    size_t end = lines.find('\n', start);
    if (end == std::string::npos) end = lines.size();
    std::string_view line = std::string_view(lines).substr(start, end - start);
    start = end + 1;
    if (TrimControls(line).empty()) continue;
    size_t equals = line.find('=');
    TExtOption option;
    option.Name = LowerAscii(line.substr(0, equals));
    if (equals != std::string_view::npos) option.Value = std::string(line.substr(equals + 1));
    options.push_back(std::move(option));
  }
  return options;
}

std::string MicrosecondsText(int64_t us) {
  const bool negative = us < 0;
  const uint64_t magnitude =
      negative ? static_cast<uint64_t>(-(us + 1)) + 1 : static_cast<uint64_t>(us);
  char text[48];
  std::snprintf(text, sizeof text, "%s%llu.%06llu", negative ? "-" : "",
                static_cast<unsigned long long>(magnitude / 1000000),
                static_cast<unsigned long long>(magnitude % 1000000));
  return text;
}

int64_t TimestampToUnixSeconds(double days) {
  // The date-time is local: read it as broken-down local time and let the C library apply the
  // zone's offset (daylight saving time included) for that moment.
  const double local = std::llround((days - 25569.0) * 86400.0);
  const time_t as_utc = static_cast<time_t>(local);
  struct tm fields {};
  gmtime_r(&as_utc, &fields);
  fields.tm_isdst = -1;
  const time_t utc = mktime(&fields);
  return utc == static_cast<time_t>(-1) ? static_cast<int64_t>(local) : static_cast<int64_t>(utc);
}

std::vector<TEngineOption> ExtOptionsFor(const std::string& ext_options, bool input) {
  std::vector<TEngineOption> out;
  for (const TExtOption& line : ParseExtOptions(ext_options)) {
    if (OneOf(line.Name,
              {"newvideo", "newaudio", "newsubtitle", "apre", "vpre", "spre", "vfilters", "vf"}))
      continue;
    if (!input && OneOf(line.Name, {"acodec", "vcodec", "scodec", "s"})) continue;
    out.push_back({line.Name, line.Value});
  }
  return out;
}

std::vector<TEngineOption> InputOptionList(const TInputOptions& o) {
  std::vector<TEngineOption> out = ExtOptionsFor(o.ExtOptions, true);
  if (!o.FileFormat.empty()) out.push_back({"f", o.FileFormat});
  if (o.StartTime != kNoPtsValue) out.push_back({"ss", MicrosecondsText(o.StartTime)});
  if (o.ProgramID >= 0) out.push_back({"programid", std::to_string(o.ProgramID)});
  return out;
}

TOutputOptionPlan BuildOutputOptions(const TOutputOptions& o) {
  switch (o.VideoHookBitsPixel) {
    case 8:
    case 15:
    case 16:
    case 24:
    case 32:
      break;
    default:
      throw std::invalid_argument("Invalid BitsPixel " + std::to_string(o.VideoHookBitsPixel));
  }
  TOutputOptionPlan plan;
  auto& out = plan.Before;
  auto add = [&out](const char* name, std::string value) {
    out.push_back({name, std::move(value)});
  };
  const std::vector<TExtOption> ext = ParseExtOptions(o.ExtOptions);
  CodecDefaults d = MakeDefaults(o, ext);

  // Target with its norm.
  if (o.TargetType >= 1 && o.TargetType <= 3) {
    static const char* const kTargets[] = {"vcd", "svcd", "dvd"};
    const char* prefix = o.NormType == 1 ? "pal-" : o.NormType == 2 ? "ntsc-" : "";
    plan.Target = std::string(prefix) + kTargets[o.TargetType - 1];
    plan.TargetFallbackNorm = o.NormDefault == 1 ? "pal" : "ntsc";
    add("target", plan.Target);
  }

  // Codecs and presets.
  if (!d.acodec.empty()) add("acodec", d.acodec);
  if (!d.vcodec.empty()) add("vcodec", d.vcodec);
  if (!d.scodec.empty()) add("scodec", d.scodec);
  if (!d.apre.empty()) add("apre", d.apre);
  if (!d.vpre.empty()) add("vpre", d.vpre);
  if (!d.spre.empty()) add("spre", d.spre);

  for (TEngineOption& line : ExtOptionsFor(o.ExtOptions, false)) out.push_back(std::move(line));

  // The record's fields, in table order.
  const bool no_target = o.TargetType == 0;
  if (!o.FileFormat.empty()) add("f", o.FileFormat);
  if (o.PacketSize > 0) add("packetsize", std::to_string(o.PacketSize));
  if (o.MuxRate > 0) add("muxrate", std::to_string(o.MuxRate));
  if (o.MuxDelay > 0) add("muxdelay", FloatText(o.MuxDelay));
  if (o.MuxPreload > 0) add("muxpreload", FloatText(o.MuxPreload));
  if (o.DisableAudio) add("an", "1");
  if (o.AudioVolume >= 0) add("vol", std::to_string(o.AudioVolume));
  if (o.AudioChannels > 0) add("ac", std::to_string(o.AudioChannels));
  if (o.AudioSampleRate > 0) add("ar", std::to_string(o.AudioSampleRate));
  if (o.AudioBitrate > 0 && no_target) add("ab", std::to_string(o.AudioBitrate));
  if (o.AudioBitrateTolerance > 0) add("abt", std::to_string(o.AudioBitrateTolerance));
  add("alang", o.AudioLanguage);
  add("async", std::to_string(o.AudioSync));
  if (!o.AudioTag.empty()) add("atag", o.AudioTag);
  if (o.DisableVideo) add("vn", "1");
  if (!o.FrameRate.empty()) add("r", o.FrameRate);
  if (!o.FrameAspectRatio.empty()) add("aspect", o.FrameAspectRatio);
  if (o.GopSize > 0) add("g", std::to_string(o.GopSize));
  if (o.VideoBitrate > 0 && no_target) add("vb", std::to_string(o.VideoBitrate));
  if (o.VideoMaxRate > 0) add("maxrate", std::to_string(o.VideoMaxRate));
  if (o.VideoMinRate > 0) add("minrate", std::to_string(o.VideoMinRate));
  if (o.VideoBitrateTolerance > 0) add("bt", std::to_string(o.VideoBitrateTolerance));
  if (o.VideoBufSize > 0) add("bufsize", std::to_string(o.VideoBufSize));
  add("vsync", std::to_string(o.VideoSync));
  if (!o.VideoTag.empty()) add("vtag", o.VideoTag);
  add("vlang", o.VideoLanguage);
  if (o.DisableSubtitle) add("sn", "1");
  add("slang", o.SubtitleLanguage);
  add("isync", o.InputSync ? "1" : "0");
  if (o.CopyTimestamps) add("copyts", "1");
  if (o.StartTime != kNoPtsValue) add("ss", MicrosecondsText(o.StartTime));
  if (o.RecordingTime != kNoPtsValue) add("t", MicrosecondsText(o.RecordingTime));

  const TStreamInfo& m = o.Metadata;
  if (m.Timestamp == 0) {
    add("timestamp", "now");
  } else if (m.Timestamp > 0) {
    const time_t seconds = static_cast<time_t>(TimestampToUnixSeconds(m.Timestamp));
    struct tm utc {};
    gmtime_r(&seconds, &utc);
    char text[40];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &utc);
    add("timestamp", text);
  }
  if (m.Year > 0) add("metadata", "year=" + std::to_string(m.Year));
  if (m.Track > 0) add("metadata", "track=" + std::to_string(m.Track));
  const std::pair<const char*, const std::string*> texts[] = {
      {"title", &m.Title},     {"author", &m.Author}, {"copyright", &m.Copyright},
      {"comment", &m.Comment}, {"album", &m.Album},   {"genre", &m.Genre}};
  for (const auto& [key, value] : texts)
    if (!value->empty()) add("metadata", std::string(key) + "=" + *value);

  // Frame size and filters come last, so that they win over anything a target set.
  if (!d.s.empty()) add("s", d.s);
  if (!d.vf.empty()) add("vf", d.vf);

  // Extra streams, each with the codec, preset, size and filter lines it takes.
  for (const TExtOption& line : ext) {
    std::vector<const char*> before;
    if (line.Name == "newaudio")
      before = {"acodec", "apre"};
    else if (line.Name == "newvideo")
      before = {"vcodec", "vpre", "s", "vf"};
    else if (line.Name == "newsubtitle")
      before = {"scodec", "spre"};
    else
      continue;
    for (const char* name : before) {
      std::string value = d.Take(name);
      if (!value.empty()) plan.ExtraStreams.push_back({name, std::move(value)});
    }
    plan.ExtraStreams.push_back({line.Name, line.Value});
  }
  return plan;
}

}  // namespace tallowin::media
