// EMF gradient fills: rectangles shaded along one axis and triangles shaded between their corners. Both are
// computed here over the visible part only, so a vertex far outside the picture costs no more than one inside.
#include <cairo.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "platform/graphics/metafile/emf_records.h"
#include "platform/graphics/metafile/path_bounds.h"

namespace tavlen::gfx::metafile {
namespace {

struct Vertex {
  PointD pt;    // canvas pixels
  double c[3];  // red, green, blue, 0-1
};

// Work of one record: pixels shaded, at most this many canvas areas (and at least a fixed floor).
constexpr double kMaxCanvasAreas = 16;
constexpr double kMinWorkPixels = 1 << 22;

// The pixel box (canvas and clip) the bounds reach, empty when nothing is visible.
detail::IntBox VisibleBox(const Canvas& canvas, const Clip& clip, const RectD& b) {
  auto lo = [](double v) { return static_cast<int64_t>(std::clamp(std::floor(v), -1e9, 1e9)); };
  auto hi = [](double v) { return static_cast<int64_t>(std::clamp(std::ceil(v), -1e9, 1e9)); };
  detail::IntBox box{lo(b.left), lo(b.top), hi(b.right), hi(b.bottom)};
  box = box.Intersect({0, 0, canvas.Width(), canvas.Height()});
  if (!clip.IsNone()) box = box.Intersect(clip.Box());
  return box;
}

void SetColour(cairo_pattern_t* pattern, double offset, const double* a, const double* b, double t) {
  cairo_pattern_add_color_stop_rgb(pattern, offset, a[0] + (b[0] - a[0]) * t, a[1] + (b[1] - a[1]) * t,
                                   a[2] + (b[2] - a[2]) * t);
}

// A rectangle shaded from `a` to `b` along x (horizontal) or y. Returns the pixels it covered.
double ShadeRect(Renderer& g, const Vertex& a, const Vertex& b, bool horizontal) {
  const RectD r = RectD{a.pt.x, a.pt.y, b.pt.x, b.pt.y}.Normalized();
  const detail::IntBox box = VisibleBox(g.GetCanvas(), g.Dc().clip, r);
  if (box.Empty()) return 0;
  const RectD visible{std::max(r.left, double(box.x0)), std::max(r.top, double(box.y0)),
                      std::min(r.right, double(box.x1)), std::min(r.bottom, double(box.y1))};
  // The colour ramp runs over the whole rectangle; only its visible stretch is handed to cairo.
  const bool aFirst = horizontal ? a.pt.x <= b.pt.x : a.pt.y <= b.pt.y;
  const Vertex& from = aFirst ? a : b;
  const Vertex& to = aFirst ? b : a;
  const double lo = horizontal ? r.left : r.top, span = horizontal ? r.Width() : r.Height();
  const double v0 = horizontal ? visible.left : visible.top, v1 = horizontal ? visible.right : visible.bottom;
  const double t0 = span > 0 ? (v0 - lo) / span : 0, t1 = span > 0 ? (v1 - lo) / span : 1;
  g.GetCanvas().Draw(visible, g.Dc().clip, g.Dc().rop2, false, [&](cairo_t* cr) {
    detail::PatternPtr pattern(horizontal ? cairo_pattern_create_linear(v0, 0, v1, 0)
                                          : cairo_pattern_create_linear(0, v0, 0, v1));
    SetColour(pattern.get(), 0, from.c, to.c, t0);
    SetColour(pattern.get(), 1, from.c, to.c, t1);
    cairo_rectangle(cr, visible.left, visible.top, visible.Width(), visible.Height());
    cairo_set_source(cr, pattern.get());
    cairo_fill(cr);
  });
  return double(box.Width()) * double(box.Height());
}

// A triangle whose colour is interpolated between its corners (barycentric weights at pixel centres).
double ShadeTriangle(Renderer& g, const Vertex& a, const Vertex& b, const Vertex& c) {
  const RectD bounds{std::min({a.pt.x, b.pt.x, c.pt.x}), std::min({a.pt.y, b.pt.y, c.pt.y}),
                     std::max({a.pt.x, b.pt.x, c.pt.x}), std::max({a.pt.y, b.pt.y, c.pt.y})};
  const detail::IntBox box = VisibleBox(g.GetCanvas(), g.Dc().clip, bounds);
  const double det = (b.pt.x - a.pt.x) * (c.pt.y - a.pt.y) - (c.pt.x - a.pt.x) * (b.pt.y - a.pt.y);
  if (box.Empty() || !std::isfinite(det) || det == 0) return 0;
  const RectD visible{double(box.x0), double(box.y0), double(box.x1), double(box.y1)};
  const std::vector<PointD> shape = ClipPolygon({a.pt, b.pt, c.pt}, visible);
  if (shape.size() < 3) return 0;
  detail::SurfacePtr shade(
      cairo_image_surface_create(CAIRO_FORMAT_RGB24, static_cast<int>(box.Width()), static_cast<int>(box.Height())));
  if (!detail::Good(shade.get())) return 0;
  uint8_t* data = cairo_image_surface_get_data(shade.get());
  const int stride = cairo_image_surface_get_stride(shade.get());
  for (int64_t y = box.y0; y < box.y1; ++y) {
    auto* row = reinterpret_cast<uint32_t*>(data + (y - box.y0) * stride);
    for (int64_t x = box.x0; x < box.x1; ++x) {
      const double px = double(x) + 0.5, py = double(y) + 0.5;
      const double wb = ((px - a.pt.x) * (c.pt.y - a.pt.y) - (c.pt.x - a.pt.x) * (py - a.pt.y)) / det;
      const double wc = ((b.pt.x - a.pt.x) * (py - a.pt.y) - (px - a.pt.x) * (b.pt.y - a.pt.y)) / det;
      const double wa = 1 - wb - wc;
      uint32_t word = 0;
      for (int k = 0; k < 3; ++k) {
        const double v = std::clamp(wa * a.c[k] + wb * b.c[k] + wc * c.c[k], 0.0, 1.0);
        word = (word << 8) | static_cast<uint32_t>(std::lround(v * 255));
      }
      row[x - box.x0] = word;
    }
  }
  cairo_surface_mark_dirty(shade.get());
  g.GetCanvas().Draw(visible, g.Dc().clip, g.Dc().rop2, false, [&](cairo_t* cr) {
    cairo_move_to(cr, shape[0].x, shape[0].y);
    for (size_t i = 1; i < shape.size(); ++i) cairo_line_to(cr, shape[i].x, shape[i].y);
    cairo_close_path(cr);
    cairo_set_source_surface(cr, shade.get(), visible.left, visible.top);
    cairo_fill(cr);
  });
  return double(box.Width()) * double(box.Height());
}

}  // namespace

// Vertices are (x, y s32; red, green, blue, alpha u16); then rectangles (two indexes) or triangles (three).
bool GradientFill(EmfPlayer& p, ByteReader& r) {
  r.Skip(16);  // bounds
  const uint32_t vertices = r.U32(), shapes = r.U32(), mode = r.U32();
  if (!r.Ok() || vertices > r.Remaining() / 16 || mode > 2) return false;
  Renderer& g = p.R();
  std::vector<Vertex> v(vertices);
  const Affine& m = g.LogicalToCanvas();
  for (auto& x : v) {
    const double px = r.S32(), py = r.S32();
    x.pt = m.Apply({px, py});
    for (double& channel : x.c) channel = r.U16() / 65280.0;
    r.U16();
  }
  const uint32_t perShape = mode == 2 ? 3 : 2;
  if (!r.Ok() || shapes > r.Remaining() / (4 * perShape)) return false;
  const Canvas& canvas = g.GetCanvas();
  const double budget = std::max(kMinWorkPixels, kMaxCanvasAreas * double(canvas.Width()) * double(canvas.Height()));
  double work = 0;
  for (uint32_t s = 0; s < shapes; ++s) {
    uint32_t idx[3] = {0, 0, 0};
    for (uint32_t k = 0; k < perShape; ++k) idx[k] = r.U32();
    if (idx[0] >= vertices || idx[1] >= vertices || idx[2] >= vertices) continue;
    work +=
        mode == 2 ? ShadeTriangle(g, v[idx[0]], v[idx[1]], v[idx[2]]) : ShadeRect(g, v[idx[0]], v[idx[1]], mode == 0);
    // A record asking for more shading than many whole pictures is hostile: the rest is dropped.
    if (work > budget) return false;
  }
  return r.Ok();
}

}  // namespace tavlen::gfx::metafile
