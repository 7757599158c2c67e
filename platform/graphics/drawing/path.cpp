// Path construction: cardinal curves as Béziers, rectangles, and glyph outlines imported from pango.
#include "platform/graphics/drawing/path.h"

#include <pango/pangocairo.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

#include "platform/graphics/drawing/font.h"
#include "platform/graphics/drawing/painter_internal.h"

namespace tavlen::gfx {
namespace {

bool Finite(PointF p) { return std::isfinite(p.x) && std::isfinite(p.y); }

bool AllFinite(std::span<const PointF> points) { return std::all_of(points.begin(), points.end(), Finite); }

}  // namespace

void GraphicsPath::StartFigure(PointF p) {
  m_points.push_back(p);
  m_types.push_back(kPathPointStart);
  m_figureOpen = true;
}

void GraphicsPath::LineTo(PointF p) {
  if (!m_figureOpen) return StartFigure(p);
  m_points.push_back(p);
  m_types.push_back(kPathPointLine);
}

void GraphicsPath::BezierTo(PointF c1, PointF c2, PointF p) {
  if (!m_figureOpen) StartFigure(c1);
  for (PointF q : {c1, c2, p}) {
    m_points.push_back(q);
    m_types.push_back(kPathPointBezier);
  }
}

void GraphicsPath::CloseFigure() {
  if (m_figureOpen && !m_types.empty()) m_types.back() |= kPathPointCloseSubpath;
  m_figureOpen = false;
}

Status GraphicsPath::AddClosedCurve(std::span<const PointF> points, float tension) {
  if (points.size() < 3 || !AllFinite(points) || !std::isfinite(tension)) return Status::InvalidParameter;
  const size_t n = points.size();
  const float k = tension / 3.0f;
  auto at = [&](size_t i) { return points[i % n]; };
  StartFigure(points[0]);
  for (size_t i = 0; i < n; ++i) {
    // Segment p1 -> p2; each end's tangent follows the chord between its neighbours.
    const PointF p0 = at(i + n - 1), p1 = at(i), p2 = at(i + 1), p3 = at(i + 2);
    const PointF c1{p1.x + k * (p2.x - p0.x), p1.y + k * (p2.y - p0.y)};
    const PointF c2{p2.x - k * (p3.x - p1.x), p2.y - k * (p3.y - p1.y)};
    BezierTo(c1, c2, p2);
  }
  CloseFigure();
  return Status::Ok;
}

Status GraphicsPath::AddClosedCurve(std::span<const Point> points, float tension) {
  std::vector<PointF> f;
  f.reserve(points.size());
  for (Point p : points) f.push_back({static_cast<float>(p.x), static_cast<float>(p.y)});
  return AddClosedCurve(std::span<const PointF>(f), tension);
}

Status GraphicsPath::AddRectangle(const RectF& r) {
  if (!std::isfinite(r.x) || !std::isfinite(r.y) || !std::isfinite(r.width) || !std::isfinite(r.height)) {
    return Status::InvalidParameter;
  }
  if (r.width == 0 || r.height == 0) return Status::Ok;  // nothing to enclose
  StartFigure({r.x, r.y});
  LineTo({r.x + r.width, r.y});
  LineTo({r.x + r.width, r.y + r.height});
  LineTo({r.x, r.y + r.height});
  CloseFigure();
  return Status::Ok;
}

Status GraphicsPath::AddLines(std::span<const PointF> points) {
  if (points.empty() || !AllFinite(points)) return Status::InvalidParameter;
  StartFigure(points[0]);
  for (size_t i = 1; i < points.size(); ++i) LineTo(points[i]);
  return Status::Ok;
}

Status GraphicsPath::AddBeziers(std::span<const PointF> points) {
  if (points.size() < 4 || (points.size() - 1) % 3 != 0 || !AllFinite(points)) return Status::InvalidParameter;
  StartFigure(points[0]);
  for (size_t i = 1; i + 2 < points.size(); i += 3) BezierTo(points[i], points[i + 1], points[i + 2]);
  return Status::Ok;
}

RectF GraphicsPath::Bounds() const {
  if (m_points.empty()) return {};
  float x0 = std::numeric_limits<float>::max(), y0 = x0, x1 = -x0, y1 = -x0;
  for (PointF p : m_points) {
    x0 = std::min(x0, p.x);
    y0 = std::min(y0, p.y);
    x1 = std::max(x1, p.x);
    y1 = std::max(y1, p.y);
  }
  return {x0, y0, x1 - x0, y1 - y0};
}

Status GraphicsPath::AddString(std::string_view utf8, const FontFamily& family, int32_t style, float emSize,
                               const RectF& layoutRect, const StringFormat* format) {
  if (family.Name().empty()) return Status::FontFamilyNotFound;
  if ((style & ~0xF) != 0) return Status::InvalidParameter;
  // Outlines are made in world units on a scratch context with an identity transform.
  detail::SurfacePtr scratch(cairo_image_surface_create(CAIRO_FORMAT_A8, 1, 1));
  detail::CairoPtr cr(cairo_create(scratch.get()));
  if (!detail::Good(cr.get())) return Status::OutOfMemory;
  detail::TextLayout text;
  const StringFormat& fmt = format ? *format : StringFormat::GenericDefault();
  if (Status s = detail::MakeTextLayout(cr.get(), utf8, family.Name().c_str(), style, emSize, layoutRect, fmt,
                                        /*hinted=*/false, text);
      s != Status::Ok) {
    return s;
  }
  cairo_move_to(cr.get(), text.x, text.y);
  pango_cairo_layout_path(cr.get(), text.layout.get());
  detail::CairoPathPtr path(cairo_copy_path(cr.get()));
  if (!path || path->status != CAIRO_STATUS_SUCCESS) return Status::OutOfMemory;
  auto pt = [](const cairo_path_data_t& d) {
    return PointF{static_cast<float>(d.point.x), static_cast<float>(d.point.y)};
  };
  // A move only starts a figure once something is drawn from it.
  bool pending = false;
  PointF moveTo{};
  auto begin = [&] {
    if (!pending) return;
    m_figureOpen = false;
    StartFigure(moveTo);
    pending = false;
  };
  for (int i = 0; i < path->num_data; i += path->data[i].header.length) {
    const cairo_path_data_t* d = &path->data[i];
    switch (d->header.type) {
      case CAIRO_PATH_MOVE_TO:
        pending = true;
        moveTo = pt(d[1]);
        break;
      case CAIRO_PATH_LINE_TO:
        begin();
        LineTo(pt(d[1]));
        break;
      case CAIRO_PATH_CURVE_TO:
        begin();
        BezierTo(pt(d[1]), pt(d[2]), pt(d[3]));
        break;
      case CAIRO_PATH_CLOSE_PATH:
        CloseFigure();
        break;
    }
  }
  m_figureOpen = false;
  return Status::Ok;
}

namespace detail {

void AppendPath(cairo_t* cr, const GraphicsPath& path) {
  const auto& pts = path.Points();
  const auto& types = path.Types();
  for (size_t i = 0; i < pts.size(); ++i) {
    const uint8_t kind = types[i] & 0x07;
    if (kind == kPathPointStart) {
      cairo_move_to(cr, pts[i].x, pts[i].y);
    } else if (kind == kPathPointBezier && i + 2 < pts.size()) {
      cairo_curve_to(cr, pts[i].x, pts[i].y, pts[i + 1].x, pts[i + 1].y, pts[i + 2].x, pts[i + 2].y);
      i += 2;
    } else {
      cairo_line_to(cr, pts[i].x, pts[i].y);
    }
    if (types[i] & kPathPointCloseSubpath) cairo_close_path(cr);
  }
}

IntBox PathDeviceExtents(cairo_t* cr, bool stroke, int margin) {
  double x0, y0, x1, y1;
  if (stroke) {
    cairo_stroke_extents(cr, &x0, &y0, &x1, &y1);
  } else {
    cairo_path_extents(cr, &x0, &y0, &x1, &y1);
  }
  if (x1 <= x0 || y1 <= y0) return {};
  double xs[4] = {x0, x1, x0, x1}, ys[4] = {y0, y0, y1, y1};
  double dx0 = 1e18, dy0 = 1e18, dx1 = -1e18, dy1 = -1e18;
  for (int i = 0; i < 4; ++i) {
    cairo_user_to_device(cr, &xs[i], &ys[i]);
    dx0 = std::min(dx0, xs[i]);
    dy0 = std::min(dy0, ys[i]);
    dx1 = std::max(dx1, xs[i]);
    dy1 = std::max(dy1, ys[i]);
  }
  static constexpr double kLimit = 1 << 30;
  auto clampd = [](double v) { return std::clamp(v, -kLimit, kLimit); };
  return {static_cast<int64_t>(std::floor(clampd(dx0))) - margin,
          static_cast<int64_t>(std::floor(clampd(dy0))) - margin, static_cast<int64_t>(std::ceil(clampd(dx1))) + margin,
          static_cast<int64_t>(std::ceil(clampd(dy1))) + margin};
}

}  // namespace detail
}  // namespace tavlen::gfx
