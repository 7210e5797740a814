// Two-pass encoding with its log files, and the vstats per-frame statistics file.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "media/engine/engine_twopass.h"
#include "media/engine/ffmpeg.h"
#include "media/media_fixtures.h"

namespace tallowin::media {
namespace {

using test::fs::path;
using Options = std::vector<std::pair<std::string, std::string>>;

class EngineTwoPass : public testing::Test {
 protected:
  void SetUp() override { test::LoadSystemLibraries(); }

  // One run of the standard clip into `name`; the failure message, empty on success.
  std::string Encode(const Options& options, const std::string& name) {
    TCustomFFmpeg engine;
    EXPECT_TRUE(engine.OpenInput(test::StandardClip().string()));
    for (const auto& [n, v] : options) engine.SetOption(n, v);
    EXPECT_EQ(engine.OpenOutput((dir_ / name).string()), 0) << engine.LastErrMsg();
    engine.Start(false);
    return engine.Finished() ? "" : engine.FailureMessage();
  }

  // Both passes at `bit_rate` bits/s without audio; returns the bits per second of the result.
  double TwoPass(const std::string& codec, int bit_rate, const std::string& name) {
    const std::string prefix = (dir_ / ("log_" + codec)).string();
    for (const char* pass : {"1", "2"}) {
      const Options options = {{"vcodec", codec},
                               {"b", std::to_string(bit_rate)},
                               {"an", "1"},
                               {"pass", pass},
                               {"passlogfile", prefix}};
      EXPECT_EQ(Encode(options, std::string(pass) + name), "") << codec << " pass " << pass;
      EXPECT_TRUE(test::fs::exists(prefix + "-0.log")) << codec << " pass " << pass;
    }
    const path out = dir_ / ("2" + name);
    auto facts = test::FFProbe(out);
    EXPECT_EQ(facts["stream0.codec_type"], "video");
    EXPECT_EQ(facts["stream0.width"], "640");
    auto r = test::RunProcess({"ffmpeg", "-v", "error", "-i", out.string(), "-f", "null", "-"});
    EXPECT_EQ(r.exit_code, 0);
    EXPECT_EQ(r.output, "");
    const double seconds = test::ProbeMicroseconds(facts["format.duration"]) / 1e6;
    EXPECT_GT(seconds, 2.5);
    return test::fs::file_size(out) * 8 / seconds;
  }

  test::TempDir dir_;
};

TEST(PassLogFileName, DefaultPrefixStreamNumberAndLengthLimit) {
  EXPECT_EQ(PassLogFileName("", 0), "ffmpeg2pass-0.log");
  EXPECT_EQ(PassLogFileName("/tmp/x/run", 3), "/tmp/x/run-3.log");
  EXPECT_EQ(PassLogFileName(std::string(2000, 'a'), 1).size(), 1023u);
}

TEST_F(EngineTwoPass, Mpeg4ReachesTheAskedBitRate) {
  const double bits = TwoPass("mpeg4", 400000, "mpeg4.avi");
  EXPECT_NEAR(bits, 400000, 400000 * 0.25);
  // Pass 1 wrote the encoder's statistics: one line per picture.
  const std::string log = test::ReadFile(dir_ / "log_mpeg4-0.log");
  EXPECT_GE(std::count(log.begin(), log.end(), '\n'), 75);
}

TEST_F(EngineTwoPass, X264ReachesTheAskedBitRate) {
  const double bits = TwoPass("libx264", 300000, "x264.mp4");
  EXPECT_NEAR(bits, 300000, 300000 * 0.25);
  EXPECT_FALSE(test::ReadFile(dir_ / "log_libx264-0.log").empty());
}

TEST_F(EngineTwoPass, SecondPassWithoutLogFails) {
  const std::string log = (dir_ / "missing").string() + "-0.log";
  for (const char* codec : {"mpeg4", "libx264"})
    EXPECT_EQ(
        Encode({{"vcodec", codec}, {"pass", "2"}, {"passlogfile", (dir_ / "missing").string()}},
               std::string(codec) + ".mp4"),
        "Cannot read file: Error reading log file \"" + log + "\" for pass-2 encoding");
}

// The encoder reads the log: one that is not its own statistics stops it from opening.
TEST_F(EngineTwoPass, SecondPassReadsTheLog) {
  const std::string prefix = (dir_ / "garbage").string();
  test::WriteFile(prefix + "-0.log", "not statistics\n");
  const std::string failure =
      Encode({{"vcodec", "mpeg4"}, {"pass", "2"}, {"passlogfile", prefix}}, "garbage.avi");
  EXPECT_EQ(failure.rfind("Error while opening encoder for output stream #0.0 (video)", 0), 0u)
      << failure;
}

TEST_F(EngineTwoPass, FirstPassLogThatCannotBeWritten) {
  const std::string prefix = (dir_ / "no_such_folder" / "log").string();
  for (const char* codec : {"mpeg4", "libx264"})
    EXPECT_EQ(Encode({{"vcodec", codec}, {"pass", "1"}, {"passlogfile", prefix}},
                     std::string(codec) + ".mp4"),
              "Cannot write log file " + prefix + "-0.log for pass-1 encoding");
}

TEST_F(EngineTwoPass, VstatsFileGetsOneLinePerFrame) {
  const path stats = dir_ / "stats.log";
  ASSERT_EQ(Encode({{"vcodec", "mpeg4"}, {"vstats_file", stats.string()}}, "stats.avi"), "");
  const std::string text = test::ReadFile(stats);
  EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 75) << text.substr(0, 400);
  EXPECT_EQ(text.rfind("frame=     1 q= ", 0), 0u) << text.substr(0, 200);
  EXPECT_NE(text.find("type= I\n"), std::string::npos);
  EXPECT_NE(text.find("type= P\n"), std::string::npos);
  EXPECT_NE(text.find("frame=    75 "), std::string::npos);
}

}  // namespace
}  // namespace tallowin::media
