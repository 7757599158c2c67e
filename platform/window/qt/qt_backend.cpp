// The Qt backend's entry: a presenter for each window created while TAVLEN_BACKEND is "qt" and a
// QApplication exists, registered with the window system when the module carrying it loads.
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
  explicit QtPresenter(Window& window) : m_widget(new ControlWidget(window)) {
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

std::unique_ptr<WindowPresenter> MakeQtPresenter(Window& window) {
  // Widgets live on the thread of the QApplication; elsewhere the window stays headless.
  if (!UsesQtBackend() || !qobject_cast<QApplication*>(QCoreApplication::instance())) return nullptr;
  if (QThread::currentThread() != QCoreApplication::instance()->thread()) return nullptr;
  return std::make_unique<QtPresenter>(window);
}

// Runs when the module (or program) linking this backend loads.
const bool kRegistered = [] {
  SetWindowPresenterFactory(&MakeQtPresenter);
  return true;
}();

}  // namespace

}  // namespace tavlen::win::qt
