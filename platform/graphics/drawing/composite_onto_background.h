// Opaque 32-bit copies of images: translucency composited onto a background colour.
#pragma once

#include "platform/graphics/bitmap.h"
#include "platform/graphics/drawing/drawing_types.h"

namespace tavlen::gfx {

// A 32bppRGB copy of the bitmap's pixels at full size, each pixel composited over `background`
// (its alpha ignored: the result is always opaque). OutOfMemory over the limits; InvalidParameter
// for an empty bitmap. The bitmap is only read.
Result<PixelBuffer> CompositeOntoBackground(const Bitmap& bitmap, Argb background);

}  // namespace tavlen::gfx
