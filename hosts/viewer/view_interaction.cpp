// How the picture follows the window and the hands: fitting kept through turns, undo and resizes until
// the user zooms, Ctrl+wheel and pinch zooming about the pointer, panning with a held button, full
// screen, and a background that follows the desktop's palette.
#include <QEvent>
#include <QMenuBar>
#include <QMouseEvent>
#include <QNativeGestureEvent>
#include <QStatusBar>
#include <QWheelEvent>
#include <cmath>

#include "hosts/viewer/form_dialog.h"
#include "hosts/viewer/main_window.h"

namespace tavlen::viewer {
namespace {

// One wheel notch zooms by the same step as Zoom in.
constexpr double kWheelStep = 1.25;
constexpr double kNotch = 120.0;

}  // namespace

void MainWindow::DeliverPendingPaints() {
  // The client area's paint hands the control its pending paints. A grab paints at once, also before
  // the window is exposed (when repaint() does nothing), and one pixel of it costs no copy.
  if (m_clientWidget && m_clientWidget->isVisible()) (void)m_clientWidget->grab(QRect(0, 0, 1, 1));
}

void MainWindow::ZoomSettled(ViewEffect effect, const char* method) {
  // The control sizes its scroll ranges and fits by the client size it saw when it last painted, and a
  // bar that appears or goes changes that size: the call is repeated after a paint until the client
  // area stays as it is, so that a larger picture gets both bars and every row and column is reached.
  constexpr int kMostPasses = 3;
  const Extent picture = PictureExtent();
  for (int pass = 0; pass < kMostPasses; ++pass) {
    // The first call goes by the size the control knows already (a resize paints at once); the paint
    // before a repeat hands it the size the bars left, and is the paint the new zoom needs anyway.
    if (pass > 0) DeliverPendingPaints();
    const Extent client = ClientExtent();
    if (!m_control.Call(method).Ok()) return;
    m_displayed.Apply(effect, picture, 1.0, client);
    const Extent after = ClientExtent();
    if (after.width == client.width && after.height == client.height) return;
    // Bars that a load showed and the fit took away again: the control fitted by the size of its last
    // paint, which is the size now, and a paint of the whole picture only to repeat the fit is saved.
    if (after.width == m_paintedClient.width && after.height == m_paintedClient.height) return;
  }
}

void MainWindow::ApplyFitting() {
  const Extent picture = PictureExtent();
  if (picture.width <= 0 || picture.height <= 0 || m_fitting == Fitting::Free) return;
  // The whole control, as a fitted or wholly shown picture needs no scroll bars.
  const QSize window = m_controlWidget->size();
  const bool larger = picture.width > window.width() || picture.height > window.height();
  if (m_fitting == Fitting::Fit || larger) return ZoomSettled(ViewEffect::Fit, "ZoomToFit");
  if (m_control.Put("ZoomValue", ole::Variant(1.0)).Ok()) ZoomSettled(ViewEffect::ZoomByOriginal, "ZoomByOriginal");
}

void MainWindow::ZoomAbout(QPoint pointer, double factor) {
  const Extent before = m_displayed.Displayed();
  if (before.width <= 0 || before.height <= 0 || !m_control.Has("SetScrollBarPos")) return;
  // Where the pointer is on the picture, as a share of its displayed size, stays where it is.
  const double shareX = (pointer.x() - m_control.Call("GetImageXpos").AsDouble()) / before.width;
  const double shareY = (pointer.y() - m_control.Call("GetImageYpos").AsDouble()) / before.height;
  m_fitting = Fitting::Free;
  Zoom(factor);
  const Extent after = m_displayed.Displayed();
  const auto left = static_cast<int32_t>(std::lround(pointer.x() - shareX * after.width));
  const auto top = static_cast<int32_t>(std::lround(pointer.y() - shareY * after.height));
  // A bar's position is the picture's corner negated; an axis without a bar keeps its alignment.
  Report(m_control.Call("SetScrollBarPos", {ole::Variant(-left), ole::Variant(-top)}));
}

bool MainWindow::FilterClientEvent(QEvent* event) {
  switch (event->type()) {
    case QEvent::Wheel: {
      auto* wheel = static_cast<QWheelEvent*>(event);
      if (!(wheel->modifiers() & Qt::ControlModifier) || wheel->angleDelta().y() == 0) return false;
      ZoomAbout(wheel->position().toPoint(), std::pow(kWheelStep, wheel->angleDelta().y() / kNotch));
      return true;
    }
    case QEvent::NativeGesture: {
      auto* gesture = static_cast<QNativeGestureEvent*>(event);
      if (gesture->gestureType() != Qt::ZoomNativeGesture) return false;
      ZoomAbout(gesture->position().toPoint(), 1.0 + gesture->value());
      return true;
    }
    case QEvent::MouseButtonPress: {
      auto* press = static_cast<QMouseEvent*>(event);
      if (press->button() != Qt::LeftButton && press->button() != Qt::MiddleButton) return false;
      m_panning = m_control.Has("GetHorzScrollBarPos") && m_control.Has("SetScrollBarPos");
      m_panStart = press->position().toPoint();
      m_panScrollStart = {m_control.Call("GetHorzScrollBarPos").AsInt(), m_control.Call("GetVertScrollBarPos").AsInt()};
      return false;  // the control still gets its MouseDown
    }
    case QEvent::MouseMove: {
      auto* move = static_cast<QMouseEvent*>(event);
      if (!m_panning || !(move->buttons() & (Qt::LeftButton | Qt::MiddleButton))) return false;
      const QPoint target = m_panScrollStart - (move->position().toPoint() - m_panStart);
      (void)m_control.Call("SetScrollBarPos", {ole::Variant(target.x()), ole::Variant(target.y())});
      return false;
    }
    case QEvent::Paint:
      // Every change of the client size invalidates it all, so a paint hands the control the size.
      m_paintedClient = {m_clientWidget->width(), m_clientWidget->height()};
      if (m_readAheadAfterPaint) {
        QTimer::singleShot(0, this, [this] {  // once this paint is done
          if (m_readAheadAfterPaint) ReadNeighboursAhead();
        });
      }
      return false;
    case QEvent::MouseButtonRelease:
      m_panning = false;
      return false;
    case QEvent::MouseButtonDblClick:
      if (static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) ToggleFullScreen();
      return false;
    default:
      return false;
  }
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
  if (watched == m_clientWidget) return FilterClientEvent(event);
  // The control's own resize handling runs after this filter, so the fit waits for the event loop.
  if (watched == m_controlWidget && event->type() == QEvent::Resize && m_fitting != Fitting::Free) m_refit.start();
  return QMainWindow::eventFilter(watched, event);
}

void MainWindow::ToggleFullScreen() {
  const bool entering = !isFullScreen();
  menuBar()->setVisible(!entering);
  statusBar()->setVisible(!entering);
  m_leaveFullScreen->setEnabled(entering);
  if (entering)
    showFullScreen();
  else
    showNormal();
}

void MainWindow::FollowPalette() {
  if (!m_control.Has("BackColor")) return;
  // The window colour of the palette: light or dark as the desktop is, and neutral behind any picture.
  const QColor window = palette().color(QPalette::Window);
  (void)m_control.Put("BackColor", ole::Variant(static_cast<int32_t>(OleFromColor(window))));
  if (m_control.Has("BackStyle")) (void)m_control.Put("BackStyle", ole::Variant(int16_t{0}));
}

void MainWindow::changeEvent(QEvent* event) {
  if (event->type() == QEvent::PaletteChange) FollowPalette();
  QMainWindow::changeEvent(event);
}

}  // namespace tavlen::viewer
