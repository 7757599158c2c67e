// Guards for tests that feed hostile input: stderr capture, a hang watchdog and allocation sizes.
#include "tests/reliability/test_guards.h"

#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

extern "C" {
// Parts of the sanitizer runtimes' public interface; null when the test runs without them.
__attribute__((weak)) void __sanitizer_set_report_fd(void* fd);
__attribute__((weak)) int __sanitizer_install_malloc_and_free_hooks(void (*malloc_hook)(const volatile void*, size_t),
                                                                    void (*free_hook)(const volatile void*));
}

namespace tavlen::reliability {

ScratchDir::ScratchDir() {
  std::error_code error;
  const std::filesystem::path shm = "/dev/shm";
  const std::filesystem::path parent =
      ::access(shm.c_str(), W_OK) == 0 ? shm : std::filesystem::temp_directory_path(error);
  std::string pattern = (parent / "tavlen-reliability-XXXXXX").string();
  if (::mkdtemp(pattern.data())) m_path = pattern;
}

ScratchDir::~ScratchDir() {
  std::error_code ignored;
  if (!m_path.empty()) std::filesystem::remove_all(m_path, ignored);
}

std::vector<std::string> AtomicWriterTemporaries(const std::filesystem::path& dir) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(dir)) {
    const std::string name = entry.path().filename().string();
    if (name.rfind(".tavlen-", 0) == 0) names.push_back(name);
  }
  return names;
}

StderrCapture::StderrCapture() {
  std::fflush(stderr);
  m_saved = ::dup(2);
  char name[] = "/tmp/tavlen-stderr-XXXXXX";
  m_file = ::mkstemp(name);
  if (m_file < 0) return;
  ::unlink(name);
  ::dup2(m_file, 2);
  if (__sanitizer_set_report_fd) __sanitizer_set_report_fd(reinterpret_cast<void*>(static_cast<intptr_t>(m_saved)));
}

StderrCapture::~StderrCapture() { (void)Finish(); }

std::string StderrCapture::Finish() {
  if (m_file < 0) return {};
  std::fflush(stderr);
  ::dup2(m_saved, 2);
  if (__sanitizer_set_report_fd) __sanitizer_set_report_fd(reinterpret_cast<void*>(static_cast<intptr_t>(2)));
  std::string text;
  char buffer[4096];
  ssize_t n = 0;
  ::lseek(m_file, 0, SEEK_SET);
  while ((n = ::read(m_file, buffer, sizeof buffer)) > 0) text.append(buffer, static_cast<size_t>(n));
  ::close(m_file);
  ::close(m_saved);
  m_file = m_saved = -1;
  return text;
}

namespace {

// What the signal handler may touch: a fixed buffer and a descriptor, no allocation.
char g_step[512];
int g_reportFd = 2;

void OnAlarm(int) {
  static const char kPrefix[] = "watchdog: a step ran too long: ";
  (void)::write(g_reportFd, kPrefix, sizeof kPrefix - 1);
  (void)::write(g_reportFd, g_step, ::strnlen(g_step, sizeof g_step));
  (void)::write(g_reportFd, "\n", 1);
  std::abort();
}

std::atomic<size_t> g_largest{0};

void OnMalloc(const volatile void*, size_t size) {
  size_t seen = g_largest.load(std::memory_order_relaxed);
  while (size > seen && !g_largest.compare_exchange_weak(seen, size, std::memory_order_relaxed)) {
  }
}

void OnFree(const volatile void*) {}

bool InstallHooks() {
  return __sanitizer_install_malloc_and_free_hooks && __sanitizer_install_malloc_and_free_hooks(OnMalloc, OnFree) != 0;
}

}  // namespace

Watchdog::Watchdog(unsigned seconds, int reportFd) : m_seconds(seconds) {
  g_reportFd = reportFd;
  std::signal(SIGALRM, OnAlarm);
}

Watchdog::~Watchdog() {
  ::alarm(0);
  std::signal(SIGALRM, SIG_DFL);
}

void Watchdog::Step(const std::string& what) {
  ::alarm(0);
  std::snprintf(g_step, sizeof g_step, "%s", what.c_str());
  ::alarm(m_seconds);
}

bool AllocationWatch::Available() {
  static const bool installed = InstallHooks();
  return installed;
}

void AllocationWatch::Reset() { g_largest.store(0); }

size_t AllocationWatch::Largest() { return g_largest.load(); }

}  // namespace tavlen::reliability
