// The headless command's desktop mode: a desktop run becomes tavlen-desktop, the same command built
// with Qt, so that headless runs load no Qt library at all.
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <thread>

#include "hosts/tavlen/desktop_mode.h"
#include "hosts/tavlen/executable_dir.h"

namespace tavlen::host {

namespace {

constexpr const char* kDesktopCommand = "tavlen-desktop";

}  // namespace

bool StartDesktop(char** argv, std::string* why) {
  const std::string desktop = ExecutableDir() + "/" + kDesktopCommand;
  // The arguments and the environment (TAVLEN_BACKEND, the registry) go over unchanged.
  ::execv(desktop.c_str(), argv);
  const int error = errno;
  *why = error == ENOENT ? "the desktop part of tavlen is missing (" + desktop + "; built without Qt 6?)"
                         : "cannot start the desktop part of tavlen, " + desktop + ": " + std::strerror(error);
  return false;
}

bool DesktopStarted() { return false; }

void StopDesktop() {}

ole::HRESULT PresentOnDesktop(ole::ComPtr<IControlWindow>*, ole::IUnknown*, std::string*) { return ole::S_OK; }

void WaitEvents(int32_t milliseconds) { std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds)); }

}  // namespace tavlen::host
