// Separable resampling of 8-bit pixels: 32-bit layouts (RGB / ARGB / PARGB) and 24bppRGB.
#pragma once

#include "platform/graphics/pixel_buffer.h"

namespace tavlen::gfx {

enum class ResampleFilter {
  Nearest,
  Bilinear,  // triangle filter, widened when shrinking
  Bicubic,   // Catmull-Rom (a = -0.5), widened when shrinking so that shrinking is prefiltered
};

// Where a source rectangle lands: the source area (in source pixels, fractional allowed) is mapped
// onto a virtual destination of destWidth x destHeight pixels, of which only the window
// [windowX, windowX + dst.width) x [windowY, windowY + dst.height) is computed into dst.
// This lets a clipped draw of a huge zoom cost only the visible pixels.
struct ResampleGeometry {
  double srcX = 0, srcY = 0, srcWidth = 0, srcHeight = 0;
  double destWidth = 0, destHeight = 0;
  int64_t windowX = 0, windowY = 0;
};

// The channels are filtered independently, so callers with translucent pixels pass premultiplied
// data. src must be a 32-bit format or 24bppRGB (read as opaque); dst a 32-bit format or 24bppRGB
// (written as the opaque 32-bit result without its fourth byte). InvalidParameter for empty or
// inconsistent geometry.
Status Resample(ConstPixelView src, const ResampleGeometry& geometry, PixelView dst, ResampleFilter filter);

// The whole of src into the whole of dst.
Status ResampleAll(ConstPixelView src, PixelView dst, ResampleFilter filter);

}  // namespace tavlen::gfx
