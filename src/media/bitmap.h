// A plain 24-bit picture: rows bottom-up, pixels in blue-green-red order, each row padded to a
// multiple of four bytes (the layout of a device-independent bitmap). The windows turn it into a
// QImage; WriteBmp stores it as a .bmp file.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

namespace tallowin::media {

struct TBitmap {
  int Width = 0;
  int Height = 0;
  int BitsPerPixel = 24;
  int Stride = 0;                    // bytes per row
  std::vector<std::uint8_t> Pixels;  // Height rows of Stride bytes, the bottom row first

  static int StrideFor(int width) { return (width * 3 + 3) & ~3; }

  bool Empty() const { return Width <= 0 || Height <= 0; }

  // Sizes the picture and fills it black. Non-positive sizes give an empty picture.
  void Resize(int width, int height) {
    if (width <= 0 || height <= 0) width = height = 0;
    Width = width;
    Height = height;
    BitsPerPixel = 24;
    Stride = StrideFor(width);
    Pixels.assign(static_cast<size_t>(Stride) * static_cast<size_t>(height), 0);
  }

  // Row y counted from the top of the picture.
  std::uint8_t* TopRow(int y) {
    return Pixels.data() + static_cast<size_t>(Height - 1 - y) * static_cast<size_t>(Stride);
  }
  const std::uint8_t* TopRow(int y) const {
    return Pixels.data() + static_cast<size_t>(Height - 1 - y) * static_cast<size_t>(Stride);
  }
};

// Writes the picture as an uncompressed 24-bit BMP file; false when it is empty or the file
// cannot be written completely.
inline bool WriteBmp(const TBitmap& bitmap, const std::string& path) {
  if (bitmap.Empty() || bitmap.BitsPerPixel != 24 ||
      bitmap.Pixels.size() != static_cast<size_t>(bitmap.Stride) * bitmap.Height)
    return false;
  const std::uint32_t data_size = static_cast<std::uint32_t>(bitmap.Pixels.size());
  std::uint8_t header[54] = {'B', 'M'};
  auto put32 = [&header](int at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) header[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
  };
  auto put16 = [&header](int at, std::uint16_t v) {
    header[at] = static_cast<std::uint8_t>(v);
    header[at + 1] = static_cast<std::uint8_t>(v >> 8);
  };
  put32(2, 54 + data_size);  // file size
  put32(10, 54);             // offset of the pixels
  put32(14, 40);             // BITMAPINFOHEADER
  put32(18, static_cast<std::uint32_t>(bitmap.Width));
  put32(22, static_cast<std::uint32_t>(bitmap.Height));  // positive: bottom-up
  put16(26, 1);                                          // planes
  put16(28, 24);                                         // bits per pixel
  put32(34, data_size);
  put32(38, 2835);  // 72 dpi
  put32(42, 2835);
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "wb"),
                                                       &std::fclose);
  if (!file) return false;
  bool ok = std::fwrite(header, 1, sizeof header, file.get()) == sizeof header &&
            std::fwrite(bitmap.Pixels.data(), 1, data_size, file.get()) == data_size;
  return std::fclose(file.release()) == 0 && ok;
}

}  // namespace tallowin::media
