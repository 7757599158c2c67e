// Placing a control in a Qt 6 application: the control's window is a QWidget of the Qt backend.
//
//   QApplication app(argc, argv);                       // first, on the GUI thread
//   tavlen::host::DesktopControl control;
//   std::string why;
//   if (tavlen::ole::FAILED(tavlen::host::CreateDesktopControl("TAVLEN.TavlenCtrl.1", "", &window, &control, &why)))
//     ...;                                              // why: the loader's reason, when there is one
//   window.setCentralWidget(control.widget);            // or add it to a layout
//   control.dispatch->GetIDsOfNames(...) / Invoke(...)  // drive it by name, as any host
//
// Link tavlen::desktop_host. The widget paints, scrolls and takes input through the Qt event loop by
// itself; nothing needs pumping. Release `control` (its COM references) before the QApplication ends.
// Deleting the widget (with its parent) destroys the control's window, as closing a form does; the
// control itself lives until its last reference goes, and then deletes a widget still alive.
#pragma once

#include <string>
#include <string_view>

#include "include/tavlen/control_window.h"
#include "platform/automation/com_ids.h"
#include "platform/automation/com_ptr.h"
#include "platform/automation/dispatch.h"

class QWidget;

namespace tavlen::host {

struct DesktopControl {
  ole::CLSID clsid;
  ole::ComPtr<ole::IDispatch> dispatch;
  // The window as a host drives it, with the control window's meanings, except that input
  // arrives as Qt events sent to the client area, scroll codes as the scroll bars' own actions (the
  // thumb codes and SB_ENDSCROLL, which no bar action carries with a position, go to the window
  // directly), and pixels are read from what the widget shows (QWidget::grab, without delivering
  // pending paints). Null for an object that is no control.
  ole::ComPtr<IControlWindow> site;
  // The control's window (a child of `parent`, or top-level for a null parent); its outer size is
  // the control's window size. Null for an object that is no control.
  QWidget* widget = nullptr;
};

// Selects the Qt backend (win::SelectQtBackend), creates the class named by ProgID or
// "{class identifier}" through the default registry, starts it from `properties` (saved property
// text; empty: its defaults) and makes its window a QWidget under `parent`, sized to the parent's
// size (640 x 480 while the parent has none). Failures leave *out empty: E_UNEXPECTED without a
// QApplication, or when the loaded module has no Qt backend: built without Qt, or without its
// companion TavlenQt.so beside it (*why says which); otherwise those of
// CreateSitedControl (the loader's reason in *why).
ole::HRESULT CreateDesktopControl(std::string_view progIdOrClsid, const std::string& properties, QWidget* parent,
                                  DesktopControl* out, std::string* why);

// The QWidget of a control created while the Qt backend was selected; null for a headless window, an
// object that is no control, or a control without a window.
QWidget* ControlWidget(ole::IUnknown* control);

// Wraps the site of a control whose window is `widget` so that input goes through Qt events and
// pixel reads through what the widget shows (see DesktopControl::site). Null for a null argument.
ole::ComPtr<IControlWindow> MakeDesktopSite(ole::ComPtr<IControlWindow> site, QWidget* widget);

}  // namespace tavlen::host
