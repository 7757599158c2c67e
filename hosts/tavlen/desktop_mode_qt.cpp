// The script host's desktop mode: one QApplication for the run, controls shown as top-level windows.
#include <xcb/xcb.h>

#include <QApplication>
#include <QEventLoop>
#include <QTimer>
#include <QWidget>
#include <chrono>
#include <cstdlib>
#include <memory>
#include <thread>

#include "hosts/common/desktop_control.h"
#include "hosts/tavlen/desktop_mode.h"
#include "platform/window/backend.h"

namespace tavlen::host {

namespace {

// The run's application, from StartDesktop to StopDesktop.
std::unique_ptr<QApplication>& Application() {
  static std::unique_ptr<QApplication> application;
  return application;
}

// Qt ends the process when it cannot reach the display, so the display is tried first. The trial
// connection stays open until Qt has its own: an X server that resets when its last client leaves
// would refuse Qt for a moment otherwise.
struct XConnection {
  xcb_connection_t* connection = nullptr;
  ~XConnection() {
    if (connection) xcb_disconnect(connection);
  }
};

bool ConnectToDisplay(XConnection* trial, std::string* why) {
  const char* display = std::getenv("DISPLAY");
  if (!display || !*display) {
    *why = "there is no X display ($DISPLAY is not set)";
    return false;
  }
  trial->connection = xcb_connect(display, nullptr);
  if (xcb_connection_has_error(trial->connection) == 0) return true;
  *why = std::string("cannot open the X display '") + display + "'";
  return false;
}

}  // namespace

bool StartDesktop(char** /*argv*/, std::string* why) {
  if (Application()) return true;
  XConnection trial;
  if (!ConnectToDisplay(&trial, why)) return false;
  // The desktop runs on X11 even inside a Wayland session: $DISPLAY is what was checked.
  ::setenv("QT_QPA_PLATFORM", "xcb", 1);
  static int argc = 1;
  static char name[] = "tavlen";
  static char* argv[] = {name, nullptr};
  Application() = std::make_unique<QApplication>(argc, argv);
  QApplication::setQuitOnLastWindowClosed(false);
  win::SelectQtBackend();
  return true;
}

bool DesktopStarted() { return Application() != nullptr; }

void StopDesktop() { Application().reset(); }

ole::HRESULT PresentOnDesktop(ole::ComPtr<IControlWindow>* site, ole::IUnknown* control, std::string* why) {
  if (!DesktopStarted()) return ole::S_OK;
  QWidget* widget = ControlWidget(control);
  if (!widget) {
    *why =
        "the control has no desktop window: its module has no Qt backend (built without Qt, or its "
        "companion TavlenQt.so beside it cannot be loaded)";
    return ole::E_UNEXPECTED;
  }
  widget->setWindowTitle(QStringLiteral("tavlen"));
  widget->show();
  QCoreApplication::processEvents();
  ole::ComPtr<IControlWindow> desktopSite = MakeDesktopSite(*site, widget);
  if (!desktopSite) return ole::E_OUTOFMEMORY;
  *site = std::move(desktopSite);
  return ole::S_OK;
}

void WaitEvents(int32_t milliseconds) {
  if (!DesktopStarted()) {
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
    return;
  }
  QEventLoop loop;
  QTimer::singleShot(milliseconds, &loop, &QEventLoop::quit);
  loop.exec();
}

}  // namespace tavlen::host
