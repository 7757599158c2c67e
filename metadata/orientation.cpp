// EXIF orientation: the eight values as turns and mirrors of the stored pixels.
#include "metadata/orientation.h"

#include <algorithm>

#include "platform/graphics/exif.h"

namespace tavlen::metadata {

namespace {

const gfx::PropertyItem* FindTag(const gfx::Bitmap& picture) {
  const auto& items = picture.PropertyItems();
  const auto found = std::find_if(items.begin(), items.end(),
                                  [](const gfx::PropertyItem& item) { return item.id == kOrientationTag; });
  return found == items.end() ? nullptr : &*found;
}

}  // namespace

int32_t ReadOrientation(const gfx::Bitmap& picture) { return gfx::ExifOrientation(picture.PropertyItems()); }

gfx::RotateFlipType UprightTurn(int32_t orientation) {
  using gfx::RotateFlipType;
  switch (orientation) {
    case 2:
      return RotateFlipType::RotateNoneFlipX;
    case 3:
      return RotateFlipType::Rotate180FlipNone;
    case 4:
      return RotateFlipType::RotateNoneFlipY;
    case 5:  // stored transposed
      return RotateFlipType::Rotate90FlipX;
    case 6:
      return RotateFlipType::Rotate90FlipNone;
    case 7:  // stored transposed the other way
      return RotateFlipType::Rotate270FlipX;
    case 8:
      return RotateFlipType::Rotate270FlipNone;
    default:
      return RotateFlipType::RotateNoneFlipNone;
  }
}

gfx::Status MarkUpright(gfx::Bitmap& picture) {
  if (!FindTag(picture)) return gfx::Status::Ok;
  uint16_t upright = 1;
  gfx::PropertyItemRecord item{kOrientationTag, sizeof upright, gfx::kPropertyTagTypeShort, &upright};
  return picture.SetPropertyItem(item);
}

gfx::Status TurnUpright(gfx::Bitmap& picture) {
  const gfx::RotateFlipType turn = UprightTurn(ReadOrientation(picture));
  if (turn != gfx::RotateFlipType::RotateNoneFlipNone) {
    if (gfx::Status s = picture.RotateFlip(turn); s != gfx::Status::Ok) return s;
  }
  return MarkUpright(picture);
}

}  // namespace tavlen::metadata
