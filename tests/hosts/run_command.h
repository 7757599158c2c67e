// Runs a program as a child process and collects its exit code, standard output and standard error.
#pragma once

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace tavlen::host {

struct Outcome {
  int exitCode = -1;
  std::string standardOutput;
  std::string standardError;
};

// Runs `program args...` with `environment` (NAME=value) added to this process's. Standard output goes
// through an unlinked temporary file, so that a child filling it never waits on a full pipe.
inline Outcome RunCommand(const std::string& program, const std::vector<std::string>& args,
                          const std::vector<std::string>& environment = {}) {
  Outcome outcome;
  int pipeFds[2];
  if (::pipe2(pipeFds, O_CLOEXEC) != 0) return outcome;
  FILE* output = std::tmpfile();
  if (!output) return outcome;
  const pid_t pid = ::fork();
  if (pid == 0) {
    ::dup2(pipeFds[1], STDERR_FILENO);
    ::dup2(::fileno(output), STDOUT_FILENO);
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
  std::rewind(output);
  size_t got = 0;
  while ((got = std::fread(buffer, 1, sizeof buffer, output)) > 0) outcome.standardOutput.append(buffer, got);
  std::fclose(output);
  return outcome;
}

}  // namespace tavlen::host
