#include "media/picture/deinterlace.h"

#include <cstdlib>
#include <vector>

namespace tallowin::media {

bool BlendInterlacedLines(std::uint8_t* plane, int stride, int width, int height) {
  if (!plane || width <= 0 || height <= 0 || std::abs(stride) < width) return false;
  if (height < 3) return true;
  // The original line above the one being written.
  std::vector<std::uint8_t> above(plane, plane + width);
  for (int y = 1; y + 1 < height; ++y) {
    std::uint8_t* line = plane + static_cast<long>(y) * stride;
    const std::uint8_t* below = line + stride;
    for (int x = 0; x < width; ++x) {
      std::uint8_t original = line[x];
      line[x] = static_cast<std::uint8_t>((above[x] + 2 * original + below[x] + 2) >> 2);
      above[x] = original;
    }
  }
  return true;
}

}  // namespace tallowin::media
