// Painting: the Align rule applied to the displayed rectangle, and the paint of background, border
// and picture through the renderer onto the window's client area.
#include "control/tavlen_ctrl.h"
#include "view/ole_color.h"

namespace tavlen {

void CTavlenCtrl::DrawImage() {
  if (!m_image || !m_image->Handle()) {
    // The picture is gone, and so are its rendered tiles and its reduced copy.
    m_renderer.Forget();
    m_reduced.Clear();
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
  // A layer the painter refused stays unpainted until the next paint; the picture and its state are untouched.
  gfx::Ignore(
      m_renderer.Paint(dc, m_image->Handle(), m_viewport, Client(), style, IsVersion2() ? &m_reduced : nullptr));
}

void CTavlenCtrl::AlignImage() {
  if (!m_image) return;
  m_viewport.Align(m_align, Client());
}

}  // namespace tavlen
