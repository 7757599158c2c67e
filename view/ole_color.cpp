// OLE colour to painter colour.
#include "view/ole_color.h"

namespace tavlen {

gfx::Argb OleColorToArgb(uint32_t color) {
  const uint32_t red = color & 0xFF;
  const uint32_t green = (color >> 8) & 0xFF;
  const uint32_t blue = (color >> 16) & 0xFF;
  return 0xFF000000u | red << 16 | green << 8 | blue;
}

}  // namespace tavlen
