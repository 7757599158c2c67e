// A private X server for a test binary: Xvfb started on a free display number (-displayfd) and
// stopped with the object; $DISPLAY points at it meanwhile. Failed() says why it could not start.
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

namespace tavlen::test {

class XvfbDisplay {
 public:
  XvfbDisplay() {
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0) {
      m_failure = "no pipe for Xvfb";
      return;
    }
    m_pid = ::fork();
    if (m_pid == 0) {
      ::dup2(fds[1], 3);  // dup2 clears close-on-exec on the copy
      const int devNull = ::open("/dev/null", O_WRONLY);
      if (devNull >= 0) ::dup2(devNull, 2);
      ::execlp("Xvfb", "Xvfb", "-displayfd", "3", "-screen", "0", "1280x1024x24", "-nolisten", "tcp",
               static_cast<char*>(nullptr));
      ::_exit(127);
    }
    ::close(fds[1]);
    std::string number;
    pollfd wait{fds[0], POLLIN, 0};
    char c = 0;
    // The server writes its display number once it accepts connections, or exits.
    while (m_pid > 0 && ::poll(&wait, 1, 20000) == 1 && ::read(fds[0], &c, 1) == 1 && c != '\n') number += c;
    ::close(fds[0]);
    if (m_pid < 0 || number.empty()) {
      m_failure = "Xvfb could not start (is the xvfb package installed?)";
      return;
    }
    m_display = ":" + number;
    ::setenv("DISPLAY", m_display.c_str(), 1);
    ::unsetenv("WAYLAND_DISPLAY");
  }
  ~XvfbDisplay() {
    if (m_pid <= 0) return;
    ::kill(m_pid, SIGTERM);
    ::waitpid(m_pid, nullptr, 0);
  }
  XvfbDisplay(const XvfbDisplay&) = delete;
  XvfbDisplay& operator=(const XvfbDisplay&) = delete;

  bool Failed() const { return !m_failure.empty(); }
  const std::string& Failure() const { return m_failure; }
  const std::string& Display() const { return m_display; }

 private:
  pid_t m_pid = -1;
  std::string m_display;
  std::string m_failure;
};

}  // namespace tavlen::test
