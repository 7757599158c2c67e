// Reducing a picture by a power of two with an area average: each pixel of the result is the mean of
// the block of the picture it covers, so fine detail blends instead of aliasing as point sampling would.
#pragma once

#include <cstdint>

#include "platform/graphics/bitmap.h"

namespace tavlen::gfx {

// Blocks of up to 256 x 256 pixels: their column sums still fit 16 bits, and a reduction further
// than that helps no paint.
inline constexpr uint32_t kMaxAverageLevel = 8;

// A side of the picture reduced by 2^level: a block cut at the far edge still makes a pixel.
constexpr uint32_t ReducedSide(uint32_t side, uint32_t level) {
  return static_cast<uint32_t>((uint64_t{side} + (uint64_t{1} << level) - 1) >> level);
}

// The format the reduction of `picture` takes: 24bppRGB, 32bppRGB and 32bppPARGB keep theirs; any other
// becomes 32bppRGB when it is opaque (no alpha, no translucent palette entry), else 32bppPARGB.
PixelFormat AverageFormat(const Bitmap& picture);

// A new bitmap of ReducedSide(width, level) x ReducedSide(height, level) pixels in AverageFormat:
// pixel (x, y) is the rounded mean of the picture's pixels in the block [x 2^level, (x + 1) 2^level)
// x [y 2^level, (y + 1) 2^level), cut at the picture's edges. Translucent colours are averaged
// premultiplied. InvalidParameter for level 0 or above kMaxAverageLevel, an empty or locked picture;
// OutOfMemory when the copy cannot be had. The picture is only read.
Result<Bitmap::Ptr> AverageDown(const Bitmap& picture, uint32_t level);

}  // namespace tavlen::gfx
