// Stamping one line of text permanently into a picture's pixels, in the five overlay styles.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/graphics/bitmap.h"
#include "platform/graphics/drawing/drawing_types.h"

namespace tavlen::text {

enum class TextStyle {
  Plain,        // the string in the text colour
  WaterMark,    // a translucent dark copy with a translucent light copy one pixel right of and below it
  Outline,      // the glyph outlines stroked with a 2-pixel pen in the text colour
  FillOutline,  // the glyph outlines filled with the extra colour, then stroked in the text colour
  Shadow,       // the string in the extra colour one pixel right of and below, then in the text colour
};

// The font as the text properties describe it at the moment of a call.
struct TextFont {
  std::string family;  // an installed family or a name the font configuration binds to one
  float emSize = 10;   // in pixels of the picture
  bool bold = false;
  bool italic = false;
};

struct TextColors {
  gfx::Argb text = 0xFF000000;   // glyphs of Plain and Shadow, the outline of the path styles
  gfx::Argb extra = 0xFF000000;  // the fill of FillOutline, the shadow of Shadow; unused otherwise
};

// The translucent colours of the watermark, whatever the text colour is.
inline constexpr gfx::Argb kWaterMarkDark = 0x99000000;
inline constexpr gfx::Argb kWaterMarkLight = 0x99FFFFFF;

// The painter's style bits for the two text properties.
int32_t FontStyleOf(bool bold, bool italic);

// Draws UTF-8 text with its layout box's top-left corner at (x, y) in picture pixels, unbounded in
// width and height; whatever falls outside the picture is cut off, and text placed more than 2^24
// pixels away draws nothing. The string styles lay out with
// the default string format, the path styles with the typographic one, so their first glyphs sit
// slightly apart at the same (x, y). Every pass is attempted even after one failed; the first
// failing status comes back: FontFamilyNotFound for an unknown family, InvalidParameter for an
// indexed or 16-bit picture (nothing drawn), a non-positive size or invalid UTF-8. Pixels outside
// the glyphs keep their exact values.
gfx::Status StampText(gfx::Bitmap& picture, TextStyle style, int32_t x, int32_t y, std::string_view utf8,
                      const TextFont& font, const TextColors& colors);

}  // namespace tavlen::text
