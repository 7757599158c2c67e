// The desktop form of the platform services (dialogs, print dialog, clipboard) and the Qt presenter of
// windows, from the Qt companion module, installed in place of the headless ones when the Qt backend
// runs in a process with a QApplication. Nothing here touches Qt: the companion is loaded only then.
#pragma once

#include "platform/desktop/desktop_port.h"

namespace tavlen::desktop {

// Installs the companion's dialogs, print dialog and clipboard once per process when TAVLEN_BACKEND=qt
// and the process runs a QApplication; later calls do nothing. Loads the companion beside this module
// first (see desktop_bridge.h); without TAVLEN_BACKEND=qt nothing is loaded. Returns whether the
// desktop services are installed: false as well when the companion cannot be loaded.
bool InstallDesktopServicesWhenWanted(IconLookup icons);

// Installs them unconditionally (a QApplication must exist); for hosts that decide themselves. Does
// nothing when no companion is attached or can be loaded.
void InstallDesktopServices(IconLookup icons);

// Restores the headless services (before the QApplication goes).
void UninstallDesktopServices();

}  // namespace tavlen::desktop
