// Turning a picture clockwise by quarter turns, in place.
#pragma once

#include "image/image_object.h"
#include "platform/graphics/status.h"

namespace tavlen {

// The numbers are the imaging library's rotate codes for the turn without mirroring.
enum class Turn : int32_t { Quarter = 1, Half = 2, ThreeQuarters = 3 };

constexpr bool SwapsSides(Turn turn) { return turn != Turn::Half; }

// Turns the pixels; a quarter or three-quarter turn exchanges width and height. A refused turn is
// recorded as the picture's last status (so it can no longer be copied) and returned.
[[nodiscard]] gfx::Status Rotate(ImageObject& picture, Turn turn);

}  // namespace tavlen
