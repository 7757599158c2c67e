// Creating a control in a QWidget of the Qt backend, and the site a desktop host drives it through:
// input as Qt events sent to the widget and its scroll bars, pixels read from what the widget shows.
#include "hosts/common/desktop_control.h"

#include <QApplication>
#include <QImage>
#include <QMouseEvent>
#include <QPixmap>
#include <QPointer>
#include <QSaveFile>
#include <QScrollBar>
#include <QWheelEvent>
#include <QWidget>
#include <new>
#include <optional>

#include "hosts/common/qt_input.h"
#include "hosts/common/sited_control.h"
#include "include/tavlen/desktop_window.h"
#include "platform/automation/com_object.h"
#include "platform/window/backend.h"

namespace tavlen::host {

namespace {

constexpr int32_t kDefaultWidth = 640;
constexpr int32_t kDefaultHeight = 480;

// The control window's meanings, with input and pixels going through Qt. Calls that Qt has no part
// in are passed on unchanged.
class DesktopSite final : public ole::ComObject<IControlWindow> {
 public:
  DesktopSite(ole::ComPtr<IControlWindow> inner, QWidget* widget) : m_inner(std::move(inner)), m_widget(widget) {}

  ole::HRESULT CreateControlWindow(int32_t width, int32_t height) override {
    ole::HRESULT hr = m_inner->CreateControlWindow(width, height);
    QCoreApplication::processEvents();
    return hr;
  }
  int32_t Pump() override {
    int32_t paints = m_inner->Pump();
    QCoreApplication::processEvents();
    return paints;
  }
  ole::HRESULT GetClientSize(int32_t* width, int32_t* height) override { return m_inner->GetClientSize(width, height); }
  ole::HRESULT SetScrollBarThickness(int32_t pixels) override { return m_inner->SetScrollBarThickness(pixels); }
  ole::HRESULT GetScrollBar(int32_t bar, win::ScrollBarState* state) override {
    return m_inner->GetScrollBar(bar, state);
  }

  ole::HRESULT SaveClientPng(const std::string& path) override {
    QImage shown;
    if (ole::HRESULT hr = GrabClient(&shown); ole::FAILED(hr)) return hr;
    // Written beside the target and renamed into place, so a failed write keeps what was there.
    QSaveFile file(QString::fromStdString(path));
    if (!file.open(QIODevice::WriteOnly) || !shown.save(&file, "PNG") || !file.commit()) return ole::E_FAIL;
    return ole::S_OK;
  }

  win::COLORREF GetClientPixel(int32_t x, int32_t y) override {
    QImage shown;
    if (ole::FAILED(GrabClient(&shown))) return win::CLR_INVALID;
    const qreal scale = shown.devicePixelRatio();
    const QPoint device(static_cast<int>(x * scale), static_cast<int>(y * scale));
    if (x < 0 || y < 0 || !shown.valid(device)) return win::CLR_INVALID;
    const QRgb rgb = shown.pixel(device);
    return win::RGB(static_cast<uint8_t>(qRed(rgb)), static_cast<uint8_t>(qGreen(rgb)),
                    static_cast<uint8_t>(qBlue(rgb)));
  }

  ole::HRESULT MouseMove(uint32_t keys, int32_t x, int32_t y) override {
    QWidget* client = Client();
    if (!client) return m_inner->MouseMove(keys, x, y);
    QMouseEvent event(QEvent::MouseMove, QPointF(x, y), client->mapToGlobal(QPointF(x, y)), Qt::NoButton,
                      ButtonsOf(keys), ModifiersOf(keys));
    QCoreApplication::sendEvent(client, &event);
    return ole::S_OK;
  }

  ole::HRESULT MouseButton(uint32_t message, uint32_t keys, int32_t x, int32_t y) override {
    QWidget* client = Client();
    Qt::MouseButton button = Qt::NoButton;
    std::optional<QEvent::Type> type = MouseEventOf(message, &button);
    if (!client || !type) return m_inner->MouseButton(message, keys, x, y);
    QMouseEvent event(*type, QPointF(x, y), client->mapToGlobal(QPointF(x, y)), button, ButtonsOf(keys),
                      ModifiersOf(keys));
    QCoreApplication::sendEvent(client, &event);
    return ole::S_OK;
  }

  ole::HRESULT MouseWheel(uint32_t keys, int16_t delta, int32_t x, int32_t y, win::BOOL* handled) override {
    QWidget* client = Client();
    if (!client || !handled) return m_inner->MouseWheel(keys, delta, x, y, handled);
    const QPointF local(x, y);
    QWheelEvent event(local, client->mapToGlobal(local), QPoint(), QPoint(0, delta), ButtonsOf(keys), ModifiersOf(keys),
                      Qt::NoScrollPhase, false);
    event.setAccepted(false);
    QCoreApplication::sendEvent(client, &event);
    *handled = event.isAccepted() ? win::TRUE : win::FALSE;
    return ole::S_OK;
  }

  ole::HRESULT Scroll(int32_t bar, uint32_t code, uint32_t thumbPosition) override {
    std::optional<QAbstractSlider::SliderAction> action = SliderActionOf(code);
    QScrollBar* scrollBar = Bar(bar);
    if (!scrollBar || !action) return m_inner->Scroll(bar, code, thumbPosition);
    scrollBar->triggerAction(*action);
    return ole::S_OK;
  }

  ole::HRESULT DestroyControlWindow() override { return m_inner->DestroyControlWindow(); }
  ole::HRESULT RecreateControlWindow() override { return m_inner->RecreateControlWindow(); }
  ole::HRESULT ResetState() override { return m_inner->ResetState(); }

 private:
  // The client area while the window exists; null once it is destroyed or its widget went away.
  QWidget* Client() const {
    int32_t width = 0;
    int32_t height = 0;
    if (!m_widget || ole::FAILED(m_inner->GetClientSize(&width, &height)) || width < 1 || height < 1) return nullptr;
    return m_widget->findChild<QWidget*>(win::kClientWidgetName);
  }

  QScrollBar* Bar(int32_t bar) const {
    if (!Client()) return nullptr;
    if (bar == win::SB_HORZ) return m_widget->findChild<QScrollBar*>(win::kHorzBarWidgetName);
    if (bar == win::SB_VERT) return m_widget->findChild<QScrollBar*>(win::kVertBarWidgetName);
    return nullptr;
  }

  // What the client area shows, rendered by the widget itself: E_UNEXPECTED without a window.
  ole::HRESULT GrabClient(QImage* shown) const {
    QWidget* client = Client();
    if (!client) return ole::E_UNEXPECTED;
    client->setProperty(win::kPresentOnlyProperty, true);
    *shown = client->grab().toImage();
    client->setProperty(win::kPresentOnlyProperty, false);
    return shown->isNull() ? ole::E_FAIL : ole::S_OK;
  }

  ole::ComPtr<IControlWindow> m_inner;
  QPointer<QWidget> m_widget;
};

}  // namespace

QWidget* ControlWidget(ole::IUnknown* control) {
  if (!control) return nullptr;
  ole::ComPtr<IDesktopWindow> desktop;
  if (ole::FAILED(control->QueryInterface(IDesktopWindow::kIid, desktop.PutVoid()))) return nullptr;
  return static_cast<QWidget*>(desktop->NativeWidget());
}

ole::ComPtr<IControlWindow> MakeDesktopSite(ole::ComPtr<IControlWindow> site, QWidget* widget) {
  if (!site || !widget) return {};
  return ole::ComPtr<IControlWindow>::Attach(new (std::nothrow) DesktopSite(std::move(site), widget));
}

ole::HRESULT CreateDesktopControl(std::string_view progIdOrClsid, const std::string& properties, QWidget* parent,
                                  DesktopControl* out, std::string* why) {
  if (!out) return ole::E_POINTER;
  *out = DesktopControl();
  if (!qobject_cast<QApplication*>(QCoreApplication::instance())) {
    if (why) *why = "a desktop control needs a QApplication";
    return ole::E_UNEXPECTED;
  }
  win::SelectQtBackend();
  const bool sized = parent && parent->width() > 0 && parent->height() > 0;
  SitedControl sited;
  ole::HRESULT hr =
      CreateSitedControl(progIdOrClsid, sized ? parent->width() : kDefaultWidth,
                         sized ? parent->height() : kDefaultHeight, properties, std::string(), &sited, why);
  if (ole::FAILED(hr)) return hr;
  DesktopControl created;
  created.clsid = sited.clsid;
  created.dispatch = sited.dispatch;
  if (sited.site) {
    created.widget = ControlWidget(sited.site.Get());
    if (!created.widget) {
      if (why) {
        *why =
            "the control module has no Qt backend: it was built without Qt, or its companion TavlenQt.so "
            "beside it cannot be loaded";
      }
      return ole::E_UNEXPECTED;
    }
    if (parent) {
      created.widget->setParent(parent);
      created.widget->show();
    }
    created.site = MakeDesktopSite(sited.site, created.widget);
    if (!created.site) return ole::E_OUTOFMEMORY;
  }
  *out = std::move(created);
  return ole::S_OK;
}

}  // namespace tavlen::host
