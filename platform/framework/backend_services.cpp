// The backend's services hook: one installer per process.
#include "platform/framework/backend_services.h"

#include <atomic>

namespace tavlen::fw {

namespace {

std::atomic<BackendServicesInstaller> g_installer{nullptr};

}  // namespace

void SetBackendServicesInstaller(BackendServicesInstaller installer) { g_installer.store(installer); }

void InstallBackendServices(IconLookup icons) {
  if (BackendServicesInstaller installer = g_installer.load()) installer(icons);
}

}  // namespace tavlen::fw
