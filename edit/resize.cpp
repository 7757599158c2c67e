// Resize: the picture resampled to a new size.
#include "edit/resize.h"

#include <utility>

namespace tavlen {

gfx::Result<ImageObject::Ptr> Resize(const ImageObject& picture, int32_t width, int32_t height) {
  if (width <= 0 || height <= 0 || !picture.Handle()) return gfx::Status::InvalidParameter;
  auto resampled = picture.Handle()->GetThumbnail(static_cast<uint32_t>(width), static_cast<uint32_t>(height));
  if (!resampled.Ok()) return resampled.GetStatus();
  // The resampled bitmap is already independent of the source, so it needs no further copy.
  return ImageObject::Adopt(std::move(resampled).Value());
}

}  // namespace tavlen
