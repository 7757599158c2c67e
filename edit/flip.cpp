// Flip: a mirror left to right or top to bottom.
#include "edit/flip.h"

namespace tavlen::edit {

gfx::Status Flip(gfx::Bitmap& picture, FlipAxis axis) {
  return picture.RotateFlip(axis == FlipAxis::TopBottom ? gfx::RotateFlipType::RotateNoneFlipY
                                                        : gfx::RotateFlipType::RotateNoneFlipX);
}

}  // namespace tavlen::edit
