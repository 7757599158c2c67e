// Mirroring a picture, in place.
#pragma once

#include "image/image_object.h"
#include "platform/graphics/status.h"

namespace tavlen {

enum class FlipAxis {
  LeftRight,  // about the vertical axis
  TopBottom,  // about the horizontal axis
};

// Mirrors the pixels; the size stays. A refused mirror is recorded as the picture's last status and
// returned.
[[nodiscard]] gfx::Status Flip(ImageObject& picture, FlipAxis axis);

}  // namespace tavlen
