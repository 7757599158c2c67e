// Glyph-index text: the indexes of an EMF text record drawn from the selected font's FreeType face.
#include <cairo-ft.h>

#include <algorithm>
#include <cmath>
#include <memory>

#include "platform/graphics/metafile/text_line.h"

namespace tavlen::gfx::metafile {

long FaceGlyphCount(cairo_scaled_font_t* font) {
  if (cairo_scaled_font_get_type(font) != CAIRO_FONT_TYPE_FT) return 0;
  FT_Face face = cairo_ft_scaled_font_lock_face(font);
  if (!face) return 0;
  const long count = face->num_glyphs;
  cairo_ft_scaled_font_unlock_face(font);
  return count;
}

bool GlyphIndexLine(PangoContext* context, const PangoFontDescription* desc, const TextRun& text, double advanceScale,
                    TextLine& out) {
  std::shared_ptr<PangoFont> font(pango_context_load_font(context, desc), [](PangoFont* f) {
    if (f) g_object_unref(f);
  });
  if (!font || !PANGO_IS_CAIRO_FONT(font.get())) return false;
  cairo_scaled_font_t* scaled = pango_cairo_font_get_scaled_font(PANGO_CAIRO_FONT(font.get()));
  if (!scaled || cairo_scaled_font_status(scaled) != CAIRO_STATUS_SUCCESS) return false;
  const long count = FaceGlyphCount(scaled);
  if (count <= 0) return false;

  // An index the face lacks would put cairo's context in an error state; it keeps its place but draws nothing.
  const std::vector<double> recorded = DeviceAdvances(text, advanceScale);
  auto glyphs = std::make_shared<std::vector<cairo_glyph_t>>();
  double x = 0;
  for (size_t i = 0; i < text.chars.size(); ++i) {
    const unsigned long index = text.chars[i];
    const bool known = index < static_cast<unsigned long>(count);
    double advance = text.advances.empty() ? 0 : recorded[i];
    if (known) {
      cairo_glyph_t glyph{index, x, 0};
      if (text.advances.empty()) {
        cairo_text_extents_t extents;
        cairo_scaled_font_glyph_extents(scaled, &glyph, 1, &extents);
        advance = extents.x_advance;
      }
      glyphs->push_back(glyph);
    }
    x += std::isfinite(advance) ? advance : 0;
  }
  cairo_font_extents_t extents;
  cairo_scaled_font_extents(scaled, &extents);
  out.ascent = extents.ascent;
  out.descent = extents.descent;
  out.width = x;
  out.paint = [font, scaled, glyphs](cairo_t* cr, bool outline) {
    if (glyphs->empty()) return;
    double x0, y0;
    cairo_get_current_point(cr, &x0, &y0);
    std::vector<cairo_glyph_t> placed = *glyphs;
    for (cairo_glyph_t& g : placed) g.x += x0, g.y += y0;
    cairo_set_scaled_font(cr, scaled);
    if (outline) {
      cairo_glyph_path(cr, placed.data(), static_cast<int>(placed.size()));
      cairo_fill(cr);
    } else {
      cairo_show_glyphs(cr, placed.data(), static_cast<int>(placed.size()));
    }
  };
  return true;
}

}  // namespace tavlen::gfx::metafile
