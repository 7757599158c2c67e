// Whole-file reads and writes through a temporary file renamed into place.
#include "platform/graphics/file_io.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <new>
#include <string>
#include <utility>

namespace tavlen::gfx {
namespace {

class Fd {
 public:
  explicit Fd(int fd) : m_fd(fd) {}
  ~Fd() {
    if (m_fd >= 0) ::close(m_fd);
  }
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  int Get() const { return m_fd; }
  int Release() { return std::exchange(m_fd, -1); }

 private:
  int m_fd;
};

Status FromErrno(int error) {
  switch (error) {
    case ENOENT:
    case ENOTDIR:
    case ENAMETOOLONG:
      return Status::FileNotFound;
    case EACCES:
    case EPERM:
    case EISDIR:
    case EROFS:
      return Status::AccessDenied;
    case ENOMEM:
      return Status::OutOfMemory;
    default:
      return Status::Win32Error;
  }
}

bool WriteAll(int fd, std::span<const uint8_t> bytes) {
  size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<size_t>(n);
  }
  return true;
}

}  // namespace

Status ReadWholeFile(const std::string& path, std::vector<uint8_t>& out, const DecodeLimits& limits) {
  if (path.empty()) return Status::InvalidParameter;
  Fd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
  if (fd.Get() < 0) return FromErrno(errno);
  struct stat st {};
  if (::fstat(fd.Get(), &st) != 0) return FromErrno(errno);
  if (S_ISDIR(st.st_mode)) return Status::AccessDenied;
  if (!S_ISREG(st.st_mode)) return Status::AccessDenied;
  if (static_cast<uint64_t>(st.st_size) > limits.maxFileBytes) return Status::OutOfMemory;
  std::vector<uint8_t> bytes;
  try {
    bytes.resize(static_cast<size_t>(st.st_size));
  } catch (const std::bad_alloc&) {
    return Status::OutOfMemory;
  }
  size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::read(fd.Get(), bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return FromErrno(errno);
    if (n == 0) break;  // the file shrank while we read it: keep what is there
    done += static_cast<size_t>(n);
  }
  bytes.resize(done);
  out = std::move(bytes);
  return Status::Ok;
}

Status WriteFileAtomically(const std::string& path, std::span<const uint8_t> bytes) {
  if (path.empty()) return Status::InvalidParameter;
  struct stat existing {};
  if (::stat(path.c_str(), &existing) == 0 && S_ISDIR(existing.st_mode)) return Status::AccessDenied;

  const size_t slash = path.rfind('/');
  const std::string folder = slash == std::string::npos ? "." : path.substr(0, slash + 1);
  std::string temp = (slash == std::string::npos ? std::string() : folder) + ".tavlen-XXXXXX";
  Fd fd(::mkstemp(temp.data()));
  if (fd.Get() < 0) return FromErrno(errno);

  // mkstemp makes the file 0600; a saved picture gets the usual permissions (or keeps the old file's).
  mode_t mode = 0;
  if (::stat(path.c_str(), &existing) == 0) {
    mode = existing.st_mode & 07777;
  } else {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    mode = 0666 & ~mask;
  }
  bool ok = ::fchmod(fd.Get(), mode) == 0 && WriteAll(fd.Get(), bytes) && ::fsync(fd.Get()) == 0;
  const int writeError = errno;
  ok = ::close(fd.Release()) == 0 && ok;
  if (!ok) {
    ::unlink(temp.c_str());
    return writeError == ENOSPC ? Status::Win32Error : FromErrno(writeError);
  }
  if (::rename(temp.c_str(), path.c_str()) != 0) {
    const int error = errno;
    ::unlink(temp.c_str());
    return FromErrno(error);
  }
  return Status::Ok;
}

}  // namespace tavlen::gfx
