// Xvfb started with -displayfd, so that it picks a free display itself and tells us which.
#include "tests/desktop/xvfb_session.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QApplication>
#include <cstdlib>
#include <memory>

extern char** environ;

namespace tavlen::desktop::test {

namespace {

class Xvfb {
 public:
  ~Xvfb() { Stop(); }

  bool Start(std::string* why) {
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0) return Fail(why, "no pipe");
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    // The child gets the write end as descriptor 3, without close-on-exec, and its output goes away.
    posix_spawn_file_actions_adddup2(&actions, fds[1], 3);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    char* argv[] = {const_cast<char*>("Xvfb"),      const_cast<char*>("-displayfd"),   const_cast<char*>("3"),
                    const_cast<char*>("-nolisten"), const_cast<char*>("tcp"),          const_cast<char*>("-screen"),
                    const_cast<char*>("0"),         const_cast<char*>("1280x1024x24"), nullptr};
    const int spawned = posix_spawnp(&m_pid, "Xvfb", &actions, nullptr, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    close(fds[1]);
    if (spawned != 0) {
      close(fds[0]);
      m_pid = -1;
      return Fail(why, "Xvfb is not installed");
    }
    std::string display;
    pollfd ready{fds[0], POLLIN, 0};
    // Xvfb writes the number and a newline once it accepts connections; it exits on failure.
    while (display.find('\n') == std::string::npos && poll(&ready, 1, 20000) > 0) {
      char buffer[16];
      const ssize_t got = read(fds[0], buffer, sizeof buffer);
      if (got <= 0) break;
      display.append(buffer, static_cast<size_t>(got));
    }
    close(fds[0]);
    if (display.find('\n') == std::string::npos) {
      Stop();
      return Fail(why, "Xvfb did not start");
    }
    display.erase(display.find('\n'));
    setenv("DISPLAY", (":" + display).c_str(), 1);
    return true;
  }

  void Stop() {
    if (m_pid <= 0) return;
    kill(m_pid, SIGTERM);
    int status = 0;
    waitpid(m_pid, &status, 0);
    m_pid = -1;
  }

 private:
  static bool Fail(std::string* why, const char* reason) {
    *why = reason;
    return false;
  }
  pid_t m_pid = -1;
};

// Owned by a test environment, so that the application goes before the X server, both before exit.
class DesktopEnvironment final : public ::testing::Environment {
 public:
  bool Ready(std::string* why) {
    if (!m_tried) {
      m_tried = true;
      m_ready = StartAll();
    }
    *why = m_why;
    return m_ready;
  }

  void TearDown() override {
    m_application.reset();
    m_xvfb.Stop();
  }

 private:
  bool StartAll() {
    if (!m_xvfb.Start(&m_why)) return false;
    setenv("QT_QPA_PLATFORM", "xcb", 1);
    unsetenv("WAYLAND_DISPLAY");
    setenv("TAVLEN_BACKEND", "qt", 1);
    m_application = std::make_unique<QApplication>(m_argc, m_argv);
    return true;
  }

  int m_argc = 1;
  char m_name[16] = "desktop_test";
  char* m_argv[2] = {m_name, nullptr};
  bool m_tried = false;
  bool m_ready = false;
  std::string m_why;
  Xvfb m_xvfb;
  std::unique_ptr<QApplication> m_application;
};

DesktopEnvironment* g_environment =
    static_cast<DesktopEnvironment*>(::testing::AddGlobalTestEnvironment(new DesktopEnvironment));

}  // namespace

bool DesktopReady(std::string* why) { return g_environment->Ready(why); }

}  // namespace tavlen::desktop::test
