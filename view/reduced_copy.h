// A reduced copy of the shown picture, area-averaged by a power of two, that paints showing the
// picture at half its size or less draw from: a fitted photo then resamples a fraction of its pixels
// at each paint, and the reduction is paid once per picture instead.
#pragma once

#include <cstdint>

#include "platform/graphics/bitmap.h"
#include "platform/graphics/drawing/drawing_types.h"

namespace tavlen {

class ReducedCopy {
 public:
  // The deepest level (reduction by 2^level, at most gfx::kMaxAverageLevel) at which a view of
  // viewWidth x viewHeight still shrinks a width x height picture on both axes: 0 when none does.
  static uint32_t LevelFor(uint32_t width, uint32_t height, int64_t viewWidth, int64_t viewHeight);

  // What a paint of `picture` shown viewWidth x viewHeight draws from: the copy, made now when the
  // one kept is of other pixels (another picture, or this one since changed) or too coarse for the
  // view; null when the picture itself is drawn (a view over half its size, a locked picture, a copy
  // that would cost more than a quarter of the picture, or no memory for it). A copy finer than
  // the view needs is kept and used: zooming out makes no new one.
  const gfx::Bitmap* For(const gfx::Bitmap& picture, int32_t viewWidth, int32_t viewHeight);

  // Makes the copy of `picture` at `level` now unless one of its pixels as they are at that level
  // is kept, as For does on demand. Level 0 drops the copy.
  void Make(const gfx::Bitmap& picture, uint32_t level);

  // The part of the copy that shows the whole picture, for the draw: blocks cut at the far edges
  // fill only part of their pixel.
  const gfx::RectF& Area() const { return m_area; }
  // The copy kept (null for none) and its level, whatever picture it was made of.
  const gfx::Bitmap* Kept() const { return m_copy.get(); }
  uint32_t Level() const { return m_level; }

  // Drops the copy and frees its memory.
  void Clear() { *this = ReducedCopy(); }

 private:
  gfx::Bitmap::Ptr m_copy;
  uint64_t m_stamp = 0;  // the picture's content stamp when the copy was made or refused
  uint32_t m_level = 0;
  gfx::RectF m_area;
};

}  // namespace tavlen
