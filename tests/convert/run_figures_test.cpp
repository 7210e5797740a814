// The figures of a conversion run: times past a day, the estimate before and after anything was
// processed, the current job's percentage at the limits of 64-bit durations.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>

#include "convert/run_figures.h"

namespace tallowin::convert {
namespace {

TEST(RunFiguresTest, TimesKeepCountingHoursAndNeverGoNegative) {
  EXPECT_EQ(FormatRunTime(90), "0:01:30");
  EXPECT_EQ(FormatRunTime(25 * 3600), "25:00:00");
  EXPECT_EQ(FormatRunTime(100 * 3600 + 61), "100:01:01");
  // A value a hair below a whole second, as floating point gives it, is that second.
  EXPECT_EQ(FormatRunTime(44.99999999), "0:00:45");
  EXPECT_EQ(FormatRunTime(44.6), "0:00:44");
  EXPECT_EQ(FormatRunTime(-3), "0:00:00");
  EXPECT_EQ(FormatRunTime(std::nan("")), "0:00:00");
  EXPECT_EQ(FormatRunTime(std::numeric_limits<double>::infinity()), "0:00:00");
}

TEST(RunFiguresTest, EstimateOfThreeMinuteJobsHalfWayThroughTheSecond) {
  // Three files of 60 s; the first finished, 30 s into the second, 45 s elapsed.
  const TRunTimes times = RunTimes(180'000'000, 90'000'000, 45);
  EXPECT_EQ(times.estimated, "0:01:30");
  EXPECT_EQ(times.elapsed, "0:00:45");
  EXPECT_EQ(times.left, "0:00:45");
}

TEST(RunFiguresTest, NothingProcessedYetGivesNoEstimateButTheTrueElapsedTime) {
  const TRunTimes times = RunTimes(180'000'000, 0, 7);
  EXPECT_EQ(times.estimated, kTimeNotKnown);
  EXPECT_EQ(times.left, kTimeNotKnown);
  EXPECT_EQ(times.elapsed, "0:00:07");
  // An unknown total gives no estimate either.
  EXPECT_EQ(RunTimes(0, 5'000'000, 7).estimated, kTimeNotKnown);
  // A long run: 10 h of input, 1 h done after 3 h.
  const TRunTimes slow = RunTimes(36'000'000'000, 3'600'000'000, 3 * 3600);
  EXPECT_EQ(slow.estimated, "30:00:00");
  EXPECT_EQ(slow.left, "27:00:00");
}

TEST(RunFiguresTest, PercentTruncatesAndStaysInRange) {
  EXPECT_EQ(ProgressPercent(1, 3), 33);
  EXPECT_EQ(ProgressPercent(2, 3), 66);
  EXPECT_EQ(ProgressPercent(5, 4), 100);
  EXPECT_EQ(ProgressPercent(-5, 4), 0);
  EXPECT_EQ(ProgressPercent(5, 0), -1);
  EXPECT_EQ(ProgressPercent(5, -1), -1);
  // current x 100 does not overflow.
  const int64_t big = std::numeric_limits<int64_t>::max() / 2;
  EXPECT_EQ(ProgressPercent(big, big * 2), 50);
  // Durations past 2^31 microseconds (36 min) count as well.
  EXPECT_EQ(ProgressPercent(3'000'000'000, 6'000'000'000), 50);
}

TEST(RunFiguresTest, ErrorLineAndFinishSound) {
  EXPECT_EQ(JobErrorLine(0, "Invalid data"), "File (0): Invalid data");
  EXPECT_EQ(FinishSoundPath("/opt/t", 4, 4), "/opt/t/sounds/done.wav");
  EXPECT_EQ(FinishSoundPath("/opt/t/", 3, 4), "/opt/t/sounds/fail.wav");
  EXPECT_EQ(FinishSoundPath("/opt/t/", 0, 0), "/opt/t/sounds/done.wav");
}

}  // namespace
}  // namespace tallowin::convert
