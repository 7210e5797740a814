// A plain picture in the layout of a device-independent bitmap: rows bottom-up, each row padded
// to a multiple of four bytes. Pixels by depth:
//   8  one byte R:3 G:3 B:2 (red in the top bits; EightBitColor gives the colour of a value)
//   15 little-endian 16-bit words x:1 R:5 G:5 B:5
//   16 little-endian 16-bit words R:5 G:6 B:5
//   24 bytes blue, green, red
//   32 bytes blue, green, red, 255
// The windows turn it into a QImage; WriteBmp stores a 24-bit one as a .bmp file.
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

  static bool ValidDepth(int bits) {
    return bits == 8 || bits == 15 || bits == 16 || bits == 24 || bits == 32;
  }
  static int BytesPerPixel(int bits) { return bits == 8 ? 1 : bits <= 16 ? 2 : bits / 8; }
  static int StrideFor(int width, int bits = 24) { return (width * BytesPerPixel(bits) + 3) & ~3; }
  // The 0xRRGGBB colour of an 8-bit pixel value.
  static std::uint32_t EightBitColor(std::uint8_t value) {
    const std::uint32_t r = (value >> 5) * 255 / 7, g = ((value >> 2) & 7) * 255 / 7,
                        b = (value & 3) * 255 / 3;
    return r << 16 | g << 8 | b;
  }

  bool Empty() const { return Width <= 0 || Height <= 0; }

  // Sizes the picture and fills it black. Non-positive sizes give an empty picture; a depth not
  // in the list above counts as 24.
  void Resize(int width, int height, int bits = 24) {
    if (width <= 0 || height <= 0) width = height = 0;
    if (!ValidDepth(bits)) bits = 24;
    Width = width;
    Height = height;
    BitsPerPixel = bits;
    Stride = StrideFor(width, bits);
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
