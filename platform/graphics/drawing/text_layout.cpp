// Laying out text with pango for drawing and for glyph outlines, with the string format's placement rules.
#include <pango/pangocairo.h>

#include <cmath>

#include "platform/graphics/drawing/font.h"
#include "platform/graphics/drawing/painter_internal.h"

namespace tavlen::gfx::detail {

Status MakeTextLayout(cairo_t* cr, std::string_view utf8, const char* familyName, int32_t style, double emSize,
                      const RectF& rect, const StringFormat& format, bool hinted, TextLayout& out) {
  // Text ends at the first NUL, as terminated strings always have.
  if (const size_t nul = utf8.find('\0'); nul != std::string_view::npos) utf8 = utf8.substr(0, nul);
  if (!std::isfinite(emSize) || emSize <= 0 || emSize > 1e6) return Status::InvalidParameter;
  if (!g_utf8_validate(utf8.data(), static_cast<gssize>(utf8.size()), nullptr)) return Status::InvalidParameter;
  if (!std::isfinite(rect.x) || !std::isfinite(rect.y) || !std::isfinite(rect.width) || !std::isfinite(rect.height) ||
      rect.width < 0 || rect.height < 0) {
    return Status::InvalidParameter;
  }

  GObjectPtr<PangoLayout> layout(pango_cairo_create_layout(cr));
  if (!layout) return Status::OutOfMemory;
  FontOptionsPtr options(cairo_font_options_create());
  cairo_font_options_set_antialias(options.get(), CAIRO_ANTIALIAS_GRAY);
  cairo_font_options_set_hint_style(options.get(), hinted ? CAIRO_HINT_STYLE_SLIGHT : CAIRO_HINT_STYLE_NONE);
  // Unhinted metrics keep glyph positions the same at every scale and position.
  cairo_font_options_set_hint_metrics(options.get(), CAIRO_HINT_METRICS_OFF);
  pango_cairo_context_set_font_options(pango_layout_get_context(layout.get()), options.get());
  pango_layout_context_changed(layout.get());

  FontDescriptionPtr desc(pango_font_description_new());
  pango_font_description_set_family(desc.get(), familyName);
  pango_font_description_set_weight(desc.get(), (style & kFontStyleBold) ? PANGO_WEIGHT_BOLD : PANGO_WEIGHT_NORMAL);
  pango_font_description_set_style(desc.get(), (style & kFontStyleItalic) ? PANGO_STYLE_ITALIC : PANGO_STYLE_NORMAL);
  pango_font_description_set_absolute_size(desc.get(), emSize * PANGO_SCALE);
  pango_layout_set_font_description(layout.get(), desc.get());

  if (style & (kFontStyleUnderline | kFontStyleStrikeout)) {
    AttrListPtr attrs(pango_attr_list_new());
    if (style & kFontStyleUnderline)
      pango_attr_list_insert(attrs.get(), pango_attr_underline_new(PANGO_UNDERLINE_SINGLE));
    if (style & kFontStyleStrikeout) pango_attr_list_insert(attrs.get(), pango_attr_strikethrough_new(TRUE));
    pango_layout_set_attributes(layout.get(), attrs.get());
  }
  pango_layout_set_text(layout.get(), utf8.data(), static_cast<int>(utf8.size()));

  const double pad = format.padding ? emSize / 6.0 : 0.0;
  const bool wrap = rect.width > 0 && !(format.flags & kStringFormatFlagsNoWrap);
  if (wrap) {
    const double width = std::max(1.0, rect.width - 2 * pad);
    pango_layout_set_width(layout.get(), static_cast<int>(std::min(width * PANGO_SCALE, 1e9)));
    pango_layout_set_wrap(layout.get(), PANGO_WRAP_WORD_CHAR);
    pango_layout_set_alignment(layout.get(), format.alignment == StringAlignment::Center ? PANGO_ALIGN_CENTER
                                             : format.alignment == StringAlignment::Far  ? PANGO_ALIGN_RIGHT
                                                                                         : PANGO_ALIGN_LEFT);
  }
  PangoRectangle logical{};
  pango_layout_get_extents(layout.get(), nullptr, &logical);
  const double textWidth = static_cast<double>(logical.width) / PANGO_SCALE;
  const double textHeight = static_cast<double>(logical.height) / PANGO_SCALE;

  double x = rect.x + pad;
  if (!wrap && format.alignment != StringAlignment::Near) {
    // Without a line width the box is aligned around the origin (or within the given width).
    const double room = rect.width > 0 ? rect.width - 2 * pad : 0.0;
    x += format.alignment == StringAlignment::Center ? (room - textWidth) / 2 : room - textWidth;
  }
  double y = rect.y;
  if (format.lineAlignment != StringAlignment::Near) {
    const double room = rect.height > 0 ? rect.height : 0.0;
    y += format.lineAlignment == StringAlignment::Center ? (room - textHeight) / 2 : room - textHeight;
  }
  out.layout = std::move(layout);
  out.x = x;
  out.y = y;
  out.clip = rect.width > 0 && rect.height > 0 && !(format.flags & kStringFormatFlagsNoClip);
  out.clipRect = rect;
  return Status::Ok;
}

}  // namespace tavlen::gfx::detail
