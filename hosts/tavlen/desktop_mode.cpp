// The script host's desktop mode: one QApplication for the run, controls shown as top-level windows.
#include "hosts/tavlen/desktop_mode.h"

#include <chrono>
#include <cstdlib>
#include <thread>

#if TAVLEN_WITH_QT
#include <xcb/xcb.h>

#include <QApplication>
#include <QEventLoop>
#include <QTimer>
#include <QWidget>
#include <memory>

#include "hosts/common/desktop_control.h"
#include "platform/window/backend.h"
#endif

namespace tavlen::host {

#if TAVLEN_WITH_QT

namespace {

// The run's application, from StartDesktop to StopDesktop.
std::unique_ptr<QApplication>& Application() {
  static std::unique_ptr<QApplication> application;
  return application;
}

// Qt ends the process when it cannot reach the display, so the display is tried first.
bool CanReachDisplay(std::string* why) {
  const char* display = std::getenv("DISPLAY");
  if (!display || !*display) {
    *why = "there is no X display ($DISPLAY is not set)";
    return false;
  }
  xcb_connection_t* connection = xcb_connect(display, nullptr);
  const bool reached = xcb_connection_has_error(connection) == 0;
  xcb_disconnect(connection);
  if (!reached) *why = std::string("cannot open the X display '") + display + "'";
  return reached;
}

}  // namespace

bool StartDesktop(std::string* why) {
  if (Application()) return true;
  if (!CanReachDisplay(why)) return false;
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

ole::ComPtr<IHeadlessControl> PresentOnDesktop(ole::ComPtr<IHeadlessControl> site, ole::IUnknown* control) {
  QWidget* widget = DesktopStarted() ? ControlWidget(control) : nullptr;
  if (!widget) return site;
  widget->setWindowTitle(QStringLiteral("tavlen"));
  widget->show();
  QCoreApplication::processEvents();
  return MakeDesktopSite(std::move(site), widget);
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

#else

bool StartDesktop(std::string* why) {
  *why = "this tavlen was built without Qt 6";
  return false;
}

bool DesktopStarted() { return false; }

void StopDesktop() {}

ole::ComPtr<IHeadlessControl> PresentOnDesktop(ole::ComPtr<IHeadlessControl> site, ole::IUnknown*) { return site; }

void WaitEvents(int32_t milliseconds) { std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds)); }

#endif

}  // namespace tavlen::host
