// The control module's end of the boundary to the Qt companion: finds TavlenQt.so beside this module,
// loads it once, serves its calls over the window system and the framework, and makes the companion's
// presenters those of new windows.
#pragma once

#include <string>

#include "platform/desktop/desktop_port.h"

namespace tavlen::desktop {

// The companion's path: kDesktopModuleName in the folder of the module (or program) carrying this
// code; "" when that folder cannot be found.
std::string DesktopModulePath();

// The attached companion, loading it from DesktopModulePath() on the first call; null when it cannot
// be loaded or refuses this port version, with the reason in *why (the same on every later call).
DesktopModule* DesktopModuleOnDemand(std::string* why);

// The companion attached so far, without loading one; null when there is none.
DesktopModule* AttachedDesktopModule();

// Attaches a companion through `entry` instead of loading one: for programs that link its code.
// False (nothing changed) when the entry refuses. The attached module serves every later call.
bool AttachDesktopModule(DesktopEntry entry);

}  // namespace tavlen::desktop
