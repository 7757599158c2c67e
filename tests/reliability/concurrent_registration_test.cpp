// Registrations and unregistrations racing on one registry file leave it readable with the module
// wholly registered or wholly absent; a damaged registry file is reported by its error code, left as it
// is, and never brings a host down.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "platform/automation/registry.h"
#include "tests/graphics/test_support.h"
#include "tests/reliability/file_mutator.h"

namespace tavlen::reliability {
namespace {

namespace fs = std::filesystem;

constexpr int kRacersPerKind = 50;

// Starts `tavlen ARGS...` with its output in `outputFd` (or nowhere when it is -1).
pid_t StartTavlen(const std::vector<std::string>& args, int outputFd = -1) {
  const pid_t child = ::fork();
  if (child != 0) return child;
  const int out = outputFd >= 0 ? outputFd : ::open("/dev/null", O_WRONLY);
  ::dup2(out, 1);
  ::dup2(out, 2);
  std::vector<char*> argv{const_cast<char*>(TAVLEN_EXE)};
  for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
  argv.push_back(nullptr);
  ::execv(TAVLEN_EXE, argv.data());
  ::_exit(127);
}

struct Finished {
  int exitCode = -1;  // -1 when a signal ended the process
  std::string output;
};

Finished RunTavlen(const std::vector<std::string>& args) {
  int pipeFds[2];
  if (::pipe(pipeFds) != 0) return {};
  const pid_t child = StartTavlen(args, pipeFds[1]);
  ::close(pipeFds[1]);
  Finished result;
  char buffer[4096];
  ssize_t n = 0;
  while ((n = ::read(pipeFds[0], buffer, sizeof buffer)) > 0) result.output.append(buffer, static_cast<size_t>(n));
  ::close(pipeFds[0]);
  int status = 0;
  ::waitpid(child, &status, 0);
  result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return result;
}

class RegistryFile : public ::testing::Test {
 protected:
  void SetUp() override {
    const char* old = std::getenv("TAVLEN_REGISTRY");
    if (old) m_oldRegistry = old;
    ::setenv("TAVLEN_REGISTRY", Registry().c_str(), 1);
  }
  void TearDown() override {
    if (m_oldRegistry) {
      ::setenv("TAVLEN_REGISTRY", m_oldRegistry->c_str(), 1);
    } else {
      ::unsetenv("TAVLEN_REGISTRY");
    }
  }
  std::string Registry() const { return m_dir.File("registry"); }
  ole::RegistryData Load() const {
    ole::RegistryData data;
    EXPECT_EQ(ole::Registry(Registry()).Load(&data), ole::S_OK);
    return data;
  }

  gfx::test::TempDir m_dir;
  std::optional<std::string> m_oldRegistry;
};

TEST_F(RegistryFile, RacingRegistrationsLeaveTheModuleWhollyRegisteredOrWhollyAbsent) {
  ASSERT_EQ(RunTavlen({"regsvr", TAVLEN_MODULE}).exitCode, 0);
  const ole::RegistryData registered = Load();
  ASSERT_EQ(RunTavlen({"regsvr", "-u", TAVLEN_MODULE}).exitCode, 0);
  const ole::RegistryData absent = Load();
  ASSERT_FALSE(registered == absent);

  std::vector<pid_t> racers;
  for (int i = 0; i < kRacersPerKind; ++i) {
    racers.push_back(StartTavlen({"regsvr", TAVLEN_MODULE}));
    racers.push_back(StartTavlen({"regsvr", "-u", TAVLEN_MODULE}));
  }
  // Every state a reader meets while they race is one of the two.
  size_t running = racers.size();
  int torn = 0;
  while (running > 0) {
    const ole::RegistryData seen = Load();
    if (!(seen == registered) && !(seen == absent)) ++torn;
    int status = 0;
    while (running > 0 && ::waitpid(-1, &status, WNOHANG) > 0) {
      --running;
      EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "a racer failed, wait status " << status;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(1));  // leaves the cores to the racers
  }
  EXPECT_EQ(torn, 0) << "readers met a module registered in part";
  const ole::RegistryData last = Load();
  EXPECT_TRUE(last == registered || last == absent);
}

TEST_F(RegistryFile, DamagedFileIsReportedLeftAsItIsAndNeverCrashesAHost) {
  ASSERT_EQ(RunTavlen({"regsvr", TAVLEN_MODULE}).exitCode, 0);
  const std::vector<uint8_t> whole = gfx::test::ReadFileBytes(Registry());
  ASSERT_GT(whole.size(), 100u);
  SeededRandom random(0x7e9157);
  std::vector<uint8_t> garbage(2048);
  for (uint8_t& byte : garbage) byte = static_cast<uint8_t>(random.Next());
  // Cut inside a quoted value, so what remains cannot pass for a shorter registry.
  std::vector<uint8_t> truncated(whole.begin(), whole.begin() + static_cast<long>(whole.size() / 2));
  while (!truncated.empty() && truncated.back() != '"') truncated.pop_back();
  truncated.push_back('x');

  const std::string script = m_dir.File("create.js");
  std::ofstream(script) << "var control = new ActiveXObject(\"TAVLEN.TavlenCtrl.1\");\nHost.Quit(0);\n";
  for (const auto& [name, damaged] : {std::pair{"truncated", truncated}, std::pair{"garbage", garbage}}) {
    SCOPED_TRACE(name);
    std::ofstream(Registry(), std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char*>(damaged.data()), static_cast<std::streamsize>(damaged.size()));
    for (const char* flag : {"", "-u"}) {
      std::vector<std::string> args{"regsvr"};
      if (*flag) args.push_back(flag);
      args.push_back(TAVLEN_MODULE);
      const Finished regsvr = RunTavlen(args);
      EXPECT_EQ(regsvr.exitCode, 1) << regsvr.output;
      EXPECT_NE(regsvr.output.find("0x80040200"), std::string::npos) << regsvr.output;
    }
    const Finished host = RunTavlen({"run", script});
    EXPECT_EQ(host.exitCode, 1) << host.output;
    EXPECT_NE(host.output.find("0x80040150"), std::string::npos) << host.output;
    EXPECT_EQ(gfx::test::ReadFileBytes(Registry()), damaged) << "the damaged file was changed";
  }
}

}  // namespace
}  // namespace tavlen::reliability
