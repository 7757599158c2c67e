// Starting Xvfb with -displayfd, which writes the display number it chose once it accepts clients.
#include "tests/viewer/xvfb_display.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <vector>

extern char** environ;

namespace tavlen::test {
namespace {

constexpr int kStartTimeoutMs = 15000;

// The display number Xvfb writes, or "" when it exits or says nothing in time.
std::string ReadDisplayNumber(int fd) {
  std::string number;
  for (;;) {
    pollfd ready{fd, POLLIN, 0};
    if (::poll(&ready, 1, kStartTimeoutMs) <= 0) return {};
    char c = 0;
    if (::read(fd, &c, 1) != 1) return {};
    if (c == '\n') return number;
    number += c;
  }
}

}  // namespace

bool XvfbDisplay::Start(std::string* why) {
  int fds[2];
  if (::pipe2(fds, O_CLOEXEC) != 0) {
    *why = "no pipe for Xvfb";
    return false;
  }
  // The child keeps only the write end, as its descriptor 3.
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, fds[1], 3);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  std::vector<std::string> args = {"Xvfb", "-displayfd", "3", "-screen", "0", "1280x1024x24", "-nolisten", "tcp"};
  std::vector<char*> argv;
  for (std::string& arg : args) argv.push_back(arg.data());
  argv.push_back(nullptr);
  const int spawned = ::posix_spawnp(&m_pid, "Xvfb", &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  ::close(fds[1]);
  if (spawned != 0) {
    ::close(fds[0]);
    m_pid = -1;
    *why = "Xvfb could not be started (is the xvfb package installed?)";
    return false;
  }
  const std::string number = ReadDisplayNumber(fds[0]);
  ::close(fds[0]);
  if (number.empty()) {
    Stop();
    *why = "Xvfb started but offered no display";
    return false;
  }
  m_name = ":" + number;
  ::setenv("DISPLAY", m_name.c_str(), 1);
  return true;
}

void XvfbDisplay::Stop() {
  if (m_pid <= 0) return;
  ::kill(m_pid, SIGTERM);
  int status = 0;
  ::waitpid(m_pid, &status, 0);
  m_pid = -1;
}

}  // namespace tavlen::test
