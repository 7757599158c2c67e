// The client area of a window in the Qt backend: presents the window's framebuffer and turns Qt's
// mouse, wheel and key events into the window's messages.
#pragma once

#include <QWidget>

#include "platform/window/window_port.h"

namespace tavlen::win::qt {

class ClientArea final : public QWidget {
 public:
  ClientArea(WindowPort& window, QWidget* parent);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void keyReleaseEvent(QKeyEvent* event) override;

 private:
  void Button(QMouseEvent* event, bool doubleClick);
  void Key(QKeyEvent* event, Message message);

  WindowPort& m_window;
};

}  // namespace tavlen::win::qt
