// Glyph-index text: the indexes of an EMF text record drawn from the selected font's FreeType face.
#include <cairo-ft.h>
#include <ft2build.h>
#include FT_TRUETYPE_TABLES_H
#include FT_TRUETYPE_TAGS_H

#include <algorithm>
#include <cmath>
#include <cstring>
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

bool SymbolEncodedFace(PangoContext* context, const PangoFontDescription* desc) {
  const detail::GObjectPtr<PangoFont> font(pango_context_load_font(context, desc));
  if (!font || !PANGO_IS_CAIRO_FONT(font.get())) return false;
  cairo_scaled_font_t* scaled = pango_cairo_font_get_scaled_font(PANGO_CAIRO_FONT(font.get()));
  if (!scaled || cairo_scaled_font_get_type(scaled) != CAIRO_FONT_TYPE_FT) return false;
  FT_Face face = cairo_ft_scaled_font_lock_face(scaled);
  if (!face) return false;
  bool symbol = false, unicode = false;
  for (int i = 0; i < face->num_charmaps; ++i) {
    symbol |= face->charmaps[i]->encoding == FT_ENCODING_MS_SYMBOL;
    unicode |= face->charmaps[i]->encoding == FT_ENCODING_UNICODE;
  }
  // Some symbol faces label their symbol-ordered map as Unicode: they hold alpha where 'a' is.
  char name[8] = "";
  const FT_UInt a = unicode ? FT_Get_Char_Index(face, 'a') : 0;
  const bool greekAtLatin = a != 0 && FT_HAS_GLYPH_NAMES(face) && FT_Get_Glyph_Name(face, a, name, sizeof name) == 0 &&
                            std::strcmp(name, "alpha") == 0;
  cairo_ft_scaled_font_unlock_face(scaled);
  return (symbol && !unicode) || greekAtLatin;
}

namespace {

// The printable ASCII glyphs of the standard Macintosh order (space to tilde), which the common faces and their
// metric-compatible stand-ins share; past them each face orders its glyphs its own way.
constexpr unsigned long kFirstSharedGlyph = 3, kLastSharedGlyph = 97;

// Whether the face's `post` table names each glyph as the standard Macintosh glyph of the same index.
bool InStandardOrder(FT_Face face, const std::u32string& indexes) {
  FT_ULong length = 0;
  if (FT_Load_Sfnt_Table(face, TTAG_post, 0, nullptr, &length) != 0 || length < 34) return false;
  std::vector<FT_Byte> post(length);
  if (FT_Load_Sfnt_Table(face, TTAG_post, 0, post.data(), &length) != 0) return false;
  const uint32_t version = uint32_t{post[0]} << 24 | uint32_t{post[1]} << 16 | uint32_t{post[2]} << 8 | post[3];
  const size_t names = size_t{post[32]} << 8 | post[33];
  for (char32_t index : indexes) {
    if (index < kFirstSharedGlyph || index > kLastSharedGlyph) return false;
    if (version == 0x00010000) continue;  // the standard order itself
    if (version != 0x00020000 || index >= names || 34 + 2 * size_t{index} + 1 >= length) return false;
    if ((size_t{post[34 + 2 * index]} << 8 | post[35 + 2 * index]) != index) return false;
  }
  return true;
}

}  // namespace

bool GlyphIndexLine(PangoContext* context, const PangoFontDescription* desc, const TextRun& text, double advanceScale,
                    bool standIn, TextLine& out) {
  const std::shared_ptr<PangoFont> font = detail::SharedGObject(pango_context_load_font(context, desc));
  if (!font || !PANGO_IS_CAIRO_FONT(font.get())) return false;
  cairo_scaled_font_t* scaled = pango_cairo_font_get_scaled_font(PANGO_CAIRO_FONT(font.get()));
  if (!scaled || cairo_scaled_font_status(scaled) != CAIRO_STATUS_SUCCESS) return false;
  const long count = FaceGlyphCount(scaled);
  if (count <= 0) return false;
  if (standIn) {
    FT_Face face = cairo_ft_scaled_font_lock_face(scaled);
    const bool shared = face && InStandardOrder(face, text.chars);
    if (face) cairo_ft_scaled_font_unlock_face(scaled);
    if (!shared) return false;
  }

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
