// The way back from a 1-bit picture: a GIF round trip in memory, giving a picture one can draw on again.
#pragma once

#include "platform/graphics/bitmap.h"
#include "platform/graphics/image_guids.h"
#include "platform/graphics/result.h"

namespace tavlen::edit {

// Encodes the picture with the GIF encoder `gifEncoder`, decodes the bytes again and returns a
// 32bppARGB copy of what came back: same size, at most the 256 colours of a GIF. Nothing touches
// the file system, so concurrent callers never meet. The encoder's or decoder's status on failure;
// the picture itself is only read.
gfx::Result<gfx::Bitmap::Ptr> RoundTripThroughGif(const gfx::Bitmap& image, const gfx::Guid& gifEncoder);

}  // namespace tavlen::edit
