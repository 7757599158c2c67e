// The Qt backend's presenter: the window's widget, kept and deleted with the window.
#include "platform/window/qt/qt_backend.h"

#include <QApplication>
#include <QPointer>
#include <QThread>

#include "platform/window/backend.h"
#include "platform/window/qt/control_widget.h"

namespace tavlen::win::qt {

namespace {

// Owned by the window; the widget may also go first, with a parent the host deletes, and then the
// window is destroyed as a desktop window is when its form closes.
class QtPresenter final : public WindowPresenter {
 public:
  explicit QtPresenter(WindowPort& window) : m_widget(new ControlWidget(window)) {
    m_connection = QObject::connect(m_widget, &QObject::destroyed, [this, &window] {
      m_widget = nullptr;
      window.DestroyWindow();
    });
  }
  ~QtPresenter() override {
    QObject::disconnect(m_connection);
    delete m_widget.data();
  }
  QtPresenter(const QtPresenter&) = delete;
  QtPresenter& operator=(const QtPresenter&) = delete;

  void FramebufferChanged() override {
    if (m_widget) m_widget->RepaintClient();
  }
  void LayoutChanged() override {
    if (m_widget) m_widget->Relayout();
  }
  void* NativeWidget() const override { return static_cast<QWidget*>(m_widget.data()); }

 private:
  QPointer<ControlWidget> m_widget;
  QMetaObject::Connection m_connection;
};

}  // namespace

std::unique_ptr<WindowPresenter> MakeQtPresenter(WindowPort& window) {
  // Widgets live on the thread of the QApplication; elsewhere the window stays headless.
  if (!UsesQtBackend() || !qobject_cast<QApplication*>(QCoreApplication::instance())) return nullptr;
  if (QThread::currentThread() != QCoreApplication::instance()->thread()) return nullptr;
  return std::make_unique<QtPresenter>(window);
}

}  // namespace tavlen::win::qt
