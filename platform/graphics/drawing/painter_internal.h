// Helpers shared by the painter's source files; not part of the library's interface.
#pragma once

#include <algorithm>
#include <cstdint>
#include <string_view>

#include "platform/graphics/drawing/brush.h"
#include "platform/graphics/drawing/cairo_ptr.h"
#include "platform/graphics/drawing/drawing_types.h"
#include "platform/graphics/drawing/path.h"

namespace tavlen::gfx {
struct StringFormat;
}

namespace tavlen::gfx::detail {

// A half-open pixel rectangle [x0, x1) x [y0, y1) in device space.
struct IntBox {
  int64_t x0 = 0, y0 = 0, x1 = 0, y1 = 0;

  bool Empty() const { return x1 <= x0 || y1 <= y0; }
  int64_t Width() const { return x1 - x0; }
  int64_t Height() const { return y1 - y0; }
  IntBox Intersect(const IntBox& o) const {
    IntBox r{std::max(x0, o.x0), std::max(y0, o.y0), std::min(x1, o.x1), std::min(y1, o.y1)};
    if (r.Empty()) return {};
    return r;
  }
  static IntBox FromRect(const Rect& r) {
    return {r.x, r.y, static_cast<int64_t>(r.x) + std::max(0, r.width),
            static_cast<int64_t>(r.y) + std::max(0, r.height)};
  }
};

// Straight 0xAARRGGBB to cairo's premultiplied word.
uint32_t Premultiply(Argb c);

// Premultiplies a row of straight B,G,R,A bytes into words, and back. Unpremultiplying rounds to
// the nearest straight value.
void PremultiplyRow(const uint8_t* bgra, uint32_t count, uint32_t* out);
void UnpremultiplyRow(const uint32_t* in, uint32_t count, uint8_t* bgra);

PatternPtr MakeBrushPattern(const Brush& brush);
// Sets the brush as the source of cr; hatch tiles are anchored at the device origin whatever the
// user-space transform. False when cairo could not make the pattern.
bool SetBrushSource(cairo_t* cr, const Brush& brush);

// Adds the path's figures to cr's current path (user space).
void AppendPath(cairo_t* cr, const GraphicsPath& path);

// Device pixels touched by cr's current path when filled (or stroked), grown by `margin` pixels.
IntBox PathDeviceExtents(cairo_t* cr, bool stroke, int margin);

// Text laid out by pango in cr's user space, ready to be shown or turned into a path.
struct TextLayout {
  GObjectPtr<PangoLayout> layout;
  double x = 0, y = 0;  // where the layout's top-left goes, user space
  bool clip = false;    // clip to clipRect when drawing
  RectF clipRect;       // user space
};

// Lays out UTF-8 text for cr (its transform and font options). `familyName` is an installed
// family, emSize in cr's user units. Hinted text is for drawing; outlines are unhinted.
// InvalidParameter for invalid UTF-8 or a non-positive size.
Status MakeTextLayout(cairo_t* cr, std::string_view utf8, const char* familyName, int32_t style, double emSize,
                      const RectF& layoutRect, const StringFormat& format, bool hinted, TextLayout& out);

}  // namespace tavlen::gfx::detail
