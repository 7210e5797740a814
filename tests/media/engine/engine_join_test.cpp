// Join mode: several inputs written one after another into one output, converted to the
// output's format, with continuous time stamps; the checks that refuse what cannot be joined.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "media/engine/ffmpeg.h"
#include "media/media_fixtures.h"

namespace tallowin::media {
namespace {

using test::fs::path;

// Clips of different frame size, frame rate, sample rate and channel count.
path ClipA() {
  return test::GeneratedMedia(
      "join_a_320x240_25_44100.mp4",
      {"-f", "lavfi", "-i", "testsrc=size=320x240:rate=25:duration=1", "-f", "lavfi", "-i",
       "sine=frequency=440:sample_rate=44100:duration=1", "-ac", "2", "-c:v", "libx264", "-pix_fmt",
       "yuv420p", "-c:a", "aac", "-shortest"});
}
path ClipB() {
  return test::GeneratedMedia(
      "join_b_176x144_15_22050.mkv",
      {"-f", "lavfi", "-i", "testsrc=size=176x144:rate=15:duration=1.2", "-f", "lavfi", "-i",
       "sine=frequency=880:sample_rate=22050:duration=1.2", "-ac", "1", "-c:v", "mpeg4", "-c:a",
       "libmp3lame", "-shortest"});
}
path ClipC() {
  return test::GeneratedMedia(
      "join_c_160x120_30_48000.mp4",
      {"-f", "lavfi", "-i", "testsrc=size=160x120:rate=30:duration=0.8", "-f", "lavfi", "-i",
       "sine=frequency=660:sample_rate=48000:duration=0.8", "-ac", "2", "-c:v", "libx264",
       "-pix_fmt", "yuv420p", "-c:a", "aac", "-shortest"});
}

std::string Ffprobe(const path& file, const std::string& entries, const std::string& streams) {
  std::vector<std::string> argv = {"ffprobe", "-v", "error"};
  if (!streams.empty()) argv.insert(argv.end(), {"-select_streams", streams});
  argv.insert(argv.end(), {"-show_entries", entries, "-of", "default=nw=1:nk=1", file.string()});
  auto r = test::RunProcess(argv, 60);
  return r.output;
}

double Duration(const path& file) {
  return std::atof(Ffprobe(file, "format=duration", "").c_str());
}

class EngineJoin : public testing::Test {
 protected:
  void SetUp() override { test::LoadSystemLibraries(); }
  test::TempDir dir_;
};

TEST_F(EngineJoin, ThreeClipsOfDifferentFormatsBecomeOneContinuousFile) {
  const std::vector<path> clips = {ClipA(), ClipB(), ClipC()};
  double sum = 0;
  for (const auto& c : clips) sum += Duration(c);
  TCustomFFmpeg engine;
  for (const auto& c : clips) ASSERT_TRUE(engine.OpenInput(c.string())) << engine.LastErrMsg();
  const path out = dir_ / "joined.mp4";
  ASSERT_EQ(engine.OpenOutput(out.string(), true), 0) << engine.LastErrMsg();
  EXPECT_NEAR(engine.TotalDuration() / 1e6, sum, 0.05);
  ASSERT_TRUE(engine.Start(false));
  ASSERT_TRUE(engine.Finished()) << engine.FailureMessage();

  // Within one frame of the output (25 fps, the first input's rate).
  EXPECT_NEAR(Duration(out), sum, 0.04);
  // The output keeps the first input's size and sample rate for every part.
  EXPECT_EQ(Ffprobe(out, "stream=width,height", "v"), "320\n240\n");
  EXPECT_EQ(Ffprobe(out, "stream=sample_rate,channels", "a"), "44100\n2\n");
  const std::string frames = Ffprobe(out, "stream=nb_frames", "v");
  EXPECT_NEAR(std::atof(frames.c_str()), sum * 25, 2) << frames;
  // It decodes from start to end without an error.
  auto decode = test::RunProcess(
      {"ffmpeg", "-nostdin", "-v", "error", "-i", out.string(), "-f", "null", "-"});
  EXPECT_EQ(decode.exit_code, 0);
  EXPECT_EQ(decode.output, "");
}

TEST_F(EngineJoin, OptionsSetTheOutputFormatAndOneJoinedOutputIsAllowed) {
  TCustomFFmpeg engine;
  ASSERT_TRUE(engine.OpenInput(ClipB().string())) << engine.LastErrMsg();
  ASSERT_TRUE(engine.OpenInput(ClipA().string())) << engine.LastErrMsg();
  engine.SetOption("vcodec", "mpeg4");
  engine.SetOption("s", "208x160");
  engine.SetOption("r", "20");
  engine.SetOption("acodec", "libmp3lame");
  engine.SetOption("ar", "32000");
  engine.SetOption("ac", "2");
  engine.SetOption("async", "1");  // the synchronisation must not restart at each input
  const path out = dir_ / "joined.avi";
  ASSERT_EQ(engine.OpenOutput(out.string(), true), 0) << engine.LastErrMsg();
  EXPECT_EQ(engine.OpenOutput((dir_ / "second.avi").string(), true), -1);
  EXPECT_EQ(engine.LastErrMsg(), "Cannot join more than one output file.");
  EXPECT_EQ(engine.OpenOutput((dir_ / "third.avi").string(), false), -1);
  EXPECT_EQ(engine.LastErrMsg(), "Cannot join more than one output file.");
  EXPECT_EQ(engine.OutputCount(), 1);
  ASSERT_TRUE(engine.Start(false));
  ASSERT_TRUE(engine.Finished()) << engine.FailureMessage();
  EXPECT_EQ(Ffprobe(out, "stream=width,height,r_frame_rate", "v"), "208\n160\n20/1\n");
  EXPECT_EQ(Ffprobe(out, "stream=sample_rate,channels", "a"), "32000\n2\n");
  // One frame of each kind: an MP3 frame (36 ms) and a picture (50 ms).
  EXPECT_NEAR(Duration(out), Duration(ClipA()) + Duration(ClipB()), 0.09);
  auto decode = test::RunProcess(
      {"ffmpeg", "-nostdin", "-v", "error", "-i", out.string(), "-f", "null", "-"});
  EXPECT_EQ(decode.output, "");
}

TEST_F(EngineJoin, AnInputLackingAKindOfTheOutputIsRefused) {
  TCustomFFmpeg engine;
  ASSERT_TRUE(engine.OpenInput(ClipA().string())) << engine.LastErrMsg();
  ASSERT_TRUE(engine.OpenInput(test::VideoOnlyClip().string())) << engine.LastErrMsg();
  EXPECT_EQ(engine.OpenOutput((dir_ / "out.mp4").string(), true), -1);
  EXPECT_EQ(engine.LastErrMsg(), "input file #1 has no audio stream to join");
  EXPECT_FALSE(test::fs::exists(dir_ / "out.mp4"));
  EXPECT_EQ(engine.OutputCount(), 0);

  // Without the audio, the same inputs join.
  TCustomFFmpeg video_only;
  ASSERT_TRUE(video_only.OpenInput(ClipA().string()));
  ASSERT_TRUE(video_only.OpenInput(test::VideoOnlyClip().string()));
  video_only.SetOption("an", "");
  const path out = dir_ / "video.mp4";
  ASSERT_EQ(video_only.OpenOutput(out.string(), true), 0) << video_only.LastErrMsg();
  ASSERT_TRUE(video_only.Start(false));
  EXPECT_TRUE(video_only.Finished()) << video_only.FailureMessage();
  EXPECT_NEAR(Duration(out), Duration(ClipA()) + Duration(test::VideoOnlyClip()), 0.08);
}

TEST_F(EngineJoin, CommandLineEncoderJoinsTwoFiles) {
  const path out = dir_ / "cli.mp4";
  auto r = test::RunProcess(
      {(test::BinDir() / "tallowin-cli").string(), "encode", "--in", ClipA().string(), "--in",
       ClipC().string(), "--out", out.string(), "--set", "JoinFiles=true"},
      120);
  EXPECT_EQ(r.exit_code, 0) << r.output;
  EXPECT_NEAR(Duration(out), Duration(ClipA()) + Duration(ClipC()), 0.08) << r.output;
  EXPECT_EQ(Ffprobe(out, "stream=codec_type", ""), "video\naudio\n");
}

}  // namespace
}  // namespace tallowin::media
