// One line of text ready to place: its extents and how to paint it, from characters or from glyph indexes.
#pragma once

#include <pango/pangocairo.h>

#include <functional>
#include <vector>

#include "platform/graphics/metafile/renderer.h"

namespace tavlen::gfx::metafile {

// The largest em, in device pixels, that text is drawn at. FreeType makes no glyph at 65,536 pixels per em
// or more, and the font cairo then fails to make is never freed; such text would show at most a fragment
// of one glyph on any canvas.
inline constexpr double kMaxDeviceEm = 65535;

struct TextLine {
  double ascent = 0, descent = 0;
  double width = 0;  // the advance of the whole line, device pixels before any horizontal stretch
  // Paints the line with its baseline origin at cr's current point; `outline` fills glyph outlines instead.
  std::function<void(cairo_t* cr, bool outline)> paint;
};

// The record's advances in unstretched device pixels (`advanceScale` per logical unit), one per character.
std::vector<double> DeviceAdvances(const TextRun& text, double advanceScale);

// The number of glyphs of the scaled font's FreeType face; 0 when it is not a FreeType font.
long FaceGlyphCount(cairo_scaled_font_t* font);

// Whether the font `desc` names holds its glyphs at the symbol set's byte codes (a symbol character map only, or a
// "Unicode" one in that order), where a text library would look characters below U+0100 up too: a multiplication
// sign would show as a dot operator.
bool SymbolEncodedFace(PangoContext* context, const PangoFontDescription* desc);

// Glyph indexes of the font `desc` names, drawn through its FreeType face at the record's advances (or the
// glyphs' own); indexes the face does not have take their advance but draw nothing. A `standIn` face (not
// the writer's own) draws only indexes both faces are known to share: the printable ASCII glyphs of the
// standard Macintosh order, as its `post` table confirms. False when the font cannot be loaded or a stand-in
// cannot show the line.
bool GlyphIndexLine(PangoContext* context, const PangoFontDescription* desc, const TextRun& text, double advanceScale,
                    bool standIn, TextLine& out);

}  // namespace tavlen::gfx::metafile
