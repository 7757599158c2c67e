// Figures of lines and cubic Béziers in device space, and the shapes the drawing records build from them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "platform/graphics/metafile/geometry.h"

typedef struct _cairo cairo_t;

namespace tavlen::gfx::metafile {

class DevicePath {
 public:
  // Points one path holds at most (a path bracket may collect them over many records); further figures and
  // segments are dropped. No real drawing comes near.
  static constexpr size_t kMaxPoints = size_t{1} << 22;

  enum class Op : uint8_t { Move, Line, Curve, Close };

  void MoveTo(PointD p);
  void LineTo(PointD p);
  void CurveTo(PointD c1, PointD c2, PointD p);
  void Close();
  void Append(const DevicePath& other);
  void Clear() {
    m_ops.clear();
    m_points.clear();
  }

  bool Empty() const { return m_ops.empty(); }
  size_t PointCount() const { return m_points.size(); }
  // The last point, where the next figure would continue.
  PointD Last() const { return m_points.empty() ? PointD{} : m_points.back(); }
  // Every point, control points included, is finite.
  bool Finite() const;
  // Bounds of all points; false for an empty path.
  bool Bounds(RectD& out) const;

  // Replaces curves with lines (for flatten and region conversion).
  DevicePath Flattened() const;
  // Adds the figures to cr's path, moved by (dx, dy).
  void AddTo(cairo_t* cr, double dx = 0, double dy = 0) const;

  const std::vector<Op>& Ops() const { return m_ops; }
  const std::vector<PointD>& Points() const { return m_points; }

 private:
  std::vector<Op> m_ops;
  std::vector<PointD> m_points;  // one per Move/Line, three per Curve, none per Close
};

// An elliptical arc of the ellipse with centre c and radii (rx, ry) in a space mapped by `m`, from
// angle a0 sweeping by `sweep` radians (positive: increasing angle), as Béziers appended to `path`.
// With `connect` the arc joins the current figure with a line; otherwise it starts a figure.
void AppendArc(DevicePath& path, const Affine& m, PointD c, double rx, double ry, double a0, double sweep,
               bool connect);

}  // namespace tavlen::gfx::metafile
