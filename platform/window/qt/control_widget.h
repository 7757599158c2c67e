// A window of the Qt backend as a QWidget: the client area and the two standard scroll bars laid out
// from the window's state, with the bars' actions turned into scroll messages.
#pragma once

#include <QScrollBar>
#include <QWidget>

#include "platform/window/qt/client_area.h"
#include "platform/window/window_port.h"

namespace tavlen::win::qt {

class ControlWidget final : public QWidget {
 public:
  explicit ControlWidget(WindowPort& window);

  // Places the client area and the bars, and sets the bars' range, page and position, from the
  // window; follows the window's outer size.
  void Relayout();
  void RepaintClient() { m_client->update(); }

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  QScrollBar* MakeBar(Qt::Orientation orientation, int32_t bar);
  void SyncBar(QScrollBar* scrollBar, int32_t bar);
  void OnBarAction(QScrollBar* scrollBar, int32_t bar, int action);
  void OnThumbReleased(QScrollBar* scrollBar, int32_t bar);
  void Inject(int32_t bar, uint32_t code, uint32_t position);

  WindowPort& m_window;
  ClientArea* m_client;
  QScrollBar* m_horzBar;
  QScrollBar* m_vertBar;
  bool m_syncing = false;  // bar changes made from the window's state are no user actions
};

}  // namespace tavlen::win::qt
