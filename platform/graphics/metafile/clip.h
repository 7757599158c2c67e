// The clipping region of a device context, in device pixels: none, one rectangle, or a coverage mask.
#pragma once

#include <cstdint>
#include <memory>
#include <span>

#include "platform/graphics/drawing/painter_internal.h"
#include "platform/graphics/metafile/device_path.h"
#include "platform/graphics/metafile/work_budget.h"

namespace tavlen::gfx::metafile {

// Region combination modes with their published values.
enum class RegionOp : uint32_t { And = 1, Or = 2, Xor = 3, Diff = 4, Copy = 5 };

class Clip {
 public:
  using IntBox = detail::IntBox;

  Clip() = default;
  // The canvas size bounds every clip and sizes the mask when one is needed. Mask work is charged to
  // `budget` (the canvas's, which outlives the clip); once it is spent, combining leaves the clip unchanged.
  Clip(int32_t width, int32_t height, WorkBudget* budget = nullptr)
      : m_canvas{0, 0, width, height}, m_box{m_canvas}, m_budget(budget) {}

  bool IsNone() const { return m_kind == Kind::None; }
  bool IsMask() const { return m_kind == Kind::Mask; }
  // Pixels that may be drawn lie inside this box (the canvas when there is no clip).
  const IntBox& Box() const { return m_box; }
  void Reset();

  // Combines the clip with a shape in device space. A shape that is not finite leaves the clip unchanged.
  void Combine(const DevicePath& shape, bool evenOdd, RegionOp op);
  // Rectangles (device space, left/top inclusive) combined as one shape.
  void CombineRects(std::span<const RectD> rects, RegionOp op);
  void Offset(double dx, double dy);

  // Restricts cr (whose user space is device space) to the rectangle clip; no effect for a mask.
  void ClipCairo(cairo_t* cr) const;
  // The mask's coverage (0-255) of a pixel inside the canvas; 255 without a mask.
  uint8_t Coverage(int64_t x, int64_t y) const;

 private:
  enum class Kind { None, Rect, Mask };

  void ClipAll();
  void ToMask();
  cairo_surface_t* WritableMask();

  Kind m_kind = Kind::None;
  IntBox m_canvas{0, 0, 0, 0};
  IntBox m_box{0, 0, 0, 0};
  WorkBudget* m_budget = nullptr;
  std::shared_ptr<cairo_surface_t> m_mask;  // A8, canvas-sized; shared between saved states until written
};

}  // namespace tavlen::gfx::metafile
