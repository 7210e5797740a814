// The engine's option parser: the old command-line tool's option names with their value forms and
// error texts. Options apply to the next file opened; the generic store takes every name that is
// not in the table.
#pragma once

#include <functional>
#include <set>
#include <string>
#include <unordered_map>
#include <vector>

#include "media/options/generic_options.h"
#include "media/options/legacy_options.h"
#include "media/options/pending_options.h"
#include "media/options/targets.h"
#include "media/runtime/ff_log.h"

namespace tallowin::media {

class OptionParser {
 public:
  // What the parser needs from its engine.
  struct Hooks {
    std::function<void(TLogLevel, const std::string&)> log;
    std::function<int()> output_count;  // output files opened so far
    // The frame rates of the inputs' video streams, in input order.
    std::function<std::vector<AVRational>()> input_frame_rates;
    // Adds one stream of the kind to the last output file opened (newvideo, newaudio, newsubtitle).
    std::function<void(StreamKind)> new_stream;
  };

  explicit OptionParser(Hooks hooks);

  // Applies one option; raises FFmpegException with the option's text on a bad name or value.
  void Set(const std::string& name, const std::string& value);

  // The target's rules that hold for the options as a whole (mono becomes stereo, the assumed
  // aspect ratio); called just before an output file is opened.
  void FinishTarget();
  // The norm a target without prefix gets when neither the options nor the inputs tell.
  void set_target_fallback(TargetNorm norm) { target_fallback_ = norm; }

  // Forgets the per-file options (after a file has been opened).
  void ResetPending() {
    pending_ = PendingOptions();
    audio_bitrate_given_ = false;
  }

  PendingOptions& pending() { return pending_; }
  GlobalOptions& global() { return global_; }
  const GlobalOptions& global() const { return global_; }
  const GenericOptionStore& generic() const { return generic_; }

  bool strict() const { return strict_; }
  void set_strict(bool strict) { strict_ = strict; }

  using Handler = void (OptionParser::*)(const std::string& name, const std::string& value);
  // The handler of a name in the table, or null for a generic option.
  static Handler Find(const std::string& name);

 private:
  // The table of the engine's own names.
  static const std::unordered_map<std::string, Handler>& Table();
  void Log(TLogLevel level, const std::string& text) const;

  // Rows that set one field (option_parser.cpp): reading a value into a field of its type.
  static void ReadValue(const std::string& value, bool& field);
  static void ReadValue(const std::string& value, int& field);
  static void ReadValue(const std::string& value, int64_t& field);
  static void ReadValue(const std::string& value, double& field);
  static void ReadValue(const std::string& value, std::string& field);
  template <auto Field>  // a member of GlobalOptions
  void SetGlobal(const std::string& name, const std::string& value);
  template <auto Field>  // a member of PendingOptions
  void SetPending(const std::string& name, const std::string& value);
  template <auto Field, StreamKind Kind>  // one kind's entry of a per-kind array of PendingOptions
  void SetPendingOf(const std::string& name, const std::string& value);
  template <auto Field>  // a time of PendingOptions (µs)
  void Time(const std::string& name, const std::string& value);
  template <auto Field>  // a quantizer matrix of PendingOptions
  void Matrix(const std::string& name, const std::string& value);
  template <StreamKind Kind>
  void Bitrate(const std::string& name, const std::string& value);
  template <StreamKind Kind>  // newvideo, newaudio, newsubtitle (option_maps.cpp)
  void NewStream(const std::string& name, const std::string& value) {
    AddStream(Kind, name, value);
  }
  void AddStream(StreamKind kind, const std::string& name, const std::string& value);

  // Rows with their own rules.
  void DoNothing(const std::string& name, const std::string& value);
  void Ignored(const std::string& name, const std::string& value);
  void IgnoredInt(const std::string& name, const std::string& value);
  void TimeLimit(const std::string& name, const std::string& value);
  void LogLevelOption(const std::string& name, const std::string& value);
  void Format(const std::string& name, const std::string& value);
  void Map(const std::string& name, const std::string& value);
  void TsScale(const std::string& name, const std::string& value);
  void Timestamp(const std::string& name, const std::string& value);
  void Metadata(const std::string& name, const std::string& value);
  void VideoGlobalHeader(const std::string& name, const std::string& value);
  void Deinterlace(const std::string& name, const std::string& value);
  void TopFieldFirst(const std::string& name, const std::string& value);
  void DcPrecision(const std::string& name, const std::string& value);
  void AudioQuality(const std::string& name, const std::string& value);
  void Threads(const std::string& name, const std::string& value);
  void FrameRate(const std::string& name, const std::string& value);
  void FrameSize(const std::string& name, const std::string& value);
  void Aspect(const std::string& name, const std::string& value);
  void PixelFormat(const std::string& name, const std::string& value);
  void SampleFormat(const std::string& name, const std::string& value);
  void QScale(const std::string& name, const std::string& value);
  void Codec(const std::string& name, const std::string& value);
  void Tag(const std::string& name, const std::string& value);
  void Pass(const std::string& name, const std::string& value);
  void VideoHook(const std::string& name, const std::string& value);
  void RemovedCrop(const std::string& name, const std::string& value);
  void RemovedPad(const std::string& name, const std::string& value);
  void BitstreamFilter(const std::string& name, const std::string& value);
  void MapMetadata(const std::string& name, const std::string& value);
  void MapChapters(const std::string& name, const std::string& value);
  void Preset(const std::string& name, const std::string& value);
  void Target(const std::string& name, const std::string& value);
  void StreamId(const std::string& name, const std::string& value);
  void ForceKeyFrames(const std::string& name, const std::string& value);
  void RateOverrideOption(const std::string& name, const std::string& value);
  void NotYetAvailable(const std::string& name, const std::string& value);

  Hooks hooks_;
  PendingOptions pending_;
  GlobalOptions global_;
  GenericOptionStore generic_;
  LegacyVocabulary legacy_;
  std::set<std::string> replaced_encoders_;  // old encoder names already reported
  bool strict_ = true;
  TargetNorm target_fallback_ = TargetNorm::kNtsc;
  bool audio_bitrate_given_ = false;  // ab given for the next file
};

}  // namespace tallowin::media
