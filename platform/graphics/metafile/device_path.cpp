// Device paths: building, flattening, and handing them to cairo.
#include "platform/graphics/metafile/device_path.h"

#include <cairo.h>

#include <algorithm>
#include <cmath>
#include <numbers>

namespace tavlen::gfx::metafile {

void DevicePath::MoveTo(PointD p) {
  if (m_points.size() >= kMaxPoints) return;
  m_ops.push_back(Op::Move);
  m_points.push_back(p);
}

void DevicePath::LineTo(PointD p) {
  if (m_ops.empty()) return MoveTo(p);
  if (m_points.size() >= kMaxPoints) return;
  m_ops.push_back(Op::Line);
  m_points.push_back(p);
}

void DevicePath::CurveTo(PointD c1, PointD c2, PointD p) {
  if (m_ops.empty()) MoveTo(c1);
  if (m_points.size() + 3 > kMaxPoints) return;
  m_ops.push_back(Op::Curve);
  m_points.push_back(c1);
  m_points.push_back(c2);
  m_points.push_back(p);
}

void DevicePath::Close() {
  if (!m_ops.empty() && m_ops.back() != Op::Close) m_ops.push_back(Op::Close);
}

void DevicePath::Append(const DevicePath& other) {
  if (m_points.size() + other.m_points.size() > kMaxPoints) return;
  m_ops.insert(m_ops.end(), other.m_ops.begin(), other.m_ops.end());
  m_points.insert(m_points.end(), other.m_points.begin(), other.m_points.end());
}

bool DevicePath::Finite() const {
  for (const PointD& p : m_points)
    if (!std::isfinite(p.x) || !std::isfinite(p.y)) return false;
  return true;
}

bool DevicePath::Bounds(RectD& out) const {
  if (m_points.empty()) return false;
  out = {m_points[0].x, m_points[0].y, m_points[0].x, m_points[0].y};
  for (const PointD& p : m_points) {
    out.left = std::min(out.left, p.x);
    out.top = std::min(out.top, p.y);
    out.right = std::max(out.right, p.x);
    out.bottom = std::max(out.bottom, p.y);
  }
  return true;
}

DevicePath DevicePath::Flattened() const {
  DevicePath out;
  size_t pi = 0;
  PointD cur{};
  for (Op op : m_ops) {
    switch (op) {
      case Op::Move:
        cur = m_points[pi++];
        out.MoveTo(cur);
        break;
      case Op::Line:
        cur = m_points[pi++];
        out.LineTo(cur);
        break;
      case Op::Curve: {
        const PointD p0 = cur, p1 = m_points[pi], p2 = m_points[pi + 1], p3 = m_points[pi + 2];
        pi += 3;
        constexpr int kSteps = 16;
        for (int i = 1; i <= kSteps; ++i) {
          const double t = static_cast<double>(i) / kSteps, u = 1 - t;
          const double a = u * u * u, b = 3 * u * u * t, c = 3 * u * t * t, d = t * t * t;
          out.LineTo({a * p0.x + b * p1.x + c * p2.x + d * p3.x, a * p0.y + b * p1.y + c * p2.y + d * p3.y});
        }
        cur = p3;
        break;
      }
      case Op::Close:
        out.Close();
        break;
    }
  }
  return out;
}

void DevicePath::AddTo(cairo_t* cr, double dx, double dy) const {
  size_t pi = 0;
  for (Op op : m_ops) {
    switch (op) {
      case Op::Move:
        cairo_move_to(cr, m_points[pi].x + dx, m_points[pi].y + dy);
        ++pi;
        break;
      case Op::Line:
        cairo_line_to(cr, m_points[pi].x + dx, m_points[pi].y + dy);
        ++pi;
        break;
      case Op::Curve:
        cairo_curve_to(cr, m_points[pi].x + dx, m_points[pi].y + dy, m_points[pi + 1].x + dx, m_points[pi + 1].y + dy,
                       m_points[pi + 2].x + dx, m_points[pi + 2].y + dy);
        pi += 3;
        break;
      case Op::Close:
        cairo_close_path(cr);
        break;
    }
  }
}

void AppendArc(DevicePath& path, const Affine& m, PointD c, double rx, double ry, double a0, double sweep,
               bool connect) {
  auto at = [&](double a) { return m.Apply({c.x + rx * std::cos(a), c.y + ry * std::sin(a)}); };
  if (connect && !path.Empty()) {
    path.LineTo(at(a0));
  } else {
    path.MoveTo(at(a0));
  }
  if (!std::isfinite(sweep) || sweep == 0) return;
  // Segments of at most a quarter turn keep the Bézier within a fraction of a pixel of the ellipse.
  const int segments = std::clamp(static_cast<int>(std::ceil(std::fabs(sweep) / (std::numbers::pi / 2))), 1, 8);
  const double step = sweep / segments;
  const double k = 4.0 / 3.0 * std::tan(step / 4);
  double a = a0;
  for (int i = 0; i < segments; ++i) {
    const double b = a + step;
    const double ca = std::cos(a), sa = std::sin(a), cb = std::cos(b), sb = std::sin(b);
    const PointD p1{c.x + rx * (ca - k * sa), c.y + ry * (sa + k * ca)};
    const PointD p2{c.x + rx * (cb + k * sb), c.y + ry * (sb - k * cb)};
    const PointD p3{c.x + rx * cb, c.y + ry * sb};
    path.CurveTo(m.Apply(p1), m.Apply(p2), m.Apply(p3));
    a = b;
  }
}

}  // namespace tavlen::gfx::metafile
