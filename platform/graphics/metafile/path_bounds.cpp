// Path work estimates and the cutting of far-away coordinates, so that no path overflows cairo or stalls it.
#include "platform/graphics/metafile/path_bounds.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace tavlen::gfx::metafile {
namespace {

using Op = DevicePath::Op;

bool Inside(const RectD& b, PointD p) { return p.x >= b.left && p.x <= b.right && p.y >= b.top && p.y <= b.bottom; }

}  // namespace

std::vector<PointD> ClipPolygon(std::vector<PointD> poly, const RectD& box) {
  auto clipEdge = [&poly](auto inside, auto cross) {
    std::vector<PointD> out;
    out.reserve(poly.size() + 4);
    for (size_t i = 0; i < poly.size(); ++i) {
      const PointD a = poly[i], b = poly[(i + 1) % poly.size()];
      const bool ia = inside(a), ib = inside(b);
      if (ia) out.push_back(a);
      if (ia != ib) out.push_back(cross(a, b));
    }
    poly = std::move(out);
  };
  auto atX = [](double x) {
    return [x](PointD a, PointD b) { return PointD{x, a.y + (b.y - a.y) * (x - a.x) / (b.x - a.x)}; };
  };
  auto atY = [](double y) {
    return [y](PointD a, PointD b) { return PointD{a.x + (b.x - a.x) * (y - a.y) / (b.y - a.y), y}; };
  };
  clipEdge([&](PointD p) { return p.x >= box.left; }, atX(box.left));
  clipEdge([&](PointD p) { return p.x <= box.right; }, atX(box.right));
  clipEdge([&](PointD p) { return p.y >= box.top; }, atY(box.top));
  clipEdge([&](PointD p) { return p.y <= box.bottom; }, atY(box.bottom));
  return poly;
}

namespace {

// The part of segment a-b inside the box (Liang-Barsky); false when none is.
bool ClipSegment(PointD& a, PointD& b, const RectD& box) {
  double t0 = 0, t1 = 1;
  const double dx = b.x - a.x, dy = b.y - a.y;
  const double p[4] = {-dx, dx, -dy, dy};
  const double q[4] = {a.x - box.left, box.right - a.x, a.y - box.top, box.bottom - a.y};
  for (int i = 0; i < 4; ++i) {
    if (p[i] == 0) {
      if (q[i] < 0) return false;
      continue;
    }
    const double t = q[i] / p[i];
    if (p[i] < 0) {
      t0 = std::max(t0, t);
    } else {
      t1 = std::min(t1, t);
    }
    if (t0 > t1) return false;
  }
  const PointD from{a.x + t0 * dx, a.y + t0 * dy}, to{a.x + t1 * dx, a.y + t1 * dy};
  a = from, b = to;
  return true;
}

// The figures of a flattened path: their points and whether each was closed.
struct Figure {
  std::vector<PointD> points;
  bool closed = false;
};

std::vector<Figure> Figures(const DevicePath& flat) {
  std::vector<Figure> figures;
  size_t pi = 0;
  for (Op op : flat.Ops()) {
    if (op == Op::Move) figures.emplace_back();
    if (op == Op::Close) {
      if (!figures.empty()) figures.back().closed = true;
      continue;
    }
    if (figures.empty()) figures.emplace_back();
    figures.back().points.push_back(flat.Points()[pi++]);
  }
  return figures;
}

}  // namespace

double PathWork(const DevicePath& path, double rows, double penWidth) {
  const auto& pts = path.Points();
  const double span = std::max(rows, 1.0);
  double work = static_cast<double>(path.Ops().size()) * WorkBudget::kEdgeWork;
  for (size_t i = 1; i < pts.size(); ++i) {
    const double dx = std::fabs(pts[i].x - pts[i - 1].x), dy = std::fabs(pts[i].y - pts[i - 1].y);
    if (!std::isfinite(dx) || !std::isfinite(dy)) continue;
    work += penWidth > 0 ? std::min(std::hypot(dx, dy), 2 * span) * std::max(penWidth, 1.0) : std::min(dy, span);
  }
  return work;
}

const DevicePath& WithinFarBox(const DevicePath& path, double width, double height, bool fill, DevicePath& storage) {
  const RectD box{-kFarMargin, -kFarMargin, width + kFarMargin, height + kFarMargin};
  RectD bounds;
  if (!path.Bounds(bounds) || (Inside(box, {bounds.left, bounds.top}) && Inside(box, {bounds.right, bounds.bottom})))
    return path;
  storage.Clear();
  for (Figure& f : Figures(path.Flattened())) {
    if (fill) {
      const std::vector<PointD> cut = ClipPolygon(std::move(f.points), box);
      if (cut.size() < 3) continue;
      storage.MoveTo(cut[0]);
      for (size_t i = 1; i < cut.size(); ++i) storage.LineTo(cut[i]);
      storage.Close();
      continue;
    }
    if (f.closed && f.points.size() > 1) f.points.push_back(f.points.front());
    bool joined = false;  // whether the previous kept segment ends where this one starts
    for (size_t i = 1; i < f.points.size(); ++i) {
      PointD a = f.points[i - 1], b = f.points[i];
      const bool whole = Inside(box, a) && Inside(box, b);
      if (!whole && !ClipSegment(a, b, box)) {
        joined = false;
        continue;
      }
      if (!joined) storage.MoveTo(a);
      storage.LineTo(b);
      joined = Inside(box, f.points[i]);
    }
  }
  return storage;
}

const DevicePath& ForCairo(const Canvas& canvas, const DevicePath& path, bool fill, DevicePath& storage) {
  return WithinFarBox(path, canvas.Width(), canvas.Height(), fill, storage);
}

}  // namespace tavlen::gfx::metafile
