// The EXIF orientation of a picture: reading its tag, turning the pixels upright by it, and marking a
// picture upright so that a saved file shows the same way in every viewer.
#pragma once

#include <cstdint>

#include "platform/graphics/bitmap.h"

namespace tavlen::metadata {

inline constexpr uint32_t kOrientationTag = 0x0112;

// The tag's value 1-8; 1 when the tag is absent or malformed (not a SHORT, no value, value 0 or 9+).
int32_t ReadOrientation(const gfx::Bitmap& picture);

// The turn or mirror that shows a picture stored with that orientation upright; none for 1 and for
// values outside 1-8.
gfx::RotateFlipType UprightTurn(int32_t orientation);

// Sets the tag to 1 when the picture has one (a malformed tag too); a picture without one gets none.
gfx::Status MarkUpright(gfx::Bitmap& picture);

// Turns the pixels by the picture's own tag, then marks it upright. A picture whose turn fails keeps
// its tag, so that nothing claims it is upright.
gfx::Status TurnUpright(gfx::Bitmap& picture);

}  // namespace tavlen::metadata
