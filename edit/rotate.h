// Turning a picture clockwise by quarter turns, in place.
#pragma once

#include <cstdint>

#include "platform/graphics/bitmap.h"

namespace tavlen::edit {

// The numbers are the imaging library's rotate codes for the turn without mirroring.
enum class Turn : int32_t { Quarter = 1, Half = 2, ThreeQuarters = 3 };

constexpr bool SwapsSides(Turn turn) { return turn != Turn::Half; }

// Turns the pixels; a quarter or three-quarter turn exchanges width and height. The library's status
// when it refuses (WrongState while the picture is locked), and the picture is left as it was.
[[nodiscard]] gfx::Status Rotate(gfx::Bitmap& picture, Turn turn);

}  // namespace tavlen::edit
