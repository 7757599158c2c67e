// Placement: the picture's pixel size, moves and shifts of the displayed rectangle, and the
// pointer and picture positions reported to the host.
#include <algorithm>
#include <limits>

#include "control/tavlen_ctrl.h"

namespace tavlen {

namespace {

// Shifts are unbounded; a position that would leave 32 bits stays at the limit instead of wrapping.
int32_t SaturatingAdd(int32_t a, int32_t b) {
  const int64_t sum = int64_t{a} + b;
  return static_cast<int32_t>(
      std::clamp<int64_t>(sum, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max()));
}

}  // namespace

int32_t CTavlenCtrl::GetWidth() { return m_image ? static_cast<int32_t>(m_image->Width()) : 0; }

int32_t CTavlenCtrl::GetHeight() { return m_image ? static_cast<int32_t>(m_image->Height()) : 0; }

void CTavlenCtrl::MoveTo(int32_t X, int32_t Y) {
  if (!m_image) return;
  m_realignPending = win::FALSE;
  m_imageLeft = X;
  m_imageTop = Y;
  m_paintBackground = win::FALSE;
  InvalidateClientArea();
}

void CTavlenCtrl::MoveXTo(int32_t X) {
  if (!m_image) return;
  m_realignPending = win::FALSE;
  m_imageLeft = X;
  m_paintBackground = win::FALSE;
  InvalidateClientArea();
}

void CTavlenCtrl::MoveYTo(int32_t Y) {
  if (!m_image) return;
  m_realignPending = win::FALSE;
  m_imageTop = Y;
  m_paintBackground = win::FALSE;
  InvalidateClientArea();
}

void CTavlenCtrl::ShiftX(int32_t X) {
  if (!m_image) return;
  m_realignPending = win::FALSE;
  m_imageLeft = SaturatingAdd(m_imageLeft, X);
  InvalidateClientArea();
}

void CTavlenCtrl::ShiftY(int32_t Y) {
  if (!m_image) return;
  m_realignPending = win::FALSE;
  m_imageTop = SaturatingAdd(m_imageTop, Y);
  InvalidateClientArea();
}

double CTavlenCtrl::GetMouseXpos() const { return m_mouseX; }
double CTavlenCtrl::GetMouseYpos() const { return m_mouseY; }
double CTavlenCtrl::GetImageXpos() const { return m_imageLeft; }
double CTavlenCtrl::GetImageYpos() const { return m_imageTop; }

void CTavlenCtrl::OnMouseMove(uint32_t flags, fw::POINT point) {
  m_mouseX = point.x;
  m_mouseY = point.y;
  // The framework fires the stock MouseMove event.
  COleControl::OnMouseMove(flags, point);
}

}  // namespace tavlen
