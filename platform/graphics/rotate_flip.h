// Quarter turns and mirrors of pixel buffers, for every pixel format.
#pragma once

#include "platform/graphics/pixel_buffer.h"

namespace tavlen::gfx {

// `type` is a RotateFlipType value 0-7: (type & 3) quarter turns clockwise, then a left-right mirror
// when (type & 4). Half turns and mirrors work in place; quarter turns build a new buffer and replace
// the old one only on success. InvalidParameter for a value outside 0-7.
Status RotateFlipPixels(PixelBuffer& pixels, int type);

}  // namespace tavlen::gfx
