// The engine's lines, polygons, box-bound shapes (rectangles, ellipses, arcs) and path brackets.
#include <cmath>
#include <numbers>

#include "platform/graphics/metafile/renderer.h"

namespace tavlen::gfx::metafile {
namespace {

constexpr double kPi = std::numbers::pi;

// Point types of the poly-draw records.
enum : uint8_t { kPtCloseFigure = 1, kPtLineTo = 2, kPtBezierTo = 4, kPtMoveTo = 6 };

}  // namespace

DevicePath Renderer::Transform(std::span<const PointD> points, bool close) const {
  const Affine& m = const_cast<Renderer*>(this)->LogicalToCanvas();
  DevicePath path;
  for (size_t i = 0; i < points.size(); ++i) {
    const PointD p = m.Apply(points[i]);
    if (i == 0) {
      path.MoveTo(p);
    } else {
      path.LineTo(p);
    }
  }
  if (close && !points.empty()) path.Close();
  return path;
}

void Renderer::DrawShape(const DevicePath& shape, bool fill, bool stroke) {
  if (fill) Fill(shape, m_dc.brush, m_dc.polyFillMode == kAlternate);
  if (stroke) Stroke(shape);
}

void Renderer::AddToPathOrDraw(DevicePath&& shape, bool closed) {
  if (m_dc.inPath) {
    m_dc.path.Append(shape);
    return;
  }
  DrawShape(shape, closed, true);
}

void Renderer::MoveTo(PointD p) {
  m_dc.current = p;
  if (m_dc.inPath) m_dc.path.MoveTo(LogicalToCanvas().Apply(p));
}

void Renderer::LineTo(PointD p) {
  const Affine& m = LogicalToCanvas();
  if (m_dc.inPath) {
    if (m_dc.path.Empty() || m_dc.path.Ops().back() == DevicePath::Op::Close) m_dc.path.MoveTo(m.Apply(m_dc.current));
    m_dc.path.LineTo(m.Apply(p));
  } else {
    DevicePath line;
    line.MoveTo(m.Apply(m_dc.current));
    line.LineTo(m.Apply(p));
    Stroke(line);
  }
  m_dc.current = p;
}

void Renderer::Polyline(std::span<const PointD> points) {
  if (points.size() < 2) return;
  AddToPathOrDraw(Transform(points, false), false);
}

void Renderer::PolylineTo(std::span<const PointD> points) {
  if (points.empty()) return;
  const Affine& m = LogicalToCanvas();
  DevicePath shape;
  if (m_dc.inPath && !m_dc.path.Empty() && m_dc.path.Ops().back() != DevicePath::Op::Close) {
    for (const PointD& p : points) m_dc.path.LineTo(m.Apply(p));
  } else {
    shape.MoveTo(m.Apply(m_dc.current));
    for (const PointD& p : points) shape.LineTo(m.Apply(p));
    AddToPathOrDraw(std::move(shape), false);
  }
  m_dc.current = points.back();
}

void Renderer::PolyBezier(std::span<const PointD> points) {
  if (points.size() < 4) return;
  const Affine& m = LogicalToCanvas();
  DevicePath shape;
  shape.MoveTo(m.Apply(points[0]));
  for (size_t i = 1; i + 2 < points.size(); i += 3)
    shape.CurveTo(m.Apply(points[i]), m.Apply(points[i + 1]), m.Apply(points[i + 2]));
  AddToPathOrDraw(std::move(shape), false);
}

void Renderer::PolyBezierTo(std::span<const PointD> points) {
  if (points.size() < 3) return;
  const Affine& m = LogicalToCanvas();
  DevicePath shape;
  const bool continuing = m_dc.inPath && !m_dc.path.Empty() && m_dc.path.Ops().back() != DevicePath::Op::Close;
  DevicePath& target = continuing ? m_dc.path : shape;
  if (!continuing) shape.MoveTo(m.Apply(m_dc.current));
  size_t i = 0;
  for (; i + 2 < points.size(); i += 3)
    target.CurveTo(m.Apply(points[i]), m.Apply(points[i + 1]), m.Apply(points[i + 2]));
  if (!continuing) AddToPathOrDraw(std::move(shape), false);
  m_dc.current = points[i - 1];
}

void Renderer::Polygon(std::span<const PointD> points) {
  if (points.size() < 2) return;
  AddToPathOrDraw(Transform(points, true), true);
}

bool Renderer::PolyPolygon(std::span<const PointD> points, std::span<const uint32_t> counts) {
  DevicePath shape;
  size_t at = 0;
  for (uint32_t n : counts) {
    if (n > points.size() - at) return false;
    shape.Append(Transform(points.subspan(at, n), true));
    at += n;
  }
  // One shape, so that the fill mode decides how the polygons' overlaps fill.
  AddToPathOrDraw(std::move(shape), true);
  return true;
}

bool Renderer::PolyPolyline(std::span<const PointD> points, std::span<const uint32_t> counts) {
  DevicePath shape;
  size_t at = 0;
  for (uint32_t n : counts) {
    if (n > points.size() - at) return false;
    shape.Append(Transform(points.subspan(at, n), false));
    at += n;
  }
  AddToPathOrDraw(std::move(shape), false);
  return true;
}

void Renderer::PolyDraw(std::span<const PointD> points, std::span<const uint8_t> types) {
  const Affine& m = LogicalToCanvas();
  DevicePath shape;
  shape.MoveTo(m.Apply(m_dc.current));
  const size_t n = std::min(points.size(), types.size());
  for (size_t i = 0; i < n; ++i) {
    const uint8_t type = types[i] & ~kPtCloseFigure;
    if (type == kPtMoveTo) {
      shape.MoveTo(m.Apply(points[i]));
    } else if (type == kPtLineTo) {
      shape.LineTo(m.Apply(points[i]));
    } else if (type == kPtBezierTo && i + 2 < n) {
      shape.CurveTo(m.Apply(points[i]), m.Apply(points[i + 1]), m.Apply(points[i + 2]));
      i += 2;
    }
    if (types[i] & kPtCloseFigure) shape.Close();
    m_dc.current = points[i];
  }
  AddToPathOrDraw(std::move(shape), false);
}

bool Renderer::ShapeBox(const RectD& r, Affine& unitToDevice, RectD& box) {
  const Affine& m = LogicalToCanvas();
  if (m.AxisAligned()) {
    const PointD a = m.Apply({r.left, r.top}), b = m.Apply({r.right, r.bottom});
    box = RectD{a.x, a.y, b.x, b.y}.Normalized();
    // The right and bottom edges are outside the shape, as on a display.
    if (box.Width() >= 2) box.right -= 1;
    if (box.Height() >= 2) box.bottom -= 1;
    const auto* pen = m_dc.pen ? std::get_if<PenObject>(m_dc.pen.get()) : nullptr;
    if (pen && (pen->style & kPsStyleMask) == kPsInsideFrame && pen->width > 0) {
      const double half = std::round(pen->width * m.MeanScale()) / 2;
      if (box.Width() > 2 * half && box.Height() > 2 * half)
        box = {box.left + half, box.top + half, box.right - half, box.bottom - half};
    }
    unitToDevice = Affine{};
  } else {
    box = r.Normalized();
    unitToDevice = m;
  }
  return std::isfinite(box.left) && std::isfinite(box.top) && std::isfinite(box.right) && std::isfinite(box.bottom);
}

void Renderer::Rectangle(const RectD& r) {
  Affine m;
  RectD b;
  if (!ShapeBox(r, m, b)) return;
  DevicePath shape;
  shape.MoveTo(m.Apply({b.left, b.top}));
  shape.LineTo(m.Apply({b.right, b.top}));
  shape.LineTo(m.Apply({b.right, b.bottom}));
  shape.LineTo(m.Apply({b.left, b.bottom}));
  shape.Close();
  AddToPathOrDraw(std::move(shape), true);
}

void Renderer::RoundRect(const RectD& r, double cornerWidth, double cornerHeight) {
  Affine m;
  RectD b;
  if (!ShapeBox(r, m, b)) return;
  double rx = std::fabs(cornerWidth) / 2, ry = std::fabs(cornerHeight) / 2;
  if (m.AxisAligned() && m.a == 1 && m.d == 1) {
    const Affine& l = LogicalToCanvas();
    rx *= std::fabs(l.a), ry *= std::fabs(l.d);
  }
  rx = std::min(rx, b.Width() / 2), ry = std::min(ry, b.Height() / 2);
  if (!(rx > 0 && ry > 0)) return Rectangle(r);
  DevicePath shape;
  AppendArc(shape, m, {b.right - rx, b.top + ry}, rx, ry, -kPi / 2, kPi / 2, false);
  AppendArc(shape, m, {b.right - rx, b.bottom - ry}, rx, ry, 0, kPi / 2, true);
  AppendArc(shape, m, {b.left + rx, b.bottom - ry}, rx, ry, kPi / 2, kPi / 2, true);
  AppendArc(shape, m, {b.left + rx, b.top + ry}, rx, ry, kPi, kPi / 2, true);
  shape.Close();
  AddToPathOrDraw(std::move(shape), true);
}

void Renderer::Ellipse(const RectD& r) {
  Affine m;
  RectD b;
  if (!ShapeBox(r, m, b)) return;
  DevicePath shape;
  AppendArc(shape, m, {(b.left + b.right) / 2, (b.top + b.bottom) / 2}, b.Width() / 2, b.Height() / 2, 0, 2 * kPi,
            false);
  shape.Close();
  AddToPathOrDraw(std::move(shape), true);
}

namespace {

struct ArcGeometry {
  PointD centre;
  double rx = 0, ry = 0, a0 = 0, sweep = 0;
};

ArcGeometry ArcFor(const RectD& b, const Affine& unitToDevice, const Affine& logicalToDevice, PointD start, PointD end,
                   bool clockwise) {
  ArcGeometry g;
  g.centre = {(b.left + b.right) / 2, (b.top + b.bottom) / 2};
  g.rx = b.Width() / 2;
  g.ry = b.Height() / 2;
  // The radial points are in logical space; bring them to the box's space.
  const bool deviceBox = unitToDevice.a == 1 && unitToDevice.d == 1 && unitToDevice.AxisAligned() &&
                         unitToDevice.e == 0 && unitToDevice.f == 0;
  if (deviceBox) {
    start = logicalToDevice.Apply(start);
    end = logicalToDevice.Apply(end);
  }
  auto angle = [&](PointD p) {
    return std::atan2((p.y - g.centre.y) / (g.ry > 0 ? g.ry : 1), (p.x - g.centre.x) / (g.rx > 0 ? g.rx : 1));
  };
  g.a0 = angle(start);
  const double a1 = angle(end);
  // Counter-clockwise as seen on the device: decreasing angles where y grows downwards.
  const double det = deviceBox ? 1.0 : logicalToDevice.Determinant();
  bool decreasing = det > 0;
  if (clockwise) decreasing = !decreasing;
  double sweep = decreasing ? g.a0 - a1 : a1 - g.a0;
  while (sweep <= 1e-9) sweep += 2 * kPi;
  while (sweep > 2 * kPi) sweep -= 2 * kPi;
  g.sweep = decreasing ? -sweep : sweep;
  return g;
}

}  // namespace

void Renderer::ArcShape(ArcKind kind, const RectD& r, PointD start, PointD end) {
  Affine m;
  RectD b;
  if (!ShapeBox(r, m, b)) return;
  const ArcGeometry g = ArcFor(b, m, LogicalToCanvas(), start, end, m_dc.clockwiseArcs);
  DevicePath shape;
  if (kind == ArcKind::Pie) {
    shape.MoveTo(m.Apply(g.centre));
    AppendArc(shape, m, g.centre, g.rx, g.ry, g.a0, g.sweep, true);
  } else {
    AppendArc(shape, m, g.centre, g.rx, g.ry, g.a0, g.sweep, false);
  }
  if (kind != ArcKind::Arc) shape.Close();
  AddToPathOrDraw(std::move(shape), kind != ArcKind::Arc);
}

void Renderer::ArcTo(const RectD& r, PointD start, PointD end) {
  Affine m;
  RectD b;
  if (!ShapeBox(r, m, b)) return;
  const Affine& l = LogicalToCanvas();
  const ArcGeometry g = ArcFor(b, m, l, start, end, m_dc.clockwiseArcs);
  DevicePath shape;
  shape.MoveTo(l.Apply(m_dc.current));
  AppendArc(shape, m, g.centre, g.rx, g.ry, g.a0, g.sweep, true);
  // The current position moves to the arc's end, expressed back in logical units.
  const PointD endDevice =
      m.Apply({g.centre.x + g.rx * std::cos(g.a0 + g.sweep), g.centre.y + g.ry * std::sin(g.a0 + g.sweep)});
  Affine inverse = l;
  const double det = l.Determinant();
  if (std::fabs(det) > 1e-12) {
    inverse = {
        l.d / det, -l.b / det, -l.c / det, l.a / det, (l.c * l.f - l.d * l.e) / det, (l.b * l.e - l.a * l.f) / det};
    m_dc.current = inverse.Apply(endDevice);
  }
  if (m_dc.inPath && !m_dc.path.Empty() && m_dc.path.Ops().back() != DevicePath::Op::Close) {
    DevicePath tail;
    AppendArc(tail, m, g.centre, g.rx, g.ry, g.a0, g.sweep, false);
    m_dc.path.LineTo(tail.Points().front());
    for (size_t i = 1, op = 1; op < tail.Ops().size(); ++op, i += 3) {
      const auto& p = tail.Points();
      m_dc.path.CurveTo(p[i], p[i + 1], p[i + 2]);
    }
    return;
  }
  AddToPathOrDraw(std::move(shape), false);
}

void Renderer::AngleArc(PointD centre, double radius, double startDegrees, double sweepDegrees) {
  if (!std::isfinite(radius) || !std::isfinite(startDegrees) || !std::isfinite(sweepDegrees)) return;
  sweepDegrees = std::clamp(sweepDegrees, -360.0, 360.0);
  const Affine& l = LogicalToCanvas();
  // Angles count counter-clockwise with y up, so the logical y axis is flipped for them.
  const double a0 = -startDegrees * kPi / 180, sweep = -sweepDegrees * kPi / 180;
  DevicePath shape;
  shape.MoveTo(l.Apply(m_dc.current));
  AppendArc(shape, l, centre, radius, radius, a0, sweep, true);
  m_dc.current = {centre.x + radius * std::cos(a0 + sweep), centre.y + radius * std::sin(a0 + sweep)};
  AddToPathOrDraw(std::move(shape), false);
}

void Renderer::SetPixel(PointD p, ColorRef color) {
  const PointD d = LogicalToCanvas().Apply(p);
  const double x = std::floor(d.x), y = std::floor(d.y);
  const uint32_t c = Rgb(color);
  m_canvas.Draw({x, y, x + 1, y + 1}, m_dc.clip, kR2CopyPen, false, [&](cairo_t* cr) {
    cairo_rectangle(cr, x, y, 1, 1);
    cairo_set_source_rgb(cr, RedOf(c) / 255.0, GreenOf(c) / 255.0, BlueOf(c) / 255.0);
    cairo_fill(cr);
  });
}

void Renderer::BeginPath() {
  m_dc.inPath = true;
  m_dc.path.Clear();
}

void Renderer::EndPath() { m_dc.inPath = false; }

void Renderer::AbortPath() {
  m_dc.inPath = false;
  m_dc.path.Clear();
}

void Renderer::CloseFigure() {
  if (m_dc.inPath) m_dc.path.Close();
}

void Renderer::FillPath() {
  if (m_dc.inPath) return;
  Fill(m_dc.path, m_dc.brush, m_dc.polyFillMode == kAlternate);
  m_dc.path.Clear();
}

void Renderer::StrokePath() {
  if (m_dc.inPath) return;
  Stroke(m_dc.path);
  m_dc.path.Clear();
}

void Renderer::StrokeAndFillPath() {
  if (m_dc.inPath) return;
  Fill(m_dc.path, m_dc.brush, m_dc.polyFillMode == kAlternate);
  Stroke(m_dc.path);
  m_dc.path.Clear();
}

void Renderer::FlattenPath() {
  if (!m_dc.inPath) m_dc.path = m_dc.path.Flattened();
}

void Renderer::SelectClipPath(RegionOp op) {
  if (m_dc.inPath) return;
  m_dc.clip.Combine(m_dc.path, m_dc.polyFillMode == kAlternate, op);
  m_dc.path.Clear();
}

}  // namespace tavlen::gfx::metafile
