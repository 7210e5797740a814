// Every preset of every format converted from the standard 3 s 640x360 clip with the records the
// catalogue gives a per-file job; ffprobe reads back the container, codecs, frame size, frame
// rate, sample rate and channels, which must be what the row's record asks for after the
// engine's fallbacks (the supported sample rate and frame rate closest to the one asked for).
#include <gtest/gtest.h>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include "convert/output_formats.h"
#include "convert/preset_catalogue.h"
#include "convert/preset_input.h"
#include "media/components/ff_decode.h"
#include "media/components/ff_encode.h"
#include "media/options/legacy_formats.h"
#include "media/options/legacy_options.h"
#include "media/runtime/ff_api.h"
#include "media/runtime/ff_load.h"
#include "support/probe_facts.h"
#include "support/test_support.h"

namespace tallowin::convert {
namespace {

// The standard clip's own facts, which a row without a value of its own keeps.
constexpr char kClipSize[] = "640x360";
constexpr char kClipRate[] = "25";
constexpr int kClipSampleRate = 44100;
constexpr int kClipChannels = 2;

struct Row {
  int Class;
  int Format;
  int Preset;
  const char* Skip = nullptr;  // why the row cannot produce a file with the current libraries
};

// Rows that truly cannot work, with the reason; every other row must convert.
const std::map<std::string, const char*>& KnownSkips() {
  static const std::map<std::string, const char*> skips = {};
  return skips;
}

std::string RowName(const Row& row) {
  const TOutputFormat* format = FindOutputFormat(row.Class, row.Format);
  return std::string(FormatClassName(row.Class)) + "_" + format->Name + "_" +
         std::to_string(row.Preset);
}

std::vector<Row> Rows() {
  std::vector<Row> rows;
  for (const TOutputFormat& format : OutputFormats()) {
    const int count = PresetCount(format.Class, format.Index);
    for (int preset = 0; preset < count; ++preset) {
      Row row{format.Class, format.Index, preset};
      const auto skip = KnownSkips().find(RowName(row));
      if (skip != KnownSkips().end()) row.Skip = skip->second;
      rows.push_back(row);
    }
  }
  return rows;
}

// The encoder the engine uses for a codec name: the name itself, or its stand-in when the
// libraries lack it; without a name the container's default one.
const AVCodec* ExpectedEncoder(const std::string& name, const std::string& container,
                               const std::string& file, bool video) {
  const auto& ff = media::FF();
  if (!name.empty()) {
    if (const AVCodec* codec = ff.avcodec_find_encoder_by_name(name.c_str())) return codec;
    const std::string replacement = media::LegacyVocabulary::ReplacementEncoder(name);
    return replacement.empty() ? nullptr : ff.avcodec_find_encoder_by_name(replacement.c_str());
  }
  const AVOutputFormat* muxer =
      ff.av_guess_format(container.empty() ? nullptr : container.c_str(), file.c_str(), nullptr);
  if (!muxer) return nullptr;
  return ff.avcodec_find_encoder(video ? muxer->video_codec : muxer->audio_codec);
}

AVRational ParseRate(const std::string& text) {
  const size_t slash = text.find('/');
  if (slash == std::string::npos) return {std::atoi(text.c_str()), 1};
  return {std::atoi(text.substr(0, slash).c_str()), std::atoi(text.substr(slash + 1).c_str())};
}

std::string RateText(AVRational rate) {
  // ffprobe writes the reduced fraction.
  int a = rate.num, b = rate.den;
  while (b) {
    const int t = a % b;
    a = b;
    b = t;
  }
  return std::to_string(rate.num / a) + "/" + std::to_string(rate.den / a);
}

// The frame rate the engine gives: the codec's supported rate closest to the one asked for.
std::string ExpectedRate(const AVCodec* codec, const std::string& asked) {
  AVRational rate = ParseRate(asked);
  if (codec && codec->supported_framerates) {
    const int i = media::FF().av_find_nearest_q_idx(rate, codec->supported_framerates);
    rate = codec->supported_framerates[i];
  }
  return RateText(rate);
}

// What the record asks for, in the form of test::ProbeFacts.
std::string ExpectedFacts(const media::TOutputOptions& o, const std::string& file,
                          const std::string& demuxer) {
  std::string container = o.FileFormat;
  std::string video_codec = o.VideoCodec, size = o.FrameSize, rate = o.FrameRate;
  // The targets pick the container, the codec and, for the norm, the size and rate.
  const bool ntsc = o.NormType == 2;
  if (o.TargetType >= 1 && o.TargetType <= 3) {
    static const char* const kTargets[] = {"vcd", "svcd", "dvd"};
    static const char* const kCodecs[] = {"mpeg1video", "mpeg2video", "mpeg2video"};
    static const char* const kPal[] = {"352x288", "480x576", "720x576"};
    static const char* const kNtsc[] = {"352x240", "480x480", "720x480"};
    const int t = o.TargetType - 1;
    if (container.empty()) container = kTargets[t];
    if (video_codec.empty()) video_codec = kCodecs[t];
    if (size.empty()) size = ntsc ? kNtsc[t] : kPal[t];
    if (rate.empty()) rate = ntsc ? "30000/1001" : "25";
  }
  if (size.empty()) size = kClipSize;
  if (rate.empty()) rate = kClipRate;

  std::string video;
  if (!o.DisableVideo) {
    const AVCodec* codec = ExpectedEncoder(video_codec, container, file, true);
    if (!codec) return "no video encoder for '" + video_codec + "'";
    std::string facts = size;
    facts[facts.find('x')] = ',';
    video = std::string(media::FF().avcodec_get_name(codec->id)) + "," + facts + "," +
            ExpectedRate(codec, rate);
  }
  std::string audio;
  if (!o.DisableAudio) {
    const AVCodec* codec = ExpectedEncoder(o.AudioCodec, container, file, false);
    if (!codec) return "no audio encoder for '" + o.AudioCodec + "'";
    const int sample_rate = media::ClosestSampleRate(
        codec, o.AudioSampleRate > 0 ? o.AudioSampleRate : kClipSampleRate);
    audio = std::string(media::FF().avcodec_get_name(codec->id)) + "," +
            std::to_string(sample_rate) + "," +
            std::to_string(o.AudioChannels > 0 ? o.AudioChannels : kClipChannels);
  }
  return demuxer + "|" + video + "|" + audio;
}

// The name ffprobe gives the container of an output file.
std::string Demuxer(const std::string& extension) {
  static const std::map<std::string, std::string> names = {{".avi", "avi"},
                                                           {".mp4", "mov,mp4,m4a,3gp,3g2,mj2"},
                                                           {".flv", "flv"},
                                                           {".swf", "swf"},
                                                           {".mpg", "mpeg"},
                                                           {".rm", "rm"},
                                                           {".wmv", "asf"},
                                                           {".mov", "mov,mp4,m4a,3gp,3g2,mj2"},
                                                           {".3gp", "mov,mp4,m4a,3gp,3g2,mj2"},
                                                           {".wav", "wav"},
                                                           {".mp3", "mp3"},
                                                           {".wma", "asf"},
                                                           {".ogg", "ogg"},
                                                           {".aac", "aac"},
                                                           {".m4a", "mov,mp4,m4a,3gp,3g2,mj2"},
                                                           {".flac", "flac"},
                                                           {".mp2", "mp3"}};
  const auto it = names.find(extension);
  return it == names.end() ? "?" : it->second;
}

class PresetMatrix : public testing::TestWithParam<Row> {
 protected:
  static void SetUpTestSuite() {
    media::FFLoader().SetLibraryFolder((test::BinDir() / "lib").string());
    ASSERT_TRUE(media::FFLoader().Load(media::kEncoderLibraries)) << media::FFLoader().LastErrMsg();
  }
};

TEST_P(PresetMatrix, ConvertsTheStandardClip) {
  const Row& row = GetParam();
  if (row.Skip) GTEST_SKIP() << row.Skip;
  const std::string input = test::StandardClip().string();

  // A per-file job takes the facts of its input from the decoder.
  media::TFFDecoder decoder;
  ASSERT_TRUE(decoder.LoadFile(input)) << decoder.LastErrMsg();
  const TPresetInput facts = PresetInputFromDecoder(decoder);
  decoder.CloseFile();
  media::TOutputOptions options =
      PresetOutputOptions(row.Class, row.Format, row.Preset, TPresetJob::PerFile, facts);

  test::TempDir dir;
  const TOutputFormat* format = FindOutputFormat(row.Class, row.Format);
  const std::string out = dir.dir() + "out" + format->Extension;

  media::TFFEncoder encoder;
  ASSERT_TRUE(encoder.LibrariesLoaded() ||
              encoder.LoadLibraries((test::BinDir() / "lib").string() + "/"))
      << encoder.LastErrMsg();
  const int task = encoder.AddTask(input);
  ASSERT_GE(task, 0) << encoder.LastErrMsg();
  ASSERT_TRUE(encoder.SetOutputFile(task, out, &options)) << encoder.LastErrMsg();
  bool finished = false;
  std::string failure;
  encoder.SetOnTerminate([&](media::TCustomEncoder&, const media::TTerminateInfo& t) {
    if (t.TaskIndex != task) return;
    finished = t.Finished && !t.Exception;
    failure = t.ExceptionMsg;
  });
  encoder.StartTask(0);  // synchronous: every event has come when it returns
  encoder.DetachEvents();
  encoder.ClearTasks();
  ASSERT_TRUE(finished) << failure;

  const std::string probed = test::ProbeFacts(out);
  RecordProperty("facts", probed);  // in the XML/JSON report of a run
  EXPECT_EQ(probed, ExpectedFacts(options, out, Demuxer(format->Extension)));
}

INSTANTIATE_TEST_SUITE_P(EveryPreset, PresetMatrix, testing::ValuesIn(Rows()),
                         [](const testing::TestParamInfo<Row>& info) {
                           return RowName(info.param);
                         });

}  // namespace
}  // namespace tallowin::convert
