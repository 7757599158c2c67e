// The 1-bit black-and-white copy of a picture by a fixed threshold, shared by the edit and the TIFF saves.
#pragma once

#include "platform/graphics/bitmap.h"
#include "platform/graphics/result.h"

namespace tavlen::edit {

// A new 1bppIndexed bitmap of the same size (palette: 0 black, 1 white) in which a pixel is white
// exactly when each of its red, green and blue channels, read as 24bppRGB, is above 128. The
// source's pixels are only read; it is locked for the call, so ObjectBusy/WrongState come back
// when it is locked already, OutOfMemory when the copy cannot be made.
gfx::Result<gfx::Bitmap::Ptr> MakeBlackWhiteCopy(gfx::Bitmap& source);

}  // namespace tavlen::edit
