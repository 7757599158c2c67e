// Painting: alignment of the picture, the background around it, its border and the picture itself,
// each drawn onto the window's client area.
#include <array>
#include <cmath>

#include "control/ole_color.h"
#include "control/tavlen_ctrl.h"
#include "platform/graphics/drawing/graphics.h"

namespace tavlen {

namespace {

// A device context for the client area and a graphics object on it, released together.
struct ClientPainter {
  std::unique_ptr<win::DeviceContext> dc;
  gfx::Graphics::Ptr graphics;
  explicit operator bool() const { return graphics != nullptr; }
};

int32_t TruncToInt(double value) {
  if (!(value > -2147483648.0 && value < 2147483648.0)) return value > 0 ? INT32_MAX : INT32_MIN;
  return static_cast<int32_t>(value);
}

// Opens the pair, or an empty one when the window is gone or the painter refuses the surface.
ClientPainter OpenClientPainter(std::unique_ptr<win::DeviceContext> dc) {
  ClientPainter painter;
  if (!dc) return painter;
  auto graphics = gfx::Graphics::FromSurface(dc->Surface());
  painter.dc = std::move(dc);
  if (graphics.Ok()) painter.graphics = std::move(graphics).Value();
  return painter;
}

}  // namespace

void CTavlenCtrl::DrawImage() {
  if (!m_image || !m_image->Handle()) {
    m_tileCache.Clear();  // the picture is gone, and so are its rendered tiles
    if (!m_image) return;
  }
  ClientPainter painter = OpenClientPainter(GetDC());
  if (m_realignPending) AlignImage();
  DrawBackground();
  DrawBorder();
  if (!painter || !m_image->Handle()) return;
  // Drawn last so that it covers whatever part of the border overlaps it. The picture's bicubic
  // rendering is kept in tiles, so a repaint after a move, scroll or expose only copies the pixels
  // that land in the client area.
  const win::RECT clip = painter.dc->ClipBox();
  gfx::Ignore(m_tileCache.Draw(*painter.graphics, *m_image->Handle(),
                               gfx::Rect{m_imageLeft, m_imageTop, m_viewWidth, m_viewHeight},
                               gfx::Rect{clip.left, clip.top, clip.right - clip.left, clip.bottom - clip.top}));
}

void CTavlenCtrl::AlignImage() {
  if (!m_image) return;
  const int32_t freeX = m_clientWidth - m_viewWidth;
  const int32_t freeY = m_clientHeight - m_viewHeight;
  switch (m_align) {
    case 0:  // None
      break;
    case 1:  // Top: the horizontal position stays where loading, a move or a shift left it
      m_imageTop = 0;
      break;
    case 2:  // TopLeft
      m_imageLeft = 0;
      m_imageTop = 0;
      break;
    case 3:  // TopRight
      m_imageLeft = freeX;
      m_imageTop = 0;
      break;
    case 4:  // Center
      m_imageLeft = freeX / 2;
      m_imageTop = freeY / 2;
      break;
    case 5:  // Bottom
      m_imageTop = freeY;
      break;
    case 6:  // BottomLeft
      m_imageLeft = 0;
      m_imageTop = freeY;
      break;
    case 7:  // BottomRight
      m_imageLeft = freeX;
      m_imageTop = freeY;
      break;
    default:  // not an ImageAlign value: the placement stays
      break;
  }
}

void CTavlenCtrl::DrawBackground() {
  if (!m_image) return;
  ClientPainter painter = OpenClientPainter(GetDC());
  if (!painter) return;
  const gfx::Argb back = OleColorToArgb(GetBackColor());
  const gfx::Argb fore = OleColorToArgb(GetForeColor());
  // The hatch lines take the back colour and the spaces between them the fore colour.
  const gfx::Brush solid = gfx::Brush::Solid(back);
  auto hatch = m_backStyle >= 1 ? gfx::Brush::Hatch(m_backStyle - 1, back, fore)
                                : gfx::Result<gfx::Brush>(gfx::Status::InvalidParameter);

  // A closed curve through the client corners bulges outward and so encloses the client area;
  // xor with the picture's rectangle leaves, inside the window, the client area less the picture.
  gfx::GraphicsPath path(gfx::FillMode::Alternate);
  const std::array<gfx::Point, 4> corners = {gfx::Point{0, 0}, gfx::Point{m_clientWidth, 0},
                                             gfx::Point{m_clientWidth, m_clientHeight}, gfx::Point{0, m_clientHeight}};
  gfx::Ignore(path.AddClosedCurve(corners));
  gfx::Region region(path);
  gfx::Ignore(region.Combine(gfx::Rect{m_imageLeft, m_imageTop, m_viewWidth, m_viewHeight}, gfx::CombineMode::Xor));

  if (m_backStyle == 0) {
    gfx::Ignore(painter.graphics->FillRegion(solid, region));
  } else if (hatch.Ok()) {
    gfx::Ignore(painter.graphics->FillRegion(hatch.Value(), region));
  }
}

void CTavlenCtrl::DrawBorder() {
  if (!m_image) return;
  ClientPainter painter = OpenClientPainter(GetDC());
  if (!painter) return;
  const double bw = m_borderWidth;
  // A picture at the client edge gets a frame that grows by one width only, so its near stroke
  // lies under the picture.
  int32_t x = 0, y = 0, w = 0, h = 0;
  if (m_imageLeft != 0) {
    x = TruncToInt(m_imageLeft - bw);
    w = TruncToInt(m_viewWidth + 2 * bw);
  } else {
    w = TruncToInt(m_viewWidth + bw);
  }
  if (m_imageTop != 0) {
    y = TruncToInt(m_imageTop - bw);
    h = TruncToInt(m_viewHeight + 2 * bw);
  } else {
    h = TruncToInt(m_viewHeight + bw);
  }
  auto pen = gfx::Pen::Create(OleColorToArgb(m_borderColor), static_cast<float>(bw), gfx::Unit::World);
  if (!pen.Ok()) return;
  pen.Value().SetAlignment(gfx::PenAlignment::Inset);
  if (m_showBorder) {
    gfx::Ignore(painter.graphics->DrawRectangle(pen.Value(), gfx::RectF{static_cast<float>(x), static_cast<float>(y),
                                                                        static_cast<float>(w), static_cast<float>(h)}));
  }
}

}  // namespace tavlen
