// The window's standard scroll bars: range, page and position with the desktop's clamping, and the
// bars' share of the outer size.
#include <algorithm>

#include "platform/window/window_impl.h"

namespace tavlen::win {

namespace {

bool IsStandardBar(int32_t bar) { return bar == SB_HORZ || bar == SB_VERT; }

// Largest position the thumb can reach: max - (page - 1), or max for a page of 0.
int64_t MaxPosition(const ScrollBarState& s) {
  return static_cast<int64_t>(s.max) - std::max<int64_t>(static_cast<int64_t>(s.page) - 1, 0);
}

bool CannotScroll(const ScrollBarState& s) { return s.min >= MaxPosition(s); }

}  // namespace

int32_t Window::SetScrollInfo(int32_t bar, const SCROLLINFO& info, BOOL /*redraw*/) {
  if (!m_impl->exists || !IsStandardBar(bar)) return 0;
  ScrollBarState& s = m_impl->bars[static_cast<size_t>(bar)];
  const ScrollBarState before = s;

  if (info.fMask & SIF_PAGE) s.page = info.nPage;
  if (info.fMask & SIF_POS) s.pos = info.nPos;
  if (info.fMask & SIF_RANGE) {
    // A reversed range, or one wider than a signed 32-bit span, becomes 0 ... 0.
    int64_t span = static_cast<int64_t>(info.nMax) - info.nMin;
    if (span < 0 || span >= 0x80000000LL) {
      s.min = 0;
      s.max = 0;
    } else {
      s.min = info.nMin;
      s.max = info.nMax;
    }
  }
  // The page never exceeds the range's size, and the position stays where the thumb can go.
  int64_t rangeSize = static_cast<int64_t>(s.max) - s.min + 1;
  if (static_cast<int64_t>(s.page) > rangeSize) s.page = static_cast<uint32_t>(rangeSize);
  if (s.pos < s.min) {
    s.pos = s.min;
  } else if (s.pos > MaxPosition(s)) {
    s.pos = static_cast<int32_t>(MaxPosition(s));
  }
  s.trackPos = s.pos;

  // A standard bar appears when its new range lets it scroll and disappears when it cannot,
  // unless the caller asks to keep it, disabled.
  bool changed = s.min != before.min || s.max != before.max || s.page != before.page || s.pos != before.pos;
  if (info.fMask & (SIF_RANGE | SIF_PAGE | SIF_DISABLENOSCROLL)) {
    if (CannotScroll(s)) {
      if (info.fMask & SIF_DISABLENOSCROLL) {
        s.disabled = true;
      } else if (changed && s.shown) {
        s.shown = false;
        m_impl->Relayout();
      }
    } else if (info.fMask != SIF_PAGE) {
      s.disabled = false;
      if (changed && !s.shown) {
        s.shown = true;
        m_impl->Relayout();
      }
    }
  }
  m_impl->NotifyLayout();
  return m_impl->bars[static_cast<size_t>(bar)].pos;
}

BOOL Window::GetScrollInfo(int32_t bar, SCROLLINFO& info) const {
  if (!m_impl->exists || !IsStandardBar(bar)) return FALSE;
  const ScrollBarState& s = m_impl->bars[static_cast<size_t>(bar)];
  if (info.fMask & SIF_RANGE) {
    info.nMin = s.min;
    info.nMax = s.max;
  }
  if (info.fMask & SIF_PAGE) info.nPage = s.page;
  if (info.fMask & SIF_POS) info.nPos = s.pos;
  if (info.fMask & SIF_TRACKPOS) info.nTrackPos = s.trackPos;
  return (info.fMask & SIF_ALL) != 0 ? TRUE : FALSE;
}

int32_t Window::SetScrollPos(int32_t bar, int32_t pos, BOOL redraw) {
  if (!m_impl->exists || !IsStandardBar(bar)) return 0;
  int32_t previous = m_impl->bars[static_cast<size_t>(bar)].pos;
  SCROLLINFO info;
  info.fMask = SIF_POS;
  info.nPos = pos;
  SetScrollInfo(bar, info, redraw);
  return previous;
}

int32_t Window::GetScrollPos(int32_t bar) const {
  if (!m_impl->exists || !IsStandardBar(bar)) return 0;
  return m_impl->bars[static_cast<size_t>(bar)].pos;
}

BOOL Window::SetScrollRange(int32_t bar, int32_t min, int32_t max, BOOL redraw) {
  if (!m_impl->exists || !IsStandardBar(bar)) return FALSE;
  SCROLLINFO info;
  info.fMask = SIF_RANGE;
  info.nMin = min;
  info.nMax = max;
  SetScrollInfo(bar, info, redraw);
  return TRUE;
}

BOOL Window::ShowScrollBar(int32_t bar, BOOL show) {
  if (!m_impl->exists) return FALSE;
  if (bar != SB_HORZ && bar != SB_VERT && bar != SB_BOTH) return FALSE;
  bool visible = show != FALSE;
  if (bar == SB_HORZ || bar == SB_BOTH) m_impl->bars[SB_HORZ].shown = visible;
  if (bar == SB_VERT || bar == SB_BOTH) m_impl->bars[SB_VERT].shown = visible;
  m_impl->Relayout();
  m_impl->NotifyLayout();
  return TRUE;
}

ScrollBarState Window::GetScrollBarState(int32_t bar) const {
  if (!IsStandardBar(bar)) return {};
  return m_impl->bars[static_cast<size_t>(bar)];
}

}  // namespace tavlen::win
