// Video encoder control: forced key frames, rate-control overrides, and the motion estimation
// threshold that is only checked now.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "media/engine/ffmpeg.h"
#include "media/media_fixtures.h"
#include "media/options/video_control.h"
#include "media/packet_probe.h"
#include "media/runtime/ff_exception.h"

namespace tallowin::media {
namespace {

using test::fs::path;
using Options = std::vector<std::pair<std::string, std::string>>;

class EngineVideoControl : public testing::Test {
 protected:
  void SetUp() override { test::LoadSystemLibraries(); }

  // The standard clip (75 frames at 25 fps) encoded with the options, without sound.
  std::vector<test::ProbedPacket> Encode(const Options& options, const std::string& name) {
    TCustomFFmpeg engine;
    EXPECT_TRUE(engine.OpenInput(test::StandardClip().string())) << engine.LastErrMsg();
    engine.SetOption("an", "1");
    for (const auto& [n, v] : options) engine.SetOption(n, v);
    const path out = dir_ / name;
    EXPECT_EQ(engine.OpenOutput(out.string()), 0) << engine.LastErrMsg();
    EXPECT_TRUE(engine.Start(false));
    EXPECT_TRUE(engine.Finished()) << engine.FailureMessage();
    return test::ProbePackets(out, "v:0");
  }

  std::string Failure(const std::string& name, const std::string& value) {
    TCustomFFmpeg engine;
    return test::OptionFailure(engine, name, value);
  }

  test::TempDir dir_;
};

std::vector<double> KeyTimes(const std::vector<test::ProbedPacket>& packets) {
  std::vector<double> times;
  for (const auto& p : packets)
    if (p.key) times.push_back(p.pts);
  return times;
}

TEST_F(EngineVideoControl, ValuesAreChecked) {
  const std::pair<const char*, const char*> good[] = {
      {"force_key_frames", "1"},  {"force_key_frames", "2,0.5,00:00:01.250"},
      {"rc_override", "0,10,31"}, {"rc_override", "0,10,2/11,20,-50/30, 40, 0"},
      {"me_threshold", "5"},      {"me_threshold", "-1"},
  };
  for (const auto& [name, value] : good) EXPECT_EQ(Failure(name, value), "") << name << value;

  // The text names the time that is wrong.
  const std::string invalid = "Invalid duration specification for force_key_frames: ";
  EXPECT_EQ(Failure("force_key_frames", "1,soon"), invalid + "soon");
  EXPECT_EQ(Failure("force_key_frames", "1,,2"), invalid);
  EXPECT_EQ(Failure("force_key_frames", ""), invalid);
  EXPECT_EQ(Failure("force_key_frames", "1:xx"), invalid + "1:xx");
  for (const char* value :
       {"", "1,2", "1,2,3/", "a,b,c", "1,2,3x", "1;2;3", "5,2,10", "-1,2,3", "1,2,99999999999"})
    EXPECT_EQ(Failure("rc_override", value), "error parsing rc_override") << value;
  EXPECT_EQ(Failure("me_threshold", "low"), "'low' is not a valid integer value");
}

TEST(VideoControlValues, RateOverrideRangesAndFactors) {
  const auto ranges = ParseRateOverride("0,10,31/11,20,-50/21,21,0");
  ASSERT_EQ(ranges.size(), 3u);
  EXPECT_EQ(ranges[0].start_frame, 0);
  EXPECT_EQ(ranges[0].end_frame, 10);
  EXPECT_EQ(ranges[0].qscale, 31);
  EXPECT_FLOAT_EQ(ranges[0].quality_factor, 1.0f);
  EXPECT_EQ(ranges[1].start_frame, 11);
  EXPECT_EQ(ranges[1].qscale, 0);
  EXPECT_FLOAT_EQ(ranges[1].quality_factor, 0.5f);
  EXPECT_EQ(ranges[2].qscale, 0);
  EXPECT_FLOAT_EQ(ranges[2].quality_factor, 0.0f);
}

TEST_F(EngineVideoControl, ForcedKeyFramesSitAtTheirTimes) {
  // Unsorted, with a time between two frames (rounded to the nearest) and one past the end.
  const auto packets = Encode(
      {{"vcodec", "mpeg4"}, {"g", "250"}, {"force_key_frames", "00:00:02,1,1.61,9"}}, "keys.mp4");
  ASSERT_EQ(packets.size(), 75u);
  const std::vector<double> expected = {0.0, 1.0, 1.6, 2.0};
  const auto keys = KeyTimes(packets);
  ASSERT_EQ(keys.size(), expected.size());
  for (size_t i = 0; i < keys.size(); ++i) EXPECT_NEAR(keys[i], expected[i], 0.001) << i;

  // Without the option the long group keeps only the first key frame.
  EXPECT_EQ(KeyTimes(Encode({{"vcodec", "mpeg4"}, {"g", "250"}}, "plain.mp4")).size(), 1u);

  // The times count from the output's start.
  const auto cut = Encode(
      {{"vcodec", "mpeg4"}, {"g", "250"}, {"ss", "1"}, {"force_key_frames", "0.6"}}, "cut.mp4");
  const auto cut_keys = KeyTimes(cut);
  ASSERT_EQ(cut_keys.size(), 2u);
  EXPECT_NEAR(cut_keys[1] - cut_keys[0], 0.6, 0.001);
}

TEST_F(EngineVideoControl, RateOverrideChangesTheFramesInItsRange) {
  const Options base = {{"vcodec", "mpeg4"}, {"g", "250"}, {"b", "2000000"}};
  const auto plain = Encode(base, "plain.avi");
  ASSERT_EQ(plain.size(), 75u);

  Options coarse = base;
  coarse.emplace_back("rc_override", "25,49,31");
  const auto overridden = Encode(coarse, "coarse.avi");
  ASSERT_EQ(overridden.size(), 75u);
  // The coarsest quantiser makes frames 25..49 far smaller than rate control would.
  EXPECT_LT(test::MeanPacketSize(overridden, 25, 50), 0.3 * test::MeanPacketSize(plain, 25, 50));
  // The frames before the range are not touched.
  EXPECT_NEAR(test::MeanPacketSize(overridden, 1, 25), test::MeanPacketSize(plain, 1, 25),
              0.1 * test::MeanPacketSize(plain, 1, 25));

  // A quality factor: -10 asks for a tenth of the bits.
  Options factor = base;
  factor.emplace_back("rc_override", "25,49,-10");
  const auto smaller = Encode(factor, "factor.avi");
  EXPECT_LT(test::MeanPacketSize(smaller, 25, 50), 0.5 * test::MeanPacketSize(plain, 25, 50));
}

}  // namespace
}  // namespace tallowin::media
