// The graphics object: draws shapes, regions, images and text onto a bitmap or a window surface.
#pragma once

#include <functional>
#include <memory>
#include <string_view>

#include "platform/graphics/bitmap.h"
#include "platform/graphics/drawing/brush.h"
#include "platform/graphics/drawing/drawing_types.h"
#include "platform/graphics/drawing/font.h"
#include "platform/graphics/drawing/image_attributes.h"
#include "platform/graphics/drawing/path.h"
#include "platform/graphics/drawing/region.h"
#include "platform/graphics/drawing/surface.h"

typedef struct _cairo cairo_t;

namespace tavlen::gfx {

namespace detail {
struct CairoDeleter;  // cairo_ptr.h
class RenderTarget;
struct IntBox;
}  // namespace detail

class Graphics {
 public:
  using Ptr = std::unique_ptr<Graphics>;

  // Draws into the bitmap's own pixels: 24bppRGB, 32bppRGB, 32bppARGB, 32bppPARGB, 48bppRGB,
  // 64bppARGB or 64bppPARGB. Pixels a drawing does not change keep their exact stored values.
  // InvalidParameter for indexed and 16-bit formats; ObjectBusy while the bitmap is locked.
  // The bitmap must outlive the graphics object.
  static Result<Ptr> FromImage(Bitmap& bitmap);
  // Draws into a window's (or printer page's) pixels, never outside its clip. InvalidParameter
  // for missing pixels, a zero size or a stride too small or not a multiple of 4.
  static Result<Ptr> FromSurface(const WindowSurface& surface);
  ~Graphics();

  // State. Setters return InvalidParameter for values outside the published ranges.
  InterpolationMode GetInterpolationMode() const { return m_interpolation; }
  Status SetInterpolationMode(InterpolationMode mode);
  Unit GetPageUnit() const { return m_pageUnit; }
  Status SetPageUnit(Unit unit);  // World is refused, as it has no size of its own
  float GetPageScale() const { return m_pageScale; }
  Status SetPageScale(float scale);
  SmoothingMode GetSmoothingMode() const { return m_smoothing; }
  Status SetSmoothingMode(SmoothingMode mode);  // AntiAlias and HighQuality smooth shape edges
  float DpiX() const { return m_dpiX; }
  float DpiY() const { return m_dpiY; }
  // Restricts drawing to a rectangle in world units (rounded to whole pixels), within the surface's own clip.
  Status SetClip(const RectF& rect);
  void ResetClip();

  // Every drawing call returns Ok when nothing falls inside the clip.
  Status Clear(Argb color);
  Status FillRectangle(const Brush& brush, const RectF& rect);
  Status FillRectangle(const Brush& brush, const Rect& rect) { return FillRectangle(brush, RectF::From(rect)); }
  // With an Inset pen the stroke covers the outermost pen-width pixels of the rectangle itself
  // ([x, x + width) x [y, y + height)); with a Center pen it straddles the outline, a one-pixel
  // pen covering columns x and x + width.
  Status DrawRectangle(const Pen& pen, const RectF& rect);
  Status DrawRectangle(const Pen& pen, const Rect& rect) { return DrawRectangle(pen, RectF::From(rect)); }
  Status FillPath(const Brush& brush, const GraphicsPath& path);
  Status DrawPath(const Pen& pen, const GraphicsPath& path);
  Status FillRegion(const Brush& brush, const Region& region);

  // The whole image scaled into dest (world units) with the interpolation mode; only what lands in
  // the clip is computed. InvalidParameter for a negative or non-finite size or an empty image.
  Status DrawImage(const Bitmap& image, const RectF& dest);
  Status DrawImage(const Bitmap& image, const Rect& dest) { return DrawImage(image, RectF::From(dest)); }
  // A source rectangle (in pixels; InvalidParameter unless srcUnit is Pixel and it lies inside the
  // image) to dest, through the attributes' colour matrix when given. Drawing a bitmap onto its
  // own graphics object reads the pixels as they were before the call.
  Status DrawImage(const Bitmap& image, const RectF& dest, const RectF& src, Unit srcUnit,
                   const ImageAttributes* attributes);
  Status DrawImage(const Bitmap& image, const Rect& dest, const Rect& src, Unit srcUnit,
                   const ImageAttributes* attributes) {
    return DrawImage(image, RectF::From(dest), RectF::From(src), srcUnit, attributes);
  }

  // UTF-8 text laid out by pango in `layout` (zero width or height: unbounded in that direction),
  // anti-aliased, with the brush. A null format is the default one. Line breaks start new lines.
  Status DrawString(std::string_view utf8, const Font& font, const RectF& layout, const StringFormat* format,
                    const Brush& brush);
  // The size in world units the text would take: its logical extents, padding included.
  Status MeasureString(std::string_view utf8, const Font& font, const RectF& layout, const StringFormat* format,
                       RectF& bounds);

 private:
  explicit Graphics(std::unique_ptr<detail::RenderTarget> target);

  // A context on a scratch surface with the world transform, for measuring.
  std::unique_ptr<cairo_t, detail::CairoDeleter> MeasureContext() const;
  // World-to-device scale of the page unit and scale.
  double ScaleX() const;
  double ScaleY() const;
  void ApplyTransform(cairo_t* cr) const;
  bool Smooth() const;
  // The device pixels drawing may touch.
  detail::IntBox ClipBox() const;
  // Runs `draw` on every piece of box (clipped) that the target can open at once.
  Status Paint(const detail::IntBox& box, const std::function<void(cairo_t*)>& draw);
  double EmSizeInWorld(const Font& font) const;
  double PenWidthInDevice(const Pen& pen) const;
  Status DrawImageImpl(const Bitmap& image, const RectF& dest, const RectF& src, const ImageAttributes* attributes);

  std::unique_ptr<detail::RenderTarget> m_target;
  InterpolationMode m_interpolation = InterpolationMode::Default;
  Unit m_pageUnit = Unit::Display;
  float m_pageScale = 1.0f;
  SmoothingMode m_smoothing = SmoothingMode::Default;
  float m_dpiX = 96.0f;
  float m_dpiY = 96.0f;
  bool m_printer = false;
  bool m_hasClip = false;
  Rect m_clip{};
};

}  // namespace tavlen::gfx
