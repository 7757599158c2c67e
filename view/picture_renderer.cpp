// Painting the three layers: background, border and picture.
#include "view/picture_renderer.h"

#include <array>
#include <initializer_list>
#include <optional>

#include "view/back_style.h"

namespace tavlen {

namespace {

// The first failure of a sequence of steps that all run.
gfx::Status FirstFailure(std::initializer_list<gfx::Status> steps) {
  for (const gfx::Status s : steps)
    if (s != gfx::Status::Ok) return s;
  return gfx::Status::Ok;
}

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

gfx::Status PictureRenderer::Paint(win::DeviceContext& dc, const gfx::Bitmap* picture, const Viewport& viewport,
                                   ClientSize client, const PaintStyle& style, ReducedCopy* reduced) {
  auto graphics = gfx::Graphics::FromSurface(dc.Surface());
  if (!graphics.Ok()) return graphics.GetStatus();
  gfx::Graphics& target = *graphics.Value();
  const gfx::Status background = DrawBackground(target, viewport, client, style);
  const gfx::Status border = DrawBorder(target, viewport, style);
  if (!picture) return FirstFailure({background, border});
  // Drawn last so that it covers whatever part of the border overlaps it.
  const win::RECT clip = dc.ClipBox();
  const gfx::Rect visible{clip.left, clip.top, clip.right - clip.left, clip.bottom - clip.top};
  const gfx::Bitmap* copy = reduced ? reduced->For(*picture, viewport.viewWidth, viewport.viewHeight) : nullptr;
  const gfx::Status image = copy ? m_tiles.Draw(target, *copy, reduced->Area(), viewport.Rectangle(), visible)
                                 : m_tiles.Draw(target, *picture, viewport.Rectangle(), visible);
  return FirstFailure({background, border, image});
}

gfx::Status PictureRenderer::DrawBackground(gfx::Graphics& graphics, const Viewport& viewport, ClientSize client,
                                            const PaintStyle& style) {
  // A closed curve through the client corners bulges outward and so encloses the client area;
  // xor with the picture's rectangle leaves, inside the window, the client area less the picture.
  gfx::GraphicsPath path(gfx::FillMode::Alternate);
  const std::array<gfx::Point, 4> corners = {gfx::Point{0, 0}, gfx::Point{client.width, 0},
                                             gfx::Point{client.width, client.height}, gfx::Point{0, client.height}};
  const gfx::Status curve = path.AddClosedCurve(corners);
  gfx::Region region(path);
  const gfx::Status cut = region.Combine(viewport.Rectangle(), gfx::CombineMode::Xor);

  gfx::Status fill = gfx::Status::Ok;
  if (style.backStyle == static_cast<int16_t>(BackStyle::Solid)) {
    fill = graphics.FillRegion(gfx::Brush::Solid(style.back), region);
  } else if (const std::optional<gfx::HatchStyle> hatchStyle = HatchFor(style.backStyle)) {
    auto hatch = gfx::Brush::Hatch(static_cast<int32_t>(*hatchStyle), style.back, style.fore);
    fill = hatch.Ok() ? graphics.FillRegion(hatch.Value(), region) : hatch.GetStatus();
  }  // else a value outside the list selects no hatch and leaves the background unpainted
  return FirstFailure({curve, cut, fill});
}

gfx::Status PictureRenderer::DrawBorder(gfx::Graphics& graphics, const Viewport& viewport, const PaintStyle& style) {
  if (!style.showBorder) return gfx::Status::Ok;
  auto pen = gfx::Pen::Create(style.borderColor, static_cast<float>(style.borderWidth), gfx::Unit::World);
  if (!pen.Ok()) return pen.GetStatus();
  pen.Value().SetAlignment(gfx::PenAlignment::Inset);
  const gfx::Rect frame = BorderFrame(viewport, style.borderWidth);
  return graphics.DrawRectangle(
      pen.Value(), gfx::RectF{static_cast<float>(frame.x), static_cast<float>(frame.y), static_cast<float>(frame.width),
                              static_cast<float>(frame.height)});
}

}  // namespace tavlen
