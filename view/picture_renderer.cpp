// Painting the three layers: background, border and picture.
#include "view/picture_renderer.h"

#include <array>
#include <optional>

#include "view/back_style.h"

namespace tavlen {

namespace {

int32_t TruncToInt(double value) {
  if (!(value > -2147483648.0 && value < 2147483648.0)) return value > 0 ? INT32_MAX : INT32_MIN;
  return static_cast<int32_t>(value);
}

}  // namespace

gfx::Rect BorderFrame(const Viewport& viewport, double width) {
  gfx::Rect frame;
  if (viewport.imageLeft != 0) {
    frame.x = TruncToInt(viewport.imageLeft - width);
    frame.width = TruncToInt(viewport.viewWidth + 2 * width);
  } else {
    frame.width = TruncToInt(viewport.viewWidth + width);
  }
  if (viewport.imageTop != 0) {
    frame.y = TruncToInt(viewport.imageTop - width);
    frame.height = TruncToInt(viewport.viewHeight + 2 * width);
  } else {
    frame.height = TruncToInt(viewport.viewHeight + width);
  }
  return frame;
}

bool PictureRenderer::MovedPixelsMatchPaint(const gfx::Bitmap& picture, const Viewport& viewport, ClientSize client,
                                            int32_t dx, int32_t dy) {
  auto covers = [&](int64_t left, int64_t top) {
    return left <= 0 && top <= 0 && left + viewport.viewWidth >= client.width &&
           top + viewport.viewHeight >= client.height;
  };
  return covers(viewport.imageLeft, viewport.imageTop) &&
         covers(int64_t{viewport.imageLeft} + dx, int64_t{viewport.imageTop} + dy) && TileCache::Opaque(picture);
}

void PictureRenderer::Paint(win::DeviceContext& dc, const gfx::Bitmap* picture, const Viewport& viewport,
                            ClientSize client, const PaintStyle& style) {
  auto graphics = gfx::Graphics::FromSurface(dc.Surface());
  if (!graphics.Ok()) return;
  gfx::Graphics& target = *graphics.Value();
  DrawBackground(target, viewport, client, style);
  DrawBorder(target, viewport, style);
  if (!picture) return;
  // Drawn last so that it covers whatever part of the border overlaps it.
  const win::RECT clip = dc.ClipBox();
  gfx::Ignore(m_tiles.Draw(target, *picture, viewport.Rectangle(),
                           gfx::Rect{clip.left, clip.top, clip.right - clip.left, clip.bottom - clip.top}));
}

void PictureRenderer::DrawBackground(gfx::Graphics& graphics, const Viewport& viewport, ClientSize client,
                                     const PaintStyle& style) {
  // A closed curve through the client corners bulges outward and so encloses the client area;
  // xor with the picture's rectangle leaves, inside the window, the client area less the picture.
  gfx::GraphicsPath path(gfx::FillMode::Alternate);
  const std::array<gfx::Point, 4> corners = {gfx::Point{0, 0}, gfx::Point{client.width, 0},
                                             gfx::Point{client.width, client.height}, gfx::Point{0, client.height}};
  gfx::Ignore(path.AddClosedCurve(corners));
  gfx::Region region(path);
  gfx::Ignore(region.Combine(viewport.Rectangle(), gfx::CombineMode::Xor));

  if (style.backStyle == static_cast<int16_t>(BackStyle::Solid)) {
    gfx::Ignore(graphics.FillRegion(gfx::Brush::Solid(style.back), region));
    return;
  }
  // A value outside the list selects no hatch and leaves the background unpainted.
  const std::optional<gfx::HatchStyle> hatchStyle = HatchFor(style.backStyle);
  if (!hatchStyle) return;
  auto hatch = gfx::Brush::Hatch(static_cast<int32_t>(*hatchStyle), style.back, style.fore);
  if (hatch.Ok()) gfx::Ignore(graphics.FillRegion(hatch.Value(), region));
}

void PictureRenderer::DrawBorder(gfx::Graphics& graphics, const Viewport& viewport, const PaintStyle& style) {
  if (!style.showBorder) return;
  auto pen = gfx::Pen::Create(style.borderColor, static_cast<float>(style.borderWidth), gfx::Unit::World);
  if (!pen.Ok()) return;
  pen.Value().SetAlignment(gfx::PenAlignment::Inset);
  const gfx::Rect frame = BorderFrame(viewport, style.borderWidth);
  gfx::Ignore(graphics.DrawRectangle(
      pen.Value(), gfx::RectF{static_cast<float>(frame.x), static_cast<float>(frame.y), static_cast<float>(frame.width),
                              static_cast<float>(frame.height)}));
}

}  // namespace tavlen
