// Targets vcd, svcd, dvd, dv and dv50: the norm from the prefix, the output's rate or the input's,
// the settings each fixes, the assumed aspect ratio and their messages; checked with ffprobe.
#include <gtest/gtest.h>

#include <mutex>
#include <string>
#include <vector>

#include "media/engine/ffmpeg.h"
#include "media/log_capture.h"
#include "media/media_fixtures.h"
#include "media/options/targets.h"
#include "media/runtime/ff_exception.h"
#include "media/runtime/ff_log.h"

namespace tallowin::media {
namespace {

using test::fs::path;

std::string Error(const std::function<void()>& call) {
  return test::EngineError(call);
}

TEST(Target, NamesAndNorms) {
  EXPECT_EQ(SplitTarget("pal-vcd"), std::make_pair(TargetNorm::kPal, std::string("vcd")));
  EXPECT_EQ(SplitTarget("film-dvd"), std::make_pair(TargetNorm::kFilm, std::string("dvd")));
  EXPECT_EQ(SplitTarget("dv50"), std::make_pair(TargetNorm::kUnknown, std::string("dv50")));
  EXPECT_EQ(Error([] { SplitTarget("pal-vhs"); }), "Unknown target type");
  EXPECT_EQ(Error([] { SplitTarget("secam-dvd"); }), "Unknown target type");
  EXPECT_EQ(NormOfFrameRate({25, 1}), TargetNorm::kPal);
  EXPECT_EQ(NormOfFrameRate({30000, 1001}), TargetNorm::kNtsc);
  EXPECT_EQ(NormOfFrameRate({24000, 1001}), TargetNorm::kNtsc);
  EXPECT_EQ(NormOfFrameRate({30, 1}), TargetNorm::kUnknown);
  EXPECT_EQ(Error([] { NormOfFrameRate({25, 0}); }), "frame_rate is invalid.");
}

// format name, then per stream: codec, width, height, aspect, pixel format, rate, sample rate,
// channels as ffprobe prints them.
std::string Probe(const path& file) {
  auto r = test::RunProcess(
      {"ffprobe", "-v", "error", "-select_streams", "V:0", "-show_entries",
       "format=format_name:stream=codec_name,width,height,display_aspect_ratio,pix_fmt,r_frame_"
       "rate",
       "-of", "csv=p=0", file.string()});
  auto a =
      test::RunProcess({"ffprobe", "-v", "error", "-select_streams", "a:0", "-show_entries",
                        "stream=codec_name,sample_rate,channels", "-of", "csv=p=0", file.string()});
  std::string text = r.output + a.output;
  for (char& c : text)
    if (c == '\n') c = ' ';
  return text;
}

class EngineTarget : public testing::Test {
 protected:
  void SetUp() override {
    test::LoadSystemLibraries();
    ntsc_ = test::GeneratedMedia(
        "ntsc_640x480_1s.mp4",
        {"-f", "lavfi", "-i", "testsrc=size=640x480:rate=30000/1001:duration=1", "-f", "lavfi",
         "-i", "sine=sample_rate=48000:duration=1", "-ac", "1", "-c:v", "libx264", "-c:a", "aac",
         "-shortest"});
  }

  path Convert(const path& input, const std::vector<std::pair<std::string, std::string>>& options,
               const std::string& out_name) {
    TCustomFFmpeg engine;
    EXPECT_TRUE(engine.OpenInput(input.string())) << engine.LastErrMsg();
    for (const auto& [name, value] : options) engine.SetOption(name, value);
    const path out = dir_ / out_name;
    EXPECT_EQ(engine.OpenOutput(out.string()), 0) << engine.LastErrMsg();
    EXPECT_TRUE(engine.Start(false));
    EXPECT_TRUE(engine.Finished()) << engine.FailureMessage();
    return out;
  }

  path ntsc_;
  test::TempDir dir_;
};

TEST_F(EngineTarget, VcdSizeFollowsTheInputRate) {
  LogCapture log;
  EXPECT_EQ(Probe(Convert(test::StandardClip(), {{"target", "vcd"}}, "pal.mpg")),
            "mpeg1video,352,288,1958:1467,yuv420p,25/1 mpeg mp2,44100,2 ");
  EXPECT_EQ(log.Count("Assuming PAL for target."), 1);
  EXPECT_EQ(log.Count("Assuming 4:3 for aspect ratio"), 1);
  EXPECT_EQ(Probe(Convert(ntsc_, {{"target", "vcd"}}, "ntsc.mpg")),
            "mpeg1video,352,240,880:657,yuv420p,30000/1001 mpeg mp2,44100,2 ");
  EXPECT_EQ(log.Count("Assuming NTSC for target."), 1);
  // A rate set for the output decides before the input's.
  EXPECT_EQ(Probe(Convert(ntsc_, {{"r", "25"}, {"target", "vcd"}}, "rate.mpg")),
            "mpeg1video,352,288,1958:1467,yuv420p,25/1 mpeg mp2,44100,2 ");
  EXPECT_EQ(log.Count("Assuming PAL for target."), 2);
  // A prefix says it all: nothing is assumed.
  EXPECT_EQ(Probe(Convert(test::StandardClip(), {{"target", "ntsc-vcd"}}, "prefix.mpg")),
            "mpeg1video,352,240,880:657,yuv420p,30000/1001 mpeg mp2,44100,2 ");
  EXPECT_EQ(log.Count("Assuming PAL for target."), 2);
}

TEST_F(EngineTarget, DiscTargetsAspectAndStereo) {
  LogCapture log;
  EXPECT_EQ(Probe(Convert(test::StandardClip(), {{"target", "dvd"}}, "dvd.mpg")),
            "mpeg2video,720,576,16:9,yuv420p,25/1,  mpeg ac3,48000,2 ");
  EXPECT_EQ(log.Count("Assuming 16:9 for aspect ratio"), 1);
  EXPECT_EQ(
      Probe(Convert(test::StandardClip(), {{"target", "film-dvd"}, {"aspect", "4:3"}}, "film.mpg")),
      "mpeg2video,720,480,4:3,yuv420p,24000/1001,  mpeg ac3,48000,2 ");
  EXPECT_EQ(log.Count("Assuming 16:9 for aspect ratio"), 1);
  // The mono input asked for in mono still gets two channels on a disc.
  EXPECT_EQ(Probe(Convert(ntsc_, {{"target", "svcd"}, {"ac", "1"}}, "svcd.mpg")),
            "mpeg2video,480,480,4:3,yuv420p,30000/1001,  mpeg mp2,44100,2 ");
}

TEST_F(EngineTarget, DvPixelFormatsByNorm) {
  EXPECT_EQ(Probe(Convert(test::StandardClip(), {{"target", "dv"}}, "pal.dv")),
            "dvvideo,720,576,16:9,yuv420p,25/1 dv pcm_s16le,48000,2 ");
  EXPECT_EQ(Probe(Convert(ntsc_, {{"target", "dv"}}, "ntsc.dv")),
            "dvvideo,720,480,4:3,yuv411p,30000/1001 dv pcm_s16le,48000,2 ");
  EXPECT_EQ(Probe(Convert(test::StandardClip(), {{"target", "dv50"}}, "dv50.dv")),
            "dvvideo,720,576,16:9,yuv422p,25/1 dv pcm_s16le,48000,2 ");
}

TEST_F(EngineTarget, FallbackNormWhenNothingTells) {
  const path odd = test::GeneratedMedia(
      "rate30_320x240.mp4",
      {"-f", "lavfi", "-i", "testsrc=size=320x240:rate=30:duration=0.5", "-c:v", "libx264"});
  for (const bool pal : {false, true}) {
    TCustomFFmpeg engine;
    engine.SetTargetFallbackPal(pal);
    ASSERT_TRUE(engine.OpenInput(odd.string()));
    engine.SetOption("target", "vcd");
    const path out = dir_ / (pal ? "pal.mpg" : "ntsc.mpg");
    ASSERT_EQ(engine.OpenOutput(out.string()), 0) << engine.LastErrMsg();
    ASSERT_TRUE(engine.Start(false));
    EXPECT_TRUE(engine.Finished()) << engine.FailureMessage();
    EXPECT_EQ(Probe(out), pal ? "mpeg1video,352,288,1958:1467,yuv420p,25/1 mpeg "
                              : "mpeg1video,352,240,880:657,yuv420p,30000/1001 mpeg ");
  }
}

}  // namespace
}  // namespace tallowin::media
