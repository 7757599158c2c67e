// Painting: the Align rule applied to the displayed rectangle, and the paint of background, border
// and picture through the renderer onto the window's client area.
#include "control/tavlen_ctrl.h"
#include "view/ole_color.h"

namespace tavlen {

void CTavlenCtrl::DrawImage() {
  if (!m_image || !m_image->Handle()) {
    m_renderer.Forget();  // the picture is gone, and so are its rendered tiles
    if (!m_image) return;
  }
  if (m_placement.AlignsBeforePaint()) AlignImage();
  // The layers go to the window's client area through a context of their own, not OnDraw's.
  std::unique_ptr<win::DeviceContext> dc = GetDC();
  if (dc) DrawImageOn(*dc);
}

void CTavlenCtrl::DrawImageOn(win::DeviceContext& dc) {
  const PaintStyle style{.backStyle = m_backStyle,
                         .back = OleColorToArgb(GetBackColor()),
                         .fore = OleColorToArgb(GetForeColor()),
                         .showBorder = m_showBorder != win::FALSE,
                         .borderWidth = m_borderWidth,
                         .borderColor = OleColorToArgb(m_borderColor)};
  m_renderer.Paint(dc, m_image->Handle(), m_viewport, Client(), style);
}

void CTavlenCtrl::AlignImage() {
  if (!m_image) return;
  m_viewport.Align(m_align, Client());
}

}  // namespace tavlen
