// Whole-file reads and writes through a temporary file renamed into place.
#include "platform/base/file_io.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <limits>
#include <memory>
#include <new>
#include <stdexcept>
#include <utility>

#include "platform/base/unique_fd.h"

namespace tavlen::base {
namespace {

// At the file's position, or at `offset` when it is not negative (leaving the position alone).
bool WriteAll(int fd, std::span<const uint8_t> bytes, off_t offset = -1) {
  size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = offset < 0
                          ? ::write(fd, bytes.data() + done, bytes.size() - done)
                          : ::pwrite(fd, bytes.data() + done, bytes.size() - done, offset + static_cast<off_t>(done));
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return false;
    if (n == 0) {
      errno = EIO;
      return false;
    }
    done += static_cast<size_t>(n);
  }
  return true;
}

template <class Bytes>
int ReadInto(const std::string& path, Bytes& out, uint64_t maxBytes) {
  UniqueFd fd;
  uint64_t size = 0;
  if (int error = OpenRegularFile(path, maxBytes, fd, size); error != 0) return error;
  Bytes bytes;
  try {
    bytes.resize(static_cast<size_t>(size));
  } catch (const std::bad_alloc&) {
    return ENOMEM;
  } catch (const std::length_error&) {
    return ENOMEM;
  }
  size_t done = 0;
  // The file may have shrunk since it was opened: keep what is there.
  if (int error = ReadAt(fd.Get(), 0, std::span(reinterpret_cast<uint8_t*>(bytes.data()), bytes.size()), done);
      error != 0)
    return error;
  bytes.resize(done);
  out = std::move(bytes);
  return 0;
}

// A name no other call (in this process or another) is using: the process id, a per-process count and
// the time, so that a name left by a crashed process with a recycled id is not met again. O_EXCL below
// makes any collision a retry, never a shared file.
std::string TemporaryName(const std::string& folder) {
  static std::atomic<uint64_t> counter{0};
  timespec now{};
  ::clock_gettime(CLOCK_REALTIME, &now);
  char name[96];
  std::snprintf(
      name, sizeof name, ".tavlen-%d-%llu-%llx.tmp", static_cast<int>(::getpid()),
      static_cast<unsigned long long>(counter.fetch_add(1)),
      static_cast<unsigned long long>(now.tv_sec) * 1000000000ull + static_cast<unsigned long long>(now.tv_nsec));
  return folder + name;
}

// The writer's process id when `name` is exactly a name TemporaryName makes, else 0.
pid_t WriterOfTemporary(const char* name) {
  int pid = 0, end = 0;
  unsigned long long count = 0, stamp = 0;
  if (std::sscanf(name, ".tavlen-%d-%llu-%llx.tmp%n", &pid, &count, &stamp, &end) != 3) return 0;
  return end > 0 && name[end] == '\0' && pid > 0 ? pid : 0;
}

// A temporary left by a writer that was killed before its rename. One whose writer is still alive is
// being written now, unless it is older than any write takes (its process id then belongs to another).
bool IsStaleTemporary(int folderFd, const char* name, time_t now) {
  constexpr time_t kLongestWrite = 60 * 60;
  const pid_t writer = WriterOfTemporary(name);
  if (writer == 0) return false;
  struct stat st {};
  if (::fstatat(folderFd, name, &st, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISREG(st.st_mode)) return false;
  if (now - st.st_mtime > kLongestWrite) return true;
  return writer != ::getpid() && ::kill(writer, 0) != 0 && errno == ESRCH;
}

// Removes what killed writers left in the folder; only names of our own pattern are ever touched.
void RemoveStaleTemporaries(const std::string& folder) {
  const std::unique_ptr<DIR, int (*)(DIR*)> dir(::opendir(folder.empty() ? "." : folder.c_str()), &::closedir);
  if (!dir) return;
  const time_t now = ::time(nullptr);
  while (const dirent* entry = ::readdir(dir.get())) {
    if (IsStaleTemporary(::dirfd(dir.get()), entry->d_name, now))
      (void)::unlinkat(::dirfd(dir.get()), entry->d_name, 0);
  }
}

}  // namespace

int OpenRegularFile(const std::string& path, uint64_t maxBytes, UniqueFd& fd, uint64_t& size) {
  if (!IsUsablePath(path)) return EINVAL;
  UniqueFd opened(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
  if (!opened.Valid()) return errno;
  struct stat st {};
  if (::fstat(opened.Get(), &st) != 0) return errno;
  if (S_ISDIR(st.st_mode)) return EISDIR;
  if (!S_ISREG(st.st_mode)) return EINVAL;
  if (static_cast<uint64_t>(st.st_size) > maxBytes) return EFBIG;
  fd = std::move(opened);
  size = static_cast<uint64_t>(st.st_size);
  return 0;
}

int ReadAt(int fd, uint64_t offset, std::span<uint8_t> out, size_t& done) {
  done = 0;
  while (done < out.size()) {
    const ssize_t n = ::pread(fd, out.data() + done, out.size() - done, static_cast<off_t>(offset + done));
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return errno;
    if (n == 0) break;
    done += static_cast<size_t>(n);
  }
  return 0;
}

int ReadWholeFile(const std::string& path, std::vector<uint8_t>& out, uint64_t maxBytes) {
  return ReadInto(path, out, maxBytes);
}

int ReadWholeFile(const std::string& path, std::string& out, uint64_t maxBytes) {
  return ReadInto(path, out, maxBytes);
}

AtomicFileWriter::~AtomicFileWriter() {
  if (!m_temporary.empty()) {
    m_fd.Reset();
    ::unlink(m_temporary.c_str());
  }
}

int AtomicFileWriter::Open(const std::string& path) {
  if (!m_path.empty()) return EINVAL;
  if (!IsUsablePath(path)) return EINVAL;
  struct stat existing {};
  const bool replacing = ::stat(path.c_str(), &existing) == 0;
  if (replacing && S_ISDIR(existing.st_mode)) return EISDIR;

  const size_t slash = path.rfind('/');
  m_folder = slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
  std::string temporary;
  for (int attempt = 0; attempt < 100 && !m_fd.Valid(); ++attempt) {
    temporary = TemporaryName(m_folder);
    // 0666 lets the umask decide a new file's permissions, as for any other file the user makes.
    m_fd.Reset(::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666));
    if (!m_fd.Valid() && errno != EEXIST) return errno;
  }
  if (!m_fd.Valid()) return EEXIST;
  m_temporary = std::move(temporary);
  m_path = path;
  if (replacing && ::fchmod(m_fd.Get(), existing.st_mode & 07777) != 0) return errno;
  return 0;
}

int AtomicFileWriter::Write(std::span<const uint8_t> bytes) {
  if (!m_fd.Valid()) return EBADF;
  return WriteAll(m_fd.Get(), bytes) ? 0 : errno;
}

int AtomicFileWriter::WriteAt(uint64_t offset, std::span<const uint8_t> bytes) {
  if (!m_fd.Valid()) return EBADF;
  if (offset > static_cast<uint64_t>(std::numeric_limits<off_t>::max() / 2)) return EFBIG;
  return WriteAll(m_fd.Get(), bytes, static_cast<off_t>(offset)) ? 0 : errno;
}

int AtomicFileWriter::Commit() {
  if (!m_fd.Valid()) return EBADF;
  int error = ::fsync(m_fd.Get()) == 0 ? 0 : errno;
  if (const int closeError = m_fd.Close(); error == 0) error = closeError;
  if (error == 0 && ::rename(m_temporary.c_str(), m_path.c_str()) != 0) error = errno;
  if (error != 0) return error;  // the destructor removes the temporary
  m_temporary.clear();
  // The rename itself reaches the disk with the folder's entry; a failure here loses nothing written.
  UniqueFd dir(::open(m_folder.empty() ? "." : m_folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (dir.Valid()) (void)::fsync(dir.Get());
  RemoveStaleTemporaries(m_folder);
  return 0;
}

int WriteFileAtomically(const std::string& path, std::span<const uint8_t> bytes) {
  AtomicFileWriter writer;
  if (int error = writer.Open(path); error != 0) return error;
  if (int error = writer.Write(bytes); error != 0) return error;
  return writer.Commit();
}

}  // namespace tavlen::base
