// The Qt backend's window widget: layout from the window's state and scroll-bar actions as messages.
#include "platform/window/qt/control_widget.h"

#include <QResizeEvent>
#include <algorithm>

#include "platform/window/backend.h"
#include "platform/window/qt/input_flags.h"

namespace tavlen::win::qt {

ControlWidget::ControlWidget(WindowPort& window)
    : m_window(window),
      m_client(new ClientArea(window, this)),
      m_horzBar(MakeBar(Qt::Horizontal, SB_HORZ)),
      m_vertBar(MakeBar(Qt::Vertical, SB_VERT)) {
  setFocusProxy(m_client);
  const SIZE outer = window.GetOuterSize();
  resize(outer.cx, outer.cy);
  Relayout();
}

QScrollBar* ControlWidget::MakeBar(Qt::Orientation orientation, int32_t bar) {
  auto* scrollBar = new QScrollBar(orientation, this);
  scrollBar->setObjectName(bar == SB_HORZ ? kHorzBarWidgetName : kVertBarWidgetName);
  scrollBar->setFocusPolicy(Qt::NoFocus);
  scrollBar->hide();
  connect(scrollBar, &QAbstractSlider::actionTriggered, this,
          [this, scrollBar, bar](int action) { OnBarAction(scrollBar, bar, action); });
  connect(scrollBar, &QAbstractSlider::sliderReleased, this,
          [this, scrollBar, bar] { OnThumbReleased(scrollBar, bar); });
  return scrollBar;
}

void ControlWidget::Inject(int32_t bar, uint32_t code, uint32_t position) {
  if (bar == SB_HORZ) {
    m_window.InjectHScroll(code, position);
  } else {
    m_window.InjectVScroll(code, position);
  }
}

void ControlWidget::OnBarAction(QScrollBar* scrollBar, int32_t bar, int action) {
  const std::optional<uint32_t> code = ScrollCodeOf(action);
  if (m_syncing || !code) return;
  const int thumb = scrollBar->sliderPosition();
  Inject(bar, *code, static_cast<uint32_t>(std::max(thumb, 0)));
  // The window's owner decides where the bar goes: the slider takes the position it set, not the
  // one Qt computed for the action.
  if (!scrollBar->isSliderDown()) {
    m_syncing = true;
    scrollBar->setSliderPosition(m_window.GetScrollPos(bar));
    m_syncing = false;
  }
}

void ControlWidget::OnThumbReleased(QScrollBar* scrollBar, int32_t bar) {
  if (m_syncing) return;
  const auto thumb = static_cast<uint32_t>(std::max(scrollBar->sliderPosition(), 0));
  Inject(bar, SB_THUMBPOSITION, thumb);
  Inject(bar, SB_ENDSCROLL, 0);
  SyncBar(scrollBar, bar);
}

void ControlWidget::SyncBar(QScrollBar* scrollBar, int32_t bar) {
  const ScrollBarState state = m_window.GetScrollBarState(bar);
  // The thumb reaches max - page + 1, the same limit the window clamps positions to.
  const int64_t last = static_cast<int64_t>(state.max) - std::max<int64_t>(static_cast<int64_t>(state.page) - 1, 0);
  m_syncing = true;
  scrollBar->setRange(state.min, static_cast<int>(std::max<int64_t>(last, state.min)));
  scrollBar->setPageStep(static_cast<int>(std::clamp<uint32_t>(state.page, 1, 0x7FFFFFFF)));
  scrollBar->setSingleStep(1);
  scrollBar->setEnabled(!state.disabled);
  // While the user drags, the thumb stays under the pointer.
  if (!scrollBar->isSliderDown()) scrollBar->setValue(state.pos);
  m_syncing = false;
}

void ControlWidget::Relayout() {
  const SIZE outer = m_window.GetOuterSize();
  if (width() != outer.cx || height() != outer.cy) resize(outer.cx, outer.cy);
  const bool exists = m_window.Exists();
  const RECT client = m_window.GetClientRect();
  const int32_t thickness = m_window.ScrollBarThickness();
  m_client->setVisible(exists);
  m_client->setGeometry(0, 0, client.right, client.bottom);
  const ScrollBarState horz = m_window.GetScrollBarState(SB_HORZ);
  const ScrollBarState vert = m_window.GetScrollBarState(SB_VERT);
  const bool showHorz = exists && horz.shown && thickness > 0;
  const bool showVert = exists && vert.shown && thickness > 0;
  if (showHorz) m_horzBar->setGeometry(0, client.bottom, client.right, thickness);
  if (showVert) m_vertBar->setGeometry(client.right, 0, thickness, client.bottom);
  SyncBar(m_horzBar, SB_HORZ);
  SyncBar(m_vertBar, SB_VERT);
  m_horzBar->setVisible(showHorz);
  m_vertBar->setVisible(showVert);
  m_client->update();
}

void ControlWidget::resizeEvent(QResizeEvent* event) {
  // A size the window already has came from the window itself (Relayout); others come from the
  // user, a layout or the host, and resize the window.
  const SIZE outer = m_window.GetOuterSize();
  const QSize size = event->size();
  if (size.width() != outer.cx || size.height() != outer.cy) {
    m_window.Resize(size.width(), size.height());
    // The window's owner learns its client size when it paints, and sizes its scroll ranges and fits
    // by the size it learnt. Painting now, rather than at the next exposure, means a call that comes
    // before the event loop runs again (a file opened right after show()) sees this size.
    (void)m_window.Pump();
  }
  Relayout();
}

}  // namespace tavlen::win::qt
