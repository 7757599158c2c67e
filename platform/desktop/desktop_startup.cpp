// Makes the desktop services those the framework installs for every new control, from the moment
// the module carrying this file is loaded.
#include "platform/desktop/desktop_services.h"
#include "platform/framework/backend_services.h"

namespace tavlen::desktop {

namespace {

void InstallWhenWanted(fw::IconLookup icons) { (void)InstallDesktopServicesWhenWanted(icons); }

// Runs at load, before any class factory of the module can be reached.
[[maybe_unused]] const bool g_registered = (fw::SetBackendServicesInstaller(&InstallWhenWanted), true);

}  // namespace

}  // namespace tavlen::desktop
