// The desktop form of the platform services (dialogs, print dialog, clipboard) on Qt 6 Widgets,
// installed in place of the headless ones when the Qt backend runs in a process with a QApplication.
#pragma once

#include <cstdint>
#include <span>

#include "platform/framework/dialog.h"

namespace tavlen::desktop {

using fw::DialogIcon;

// The images of an icon resource, largest first; empty for an unknown resource. The module that
// owns the dialog templates also owns their icons, so it hands this lookup over.
using IconLookup = std::span<const DialogIcon> (*)(int32_t resource);

// Installs the Qt dialogs, print dialog and clipboard once per process when TAVLEN_BACKEND=qt and the
// process runs a QApplication; later calls do nothing. Returns whether the desktop services are installed.
bool InstallDesktopServicesWhenWanted(IconLookup icons);

// Installs them unconditionally (a QApplication must exist); for hosts that decide themselves.
void InstallDesktopServices(IconLookup icons);

// Restores the headless services (before the QApplication goes).
void UninstallDesktopServices();

}  // namespace tavlen::desktop
