#include "media/picture/format_converter.h"

#include "media/runtime/ff_load.h"

extern "C" {
#include <libavutil/frame.h>
#include <libswscale/swscale.h>
}

namespace tallowin::media {
namespace {

AVPixelFormat BitmapFormat(int bits) {
  switch (bits) {
    case 8:
      return AV_PIX_FMT_RGB8;
    case 15:
      return AV_PIX_FMT_RGB555LE;
    case 16:
      return AV_PIX_FMT_RGB565LE;
    case 32:
      return AV_PIX_FMT_BGRA;
    default:
      return AV_PIX_FMT_BGR24;
  }
}

}  // namespace

TFormatConverter::TFormatConverter(int bits_per_pixel)
    : bits_(TBitmap::ValidDepth(bits_per_pixel) ? bits_per_pixel : 24) {}

TFormatConverter::~TFormatConverter() {
  if (!FF().sws_freeContext) return;
  if (to_bitmap_) FF().sws_freeContext(to_bitmap_);
  if (from_bitmap_) FF().sws_freeContext(from_bitmap_);
}

bool TFormatConverter::SetBitsPixel(int bits) {
  if (!TBitmap::ValidDepth(bits)) return false;
  bits_ = bits;
  return true;
}

bool TFormatConverter::Convert(const AVFrame* frame, TBitmap& bitmap, std::string& error) {
  const char* const kFailed = "Cannot initialize the toRGB conversion context";
  if (!frame || frame->width <= 0 || frame->height <= 0 || frame->format < 0) {
    error = kFailed;
    return false;
  }
  to_bitmap_ = FF().sws_getCachedContext(
      to_bitmap_, frame->width, frame->height, static_cast<AVPixelFormat>(frame->format),
      frame->width, frame->height, BitmapFormat(bits_), SWS_BICUBIC, nullptr, nullptr, nullptr);
  if (!to_bitmap_) {
    error = kFailed;
    return false;
  }
  if (bitmap.Width != frame->width || bitmap.Height != frame->height ||
      bitmap.BitsPerPixel != bits_)
    bitmap.Resize(frame->width, frame->height, bits_);
  // Bottom-up rows: start at the last row and walk backwards.
  uint8_t* dst[4] = {bitmap.TopRow(0), nullptr, nullptr, nullptr};
  int dst_stride[4] = {-bitmap.Stride, 0, 0, 0};
  FF().sws_scale(to_bitmap_, frame->data, frame->linesize, 0, frame->height, dst, dst_stride);
  return true;
}

bool TFormatConverter::ConvertBack(const TBitmap& bitmap, AVFrame* frame, std::string& error) {
  const char* const kFailed = "Cannot initialize the fromRGB conversion context";
  if (!frame || bitmap.Empty() || bitmap.Width != frame->width || bitmap.Height != frame->height ||
      !TBitmap::ValidDepth(bitmap.BitsPerPixel) ||
      bitmap.Stride < TBitmap::StrideFor(bitmap.Width, bitmap.BitsPerPixel) ||
      bitmap.Pixels.size() < static_cast<size_t>(bitmap.Stride) * bitmap.Height) {
    error = kFailed;
    return false;
  }
  from_bitmap_ = FF().sws_getCachedContext(from_bitmap_, bitmap.Width, bitmap.Height,
                                           BitmapFormat(bitmap.BitsPerPixel), frame->width,
                                           frame->height, static_cast<AVPixelFormat>(frame->format),
                                           SWS_BICUBIC, nullptr, nullptr, nullptr);
  if (!from_bitmap_) {
    error = kFailed;
    return false;
  }
  const uint8_t* src[4] = {bitmap.TopRow(0), nullptr, nullptr, nullptr};
  const int src_stride[4] = {-bitmap.Stride, 0, 0, 0};
  FF().sws_scale(from_bitmap_, src, src_stride, 0, bitmap.Height, frame->data, frame->linesize);
  return true;
}

}  // namespace tallowin::media
