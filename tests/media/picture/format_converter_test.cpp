// The picture converter on its own: a decoded picture as a bitmap of every depth, top row first,
// and the bitmap written back into the picture.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

#include "media/media_fixtures.h"
#include "media/picture/format_converter.h"
#include "media/runtime/ff_handles.h"

extern "C" {
#include <libavutil/frame.h>
}

namespace tallowin::media {
namespace {

struct Rgb {
  int r, g, b;
};

// The colour of pixel (x, y from the top) as the bitmap's depth lays it out.
Rgb PixelAt(const TBitmap& bitmap, int x, int y) {
  const uint8_t* p = bitmap.TopRow(y) + x * TBitmap::BytesPerPixel(bitmap.BitsPerPixel);
  const unsigned word = p[0] | p[1] << 8;
  switch (bitmap.BitsPerPixel) {
    case 8: {
      const uint32_t c = TBitmap::EightBitColor(p[0]);
      return {static_cast<int>(c >> 16), static_cast<int>(c >> 8 & 255), static_cast<int>(c & 255)};
    }
    case 15:
      return {static_cast<int>((word >> 10 & 31) * 255 / 31),
              static_cast<int>((word >> 5 & 31) * 255 / 31),
              static_cast<int>((word & 31) * 255 / 31)};
    case 16:
      return {static_cast<int>((word >> 11 & 31) * 255 / 31),
              static_cast<int>((word >> 5 & 63) * 255 / 63),
              static_cast<int>((word & 31) * 255 / 31)};
    default:
      return {p[2], p[1], p[0]};
  }
}

bool Near(Rgb a, Rgb b) {
  return std::abs(a.r - b.r) <= 40 && std::abs(a.g - b.g) <= 40 && std::abs(a.b - b.b) <= 40;
}

using Frame = FramePtr;

// An RGB24 picture: the top half red, the bottom half blue.
Frame TwoColourFrame(int width, int height) {
  Frame frame(FF().av_frame_alloc());
  frame->width = width;
  frame->height = height;
  frame->format = AV_PIX_FMT_RGB24;
  EXPECT_EQ(FF().av_frame_get_buffer(frame.get(), 0), 0);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      uint8_t* p = frame->data[0] + y * frame->linesize[0] + x * 3;
      p[0] = y < height / 2 ? 255 : 0;
      p[1] = 0;
      p[2] = y < height / 2 ? 0 : 255;
    }
  return frame;
}

class HookTest : public ::testing::Test {
 protected:
  void SetUp() override { test::LoadSystemLibraries(); }
};

TEST_F(HookTest, ConverterLaysOutEveryDepthTopRowFirstAndWritesBack) {
  Frame frame = TwoColourFrame(16, 8);
  for (int bits : {8, 15, 16, 24, 32}) {
    SCOPED_TRACE(bits);
    TFormatConverter converter(bits);
    TBitmap bitmap;
    std::string error;
    ASSERT_TRUE(converter.Convert(frame.get(), bitmap, error)) << error;
    EXPECT_EQ(bitmap.BitsPerPixel, bits);
    EXPECT_EQ(bitmap.Stride % 4, 0);
    EXPECT_GE(bitmap.Stride, 16 * TBitmap::BytesPerPixel(bits));
    EXPECT_TRUE(Near(PixelAt(bitmap, 3, 0), {255, 0, 0}));
    EXPECT_TRUE(Near(PixelAt(bitmap, 3, 7), {0, 0, 255}));

    // Every byte 0xFF is white at each depth; it goes back into the RGB picture.
    std::fill(bitmap.Pixels.begin(), bitmap.Pixels.end(), 0xFF);
    ASSERT_TRUE(converter.ConvertBack(bitmap, frame.get(), error)) << error;
    const uint8_t* p = frame->data[0] + 5 * frame->linesize[0] + 9 * 3;
    EXPECT_GE(std::min({p[0], p[1], p[2]}), 215);
    frame = TwoColourFrame(16, 8);
  }
  TFormatConverter converter;
  EXPECT_FALSE(converter.SetBitsPixel(12));
  EXPECT_EQ(converter.BitsPerPixel(), 24);
  TBitmap wrong;
  wrong.Resize(15, 8);
  std::string error;
  EXPECT_FALSE(converter.ConvertBack(wrong, frame.get(), error));
  EXPECT_EQ(error, "Cannot initialize the fromRGB conversion context");
}

}  // namespace
}  // namespace tallowin::media
