// EMF+ text: strings laid out by pango in a layout rectangle, and driver strings placed glyph by glyph.
#include <glib.h>
#include <pango/pangocairo.h>

#include <algorithm>
#include <cmath>

#include "platform/graphics/metafile/emfplus_player.h"
#include "platform/graphics/metafile/text_line.h"

namespace tavlen::gfx::metafile {
namespace {

using P = EmfPlusPlayer;
using R = ByteReader;

constexpr uint32_t kCmapLookup = 0x1, kRealizedAdvance = 0x4;

RectD ReadRectF(R& r) {
  const double x = r.F32(), y = r.F32(), w = r.F32(), h = r.F32();
  return {x, y, x + w, y + h};
}

// The family drawing the font, and whether it is the font itself rather than a stand-in.
std::string FamilyOf(P& p, const PlusFont& font, bool& exact) {
  FontObject request;
  request.face = font.family;
  std::string family = p.R().ResolveFace(request);
  exact = g_ascii_strcasecmp(family.c_str(), font.family.c_str()) == 0;
  return family;
}

detail::FontDescriptionPtr Describe(P& p, const PlusFont& font, double& emWorld) {
  // The em in world units: font units go through the page, whose scale the world transform then applies.
  const Affine page = p.WorldToCanvas();
  const double pagePerDevice = p.St().world.MeanScale() * p.R().DeviceToCanvas().MeanScale() / page.MeanScale();
  emWorld = font.unit == 0 ? font.emSize : font.emSize * p.UnitToDevice(font.unit) * pagePerDevice;
  detail::FontDescriptionPtr desc(pango_font_description_new());
  bool exact = false;
  const std::string name = FamilyOf(p, font, exact);
  pango_font_description_set_family(desc.get(), name.c_str());
  pango_font_description_set_weight(desc.get(), (font.style & 1) ? PANGO_WEIGHT_BOLD : PANGO_WEIGHT_NORMAL);
  pango_font_description_set_style(desc.get(), (font.style & 2) ? PANGO_STYLE_ITALIC : PANGO_STYLE_NORMAL);
  pango_font_description_set_absolute_size(desc.get(), std::clamp(emWorld, 0.01, 1e5) * PANGO_SCALE);
  return desc;
}

}  // namespace

bool DrawString(P& p, uint16_t flags, R& r) {
  const auto* font = std::get_if<PlusFont>(&p.Object(flags & 0xFF));
  PlusBrush brush;
  if (!p.BrushFrom(flags, r, brush) || !font) return false;
  const auto* format = std::get_if<PlusStringFormat>(&p.Object(r.U32()));
  const uint32_t length = r.U32();
  const RectD box = ReadRectF(r);
  if (!r.Ok() || length > r.Remaining() / 2) return false;
  if (!p.R().GetCanvas().Budget().Charge(double(length) * WorkBudget::kGlyphWork)) return false;
  std::u16string text;
  for (uint32_t i = 0; i < length; ++i) text.push_back(r.U16());
  gchar* utf8 = g_utf16_to_utf8(reinterpret_cast<const gunichar2*>(text.data()), static_cast<glong>(text.size()),
                                nullptr, nullptr, nullptr);
  if (!utf8) return false;
  const std::string s(utf8);
  g_free(utf8);
  double em = 0;
  detail::FontDescriptionPtr desc = Describe(p, *font, em);
  const Affine m = p.WorldToCanvas();
  if (!(em > 0) || !std::isfinite(em) || em * std::max(1.0, m.LargestStretch()) > kMaxDeviceEm) return false;
  const bool wrap = box.Width() > 0 && !(format && (format->flags & 0x1000));
  const uint32_t align = format ? format->align : 0, lineAlign = format ? format->lineAlign : 0;
  RectD bounds = box;
  auto layoutIn = [&](PangoLayout* layout) {
    pango_layout_set_font_description(layout, desc.get());
    if (wrap) pango_layout_set_width(layout, static_cast<int>(std::min(box.Width(), 1e6) * PANGO_SCALE));
    pango_layout_set_alignment(layout, align == 1   ? PANGO_ALIGN_CENTER
                                       : align == 2 ? PANGO_ALIGN_RIGHT
                                                    : PANGO_ALIGN_LEFT);
    pango_layout_set_text(layout, s.data(), static_cast<int>(s.size()));
    PangoRectangle logical;
    pango_layout_get_extents(layout, nullptr, &logical);
    const double w = double(logical.width) / PANGO_SCALE, h = double(logical.height) / PANGO_SCALE;
    double x = box.left, y = box.top;
    if (!wrap && box.Width() > 0) x += align == 1 ? (box.Width() - w) / 2 : align == 2 ? box.Width() - w : 0;
    if (box.Height() > 0) y += lineAlign == 1 ? (box.Height() - h) / 2 : lineAlign == 2 ? box.Height() - h : 0;
    return RectD{x, y, x + (wrap ? box.Width() : w), y + h};
  };
  {
    detail::GObjectPtr<PangoLayout> measure(pango_layout_new(p.R().Pango()));
    if (!measure) return false;
    bounds = layoutIn(measure.get());
  }
  const DevicePath outline = PlusRectPath(m, bounds);
  RectD deviceBounds;
  if (!outline.Bounds(deviceBounds)) return false;
  p.NoteDrawing();
  p.R().GetCanvas().Draw(deviceBounds, p.St().clip, kR2CopyPen, true, [&](cairo_t* cr) {
    cairo_matrix_t matrix{m.a, m.b, m.c, m.d, m.e, m.f};
    cairo_transform(cr, &matrix);
    detail::GObjectPtr<PangoLayout> layout(pango_cairo_create_layout(cr));
    if (!layout) return;
    const RectD at = layoutIn(layout.get());
    if (!SetPlusSource(cr, brush, Affine{})) return;
    cairo_move_to(cr, wrap ? box.left : at.left, at.top);
    pango_cairo_show_layout(cr, layout.get());
  });
  return true;
}

// Glyphs (or characters, with the lookup option) at their own world positions, or at the first position and
// the glyphs' advances after it.
bool DrawDriverString(P& p, uint16_t flags, R& r) {
  const auto* font = std::get_if<PlusFont>(&p.Object(flags & 0xFF));
  PlusBrush brush;
  if (!p.BrushFrom(flags, r, brush) || !font) return false;
  const uint32_t options = r.U32(), matrixPresent = r.U32(), count = r.U32();
  if (!r.Ok() || count == 0 || count > r.Remaining() / 10) return false;
  if (!p.R().GetCanvas().Budget().Charge(double(count) * WorkBudget::kGlyphWork)) return false;
  std::vector<uint16_t> units(count);
  for (uint16_t& u : units) u = r.U16();
  std::vector<PointD> positions(count);
  for (PointD& pt : positions) {
    const double x = r.F32(), y = r.F32();
    pt = {x, y};
  }
  Affine extra;
  if (matrixPresent) {
    const double a = r.F32(), b = r.F32(), c = r.F32(), d = r.F32(), e = r.F32(), f = r.F32();
    extra = {a, b, c, d, e, f};
  }
  if (!r.Ok() || !extra.Finite()) return false;
  bool exact = false;
  FamilyOf(p, *font, exact);
  // Glyph indexes of a stand-in family would show unrelated glyphs.
  if (!(options & kCmapLookup) && !exact) return false;
  double em = 0;
  detail::FontDescriptionPtr desc = Describe(p, *font, em);
  const Affine m = extra.Then(p.WorldToCanvas());
  if (!(em > 0) || !std::isfinite(em) || em * std::max(1.0, m.LargestStretch()) > kMaxDeviceEm) return false;
  const detail::GObjectPtr<PangoFont> loaded(pango_context_load_font(p.R().Pango(), desc.get()));
  if (!loaded || !PANGO_IS_CAIRO_FONT(loaded.get())) return false;
  cairo_scaled_font_t* scaled = pango_cairo_font_get_scaled_font(PANGO_CAIRO_FONT(loaded.get()));
  const long faceGlyphs = scaled ? FaceGlyphCount(scaled) : 0;
  if (faceGlyphs <= 0) return false;

  std::vector<cairo_glyph_t> glyphs;
  PointD pen = positions[0];
  for (uint32_t i = 0; i < count; ++i) {
    unsigned long index = units[i];
    if (options & kCmapLookup) {
      char utf8[8] = {};
      g_unichar_to_utf8(g_unichar_validate(units[i]) ? units[i] : 0xFFFD, utf8);
      cairo_glyph_t* found = nullptr;
      int n = 0;
      if (cairo_scaled_font_text_to_glyphs(scaled, 0, 0, utf8, -1, &found, &n, nullptr, nullptr, nullptr) !=
          CAIRO_STATUS_SUCCESS) {
        continue;
      }
      index = n > 0 ? found[0].index : 0;
      cairo_glyph_free(found);
    }
    if (index >= static_cast<unsigned long>(faceGlyphs)) continue;
    const PointD at = (options & kRealizedAdvance) ? pen : positions[i];
    cairo_glyph_t glyph{index, at.x, at.y};
    cairo_text_extents_t extents;
    cairo_scaled_font_glyph_extents(scaled, &glyph, 1, &extents);
    pen = {at.x + extents.x_advance, at.y + extents.y_advance};
    glyphs.push_back(glyph);
  }
  if (glyphs.empty()) return true;
  RectD bounds{glyphs[0].x, glyphs[0].y, glyphs[0].x, glyphs[0].y};
  for (const cairo_glyph_t& g : glyphs) {
    bounds = {std::min(bounds.left, g.x), std::min(bounds.top, g.y), std::max(bounds.right, g.x),
              std::max(bounds.bottom, g.y)};
  }
  const DevicePath box =
      PlusRectPath(m, {bounds.left - em, bounds.top - 2 * em, bounds.right + 2 * em, bounds.bottom + em});
  RectD deviceBounds;
  if (!box.Bounds(deviceBounds)) return false;
  p.NoteDrawing();
  p.R().GetCanvas().Draw(deviceBounds, p.St().clip, kR2CopyPen, true, [&](cairo_t* cr) {
    cairo_matrix_t matrix{m.a, m.b, m.c, m.d, m.e, m.f};
    cairo_transform(cr, &matrix);
    cairo_set_scaled_font(cr, scaled);
    if (SetPlusSource(cr, brush, Affine{})) cairo_show_glyphs(cr, glyphs.data(), static_cast<int>(glyphs.size()));
  });
  return true;
}

}  // namespace tavlen::gfx::metafile
