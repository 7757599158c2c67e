// A CUPS scheduler of the test's own: configuration, socket, spool and logs in a temporary folder,
// queues whose device is a file, stopped and removed when the object goes.
#pragma once

#include <sys/types.h>

#include <filesystem>
#include <string>

namespace tavlen::e2e {

// Runs a command through the shell; its exit status and what it printed (stdout and stderr).
struct CommandResult {
  int status = -1;
  std::string output;
};
CommandResult RunCommand(const std::string& command);

class PrivateCupsd {
 public:
  PrivateCupsd() = default;
  ~PrivateCupsd();
  PrivateCupsd(const PrivateCupsd&) = delete;
  PrivateCupsd& operator=(const PrivateCupsd&) = delete;

  // Starts cupsd; false with a reason when it cannot (not installed, refused to start).
  bool Start(std::string* why);
  // The value of CUPS_SERVER that reaches this scheduler.
  std::string Socket() const { return (m_dir / "cups.sock").string(); }
  const std::filesystem::path& Dir() const { return m_dir; }

  // A queue that accepts PDF and writes each job to `output`, printing on US Letter with the given
  // margins in points (left, bottom, right, top as a PPD's imageable area counts them).
  bool AddQueue(const std::string& name, const std::filesystem::path& output, int marginPoints = 0);
  bool SetDefault(const std::string& name);
  bool Reject(const std::string& name);
  // Waits until the queue has no unfinished job and `output` exists; false after about a minute.
  bool WaitForJob(const std::string& name, const std::filesystem::path& output);
  // The scheduler's error log, to explain a failure.
  std::string ErrorLog() const;

 private:
  // Runs an administration command against this scheduler.
  CommandResult Admin(const std::string& command) const;
  void Stop();

  std::filesystem::path m_dir;
  pid_t m_pid = -1;
};

}  // namespace tavlen::e2e
