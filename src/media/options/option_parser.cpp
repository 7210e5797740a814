#include "media/options/option_parser.h"

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <unordered_map>

#include "media/options/option_values.h"
#include "media/options/targets.h"
#include "media/options/video_control.h"
#include "media/options/x264_presets.h"
#include "media/runtime/ff_api.h"
#include "media/runtime/ff_exception.h"

namespace tallowin::media {
namespace {

constexpr int kMaxStreams = 20;

StreamKind KindOfPrefix(char c) {
  return c == 'v' ? kVideo : c == 'a' ? kAudio : kSubtitle;
}

}  // namespace

// --- Rows that set one field: the field's type decides how the value is read, so a row naming
// a field of a type without a reader does not compile.

void OptionParser::ReadValue(const std::string& value, bool& field) {
  field = ParseBoolValue(value);
}
void OptionParser::ReadValue(const std::string& value, int& field) {
  field = static_cast<int>(ParseIntValue(value));
}
void OptionParser::ReadValue(const std::string& value, int64_t& field) {
  field = ParseIntValue(value);
}
void OptionParser::ReadValue(const std::string& value, double& field) {
  field = ParseFloatValue(value);
}
void OptionParser::ReadValue(const std::string& value, std::string& field) {
  field = value;
}

template <auto Field>
void OptionParser::SetGlobal(const std::string&, const std::string& value) {
  ReadValue(value, global_.*Field);
}

template <auto Field>
void OptionParser::SetPending(const std::string&, const std::string& value) {
  ReadValue(value, pending_.*Field);
}

template <auto Field, StreamKind Kind>
void OptionParser::SetPendingOf(const std::string&, const std::string& value) {
  ReadValue(value, (pending_.*Field)[Kind]);
}

template <auto Field>
void OptionParser::Time(const std::string& name, const std::string& value) {
  pending_.*Field = ParseTimeValue(name, value, false);
}

template <auto Field>
void OptionParser::Matrix(const std::string&, const std::string& value) {
  std::vector<uint16_t> matrix;
  const char* p = value.c_str();
  for (int i = 0; i < 64; ++i) {
    char* end = nullptr;
    const long coeff = std::strtol(p, &end, 10);
    if (end == p || coeff < 1 || coeff > 255 || (i < 63 && *end != ',') || (i == 63 && *end))
      throw FFmpegException("Syntax error in matrix \"" + value + "\" at coeff " +
                            std::to_string(i));
    matrix.push_back(static_cast<uint16_t>(coeff));
    p = end + 1;
  }
  pending_.*Field = std::move(matrix);
}

template <StreamKind Kind>
void OptionParser::Bitrate(const std::string&, const std::string& value) {
  if (Kind == kAudio) audio_bitrate_given_ = true;
  generic_.SetForKind(Kind, "b", value, strict_);
  if (GenericOptionStore::CodecIntValue("b", value) < 1000)
    Log(llWarning,
        "WARNING: The bitrate parameter is set too low. It takes bits/s as argument, not "
        "kbits/s");
}

// --- Options that set something besides a field of their own.

void OptionParser::Ignored(const std::string&, const std::string&) {
  // sameq and force_fps have no effect on the current libraries' encoders.
}

void OptionParser::IgnoredInt(const std::string&, const std::string& value) {
  // dframes and vdt: no data streams are written and frames are never discarded by number.
  // me_threshold: the current encoders have no motion estimation threshold. The value is still
  // checked.
  ParseIntValue(value);
}

void OptionParser::VideoGlobalHeader(const std::string&, const std::string& value) {
  const int64_t on = ParseIntValue(value);
  generic_.SetForKind(kVideo, "flags", on ? "+global_header" : "-global_header", strict_);
}

void OptionParser::Deinterlace(const std::string&, const std::string& value) {
  if (ParseBoolValue(value))
    pending_.video_filters =
        pending_.video_filters.empty() ? "yadif" : "yadif," + pending_.video_filters;
}

void OptionParser::TopFieldFirst(const std::string&, const std::string& value) {
  generic_.SetForKind(kVideo, "field_order", ParseIntValue(value) ? "tt" : "bb", false);
}

void OptionParser::DcPrecision(const std::string&, const std::string& value) {
  ParseIntValue(value);
  generic_.SetForKind(kVideo, "dc", value, strict_);
}

void OptionParser::AudioQuality(const std::string&, const std::string& value) {
  generic_.SetForKind(kAudio, "global_quality",
                      std::to_string(static_cast<int>(ParseFloatValue(value) * FF_QP2LAMBDA)),
                      strict_);
}

// The engine's own option names. Every name not listed here is a generic option.
const std::unordered_map<std::string, OptionParser::Handler>& OptionParser::Table() {
  static const std::unordered_map<std::string, Handler> table = {
      // Accepted and ignored: there is no console, inputs come only from open input and
      // existing outputs are always overwritten.
      {"L", &OptionParser::DoNothing},
      {"h", &OptionParser::DoNothing},
      {"version", &OptionParser::DoNothing},
      {"formats", &OptionParser::DoNothing},
      {"codecs", &OptionParser::DoNothing},
      {"bsfs", &OptionParser::DoNothing},
      {"protocols", &OptionParser::DoNothing},
      {"filters", &OptionParser::DoNothing},
      {"i", &OptionParser::DoNothing},
      {"y", &OptionParser::DoNothing},
      {"benchmark", &OptionParser::DoNothing},
      {"timelimit", &OptionParser::TimeLimit},
      {"loglevel", &OptionParser::LogLevelOption},
      // Global and input/output control.
      {"f", &OptionParser::Format},
      {"map", &OptionParser::Map},
      {"map_meta_data", &OptionParser::MapMetadata},
      {"map_chapters", &OptionParser::MapChapters},
      {"t", &OptionParser::Time<&PendingOptions::recording_time>},
      {"fs", &OptionParser::SetPending<&PendingOptions::limit_filesize>},
      {"ss", &OptionParser::Time<&PendingOptions::start_time>},
      {"itsoffset", &OptionParser::Time<&PendingOptions::input_ts_offset>},
      {"itsscale", &OptionParser::TsScale},
      {"timestamp", &OptionParser::Timestamp},
      {"metadata", &OptionParser::Metadata},
      {"dframes", &OptionParser::IgnoredInt},
      {"dump", &OptionParser::SetGlobal<&GlobalOptions::dump>},
      {"hex", &OptionParser::SetGlobal<&GlobalOptions::hex_dump>},
      {"re", &OptionParser::SetGlobal<&GlobalOptions::rate_emulation>},
      {"loop_input", &OptionParser::SetGlobal<&GlobalOptions::loop_input>},
      {"loop_output", &OptionParser::SetGlobal<&GlobalOptions::loop_output>},
      {"v", &OptionParser::SetGlobal<&GlobalOptions::verbosity>},
      {"target", &OptionParser::Target},
      {"threads", &OptionParser::Threads},
      {"vsync", &OptionParser::SetGlobal<&GlobalOptions::video_sync>},
      {"async", &OptionParser::SetGlobal<&GlobalOptions::audio_sync>},
      {"adrift_threshold", &OptionParser::SetGlobal<&GlobalOptions::audio_drift_threshold>},
      {"vglobal", &OptionParser::VideoGlobalHeader},
      {"copyts", &OptionParser::SetGlobal<&GlobalOptions::copy_ts>},
      {"copytb", &OptionParser::SetGlobal<&GlobalOptions::copy_tb>},
      {"shortest", &OptionParser::SetGlobal<&GlobalOptions::shortest>},
      {"dts_delta_threshold", &OptionParser::SetGlobal<&GlobalOptions::dts_delta_threshold>},
      {"programid", &OptionParser::SetPending<&PendingOptions::program_id>},
      {"xerror", &OptionParser::SetGlobal<&GlobalOptions::exit_on_error>},
      {"copyinkf", &OptionParser::SetGlobal<&GlobalOptions::copy_initial_nonkeyframes>},
      // Video.
      {"b", &OptionParser::Bitrate<kVideo>},
      {"vb", &OptionParser::Bitrate<kVideo>},
      {"vframes", &OptionParser::SetPendingOf<&PendingOptions::max_frames, kVideo>},
      {"r", &OptionParser::FrameRate},
      {"s", &OptionParser::FrameSize},
      {"aspect", &OptionParser::Aspect},
      {"pix_fmt", &OptionParser::PixelFormat},
      {"intra", &OptionParser::SetPending<&PendingOptions::intra_only>},
      {"vn", &OptionParser::SetPendingOf<&PendingOptions::disabled, kVideo>},
      {"vdt", &OptionParser::IgnoredInt},
      {"qscale", &OptionParser::QScale},
      {"rc_override", &OptionParser::RateOverrideOption},
      {"vcodec", &OptionParser::Codec},
      {"me_threshold", &OptionParser::IgnoredInt},
      {"sameq", &OptionParser::Ignored},
      {"pass", &OptionParser::Pass},
      {"passlogfile", &OptionParser::SetGlobal<&GlobalOptions::pass_log_file>},
      {"deinterlace", &OptionParser::Deinterlace},
      {"psnr", &OptionParser::SetGlobal<&GlobalOptions::psnr>},
      {"vstats", &OptionParser::SetGlobal<&GlobalOptions::vstats>},
      {"vstats_file", &OptionParser::SetGlobal<&GlobalOptions::vstats_file>},
      {"vhook", &OptionParser::VideoHook},
      {"vfilters", &OptionParser::SetPending<&PendingOptions::video_filters>},
      {"vf", &OptionParser::SetPending<&PendingOptions::video_filters>},
      {"intra_matrix", &OptionParser::Matrix<&PendingOptions::intra_matrix>},
      {"inter_matrix", &OptionParser::Matrix<&PendingOptions::inter_matrix>},
      {"top", &OptionParser::TopFieldFirst},
      {"dc", &OptionParser::DcPrecision},
      {"vtag", &OptionParser::Tag},
      {"newvideo", &OptionParser::NewStream<kVideo>},
      {"vlang", &OptionParser::SetPendingOf<&PendingOptions::language, kVideo>},
      {"qphist", &OptionParser::SetGlobal<&GlobalOptions::qphist>},
      {"force_fps", &OptionParser::Ignored},
      {"streamid", &OptionParser::StreamId},
      {"force_key_frames", &OptionParser::ForceKeyFrames},
      // Removed.
      {"croptop", &OptionParser::RemovedCrop},
      {"cropbottom", &OptionParser::RemovedCrop},
      {"cropleft", &OptionParser::RemovedCrop},
      {"cropright", &OptionParser::RemovedCrop},
      {"padtop", &OptionParser::RemovedPad},
      {"padbottom", &OptionParser::RemovedPad},
      {"padleft", &OptionParser::RemovedPad},
      {"padright", &OptionParser::RemovedPad},
      {"padcolor", &OptionParser::RemovedPad},
      // Audio.
      {"ab", &OptionParser::Bitrate<kAudio>},
      {"aframes", &OptionParser::SetPendingOf<&PendingOptions::max_frames, kAudio>},
      {"aq", &OptionParser::AudioQuality},
      {"ar", &OptionParser::SetPending<&PendingOptions::sample_rate>},
      {"ac", &OptionParser::SetPending<&PendingOptions::channels>},
      {"an", &OptionParser::SetPendingOf<&PendingOptions::disabled, kAudio>},
      {"acodec", &OptionParser::Codec},
      {"atag", &OptionParser::Tag},
      {"vol", &OptionParser::SetPending<&PendingOptions::volume>},
      {"newaudio", &OptionParser::NewStream<kAudio>},
      {"alang", &OptionParser::SetPendingOf<&PendingOptions::language, kAudio>},
      {"sample_fmt", &OptionParser::SampleFormat},
      // Subtitles.
      {"sn", &OptionParser::SetPendingOf<&PendingOptions::disabled, kSubtitle>},
      {"scodec", &OptionParser::Codec},
      {"newsubtitle", &OptionParser::NewStream<kSubtitle>},
      {"slang", &OptionParser::SetPendingOf<&PendingOptions::language, kSubtitle>},
      {"stag", &OptionParser::Tag},
      // Capture and muxing.
      {"vc", &OptionParser::SetPending<&PendingOptions::video_channel>},
      {"tvstd", &OptionParser::SetPending<&PendingOptions::video_standard>},
      {"isync", &OptionParser::SetGlobal<&GlobalOptions::input_sync>},
      {"muxdelay", &OptionParser::SetPending<&PendingOptions::mux_delay>},
      {"muxpreload", &OptionParser::SetPending<&PendingOptions::mux_preload>},
      {"absf", &OptionParser::BitstreamFilter},
      {"vbsf", &OptionParser::BitstreamFilter},
      {"sbsf", &OptionParser::BitstreamFilter},
      // Presets.
      {"apre", &OptionParser::Preset},
      {"vpre", &OptionParser::Preset},
      {"spre", &OptionParser::Preset},
      {"fpre", &OptionParser::Preset},
  };
  return table;
}

OptionParser::OptionParser(Hooks hooks) : hooks_(std::move(hooks)) {}

OptionParser::Handler OptionParser::Find(const std::string& name) {
  const auto& table = Table();
  const auto it = table.find(name);
  return it == table.end() ? nullptr : it->second;
}

void OptionParser::Set(const std::string& name, const std::string& value) {
  if (Handler handler = Find(name)) {
    (this->*handler)(name, value);
    return;
  }
  if (auto current = legacy_.Translate(name, value)) {
    for (const auto& [n, v] : *current) generic_.Set(n, v, strict_);
    return;
  }
  generic_.Set(name, value, strict_);
}

void OptionParser::Log(TLogLevel level, const std::string& text) const {
  if (hooks_.log) hooks_.log(level, text);
}

void OptionParser::DoNothing(const std::string& name, const std::string&) {
  Log(llInfo, "Do nothing: option - " + name);
}

void OptionParser::TimeLimit(const std::string&, const std::string&) {
  Log(llWarning, "Warning: -timelimit not implemented on Windows");
}

void OptionParser::LogLevelOption(const std::string&, const std::string& value) {
  if (!FFSetLogLevelByName(value))
    throw FFmpegException("Invalid value \"" + value + "\" for option \"loglevel\"");
}

void OptionParser::Format(const std::string&, const std::string& value) {
  pending_.format = value;
}

void OptionParser::Map(const std::string&, const std::string& value) {
  // file.stream[:syncfile.syncstream]; any single character separates the numbers.
  GlobalOptions::StreamMap map;
  const char* p = value.c_str();
  char* end = nullptr;
  map.file = static_cast<int>(std::strtol(p, &end, 0));
  if (*end) ++end;
  map.stream = static_cast<int>(std::strtol(end, &end, 0));
  if (*end) {
    ++end;
    map.sync_file = static_cast<int>(std::strtol(end, &end, 0));
    if (*end) ++end;
    map.sync_stream = static_cast<int>(std::strtol(end, &end, 0));
  } else {
    map.sync_file = map.file;
    map.sync_stream = map.stream;
  }
  global_.stream_maps.push_back(map);
}

void OptionParser::TsScale(const std::string& name, const std::string& value) {
  char* end = nullptr;
  const long stream = std::strtol(value.c_str(), &end, 0);
  if (end == value.c_str() || stream < 0)
    throw FFmpegException("Invalid value \"" + value + "\" for option \"" + name + "\"");
  if (stream >= kMaxStreams)
    throw FFmpegException("stream index over MAX_STREAMS(" + std::to_string(kMaxStreams) + ")");
  if (*end) ++end;
  const double scale = std::strtod(end, nullptr);
  if (!(scale > 0))
    throw FFmpegException("Invalid value \"" + value + "\" for option \"" + name + "\"");
  pending_.ts_scale[static_cast<int>(stream)] = scale;
}

void OptionParser::Timestamp(const std::string& name, const std::string& value) {
  pending_.recording_timestamp = ParseTimeValue(name, value, true);
}

void OptionParser::Metadata(const std::string&, const std::string& value) {
  const auto eq = value.find('=');
  if (eq == std::string::npos) throw FFmpegException("Missing =");
  if (eq == 0) throw FFmpegException("wrong parameter of metadata");
  pending_.metadata.emplace_back(value.substr(0, eq), value.substr(eq + 1));
}

void OptionParser::Threads(const std::string&, const std::string& value) {
  global_.threads = static_cast<int>(ParseIntValue(value));
  if (global_.verbosity >= 0)
    Log(llVerbose,
        "Warning: if the ffmpeg libraries were not compiled with thread support, it would be "
        "using thread emulation.");
}

void OptionParser::FrameRate(const std::string&, const std::string& value) {
  pending_.frame_rate = ParseFrameRate(value);
}

void OptionParser::FrameSize(const std::string&, const std::string& value) {
  ParseFrameSize(value, pending_.width, pending_.height);
}

void OptionParser::Aspect(const std::string&, const std::string& value) {
  pending_.aspect = ParseAspect(value);
}

void OptionParser::PixelFormat(const std::string&, const std::string& value) {
  if (value == "list") {
    for (const AVPixFmtDescriptor* d = nullptr; (d = FF().av_pix_fmt_desc_next(d));)
      Log(llInfo, d->name);
    return;
  }
  if (FF().av_get_pix_fmt(value.c_str()) == AV_PIX_FMT_NONE)
    throw FFmpegException("Unknown pixel format requested: " + value);
  pending_.pix_fmt = value;
}

void OptionParser::SampleFormat(const std::string&, const std::string& value) {
  if (value == "list") {
    for (int f = 0; f < AV_SAMPLE_FMT_NB; ++f)
      if (const char* n = FF().av_get_sample_fmt_name(static_cast<AVSampleFormat>(f)))
        Log(llInfo, n);
    return;
  }
  if (FF().av_get_sample_fmt(value.c_str()) == AV_SAMPLE_FMT_NONE)
    throw FFmpegException("Invalid sample format \"" + value + "\"");
  pending_.sample_fmt = value;
}

void OptionParser::QScale(const std::string&, const std::string& value) {
  const double q = ParseFloatValue(value);
  if (!(q > 0 && q <= 255)) throw FFmpegException("qscale must be > 0.0 and <= 255");
  pending_.qscale = q;
}

void OptionParser::Codec(const std::string& name, const std::string& value) {
  std::string codec = value;
  const std::string replacement = LegacyVocabulary::ReplacementEncoder(value);
  if (!replacement.empty() && !FF().avcodec_find_encoder_by_name(value.c_str())) {
    if (replaced_encoders_.insert(value).second)
      Log(llInfo, "Encoder '" + value + "' is not available, using '" + replacement + "' instead");
    codec = replacement;
  }
  pending_.codec[KindOfPrefix(name[0])] = codec;
}

void OptionParser::Tag(const std::string& name, const std::string& value) {
  pending_.tag[KindOfPrefix(name[0])] = ParseCodecTag(value);
}

void OptionParser::Pass(const std::string&, const std::string& value) {
  const int64_t pass = ParseIntValue(value);
  if (pass != 1 && pass != 2) throw FFmpegException("pass number can be only 1 or 2");
  pending_.pass = static_cast<int>(pass);
}

void OptionParser::VideoHook(const std::string&, const std::string& value) {
  const std::string module = value.substr(0, value.find('|'));
  throw FFmpegException("Failed to add video hook function: " + module +
                        ": frame hook modules are not supported");
}

void OptionParser::RemovedCrop(const std::string&, const std::string&) {
  throw FFmpegException("Removed, use the crop filter instead");
}

void OptionParser::RemovedPad(const std::string&, const std::string&) {
  throw FFmpegException("Removed, use the pad filter instead");
}

void OptionParser::BitstreamFilter(const std::string& name, const std::string& value) {
  std::string filter = value;
  if (auto current = LegacyVocabulary::BitstreamFilter(value)) {
    if (current->empty()) return;  // an old filter without effect worth keeping
    filter = *current;
  } else if (!FF().av_bsf_get_by_name(value.c_str())) {
    throw FFmpegException("Unknown bitstream filter " + value);
  }
  pending_.bitstream_filters[KindOfPrefix(name[0])].push_back(filter);
}

namespace {

// A preset file named by fpre; at most 1 MiB is read.
bool ReadPresetFile(const std::string& path, std::string& text) {
  std::ifstream file(path, std::ios::binary);
  if (!file) return false;
  constexpr std::streamsize kMaxPresetBytes = 1 << 20;
  std::string data(static_cast<size_t>(kMaxPresetBytes), '\0');
  file.read(data.data(), kMaxPresetBytes);
  data.resize(static_cast<size_t>(file.gcount()));
  text = std::move(data);
  return true;
}

}  // namespace

void OptionParser::Preset(const std::string& name, const std::string& value) {
  std::string text;
  if (const std::string* builtin = FindBuiltinPreset(value)) {
    text = *builtin;
  } else if (name == "fpre") {
    if (!ReadPresetFile(value, text)) throw FFmpegException("Preset \"" + value + "\" not found");
  } else {
    // A preset named after the chosen codec: vpre "default" with libx264 is "libx264-default".
    const std::string& codec = pending_.codec[KindOfPrefix(name[0])];
    const std::string* own =
        codec.empty() || codec == "copy" ? nullptr : FindBuiltinPreset(codec + "-" + value);
    if (!own) throw FFmpegException("Preset \"" + value + "\" not found");
    text = *own;
  }
  for (const PresetLine& line : ParsePresetText(value, text)) {
    if (line.name == "acodec" || line.name == "vcodec" || line.name == "scodec") {
      Codec(line.name, line.value);
      continue;
    }
    try {
      if (auto current = legacy_.Translate(line.name, line.value)) {
        for (const auto& [n, v] : *current) generic_.Set(n, v, true);
      } else {
        generic_.Set(line.name, line.value, true);
      }
    } catch (const FFmpegException& e) {
      throw FFmpegException(std::string(e.what()) + "\r\n" + value +
                            ": Invalid option or argument: \"" + line.text + "\", parsed as \"" +
                            line.name + "\" = \"" + line.value + "\"");
    }
  }
}

void OptionParser::Target(const std::string&, const std::string& value) {
  auto [norm, type] = SplitTarget(value);
  if (norm == TargetNorm::kUnknown) {
    // A rate set for the output decides first, then the first input video with a known norm.
    if (pending_.frame_rate.num != 0) {
      norm = NormOfFrameRate(pending_.frame_rate);
    } else if (hooks_.input_frame_rates) {
      for (const AVRational rate : hooks_.input_frame_rates()) {
        if (rate.den != 0) norm = NormOfFrameRate(rate);
        if (norm != TargetNorm::kUnknown) break;
      }
    }
    if (norm != TargetNorm::kUnknown && global_.verbosity > 0)
      Log(llVerbose,
          std::string("Assuming ") + (norm == TargetNorm::kPal ? "PAL" : "NTSC") + " for target.");
    if (norm == TargetNorm::kUnknown) norm = target_fallback_;
  }
  const TargetSettings t = TargetFor(type, norm);
  pending_.format = t.format;
  if (!t.video_codec.empty()) Codec("vcodec", t.video_codec);
  if (!t.audio_codec.empty()) Codec("acodec", t.audio_codec);
  pending_.width = t.width;
  pending_.height = t.height;
  pending_.frame_rate = t.frame_rate;
  if (!t.pix_fmt.empty()) pending_.pix_fmt = t.pix_fmt;
  // The audio bit rate suits the target's own audio codec only: it is applied when the output
  // opens, unless the codec was changed or a bit rate was given after the target.
  for (const auto& [n, v] : t.options)
    if (n != "ab") Set(n, v);
  audio_bitrate_given_ = false;
  pending_.sample_rate = t.sample_rate;
  if (t.channels) pending_.channels = t.channels;
  if (t.mux_preload >= 0) pending_.mux_preload = t.mux_preload;
  pending_.target = type;
}

void OptionParser::FinishTarget() {
  const std::string& type = pending_.target;
  if (type.empty()) return;
  // Disc players want stereo.
  if ((type == "svcd" || type == "dvd") && pending_.channels == 1) pending_.channels = 2;
  const TargetSettings t = TargetFor(type, TargetNorm::kPal);
  if (!audio_bitrate_given_ && pending_.codec[kAudio] == t.audio_codec)
    for (const auto& [n, v] : t.options)
      if (n == "ab") Bitrate<kAudio>(n, v);
  if (t.assumed_aspect > 0 && pending_.aspect <= 0) {
    Log(llInfo, "Assuming " + t.aspect_text + " for aspect ratio");
    pending_.aspect = t.assumed_aspect;
  }
}

void OptionParser::StreamId(const std::string& name, const std::string& value) {
  const std::string syntax = "Invalid value \"" + value + "\" for option \"" + name +
                             "\", required syntax is \"index:value\"";
  const size_t colon = value.find(':');
  if (colon == std::string::npos || colon == 0 || colon + 1 == value.size())
    throw FFmpegException(syntax);
  char* end = nullptr;
  const long index = std::strtol(value.c_str(), &end, 10);
  if (end != value.c_str() + colon || index < 0 || index >= kMaxStreams)
    throw FFmpegException(syntax);
  const std::string id_text = value.substr(colon + 1);
  const long long id = std::strtoll(id_text.c_str(), &end, 0);
  if (*end || id < 0 || id > INT32_MAX) throw FFmpegException(syntax);
  pending_.stream_ids[static_cast<int>(index)] = static_cast<int>(id);
}

void OptionParser::ForceKeyFrames(const std::string&, const std::string& value) {
  pending_.forced_key_frames = ParseForcedKeyFrames(value);
}

void OptionParser::RateOverrideOption(const std::string&, const std::string& value) {
  pending_.rc_override = ParseRateOverride(value);
}

void OptionParser::NotYetAvailable(const std::string& name, const std::string&) {
  throw FFmpegException("Option -" + name + " is not available in this version of the engine");
}

}  // namespace tallowin::media
