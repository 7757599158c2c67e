// The scroll-bar refresh: the window's standard bars follow the displayed size.
#include "control/tavlen_ctrl.h"

namespace tavlen {

void CTavlenCtrl::UpdateScrollBars() {
  // A bar is shown only while the picture is larger than the client area on its axis; its range is
  // the displayed size and its page the client size, so positions run up to the hidden excess + 1.
  const struct {
    int32_t bar;
    int32_t view;
    int32_t client;
    BOOL& shown;
  } axes[] = {
      {win::SB_HORZ, m_viewWidth, m_clientWidth, m_horzBarShown},
      {win::SB_VERT, m_viewHeight, m_clientHeight, m_vertBarShown},
  };
  for (const auto& axis : axes) {
    if (int64_t{axis.view} - axis.client > 0) {
      win::SCROLLINFO info;
      info.fMask = win::SIF_ALL;
      info.nMin = 0;
      info.nMax = axis.view;
      info.nPage = static_cast<uint32_t>(axis.client);
      info.nPos = GetScrollPos(axis.bar);
      SetScrollInfo(axis.bar, info, win::TRUE);
      ShowScrollBar(axis.bar, win::TRUE);
      axis.shown = win::TRUE;
    } else {
      ShowScrollBar(axis.bar, win::FALSE);
      axis.shown = win::FALSE;
    }
  }
}

}  // namespace tavlen
