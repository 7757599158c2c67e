// Brush and pen construction, and the cairo sources the painter fills with.
#include "platform/graphics/drawing/brush.h"

#include <cmath>

#include "platform/graphics/drawing/painter_internal.h"

namespace tavlen::gfx {

Result<Brush> Brush::Hatch(int32_t style, Argb fore, Argb back) {
  if (!IsValidHatchStyle(style)) return Status::InvalidParameter;
  return Brush(Kind::Hatch, fore, back, static_cast<HatchStyle>(style));
}

bool Brush::IsOpaque() const {
  if (AlphaOf(m_color) != 0xFF) return false;
  return m_kind == Kind::Solid || AlphaOf(m_back) == 0xFF;
}

Result<Pen> Pen::Create(Argb color, float width, Unit unit) {
  if (!std::isfinite(width) || width < 0 || width > 1e6f) return Status::InvalidParameter;
  if (unit == Unit::Display || static_cast<int32_t>(unit) < 0 || static_cast<int32_t>(unit) > 6) {
    return Status::InvalidParameter;
  }
  return Pen(color, width, unit);
}

namespace detail {

uint32_t Premultiply(Argb c) {
  const uint32_t a = AlphaOf(c);
  if (a == 0xFF) return c;
  auto mul = [a](uint32_t v) { return (v * a + 127) / 255; };
  return (a << 24) | (mul(RedOf(c)) << 16) | (mul(GreenOf(c)) << 8) | mul(BlueOf(c));
}

PatternPtr MakeBrushPattern(const Brush& brush) {
  auto channel = [](uint8_t v) { return v / 255.0; };
  if (brush.GetKind() == Brush::Kind::Solid) {
    const Argb c = brush.Color();
    return PatternPtr(
        cairo_pattern_create_rgba(channel(RedOf(c)), channel(GreenOf(c)), channel(BlueOf(c)), channel(AlphaOf(c))));
  }
  // An opaque tile is made without alpha so that cairo may copy it instead of blending.
  const bool opaque = brush.IsOpaque();
  // The 8x8 pattern is repeated across a wider tile: the compositor then copies long runs per row.
  constexpr int kTileWidth = 256;
  SurfacePtr tile(cairo_image_surface_create(opaque ? CAIRO_FORMAT_RGB24 : CAIRO_FORMAT_ARGB32, kTileWidth, 8));
  if (!Good(tile.get())) return nullptr;
  const HatchRows& rows = HatchPattern(brush.Style());
  const uint32_t fore = Premultiply(brush.Color());
  const uint32_t back = Premultiply(brush.BackColor());
  uint8_t* data = cairo_image_surface_get_data(tile.get());
  const int stride = cairo_image_surface_get_stride(tile.get());
  for (uint32_t y = 0; y < 8; ++y) {
    auto* row = reinterpret_cast<uint32_t*>(data + y * stride);
    for (uint32_t x = 0; x < kTileWidth; ++x) row[x] = HatchBit(rows, x, y) ? fore : back;
  }
  cairo_surface_mark_dirty(tile.get());
  PatternPtr pattern(cairo_pattern_create_for_surface(tile.get()));
  cairo_pattern_set_extend(pattern.get(), CAIRO_EXTEND_REPEAT);
  cairo_pattern_set_filter(pattern.get(), CAIRO_FILTER_NEAREST);
  return pattern;
}

}  // namespace detail
}  // namespace tavlen::gfx
