// The preview window: sized to the picture, the picture drawn top row first, the caption, its
// window kind, and closing that only hides it.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCloseEvent>
#include <QImage>
#include <algorithm>
#include <vector>

#include "media/components/encoder_records.h"
#include "media/components/previewer.h"
#include "ui/preview_window.h"

namespace tallowin::ui {
namespace {

// A picture whose top row is red and the rest blue (bottom-up storage).
media::TBitmap TwoColourPicture(int width, int height) {
  media::TBitmap bitmap;
  bitmap.Resize(width, height);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      uint8_t* p = bitmap.TopRow(y) + x * 3;
      p[0] = y == 0 ? 0 : 255;  // blue
      p[2] = y == 0 ? 255 : 0;  // red
    }
  return bitmap;
}

TEST(PreviewWindow, ShowsThePictureAtItsSizeWithTheCaption) {
  TPreviewWindow window;
  window.ShowPicture(TwoColourPicture(37, 21), media::PreviewCaption(83500000));
  QApplication::processEvents();
  EXPECT_TRUE(window.isVisible());
  EXPECT_EQ(window.size(), QSize(37, 21));
  EXPECT_EQ(window.windowTitle(), "00:01:23.500");
  const Qt::WindowFlags flags = window.windowFlags();
  EXPECT_TRUE(flags & Qt::WindowStaysOnTopHint);
  EXPECT_EQ(flags & Qt::WindowType_Mask, Qt::Tool);
  EXPECT_FALSE(flags & Qt::WindowMinimizeButtonHint);

  const QImage drawn = window.grab().toImage();
  EXPECT_EQ(drawn.pixelColor(5, 0), QColor(255, 0, 0));
  EXPECT_EQ(drawn.pixelColor(5, 20), QColor(0, 0, 255));

  // A picture without a time stamp, and of another size.
  window.ShowPicture(TwoColourPicture(16, 8), media::PreviewCaption(media::kNoPtsValue));
  EXPECT_EQ(window.windowTitle(), "N/A");
  EXPECT_EQ(window.size(), QSize(16, 8));
}

TEST(PreviewWindow, ClosingHidesAndMarksIt) {
  TPreviewWindow window;
  window.ShowPicture(TwoColourPicture(8, 8), "00:00:00.000");
  EXPECT_FALSE(window.ClosedByUser());
  window.close();
  EXPECT_TRUE(window.ClosedByUser());
  EXPECT_FALSE(window.isVisible());
  // Later pictures are not shown again.
  window.ShowPicture(TwoColourPicture(8, 8), "00:00:01.000");
  EXPECT_FALSE(window.isVisible());
  EXPECT_EQ(window.windowTitle(), "00:00:00.000");
}

TEST(PreviewWindow, BitmapConversionKeepsRowOrder) {
  const QImage image = BitmapToImage(TwoColourPicture(3, 2));
  ASSERT_EQ(image.size(), QSize(3, 2));
  EXPECT_EQ(image.pixelColor(0, 0), QColor(255, 0, 0));
  EXPECT_EQ(image.pixelColor(0, 1), QColor(0, 0, 255));
  EXPECT_TRUE(BitmapToImage(media::TBitmap()).isNull());
}

}  // namespace
}  // namespace tallowin::ui

namespace tallowin::ui {
namespace {

// One pixel value per depth that stands for pure red, laid out as TBitmap documents it.
TEST(PreviewWindow, PicturesOfEveryDepthKeepTheirColours) {
  struct Case {
    int bits;
    std::vector<uint8_t> red;  // the bytes of one red pixel
  };
  const Case cases[] = {{8, {0xE0}},
                        {15, {0x00, 0x7C}},
                        {16, {0x00, 0xF8}},
                        {24, {0x00, 0x00, 0xFF}},
                        {32, {0x00, 0x00, 0xFF, 0xFF}}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.bits);
    media::TBitmap bitmap;
    bitmap.Resize(3, 2, c.bits);
    // Top row red, bottom row black.
    for (int x = 0; x < 3; ++x)
      std::copy(c.red.begin(), c.red.end(), bitmap.TopRow(0) + x * c.red.size());
    const QImage image = BitmapToImage(bitmap);
    ASSERT_FALSE(image.isNull());
    EXPECT_EQ(image.size(), QSize(3, 2));
    EXPECT_EQ(image.pixelColor(2, 0), QColor(255, 0, 0));
    EXPECT_EQ(image.pixelColor(2, 1), QColor(0, 0, 0));
  }
  media::TBitmap broken;
  broken.Resize(3, 2, 16);
  broken.Pixels.resize(4);
  EXPECT_TRUE(BitmapToImage(broken).isNull());
}

}  // namespace
}  // namespace tallowin::ui
