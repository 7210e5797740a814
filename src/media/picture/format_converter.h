// Turns decoded pictures into bitmaps of a chosen depth (8, 15, 16, 24 or 32 bits per pixel,
// bottom-up rows) and, for the video hooks, a changed bitmap back into the picture.
#pragma once

#include <string>

#include "media/picture/bitmap.h"

struct AVFrame;
struct SwsContext;

namespace tallowin::media {

class TFormatConverter {
 public:
  explicit TFormatConverter(int bits_per_pixel = 24);
  ~TFormatConverter();
  TFormatConverter(const TFormatConverter&) = delete;
  TFormatConverter& operator=(const TFormatConverter&) = delete;

  int BitsPerPixel() const { return bits_; }
  // One of 8, 15, 16, 24, 32; any other value is refused (false).
  bool SetBitsPixel(int bits);

  // The picture as a bitmap of the converter's depth; false with the reason in `error`.
  bool Convert(const AVFrame* frame, TBitmap& bitmap, std::string& error);
  // Writes the bitmap back into the picture (same size, the picture's own pixel format). The
  // picture must be writable. False with the reason in `error`.
  bool ConvertBack(const TBitmap& bitmap, AVFrame* frame, std::string& error);

 private:
  int bits_;
  SwsContext* to_bitmap_ = nullptr;
  SwsContext* from_bitmap_ = nullptr;
};

}  // namespace tallowin::media
