// Resampling a picture to a new pixel size.
#pragma once

#include <cstdint>

#include "image/image_object.h"
#include "platform/graphics/result.h"

namespace tavlen {

// A new picture of exactly width x height pixels resampled from `picture` (the aspect ratio is not
// kept). InvalidParameter for a side of 0 or less or a picture without pixels; the library's status
// when it cannot resample. `picture` is never changed, and a refusal is not recorded against it.
gfx::Result<ImageObject::Ptr> Resize(const ImageObject& picture, int32_t width, int32_t height);

}  // namespace tavlen
