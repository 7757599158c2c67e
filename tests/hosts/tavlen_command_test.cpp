// The tavlen command as a process: a headless run maps no Qt library, and a desktop run whose desktop
// part is missing says so and fails instead of running headless.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/automation/loader.h"
#include "tests/control/module/module_fixture.h"

namespace tavlen::host {
namespace {

struct Outcome {
  int exitCode = -1;
  std::string standardError;
};

// Runs `program args...` with `environment` (NAME=value) added to this process's, and collects what
// it writes to standard error.
Outcome RunCommand(const std::string& program, const std::vector<std::string>& args,
                   const std::vector<std::string>& environment = {}) {
  Outcome outcome;
  int pipeFds[2];
  if (::pipe2(pipeFds, O_CLOEXEC) != 0) return outcome;
  const pid_t pid = ::fork();
  if (pid == 0) {
    ::dup2(pipeFds[1], STDERR_FILENO);
    const int null = ::open("/dev/null", O_WRONLY);
    ::dup2(null, STDOUT_FILENO);
    for (const std::string& variable : environment) ::putenv(const_cast<char*>(variable.c_str()));
    std::vector<char*> argv{const_cast<char*>(program.c_str())};
    for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    ::execv(program.c_str(), argv.data());
    ::_exit(127);
  }
  ::close(pipeFds[1]);
  char buffer[4096];
  ssize_t count = 0;
  while ((count = ::read(pipeFds[0], buffer, sizeof buffer)) > 0) outcome.standardError.append(buffer, count);
  ::close(pipeFds[0]);
  int status = 0;
  if (pid > 0 && ::waitpid(pid, &status, 0) == pid && WIFEXITED(status)) outcome.exitCode = WEXITSTATUS(status);
  return outcome;
}

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
