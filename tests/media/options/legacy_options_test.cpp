// The old option vocabulary over the current libraries: the translation table, the built-in x264
// presets and the preset options, replaced encoders and the closest supported formats. What x264
// really used is read back from the settings it writes into its stream.
#include <gtest/gtest.h>

#include <mutex>
#include <string>
#include <vector>

#include "media/engine/ffmpeg.h"
#include "media/log_capture.h"
#include "media/media_fixtures.h"
#include "media/options/legacy_options.h"
#include "media/options/x264_presets.h"
#include "media/runtime/ff_exception.h"
#include "media/runtime/ff_log.h"

namespace tallowin::media {
namespace {

using test::fs::path;

std::string Error(const std::function<void()>& call) {
  return test::EngineError(call);
}

TEST(LegacyVocabulary, OldFlagsBecomeCurrentOptionsOrNothing) {
  LegacyVocabulary v;
  // The loop filter is x264's default: nothing to set; turning it off is said to x264.
  EXPECT_EQ(v.Translate("flags", "+loop"), OptionList{});
  EXPECT_EQ(v.Translate("flags", "-loop"), (OptionList{{"x264-params", "no-deblock=1"}}));
  EXPECT_EQ(v.Translate("flags", "+loop+global_header"), (OptionList{{"flags", "+global_header"}}));
  EXPECT_EQ(v.Translate("flags", "+umv+cbp"), (OptionList{{"umv", "1"}, {"mpv_flags", "+cbp_rd"}}));
  EXPECT_FALSE(v.Translate("flags", "+mv4+qpel").has_value());

  EXPECT_EQ(v.Translate("flags2", "+bpyramid-mixed_refs+wpred+dct8x8-fastpskip-mbtree"),
            (OptionList{{"b-pyramid", "normal"},
                        {"mixed-refs", "0"},
                        {"weightb", "1"},
                        {"8x8dct", "1"},
                        {"fast-pskip", "0"},
                        {"mbtree", "0"}}));
  EXPECT_EQ(v.Translate("flags2", "+skiprd+local_header"),
            (OptionList{{"flags2", "+local_header"}}));
  EXPECT_EQ(Error([&] { v.Translate("flags2", "+mixed_refs+nonsense"); }),
            "Invalid value \"+mixed_refs+nonsense\" for option \"flags2\"");

  EXPECT_EQ(v.Translate("cmp", "+chroma"), (OptionList{{"cmp", "chroma"}}));
  EXPECT_FALSE(v.Translate("cmp", "2").has_value());
  EXPECT_FALSE(v.Translate("g", "250").has_value());
}

TEST(LegacyVocabulary, PartitionsKeepTheirStateAcrossOptions) {
  LegacyVocabulary v;
  EXPECT_EQ(v.Translate("partitions", "+parti8x8+parti4x4+partp8x8+partb8x8"),
            (OptionList{{"partitions", "i4x4,i8x8,p8x8,b8x8"}}));
  // Relative to what is set already, as the old flags were.
  EXPECT_EQ(v.Translate("partitions", "-parti4x4+partp4x4"),
            (OptionList{{"partitions", "i8x8,p4x4,p8x8,b8x8"}}));
  EXPECT_EQ(v.Translate("partitions", "-parti8x8-parti4x4-partp8x8-partp4x4-partb8x8"),
            (OptionList{{"partitions", "none"}}));
  EXPECT_FALSE(v.Translate("partitions", "all").has_value());
  EXPECT_FALSE(Error([&] { v.Translate("partitions", "+parti4x4+bogus"); }).empty());
}

TEST(LegacyVocabulary, RenamedAndSplitOptions) {
  LegacyVocabulary v;
  EXPECT_EQ(v.Translate("directpred", "3"), (OptionList{{"direct-pred", "3"}}));
  EXPECT_EQ(v.Translate("cqp", "0"), (OptionList{{"qp", "0"}}));
  EXPECT_EQ(v.Translate("cqp", "-1"), OptionList{});
  EXPECT_EQ(v.Translate("aq_mode", "0"), (OptionList{{"aq-mode", "0"}}));
  EXPECT_EQ(v.Translate("me_method", "umh"),
            (OptionList{{"me_method", "umh"}, {"motion_est", "epzs"}}));
  EXPECT_EQ(v.Translate("me_method", "zero"),
            (OptionList{{"me_method", "dia"}, {"motion_est", "zero"}}));
  EXPECT_FALSE(Error([&] { v.Translate("me_method", "fastest"); }).empty());
  EXPECT_EQ(v.Translate("rc_eq", "'blurCplx^(1-qComp)'"),
            (OptionList{{"rc_eq", "blurCplx^(1-qComp)"}}));
  // x264's own strengths are 0:0, so zeros say nothing; once one differs both are given.
  EXPECT_EQ(v.Translate("deblockalpha", "0"), OptionList{});
  EXPECT_EQ(v.Translate("deblockbeta", "-2"), (OptionList{{"deblock", "0:-2"}}));
  EXPECT_EQ(v.Translate("deblockalpha", "1"), (OptionList{{"deblock", "1:-2"}}));
  EXPECT_FALSE(Error([&] { v.Translate("deblockalpha", "x"); }).empty());
  EXPECT_EQ(LegacyVocabulary::ReplacementEncoder("libfaac"), "aac");
  EXPECT_EQ(LegacyVocabulary::ReplacementEncoder("libmp3lame"), "");
}

TEST(BuiltinPresets, TableAndPresetText) {
  const auto names = BuiltinPresetNames();
  ASSERT_EQ(names.size(), 36u);
  EXPECT_EQ(names.front(), "libx264-default");
  const std::string* text = FindBuiltinPreset("LIBX264-Default");
  ASSERT_NE(text, nullptr);
  const auto lines = ParsePresetText("libx264-default", *text);
  ASSERT_EQ(lines.size(), 22u);
  EXPECT_EQ(lines.front().name, "coder");
  EXPECT_EQ(lines.back().text, "wpredp=2");
  EXPECT_EQ(FindBuiltinPreset("libx264-nonesuch"), nullptr);
  EXPECT_EQ(Error([] { ParsePresetText("p", "g=1\r\n# note\r\n\r\nbroken\r\n"); }),
            "p: Invalid syntax: \"broken\"");
}

// x264 writes the settings it encoded with into its stream ("options: cabac=1 ref=3 ...").
std::string X264Settings(const path& file) {
  const std::string bytes = test::ReadFile(file);
  const size_t start = bytes.find("options: ");
  if (start == std::string::npos) return "";
  const size_t end = bytes.find('\0', start);
  return " " + bytes.substr(start + 9, end == std::string::npos ? 2000 : end - start - 9) + " ";
}

std::string ProbeValue(const path& file, const std::string& entries) {
  auto r = test::RunProcess({"ffprobe", "-v", "error", "-show_entries", entries, "-of",
                             "default=nw=1:nk=1", file.string()});
  std::string out = r.output;
  while (!out.empty() && (out.back() == '\n' || out.back() == '\r')) out.pop_back();
  for (char& c : out)
    if (c == '\n') c = ',';
  return out;
}

class EngineLegacy : public testing::Test {
 protected:
  void SetUp() override {
    test::LoadSystemLibraries();
    small_ = test::GeneratedMedia(
        "legacy_small.mp4", {"-f", "lavfi", "-i", "testsrc=size=160x120:rate=25:duration=0.4", "-f",
                             "lavfi", "-i", "sine=sample_rate=44100:duration=0.4", "-ac", "2",
                             "-c:v", "libx264", "-c:a", "aac", "-shortest"});
  }

  // Converts `input` with the options; returns the output path (empty when it failed).
  path Convert(const path& input, const std::vector<std::pair<std::string, std::string>>& options,
               const std::string& out_name) {
    TCustomFFmpeg engine;
    EXPECT_TRUE(engine.OpenInput(input.string())) << engine.LastErrMsg();
    for (const auto& option : options) {
      // Plain references: clang 14 cannot capture structured bindings in a lambda.
      const std::string& name = option.first;
      const std::string& value = option.second;
      std::string error = Error([&] { engine.SetOption(name, value); });
      EXPECT_EQ(error, "") << name << "=" << value;
      if (!error.empty()) return {};
    }
    const path out = dir_ / out_name;
    EXPECT_EQ(engine.OpenOutput(out.string()), 0) << engine.LastErrMsg();
    EXPECT_TRUE(engine.Start(false));
    EXPECT_TRUE(engine.Finished()) << engine.FailureMessage();
    return engine.Finished() ? out : path();
  }

  path small_;
  test::TempDir dir_;
};

TEST_F(EngineLegacy, DefaultPresetReachesX264ByNameAndByCodecPrefix) {
  for (const std::string preset : {"libx264-default", "default"}) {
    const path out = Convert(small_, {{"vcodec", "libx264"}, {"vpre", preset}}, preset + ".mp4");
    const std::string s = X264Settings(out);
    ASSERT_FALSE(s.empty()) << preset;
    for (const char* expected :
         {" cabac=1 ",       " ref=3 ",        " analyse=0x3:0x113 ", " me=hex ",
          " subme=7 ",       " me_range=16 ",  " mixed_ref=1 ",       " trellis=1 ",
          " 8x8dct=1 ",      " fast_pskip=1 ", " bframes=3 ",         " b_adapt=1 ",
          " direct=1 ",      " weightb=1 ",    " weightp=2 ",         " keyint=250 ",
          " keyint_min=25 ", " scenecut=40 ",  " qcomp=0.60 ",        " qpmin=10 ",
          " qpmax=51 ",      " qpstep=4 ",     " ip_ratio=1.41 ",     " deblock=1:0:0 "})
      EXPECT_NE(s.find(expected), std::string::npos) << preset << ": " << expected << " in" << s;
  }
}

TEST_F(EngineLegacy, PresetLookupFailures) {
  TCustomFFmpeg engine;
  EXPECT_EQ(Error([&] { engine.SetOption("vpre", "default"); }), "Preset \"default\" not found");
  engine.SetOption("vcodec", "libx264");
  EXPECT_EQ(Error([&] { engine.SetOption("vpre", "nonesuch"); }), "Preset \"nonesuch\" not found");
  EXPECT_EQ(Error([&] { engine.SetOption("apre", "default"); }), "Preset \"default\" not found");

  const path bad_line = dir_ / "bad.ffpreset";
  test::WriteFile(bad_line, "g=25\nno_equals_here\n");
  EXPECT_EQ(Error([&] { engine.SetOption("fpre", bad_line.string()); }),
            bad_line.string() + ": Invalid syntax: \"no_equals_here\"");
  const path bad_option = dir_ / "unknown.ffpreset";
  test::WriteFile(bad_option, "g=25\r\nnot_an_option=3\r\n");
  EXPECT_EQ(Error([&] { engine.SetOption("fpre", bad_option.string()); }),
            "Unrecognized option \"not_an_option\"\r\n" + bad_option.string() +
                ": Invalid option or argument: \"not_an_option=3\", parsed as \"not_an_option\" "
                "= \"3\"");
  EXPECT_EQ(Error([&] { engine.SetOption("fpre", (dir_ / "missing").string()); }),
            "Preset \"" + (dir_ / "missing").string() + "\" not found");
}

// Every built-in preset is accepted and x264 opens with what it says.
TEST_F(EngineLegacy, EveryBuiltinPresetEncodes) {
  for (const std::string& name : BuiltinPresetNames()) {
    const path out =
        Convert(small_, {{"vcodec", "libx264"}, {"an", "1"}, {"vpre", name}}, name + ".mkv");
    EXPECT_EQ(ProbeValue(out, "stream=codec_name"), "h264") << name;
  }
  EXPECT_NE(X264Settings(dir_ / "libx264-baseline.mkv").find(" cabac=0 "), std::string::npos);
  EXPECT_NE(X264Settings(dir_ / "libx264-baseline.mkv").find(" bframes=0 "), std::string::npos);
  EXPECT_NE(X264Settings(dir_ / "libx264-lossless_fast.mkv").find(" qp=0 "), std::string::npos);
  EXPECT_NE(X264Settings(dir_ / "libx264-fast_firstpass.mkv").find(" analyse=0x1:0 "),
            std::string::npos);
}

TEST_F(EngineLegacy, ReplacedEncoderIsLoggedOncePerTask) {
  LogCapture log;
  const std::string line = "Encoder 'libfaac' is not available, using 'aac' instead";
  const path out = Convert(small_, {{"acodec", "libfaac"}, {"acodec", "libfaac"}}, "faac.mp4");
  EXPECT_EQ(ProbeValue(out, "stream=codec_name"), "h264,aac");
  EXPECT_EQ(log.Count(line), 1);
}

TEST_F(EngineLegacy, ClosestSupportedRateAndFormats) {
  LogCapture log;
  const path out = Convert(small_,
                           {{"vcodec", "mpeg4"},
                            {"pix_fmt", "rgb24"},
                            {"acodec", "aac"},
                            {"ar", "22500"},
                            {"sample_fmt", "s16"}},
                           "closest.mp4");
  EXPECT_EQ(ProbeValue(out, "stream=pix_fmt,sample_rate,sample_fmt"), "yuv420p,fltp,22050");
  EXPECT_EQ(log.Count("Incompatible sample rate 22500 for codec 'aac', auto-selecting rate 22050"),
            1);
  EXPECT_EQ(log.Count("Incompatible sample format 's16' for codec 'aac', auto-selecting format "
                      "'fltp'"),
            1);
  EXPECT_EQ(log.Count("Incompatible pixel format 'rgb24' for codec 'mpeg4', auto-selecting "
                      "format 'yuv420p'"),
            1);
}

}  // namespace
}  // namespace tallowin::media
