// The backend services hook: the registered installer runs for every control that starts, with the
// icons it is handed; without one nothing runs.
#include "platform/framework/backend_services.h"

#include <gtest/gtest.h>

namespace tavlen::fw {
namespace {

int g_runs = 0;
IconLookup g_icons = nullptr;

std::span<const DialogIcon> NoIcons(int32_t) { return {}; }

void CountingInstaller(IconLookup icons) {
  ++g_runs;
  g_icons = icons;
}

TEST(BackendServices, RegisteredInstallerRunsOnEveryStartUntilRemoved) {
  g_runs = 0;
  InstallBackendServices(&NoIcons);  // nothing registered in a headless test
  EXPECT_EQ(g_runs, 0);

  SetBackendServicesInstaller(&CountingInstaller);
  InstallBackendServices(&NoIcons);
  InstallBackendServices(&NoIcons);
  EXPECT_EQ(g_runs, 2);
  EXPECT_EQ(g_icons, &NoIcons);

  SetBackendServicesInstaller(nullptr);
  InstallBackendServices(&NoIcons);
  EXPECT_EQ(g_runs, 2);
}

}  // namespace
}  // namespace tavlen::fw
