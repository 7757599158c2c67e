// The tavlen command as a process: a headless run maps no Qt library, and a desktop run whose desktop
// part is missing says so and fails instead of running headless.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/automation/loader.h"
#include "tests/control/module/module_fixture.h"
#include "tests/hosts/run_command.h"

namespace tavlen::host {
namespace {

class TavlenCommandTest : public test::RegistryTest {
 protected:
  void SetUp() override {
    test::RegistryTest::SetUp();
    ::unsetenv("TAVLEN_BACKEND");
    ASSERT_EQ(ole::RegisterModule(m_module), ole::S_OK) << ole::LastLoadError();
    m_script = m_dir + "/create.js";
    std::ofstream(m_script) << "var control = new ActiveXObject(\"TAVLEN.TavlenCtrl.1\");\n";
  }

  // The command alone in a folder of its own, without the desktop part beside it.
  std::string CommandWithoutDesktopPart() {
    const std::string alone = m_dir + "/bin/tavlen";
    std::filesystem::create_directory(m_dir + "/bin");
    std::filesystem::copy_file(m_command, alone);
    return alone;
  }

  const std::string m_command = TAVLEN_COMMAND_PATH;
  std::string m_script;
};

// The loader's trace names every library the process loads, those the module brings in included.
TEST_F(TavlenCommandTest, HeadlessRunLoadsNoQtLibrary) {
  const Outcome run = RunCommand(m_command, {"run", m_script}, {"LD_DEBUG=files"});
  ASSERT_EQ(run.exitCode, 0) << run.standardError;
  EXPECT_NE(run.standardError.find("Tavlen.ocx"), std::string::npos) << "no loader trace:\n" << run.standardError;
  EXPECT_EQ(run.standardError.find("libQt6"), std::string::npos);
  EXPECT_EQ(run.standardError.find("TavlenQt"), std::string::npos);
}

TEST_F(TavlenCommandTest, DesktopRunWithoutTheDesktopPartFails) {
  const std::string alone = CommandWithoutDesktopPart();
  const std::string missing = "tavlen run --desktop: the desktop part of tavlen is missing (" + m_dir + "/bin/";
  const Outcome flag = RunCommand(alone, {"run", "--desktop", m_script}, {"DISPLAY=:9999"});
  EXPECT_EQ(flag.exitCode, 2);
  EXPECT_EQ(flag.standardError.rfind(missing, 0), 0u) << flag.standardError;
  const Outcome backend = RunCommand(alone, {"run", m_script}, {"TAVLEN_BACKEND=qt", "DISPLAY=:9999"});
  EXPECT_EQ(backend.exitCode, 2);
  EXPECT_EQ(backend.standardError.rfind(missing, 0), 0u) << backend.standardError;
  // Headless runs and the other commands need no desktop part.
  EXPECT_EQ(RunCommand(alone, {"run", m_script}).exitCode, 0);
  EXPECT_EQ(RunCommand(alone, {"--version"}).exitCode, 0);
}

}  // namespace
}  // namespace tavlen::host
