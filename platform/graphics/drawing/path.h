// Vector paths: figures of lines and cubic Béziers, closed cardinal curves, rectangles and glyph outlines.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

#include "platform/graphics/drawing/drawing_types.h"
#include "platform/graphics/status.h"

namespace tavlen::gfx {

class FontFamily;
struct StringFormat;

enum PathPointType : uint8_t {
  kPathPointStart = 0,
  kPathPointLine = 1,
  kPathPointBezier = 3,
  kPathPointCloseSubpath = 0x80,  // flag on the last point of a closed figure
};

class GraphicsPath {
 public:
  GraphicsPath() = default;
  explicit GraphicsPath(FillMode fillMode) : m_fillMode(fillMode) {}

  FillMode GetFillMode() const { return m_fillMode; }
  void SetFillMode(FillMode mode) { m_fillMode = mode; }

  // Every Add call starts a new figure. Statuses: InvalidParameter for too few points or
  // non-finite coordinates; the path is unchanged then.

  // A closed cardinal spline through the points (at least 3), turned into Béziers whose control
  // points lie tension/3 of the neighbouring chord away from each point. 0.5 is the usual tension.
  Status AddClosedCurve(std::span<const PointF> points, float tension = 0.5f);
  Status AddClosedCurve(std::span<const Point> points, float tension = 0.5f);
  Status AddRectangle(const RectF& rect);
  Status AddLines(std::span<const PointF> points);
  Status AddBeziers(std::span<const PointF> points);  // 1 + 3n points
  void CloseFigure();

  // The glyph outlines of UTF-8 text laid out in `layout` (zero width or height: unbounded) as
  // DrawString would place it, with emSize in world units. FontFamilyNotFound when the family has
  // no font; InvalidParameter for a non-positive size or invalid UTF-8.
  Status AddString(std::string_view utf8, const FontFamily& family, int32_t style, float emSize, const RectF& layout,
                   const StringFormat* format);

  const std::vector<PointF>& Points() const { return m_points; }
  const std::vector<uint8_t>& Types() const { return m_types; }
  size_t PointCount() const { return m_points.size(); }
  // Bounds of the points (control points included); empty for an empty path.
  RectF Bounds() const;

  // Low level: used by the glyph outline import.
  void StartFigure(PointF p);
  void LineTo(PointF p);
  void BezierTo(PointF c1, PointF c2, PointF p);

 private:
  std::vector<PointF> m_points;
  std::vector<uint8_t> m_types;
  FillMode m_fillMode = FillMode::Alternate;
  bool m_figureOpen = false;
};

}  // namespace tavlen::gfx
