// Scrolling: the scroll-bar messages, the mouse wheel and the host's scroll-position methods.
// A scroll position p puts the picture's edge at -p on its axis.
#include <algorithm>

#include "control/tavlen_ctrl.h"

namespace tavlen {

void CTavlenCtrl::MoveAxisTo(int32_t bar, int32_t position) {
  if (bar == win::SB_HORZ) {
    MoveXTo(-position);
  } else {
    MoveYTo(-position);
  }
}

void CTavlenCtrl::ScrollAxis(int32_t bar, uint32_t code, uint32_t position) {
  const int64_t excess = bar == win::SB_HORZ ? m_viewWidth - m_clientWidth : m_viewHeight - m_clientHeight;
  // A page is a quarter of the hidden part of the picture, not a client width.
  const int64_t page = excess / 4;
  const int64_t current = GetScrollPos(bar);
  int64_t next = 0;
  switch (code) {
    case win::SB_LINELEFT:
      next = std::max<int64_t>(current - 1, 0);
      break;
    case win::SB_LINERIGHT:
      next = std::min(current + 1, excess);
      break;
    case win::SB_PAGELEFT:
      next = std::max<int64_t>(current - page, 0);
      break;
    case win::SB_PAGERIGHT:
      next = std::min(current + page, excess);
      break;
    case win::SB_THUMBPOSITION:
    case win::SB_THUMBTRACK:
      // The thumb may reach max - page + 1, one further than the other codes go; the picture
      // follows the position the bar accepted.
      SetScrollPos(bar, static_cast<int32_t>(position), win::TRUE);
      MoveAxisTo(bar, GetScrollPos(bar));
      return;
    case win::SB_LEFT:
      next = 0;
      break;
    case win::SB_RIGHT:
      next = excess;
      break;
    default:  // SB_ENDSCROLL and beyond
      return;
  }
  SetScrollPos(bar, static_cast<int32_t>(next), win::TRUE);
  MoveAxisTo(bar, static_cast<int32_t>(next));
}

void CTavlenCtrl::OnHScroll(uint32_t code, uint32_t position) {
  ScrollAxis(win::SB_HORZ, code, position);
  COleControl::OnHScroll(code, position);
}

void CTavlenCtrl::OnVScroll(uint32_t code, uint32_t position) {
  ScrollAxis(win::SB_VERT, code, position);
  COleControl::OnVScroll(code, position);
}

BOOL CTavlenCtrl::OnMouseWheel(uint32_t flags, int16_t delta, fw::POINT point) {
  // Ctrl alone turns the wheel horizontal; Shift, or Ctrl with anything else, keeps it vertical.
  const bool horizontal = flags == win::MK_CONTROL;
  const int32_t bar = horizontal ? win::SB_HORZ : win::SB_VERT;
  const bool shown = horizontal ? m_horzBarShown : m_vertBarShown;
  // Only whole single notches scroll.
  if (shown && (delta == win::WHEEL_DELTA || delta == -win::WHEEL_DELTA)) {
    const int64_t excess = horizontal ? m_viewWidth - m_clientWidth : m_viewHeight - m_clientHeight;
    const int64_t current = GetScrollPos(bar);
    const int64_t next =
        delta == win::WHEEL_DELTA ? std::max<int64_t>(current - excess / 4, 0) : std::min(current + excess / 4, excess);
    SetScrollPos(bar, static_cast<int32_t>(next), win::TRUE);
    MoveAxisTo(bar, static_cast<int32_t>(next));
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
  if (m_horzBarShown && m_horzPosSaved) {
    SetScrollPos(win::SB_HORZ, m_savedHorzPos, win::TRUE);
    MoveXTo(-GetScrollPos(win::SB_HORZ));
  }
  if (m_vertBarShown && m_vertPosSaved) {
    SetScrollPos(win::SB_VERT, m_savedVertPos, win::TRUE);
    MoveYTo(-GetScrollPos(win::SB_VERT));
  }
}

void CTavlenCtrl::SetScrollBarPos(int32_t X, int32_t Y) {
  if (m_horzBarShown) {
    SetScrollPos(win::SB_HORZ, X, win::TRUE);
    MoveXTo(-GetScrollPos(win::SB_HORZ));
  }
  if (m_vertBarShown) {
    SetScrollPos(win::SB_VERT, Y, win::TRUE);
    MoveYTo(-GetScrollPos(win::SB_VERT));
  }
}

}  // namespace tavlen
