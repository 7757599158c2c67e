// The hook through which a window-system backend puts its dialogs, print dialog and clipboard in
// place of the headless ones. The backend registers once when its code is loaded; each control calls
// InstallBackendServices when it starts, so neither names the other.
#pragma once

#include <cstdint>
#include <span>

#include "platform/framework/dialog.h"

namespace tavlen::fw {

// The images of an icon resource, largest first; empty for an unknown resource. The module that
// owns the dialog templates also owns their icons, so it hands this lookup over.
using IconLookup = std::span<const DialogIcon> (*)(int32_t resource);

// Installs a backend's services when the backend decides they are wanted (it runs on every call, so
// it does its own once-per-process bookkeeping).
using BackendServicesInstaller = void (*)(IconLookup icons);

// Registers the installer; a later registration replaces an earlier one, null removes it.
void SetBackendServicesInstaller(BackendServicesInstaller installer);

// Runs the registered installer; does nothing while none is registered (headless processes).
void InstallBackendServices(IconLookup icons);

}  // namespace tavlen::fw
