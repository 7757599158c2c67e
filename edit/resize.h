// Resampling a picture to a new pixel size.
#pragma once

#include <cstdint>

#include "platform/graphics/bitmap.h"
#include "platform/graphics/result.h"

namespace tavlen::edit {

// A new picture of exactly width x height pixels resampled from `picture` (the aspect ratio is not
// kept). InvalidParameter for a side of 0 or less; the library's status when it cannot resample.
// `picture` is never changed.
gfx::Result<gfx::Bitmap::Ptr> Resize(const gfx::Bitmap& picture, int32_t width, int32_t height);

}  // namespace tavlen::edit
