// Placement: the picture's pixel size, moves and shifts of the displayed rectangle, and the
// pointer and picture positions reported to the host.
#include "control/tavlen_ctrl.h"

namespace tavlen {

int32_t CTavlenCtrl::GetWidth() { return m_image ? static_cast<int32_t>(m_image->Width()) : 0; }

int32_t CTavlenCtrl::GetHeight() { return m_image ? static_cast<int32_t>(m_image->Height()) : 0; }

void CTavlenCtrl::MoveTo(int32_t X, int32_t Y) {
  if (!m_image) return;
  m_placement.Moved();
  m_viewport.imageLeft = X;
  m_viewport.imageTop = Y;
  InvalidateClientArea();
}

void CTavlenCtrl::MoveXTo(int32_t X) {
  if (!m_image) return;
  m_placement.Moved();
  m_viewport.imageLeft = X;
  InvalidateClientArea();
}

void CTavlenCtrl::MoveYTo(int32_t Y) {
  if (!m_image) return;
  m_placement.Moved();
  m_viewport.imageTop = Y;
  InvalidateClientArea();
}

void CTavlenCtrl::ShiftX(int32_t X) {
  if (!m_image) return;
  m_placement.Shifted();
  m_viewport.ShiftX(X);
  InvalidateClientArea();
}

void CTavlenCtrl::ShiftY(int32_t Y) {
  if (!m_image) return;
  m_placement.Shifted();
  m_viewport.ShiftY(Y);
  InvalidateClientArea();
}

double CTavlenCtrl::GetMouseXpos() const { return m_mouseX; }
double CTavlenCtrl::GetMouseYpos() const { return m_mouseY; }
double CTavlenCtrl::GetImageXpos() const { return m_viewport.imageLeft; }
double CTavlenCtrl::GetImageYpos() const { return m_viewport.imageTop; }

void CTavlenCtrl::OnMouseMove(uint32_t flags, fw::POINT point) {
  m_mouseX = point.x;
  m_mouseY = point.y;
  // The framework fires the stock MouseMove event.
  COleControl::OnMouseMove(flags, point);
}

}  // namespace tavlen
