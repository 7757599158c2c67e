// The companion's module object: the Qt presenter and the desktop services, attached to the control
// module's DesktopHost. Programs that link the companion's code attach it with AttachDesktop.
#pragma once

#include <cstdint>

#include "platform/desktop/desktop_port.h"

namespace tavlen::desktop {

// What TavlenQt.so exports as kDesktopEntryName: attaches `host` and returns the module; null for a
// null host or another port version. Attaching the same host again changes nothing; another host
// replaces it, and what was installed through the first is dropped without calling it.
DesktopModule* AttachDesktop(DesktopHost* host, uint32_t portVersion);

}  // namespace tavlen::desktop
