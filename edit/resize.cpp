// Resize: the picture resampled to a new size.
#include "edit/resize.h"

namespace tavlen::edit {

gfx::Result<gfx::Bitmap::Ptr> Resize(const gfx::Bitmap& picture, int32_t width, int32_t height) {
  if (width <= 0 || height <= 0) return gfx::Status::InvalidParameter;
  // The resampled bitmap is already independent of the source, so it needs no further copy.
  return picture.GetThumbnail(static_cast<uint32_t>(width), static_cast<uint32_t>(height));
}

}  // namespace tavlen::edit
