// OLE colours (0x00BBGGRR as automation passes them) turned into the painter's opaque ARGB colours.
#pragma once

#include <cstdint>

#include "platform/graphics/drawing/drawing_types.h"

namespace tavlen {

// Fully opaque; bits 24-31 are ignored, so a system-colour reference is not resolved here: its low
// three bytes are read as red, green and blue. Only OnDraw's fill resolves system colours.
gfx::Argb OleColorToArgb(uint32_t color);

}  // namespace tavlen
