// Windows as the companion sees them: a WindowPort over each window, and the presenter that keeps the
// port alive for as long as the companion's presenter uses it.
#pragma once

#include <memory>

#include "platform/desktop/desktop_port.h"

namespace tavlen::desktop {

std::unique_ptr<win::WindowPort> MakeWindowPort(win::Window& window);

// The presenter of `window` made by `module`; null when the module leaves the window headless.
std::unique_ptr<win::WindowPresenter> MakePresenterThrough(DesktopModule& module, win::Window& window);

}  // namespace tavlen::desktop
