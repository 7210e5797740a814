// The texts of a download row's figures.
#include <gtest/gtest.h>

#include "download/download_queue.h"

namespace tallowin::test {
namespace {

TEST(DownloadFigures, SpeedAndSizeTexts) {
  using download::FormatSizeMB;
  using download::FormatSpeed;
  // No whole second yet: nothing to divide by.
  EXPECT_EQ(FormatSpeed(123456, 0), download::kSpeedNotKnownYet);
  EXPECT_EQ(FormatSpeed(0, 0), download::kSpeedNotKnownYet);
  EXPECT_EQ(FormatSpeed(2048, 2), "1.00 KB/s");
  EXPECT_EQ(FormatSpeed(0, 5), "0.00 KB/s");
  EXPECT_EQ(FormatSpeed(std::int64_t{1} << 40, 1), "1073741824.00 KB/s");
  EXPECT_EQ(FormatSizeMB(1572864), "1.50MB");
  EXPECT_EQ(FormatSizeMB(1), "0.00MB");
}

}  // namespace
}  // namespace tallowin::test
