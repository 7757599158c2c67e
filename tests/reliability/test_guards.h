// Guards for tests that feed hostile input: stderr captured while a library runs, a watchdog against
// hangs, and the largest single allocation when a sanitizer runtime can tell it.
#pragma once

#include <cstddef>
#include <filesystem>
#include <string>
#include <vector>

namespace tavlen::reliability {

// A fresh folder in memory (/dev/shm) when there is one, else in the temporary folder: thousands of
// synced writes there cost nothing. Removed with its contents when the object goes.
class ScratchDir {
 public:
  ScratchDir();
  ~ScratchDir();
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;
  const std::filesystem::path& Path() const { return m_path; }

 private:
  std::filesystem::path m_path;
};

// Names of the atomic writer's temporaries in the folder.
std::vector<std::string> AtomicWriterTemporaries(const std::filesystem::path& dir);

// Sends everything written to stderr into a file while it lives; sanitizer reports still reach the
// real stderr, so a crash under the capture is never hidden.
class StderrCapture {
 public:
  StderrCapture();
  ~StderrCapture();
  StderrCapture(const StderrCapture&) = delete;
  StderrCapture& operator=(const StderrCapture&) = delete;
  // Ends the capture and returns what was written.
  std::string Finish();
  // The real stderr, for messages that must not be captured.
  int RealStderr() const { return m_saved; }

 private:
  int m_saved = -1;
  int m_file = -1;
};

// Aborts the process with a message naming the current step when one step runs longer than the limit.
class Watchdog {
 public:
  explicit Watchdog(unsigned seconds, int reportFd = 2);
  ~Watchdog();
  Watchdog(const Watchdog&) = delete;
  Watchdog& operator=(const Watchdog&) = delete;
  // Starts the clock again for the step named `what`.
  void Step(const std::string& what);

 private:
  unsigned m_seconds;
};

// The size of the largest allocation since the last Reset, counted through the sanitizer runtime's
// allocation hooks; Available() is false in builds without one.
class AllocationWatch {
 public:
  static bool Available();
  static void Reset();
  static size_t Largest();
};

}  // namespace tavlen::reliability
