// A private X server for tests of desktop windows: Xvfb on a display number it picks itself, stopped
// when the object goes. Tests skip with the reason when it cannot start.
#pragma once

#include <sys/types.h>

#include <string>

namespace tavlen::test {

class XvfbDisplay {
 public:
  XvfbDisplay() = default;
  XvfbDisplay(const XvfbDisplay&) = delete;
  XvfbDisplay& operator=(const XvfbDisplay&) = delete;
  ~XvfbDisplay() { Stop(); }

  // Starts Xvfb and points DISPLAY at it; false with the reason in *why.
  bool Start(std::string* why);
  void Stop();
  const std::string& Name() const { return m_name; }  // ":N"

 private:
  pid_t m_pid = -1;
  std::string m_name;
};

}  // namespace tavlen::test
