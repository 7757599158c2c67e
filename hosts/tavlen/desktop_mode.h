// `tavlen run --desktop`: each control in a real top-level window of the Qt backend on $DISPLAY,
// and the event loop that Host.Wait runs.
#pragma once

#include <string>

#include "control/headless_control.h"
#include "platform/automation/com_ptr.h"

namespace tavlen::host {

// Starts the Qt application on $DISPLAY and selects the Qt backend for the controls created from
// now on. False, with the reason in *why, when there is no display or Qt is not built in.
bool StartDesktop(std::string* why);
bool DesktopStarted();
// Ends the Qt application once every control is released; before the process's static destructors,
// which Qt's own teardown must precede.
void StopDesktop();

// Shows the window of a newly sited control on the desktop and returns the site to drive it through
// (input as Qt events, pixels from what the window shows). Without the desktop: `site` unchanged.
ole::ComPtr<IHeadlessControl> PresentOnDesktop(ole::ComPtr<IHeadlessControl> site, ole::IUnknown* control);

// Runs the desktop's event loop for this long (other programs may read the clipboard or take
// screenshots meanwhile); headless, it just waits.
void WaitEvents(int32_t milliseconds);

}  // namespace tavlen::host
