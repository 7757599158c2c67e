// EMF+ geometry and paint: points, rectangles and paths to device space, brushes as cairo sources, fills and strokes.
#include <cairo.h>

#include <algorithm>
#include <cmath>

#include "platform/graphics/drawing/brush.h"
#include "platform/graphics/drawing/painter_internal.h"
#include "platform/graphics/metafile/emfplus_player.h"
#include "platform/graphics/metafile/path_bounds.h"

namespace tavlen::gfx::metafile {
namespace {

using P = EmfPlusPlayer;
using R = ByteReader;

constexpr uint16_t kCompressed = 0x4000, kRelative = 0x0800;
// Beyond any real drawing; keeps a hostile count from making a huge path.
constexpr uint32_t kMaxPoints = 1u << 20;
// Beyond the largest canvas by far (device pixels).
constexpr double kMaxMeshExtent = 1 << 20;

void SetRgba(cairo_t* cr, uint32_t argb) {
  cairo_set_source_rgba(cr, ((argb >> 16) & 0xFF) / 255.0, ((argb >> 8) & 0xFF) / 255.0, (argb & 0xFF) / 255.0,
                        (argb >> 24) / 255.0);
}

// A relative coordinate: one byte holding 7 signed bits, or (top bit set) two bytes holding 15.
double RelativeCoordinate(R& r) {
  const uint8_t first = r.U8();
  if (!(first & 0x80)) return (first & 0x40) ? int(first) - 0x80 : int(first);
  const int value = (first & 0x7F) << 8 | r.U8();
  return (value & 0x4000) ? value - 0x8000 : value;
}

}  // namespace

std::vector<PointD> PlusPoints(R& r, uint32_t count, uint16_t flags) {
  std::vector<PointD> pts;
  if ((flags & kRelative) && count <= kMaxPoints && count <= r.Remaining() / 2) {
    // Each point is an offset from the one before it (the first from the origin).
    PointD at;
    pts.reserve(count);
    for (uint32_t i = 0; i < count && r.Ok(); ++i) {
      at.x += RelativeCoordinate(r);
      at.y += RelativeCoordinate(r);
      pts.push_back(at);
    }
    if (!r.Ok()) pts.clear();
    r.Skip((4 - r.Position() % 4) % 4);  // padded to a multiple of four bytes
    return pts;
  }
  const bool small = flags & kCompressed;
  if ((flags & kRelative) || count > kMaxPoints || count > r.Remaining() / (small ? 4 : 8)) return pts;
  pts.resize(count);
  for (PointD& p : pts) {
    if (small) {
      const double x = r.S16(), y = r.S16();
      p = {x, y};
    } else {
      const double x = r.F32(), y = r.F32();
      p = {x, y};
    }
  }
  return pts;
}

DevicePath PlusRectPath(const Affine& m, const RectD& rc) {
  DevicePath path;
  path.MoveTo(m.Apply({rc.left, rc.top}));
  path.LineTo(m.Apply({rc.right, rc.top}));
  path.LineTo(m.Apply({rc.right, rc.bottom}));
  path.LineTo(m.Apply({rc.left, rc.bottom}));
  path.Close();
  return path;
}

DevicePath PlusPathToDevice(const Affine& m, const PlusPath& p) {
  DevicePath path;
  const size_t n = std::min(p.points.size(), p.types.size());
  for (size_t i = 0; i < n; ++i) {
    const uint8_t kind = p.types[i] & 0x07;
    if (kind == 0 || path.Empty()) {
      path.MoveTo(m.Apply(p.points[i]));
    } else if (kind == 3 && i + 2 < n) {
      path.CurveTo(m.Apply(p.points[i]), m.Apply(p.points[i + 1]), m.Apply(p.points[i + 2]));
      i += 2;
    } else {
      path.LineTo(m.Apply(p.points[i]));
    }
    if (p.types[std::min(i, n - 1)] & 0x80) path.Close();
  }
  return path;
}

bool SetPlusSource(cairo_t* cr, const PlusBrush& b, const Affine& worldToCanvas) {
  switch (b.kind) {
    case PlusBrush::Kind::Solid:
      SetRgba(cr, b.color);
      return true;
    case PlusBrush::Kind::Hatch: {
      auto hatch = Brush::Hatch(b.hatch, b.color, b.back);
      if (!hatch.Ok()) return false;
      detail::PatternPtr pattern = detail::MakeBrushPattern(hatch.Value());
      if (!pattern || !detail::Good(pattern.get())) return false;
      cairo_set_source(cr, pattern.get());
      return true;
    }
    case PlusBrush::Kind::Linear:
    case PlusBrush::Kind::Path: {
      const Affine m = b.xform.Then(worldToCanvas);
      cairo_matrix_t matrix{m.a, m.b, m.c, m.d, m.e, m.f};
      if (cairo_matrix_invert(&matrix) != CAIRO_STATUS_SUCCESS) return false;
      // Mesh patches are rasterised whole: a boundary far beyond any canvas is shown in its centre colour.
      for (const PointD& p : b.boundary) {
        const PointD at = m.Apply(p);
        if (!(std::fabs(at.x) < kMaxMeshExtent && std::fabs(at.y) < kMaxMeshExtent)) {
          SetRgba(cr, b.color);
          return true;
        }
      }
      detail::PatternPtr pattern = GradientPattern(b);
      if (!pattern || !detail::Good(pattern.get())) return false;
      cairo_pattern_set_matrix(pattern.get(), &matrix);
      cairo_set_source(cr, pattern.get());
      return true;
    }
    case PlusBrush::Kind::Texture: {
      detail::SurfacePtr surface = b.texture ? DibSurface(*b.texture, true) : nullptr;
      if (!surface) return false;
      const Affine m = b.xform.Then(worldToCanvas);
      cairo_matrix_t matrix{m.a, m.b, m.c, m.d, m.e, m.f};
      if (cairo_matrix_invert(&matrix) != CAIRO_STATUS_SUCCESS) return false;
      detail::PatternPtr pattern(cairo_pattern_create_for_surface(surface.get()));
      // Flipped tilings mirror alternate tiles, as reflection does; clamping leaves the outside unpainted.
      cairo_pattern_set_extend(pattern.get(), b.wrap == 0   ? CAIRO_EXTEND_REPEAT
                                              : b.wrap == 4 ? CAIRO_EXTEND_NONE
                                                            : CAIRO_EXTEND_REFLECT);
      cairo_pattern_set_filter(pattern.get(), CAIRO_FILTER_NEAREST);
      cairo_pattern_set_matrix(pattern.get(), &matrix);
      cairo_set_source(cr, pattern.get());
      return true;
    }
  }
  return false;
}

void PlusFill(P& p, const DevicePath& shape, const PlusBrush& brush, bool evenOdd) {
  RectD bounds;
  if (shape.Empty() || !shape.Finite() || !shape.Bounds(bounds)) return;
  const Affine m = p.WorldToCanvas();
  Canvas& canvas = p.R().GetCanvas();
  DevicePath cut;
  const DevicePath& drawn = ForCairo(canvas, shape, true, cut);
  p.NoteDrawing();
  canvas.Draw(
      bounds, p.St().clip, kR2CopyPen, p.St().antialias,
      [&](cairo_t* cr) {
        drawn.AddTo(cr);
        cairo_set_fill_rule(cr, evenOdd ? CAIRO_FILL_RULE_EVEN_ODD : CAIRO_FILL_RULE_WINDING);
        if (SetPlusSource(cr, brush, m)) cairo_fill(cr);
      },
      PathWork(shape, canvas.Height(), 0));
}

void PlusStroke(P& p, const DevicePath& shape, const PlusPen& pen) {
  RectD bounds;
  if (shape.Empty() || !shape.Finite() || !shape.Bounds(bounds)) return;
  const Affine m = p.WorldToCanvas();
  const double perUnit = pen.unit == 0 ? m.MeanScale() : p.UnitToDevice(pen.unit) * p.R().DeviceToCanvas().MeanScale();
  const double width = std::max(1.0, pen.width * perUnit);
  if (!std::isfinite(width) || width > 1e5) return;
  std::vector<double> dashes;
  static const std::vector<double> kStyles[] = {{}, {3, 1}, {1, 1}, {3, 1, 1, 1}, {3, 1, 1, 1, 1, 1}};
  if (pen.lineStyle == 5) {
    for (double d : pen.dashes) dashes.push_back(std::max(0.1, d) * width);
  } else if (pen.lineStyle > 0 && pen.lineStyle < 5) {
    for (double d : kStyles[pen.lineStyle]) dashes.push_back(d * width);
  }
  const double grow = width * std::clamp(pen.miterLimit, 1.0, 20.0);
  bounds = {bounds.left - grow, bounds.top - grow, bounds.right + grow, bounds.bottom + grow};
  Canvas& canvas = p.R().GetCanvas();
  DevicePath cut;
  const DevicePath& drawn = ForCairo(canvas, shape, false, cut);
  p.NoteDrawing();
  canvas.Draw(
      bounds, p.St().clip, kR2CopyPen, p.St().antialias,
      [&](cairo_t* cr) {
        drawn.AddTo(cr);
        cairo_set_line_width(cr, width);
        cairo_set_line_cap(cr, pen.startCap == 1   ? CAIRO_LINE_CAP_SQUARE
                               : pen.startCap == 2 ? CAIRO_LINE_CAP_ROUND
                                                   : CAIRO_LINE_CAP_BUTT);
        cairo_set_line_join(cr, pen.join == 1   ? CAIRO_LINE_JOIN_BEVEL
                                : pen.join == 2 ? CAIRO_LINE_JOIN_ROUND
                                                : CAIRO_LINE_JOIN_MITER);
        cairo_set_miter_limit(cr, std::clamp(pen.miterLimit, 1.0, 20.0));
        if (!dashes.empty()) cairo_set_dash(cr, dashes.data(), static_cast<int>(dashes.size()), 0);
        if (SetPlusSource(cr, pen.brush, m)) cairo_stroke(cr);
      },
      PathWork(shape, canvas.Height(), width));
}

}  // namespace tavlen::gfx::metafile
