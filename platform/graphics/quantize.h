// Colour reduction to an 8-bit palette for formats that cannot hold more (GIF).
#pragma once

#include "platform/graphics/pixel_buffer.h"

namespace tavlen::gfx {

// An 8bppIndexed copy of any image with at most 256 colours: exact when the image has no more,
// otherwise a median-cut palette with Floyd-Steinberg error diffusion. Pixels with alpha below 128
// all map to one palette entry whose alpha is 0, so that the encoder can mark it transparent.
Result<PixelBuffer> QuantizeTo8bpp(const PixelBuffer& src);

}  // namespace tavlen::gfx
