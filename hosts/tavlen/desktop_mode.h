// `tavlen run --desktop`: each control in a real top-level window of the Qt backend on $DISPLAY,
// and the event loop that Host.Wait runs. Two builds: tavlen-desktop has the Qt application; the
// headless tavlen, which maps no Qt library, hands a desktop run over to tavlen-desktop.
#pragma once

#include <string>

#include "include/tavlen/control_window.h"
#include "platform/automation/com_ptr.h"

namespace tavlen::host {

// Starts the Qt application on $DISPLAY and selects the Qt backend for the controls created from
// now on. False, with the reason in *why, when there is no display. The headless build instead
// replaces this process with tavlen-desktop beside it, run with `argv` (the command's own), and
// returns false only when that cannot be done.
bool StartDesktop(char** argv, std::string* why);
bool DesktopStarted();
// Ends the Qt application once every control is released; before the process's static destructors,
// which Qt's own teardown must precede.
void StopDesktop();

// Shows the window of a newly sited control on the desktop and replaces *site with the site to drive
// it through (input as Qt events, pixels from what the window shows). Without the desktop: S_OK and
// *site unchanged. E_UNEXPECTED, with the reason in *why, when the control has no desktop window
// (its module has no Qt backend); E_OUTOFMEMORY. *site is unchanged on failure.
ole::HRESULT PresentOnDesktop(ole::ComPtr<IControlWindow>* site, ole::IUnknown* control, std::string* why);

// Runs the desktop's event loop for this long (other programs may read the clipboard or take
// screenshots meanwhile); headless, it just waits.
void WaitEvents(int32_t milliseconds);

}  // namespace tavlen::host
