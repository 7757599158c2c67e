// Regions: areas built from rectangles and paths with the set operations of the combine modes.
#pragma once

#include <vector>

#include "platform/graphics/drawing/drawing_types.h"
#include "platform/graphics/drawing/path.h"
#include "platform/graphics/status.h"

namespace tavlen::gfx {

// A region keeps its shapes and operations and is rasterised, exactly, when it is filled: a
// pixel belongs to a shape when its centre lies inside it.
class Region {
 public:
  // The infinite region.
  Region();
  explicit Region(const RectF& rect);
  explicit Region(const Rect& rect);
  explicit Region(const GraphicsPath& path);

  void MakeInfinite();
  void MakeEmpty();

  // Replace: the shape alone; Intersect: both; Union: either; Xor: exactly one; Exclude: this
  // region less the shape; Complement: the shape less this region. InvalidParameter for another
  // mode or non-finite coordinates; the region is unchanged then.
  Status Combine(const RectF& rect, CombineMode mode);
  Status Combine(const Rect& rect, CombineMode mode);
  Status Combine(const GraphicsPath& path, CombineMode mode);

  struct Element {
    CombineMode mode = CombineMode::Replace;
    bool isPath = false;
    RectF rect;         // when !isPath
    GraphicsPath path;  // when isPath
  };
  // The operations in order; the first one is always Replace.
  const std::vector<Element>& Elements() const { return m_elements; }

 private:
  std::vector<Element> m_elements;
};

}  // namespace tavlen::gfx
