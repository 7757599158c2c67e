// Scrolling: the scroll-bar messages, the mouse wheel and the host's scroll-position methods.
// A scroll position p puts the picture's edge at -p on its axis.
#include "control/tavlen_ctrl.h"

namespace tavlen {

namespace {

// ScrollAxis values are the window system's bar identifiers (view/viewport.cpp checks them).
int32_t BarOf(ScrollAxis axis) { return static_cast<int32_t>(axis); }

}  // namespace

void CTavlenCtrl::ScrollTo(ScrollAxis axis, int32_t position) {
  SetScrollPos(BarOf(axis), position, win::TRUE);
  // The bar clamps to 0 ... max - page + 1; the picture follows the position it accepted.
  const int32_t accepted = GetScrollPos(BarOf(axis));
  const bool horizontal = axis == ScrollAxis::Horizontal;
  const int64_t step = -int64_t{accepted} - (horizontal ? m_viewport.imageLeft : m_viewport.imageTop);
  if (step > INT32_MIN && step <= INT32_MAX &&
      ScrollPaintedPicture(horizontal ? static_cast<int32_t>(step) : 0, horizontal ? 0 : static_cast<int32_t>(step))) {
    return;
  }
  if (horizontal) {
    MoveXTo(-accepted);
  } else {
    MoveYTo(-accepted);
  }
}

bool CTavlenCtrl::ScrollPaintedPicture(int32_t dx, int32_t dy) {
  // The window's pixels are the picture as painted only when nothing waits to be painted, and at a
  // size the last paint saw; whether moving them equals painting again is the renderer's to say.
  const win::Window* window = GetWindow();
  if (!window || window->NeedsPaint() || (dx == 0 && dy == 0)) return false;
  if (!m_image || !m_image->Handle() || m_image->Handle()->IsLocked() || !m_placement.CanMovePixels()) return false;
  const win::RECT client = window->GetClientRect();
  if (client.right != m_clientWidth || client.bottom != m_clientHeight) return false;
  if (!PictureRenderer::MovedPixelsMatchPaint(*m_image->Handle(), m_viewport, Client(), dx, dy)) return false;
  // No overflow: the moved picture still covers the client area, so its edges stay within 32 bits.
  m_viewport.imageLeft += dx;
  m_viewport.imageTop += dy;
  m_placement.PixelsMoved();
  ScrollWindow(dx, dy);
  return true;
}

void CTavlenCtrl::ScrollOneAxis(ScrollAxis axis, uint32_t code, uint32_t position) {
  const auto request = static_cast<ScrollCode>(code);
  if (request == ScrollCode::ThumbPosition || request == ScrollCode::ThumbTrack) {
    // The thumb may reach max - page + 1, one further than the other codes go.
    ScrollTo(axis, static_cast<int32_t>(position));
    return;
  }
  const auto next = m_viewport.ScrollTarget(axis, Client(), code, GetScrollPos(BarOf(axis)));
  if (next) ScrollTo(axis, *next);
}

void CTavlenCtrl::OnHScroll(uint32_t code, uint32_t position) {
  ScrollOneAxis(ScrollAxis::Horizontal, code, position);
  COleControl::OnHScroll(code, position);
}

void CTavlenCtrl::OnVScroll(uint32_t code, uint32_t position) {
  ScrollOneAxis(ScrollAxis::Vertical, code, position);
  COleControl::OnVScroll(code, position);
}

BOOL CTavlenCtrl::OnMouseWheel(uint32_t flags, int16_t delta, fw::POINT point) {
  // Ctrl alone turns the wheel horizontal; Shift, or Ctrl with anything else, keeps it vertical.
  const bool horizontal = flags == win::MK_CONTROL;
  const ScrollAxis axis = horizontal ? ScrollAxis::Horizontal : ScrollAxis::Vertical;
  const bool shown = horizontal ? m_horzBarShown : m_vertBarShown;
  if (shown) {
    const auto next = m_viewport.WheelTarget(axis, Client(), delta, GetScrollPos(BarOf(axis)));
    if (next) ScrollTo(axis, *next);
  }
  return COleControl::OnMouseWheel(flags, delta, point);
}

int32_t CTavlenCtrl::GetHorzScrollBarPos() const { return m_horzBarShown ? m_savedHorzPos : 0; }

int32_t CTavlenCtrl::GetVertScrollBarPos() const { return m_vertBarShown ? m_savedVertPos : 0; }

void CTavlenCtrl::SaveScrollBarPos() {
  if (m_horzBarShown) {
    m_savedHorzPos = GetScrollPos(win::SB_HORZ);
    m_horzPosSaved = win::TRUE;
  } else {
    m_horzPosSaved = win::FALSE;
  }
  if (m_vertBarShown) {
    m_savedVertPos = GetScrollPos(win::SB_VERT);
    m_vertPosSaved = win::TRUE;
  } else {
    m_vertPosSaved = win::FALSE;
  }
}

void CTavlenCtrl::RestoreScrollBarPos() {
  if (m_horzBarShown && m_horzPosSaved) ScrollTo(ScrollAxis::Horizontal, m_savedHorzPos);
  if (m_vertBarShown && m_vertPosSaved) ScrollTo(ScrollAxis::Vertical, m_savedVertPos);
}

void CTavlenCtrl::SetScrollBarPos(int32_t X, int32_t Y) {
  if (m_horzBarShown) ScrollTo(ScrollAxis::Horizontal, X);
  if (m_vertBarShown) ScrollTo(ScrollAxis::Vertical, Y);
}

}  // namespace tavlen
