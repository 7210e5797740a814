// Line blending for interlaced pictures: each line becomes (above + 2 * line + below) / 4, which
// removes the comb of two fields at the cost of some vertical sharpness.
#pragma once

#include <cstdint>

namespace tallowin::media {

// Blends one 8-bit plane in place. `width` bytes of `height` lines, `stride` bytes apart.
// False (nothing changed) when the sizes make no sense.
bool BlendInterlacedLines(std::uint8_t* plane, int stride, int width, int height);

}  // namespace tallowin::media
