// What a headless process maps: a control created through the host path maps no Qt library and no
// libcups, and only asking for the Qt backend brings in the companion module beside the control module.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/window/backend.h"
#include "tests/control/module/module_fixture.h"
#include "tests/hosts/sited_size_check.h"

namespace tavlen::host {
namespace {

// The files mapped into this process whose path contains `part`, each once.
std::vector<std::string> MappedFiles(const std::string& part) {
  std::vector<std::string> found;
  std::ifstream maps("/proc/self/maps");
  std::string line;
  while (std::getline(maps, line)) {
    const size_t slash = line.find('/');
    if (slash == std::string::npos) continue;
    const std::string path = line.substr(slash);
    if (path.find(part) != std::string::npos && (found.empty() || found.back() != path)) found.push_back(path);
  }
  return found;
}

class HeadlessMappingTest : public test::RegistryTest {
 protected:
  void SetUp() override {
    test::RegistryTest::SetUp();
    ::unsetenv(win::kBackendVariable);
  }
  void TearDown() override {
    ::unsetenv(win::kBackendVariable);
    test::RegistryTest::TearDown();
  }

  // A control of `module` in a 120 x 90 headless window, checked to be usable.
  void CreateAndUse(const std::string& module) {
    ASSERT_EQ(ole::RegisterModule(module), ole::S_OK) << ole::LastLoadError();
    test::ExpectSitedAtSize(120, 90);
  }
};

// libcups brings a dozen libraries with it; a process that never prints does not load them.
TEST_F(HeadlessMappingTest, CupsIsMappedOnlyOnceSomethingPrints) {
  ASSERT_TRUE(MappedFiles("libcups").empty()) << "this test program maps libcups itself";
  CreateAndUse(m_module);
  EXPECT_EQ(MappedFiles("libcups"), std::vector<std::string>{});
}

TEST_F(HeadlessMappingTest, QtIsMappedOnlyOnceTheQtBackendIsAskedFor) {
  ASSERT_TRUE(MappedFiles("libQt6").empty()) << "this test program maps Qt itself: " << MappedFiles("libQt6")[0];
  CreateAndUse(m_module);
  EXPECT_EQ(MappedFiles("libQt6"), std::vector<std::string>{});
  EXPECT_EQ(MappedFiles("TavlenQt"), std::vector<std::string>{});
#if TAVLEN_HAS_QT_COMPANION
  // Without a QApplication the window stays headless, but the companion and Qt are loaded now.
  win::SelectQtBackend();
  CreateAndUse(m_module);
  const std::string beside = (std::filesystem::path(m_module).parent_path() / "TavlenQt.so").string();
  EXPECT_EQ(MappedFiles("TavlenQt"), std::vector<std::string>{std::filesystem::canonical(beside).string()});
  EXPECT_FALSE(MappedFiles("libQt6Widgets").empty());
#endif
}

// A module copied away from its companion: asking for the Qt backend fails to load it, and the control
// keeps working headless.
TEST_F(HeadlessMappingTest, ModuleWithoutItsCompanionStaysHeadless) {
  const std::string alone = m_dir + "/Tavlen.ocx";
  std::filesystem::copy_file(m_module, alone);
  win::SelectQtBackend();
  CreateAndUse(alone);
  EXPECT_EQ(MappedFiles(m_dir + "/TavlenQt"), std::vector<std::string>{});
}

}  // namespace
}  // namespace tavlen::host
