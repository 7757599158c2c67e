// Rotate: a quarter, half or three-quarter turn clockwise.
#include "edit/rotate.h"

namespace tavlen::edit {

static_assert(static_cast<int32_t>(Turn::Quarter) == static_cast<int32_t>(gfx::RotateFlipType::Rotate90FlipNone));
static_assert(static_cast<int32_t>(Turn::Half) == static_cast<int32_t>(gfx::RotateFlipType::Rotate180FlipNone));
static_assert(static_cast<int32_t>(Turn::ThreeQuarters) ==
              static_cast<int32_t>(gfx::RotateFlipType::Rotate270FlipNone));

gfx::Status Rotate(gfx::Bitmap& picture, Turn turn) {
  return picture.RotateFlip(static_cast<gfx::RotateFlipType>(turn));
}

}  // namespace tavlen::edit
