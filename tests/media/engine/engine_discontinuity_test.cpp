// A time stamp that jumps by hours in a format that does not flag jumps: the run stays short and
// its constant-rate output holds about as many pictures as the input.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <string>

#include "media/engine/ffmpeg.h"
#include "media/media_fixtures.h"

namespace tallowin::media {
namespace {

// 50 pictures at 25 per second, the second half stamped 40000 s later, in Matroska.
test::fs::path JumpingClip() {
  return test::GeneratedMedia(
      "jump_40000s.mkv",
      {"-f", "lavfi", "-i", "testsrc2=size=160x120:rate=25:duration=2", "-vf",
       "setpts='PTS+gte(N\\,25)*40000/TB'", "-vsync", "passthrough", "-c:v", "mjpeg"});
}

TEST(EngineDiscontinuity, AJumpInTimeIsNotFilledWithDuplicates) {
  test::LoadSystemLibraries();
  test::TempDir dir;
  const test::fs::path out = dir.path() / "out.avi";
  TCustomFFmpeg engine;
  ASSERT_TRUE(engine.OpenInput(JumpingClip().string())) << engine.LastErrMsg();
  ASSERT_EQ(engine.OpenOutput(out.string()), 0) << engine.LastErrMsg();
  const auto start = std::chrono::steady_clock::now();
  engine.Start(false);
  const auto took = std::chrono::steady_clock::now() - start;
  EXPECT_TRUE(engine.Finished()) << engine.FailureMessage();
  EXPECT_LT(took, std::chrono::seconds(20));
  auto probe = test::FFProbeFlat(out, {"-count_frames", "-show_entries", "stream=nb_read_frames"});
  const int frames = std::atoi(probe["stream0.nb_read_frames"].c_str());
  EXPECT_GE(frames, 45);
  EXPECT_LE(frames, 60);
}

}  // namespace
}  // namespace tallowin::media
