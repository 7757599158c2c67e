// Copying a picture to the clipboard as a bitmap at the display's pixel format.
#pragma once

#include "platform/graphics/bitmap.h"
#include "platform/window/window.h"

namespace tavlen::output {

// Replaces whatever the clipboard held with one CF_BITMAP: the picture at its full pixel size, with
// translucent and transparent pixels blended onto opaque white. `owner` opens the clipboard. False,
// with the clipboard untouched, when the copy cannot be made or the clipboard is held elsewhere.
bool CopyPictureToClipboard(const gfx::Bitmap& picture, const win::Window* owner);

}  // namespace tavlen::output
