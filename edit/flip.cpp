// Flip: a mirror left to right or top to bottom.
#include "edit/flip.h"

namespace tavlen {

gfx::Status Flip(ImageObject& picture, FlipAxis axis) {
  return picture.RotateFlip(axis == FlipAxis::TopBottom ? gfx::RotateFlipType::RotateNoneFlipY
                                                        : gfx::RotateFlipType::RotateNoneFlipX);
}

}  // namespace tavlen
