// The scroll-bar refresh: the window's standard bars follow the displayed size.
#include "control/tavlen_ctrl.h"

namespace tavlen {

void CTavlenCtrl::UpdateScrollBars() {
  const struct {
    ScrollAxis axis;
    BOOL& shown;
  } axes[] = {{ScrollAxis::Horizontal, m_horzBarShown}, {ScrollAxis::Vertical, m_vertBarShown}};
  for (const auto& [axis, shown] : axes) {
    const int32_t bar = static_cast<int32_t>(axis);
    const BarLayout layout = m_viewport.Bar(axis, Client());
    if (layout.shown) {
      win::SCROLLINFO info;
      info.fMask = win::SIF_ALL;
      info.nMin = 0;
      info.nMax = layout.maximum;
      info.nPage = layout.page;
      info.nPos = GetScrollPos(bar);
      SetScrollInfo(bar, info, win::TRUE);
      ShowScrollBar(bar, win::TRUE);
      shown = win::TRUE;
    } else {
      ShowScrollBar(bar, win::FALSE);
      shown = win::FALSE;
    }
  }
}

}  // namespace tavlen
