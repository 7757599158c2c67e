// Mirroring a picture, in place.
#pragma once

#include "platform/graphics/bitmap.h"

namespace tavlen::edit {

enum class FlipAxis {
  LeftRight,  // about the vertical axis
  TopBottom,  // about the horizontal axis
};

// Mirrors the pixels; the size stays. The library's status when it refuses (WrongState while the
// picture is locked), and the picture is left as it was.
[[nodiscard]] gfx::Status Flip(gfx::Bitmap& picture, FlipAxis axis);

}  // namespace tavlen::edit
