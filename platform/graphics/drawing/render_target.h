// The pixels a graphics object draws into, opened to cairo one area at a time.
#pragma once

#include <memory>
#include <utility>
#include <vector>

#include "platform/graphics/bitmap.h"
#include "platform/graphics/drawing/painter_internal.h"
#include "platform/graphics/drawing/surface.h"

namespace tavlen::gfx::detail {

class RenderTarget {
 public:
  // InvalidParameter for an indexed or 16-bit bitmap, an empty or inconsistent surface.
  static Result<std::unique_ptr<RenderTarget>> ForBitmap(Bitmap& bitmap);
  static Result<std::unique_ptr<RenderTarget>> ForSurface(const WindowSurface& surface);
  ~RenderTarget();

  // Pixels that may be drawn: the whole bitmap, or the surface's clip.
  const IntBox& Bounds() const { return m_bounds; }
  // The bitmap's own pixels, to notice a bitmap drawn onto itself; null for a window surface.
  const PixelBuffer* Pixels() const { return m_bitmap ? &std::as_const(*m_bitmap).Pixels() : nullptr; }

  // Opens `box` (inside Bounds) for drawing: cr's user space is device space and it is clipped to box.
  // OutOfMemory when the area cannot be converted for drawing.
  Status Begin(const IntBox& box, CairoPtr& cr);
  // Commits what was drawn since Begin. Only pixels whose value changed are written back to a bitmap
  // kept in another format, so untouched pixels keep their exact values.
  void End(CairoPtr& cr);

 private:
  enum class Mode { Direct, DirectOpaque, Converted };

  RenderTarget() = default;

  Mode m_mode = Mode::Direct;
  Bitmap* m_bitmap = nullptr;
  uint8_t* m_windowPixels = nullptr;
  size_t m_windowStride = 0;
  IntBox m_bounds;
  IntBox m_open;
  SurfacePtr m_temp;  // the open area: the pixels in place, or a premultiplied copy
  std::vector<uint32_t> m_before;
  std::vector<uint8_t> m_rowBuffer;
};

}  // namespace tavlen::gfx::detail
