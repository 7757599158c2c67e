// The desktop services' entry points in the control module: they reach the companion only once the Qt
// backend is asked for.
#include "platform/desktop/desktop_services.h"

#include "platform/desktop/desktop_bridge.h"
#include "platform/window/backend.h"

namespace tavlen::desktop {

bool InstallDesktopServicesWhenWanted(IconLookup icons) {
  // Headless processes stop here, before anything is loaded.
  if (!win::UsesQtBackend()) return false;
  DesktopModule* module = DesktopModuleOnDemand(nullptr);
  return module && module->InstallServicesWhenWanted(icons);
}

void InstallDesktopServices(IconLookup icons) {
  if (DesktopModule* module = DesktopModuleOnDemand(nullptr)) module->InstallServices(icons);
}

void UninstallDesktopServices() {
  if (DesktopModule* module = AttachedDesktopModule()) module->UninstallServices();
}

}  // namespace tavlen::desktop
