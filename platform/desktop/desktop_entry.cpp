// TavlenQt.so's one export: the control module dlopens this companion only when the Qt backend is
// asked for, and attaches its DesktopHost here.
#include <type_traits>

#include "platform/desktop/desktop_module.h"

extern "C" __attribute__((visibility("default"))) tavlen::desktop::DesktopModule* TavlenDesktopAttach(
    tavlen::desktop::DesktopHost* host, uint32_t portVersion) {
  // No exception may reach the control module that called in; without the module it keeps its own services.
  try {
    return tavlen::desktop::AttachDesktop(host, portVersion);
  } catch (...) {
    return nullptr;
  }
}

static_assert(std::is_same_v<decltype(&TavlenDesktopAttach), tavlen::desktop::DesktopEntry>);
