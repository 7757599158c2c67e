// The imaging library's file reads and writes: the base library's, with failures as statuses.
#include "platform/graphics/status_file_io.h"

#include <cerrno>

#include "platform/base/file_io.h"
#include "platform/graphics/limit_refusal.h"

namespace tavlen::gfx {
namespace {

Status FromErrno(int error) {
  switch (error) {
    case 0:
      return Status::Ok;
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
    case EFBIG:
      return Status::OutOfMemory;
    default:
      return Status::Win32Error;
  }
}

// A device or a pipe is no picture file, and may never end.
Status FromOpenError(int error) {
  if (error == EFBIG) NoteRefusal(Refusal::File);
  return error == EINVAL ? Status::AccessDenied : FromErrno(error);
}

}  // namespace

Status ReadWholeFile(const std::string& path, std::vector<uint8_t>& out, const DecodeLimits& limits) {
  if (!base::IsUsablePath(path)) return Status::InvalidParameter;
  return FromOpenError(base::ReadWholeFile(path, out, limits.maxFileBytes));
}

Status OpenFileForReading(const std::string& path, const DecodeLimits& limits, base::UniqueFd& fd, uint64_t& size) {
  if (!base::IsUsablePath(path)) return Status::InvalidParameter;
  return FromOpenError(base::OpenRegularFile(path, limits.maxFileBytes, fd, size));
}

Status ReadFileAt(int fd, uint64_t offset, std::span<uint8_t> out, size_t& done) {
  return FromErrno(base::ReadAt(fd, offset, out, done));
}

Status WriteFileAtomically(const std::string& path, std::span<const uint8_t> bytes) {
  if (!base::IsUsablePath(path)) return Status::InvalidParameter;
  return FromWriteErrno(base::WriteFileAtomically(path, bytes));
}

Status FromWriteErrno(int error) {
  // A full disk while writing is a write failure, not an allocation failure.
  return error == EFBIG || error == ENOSPC ? Status::Win32Error : FromErrno(error);
}

}  // namespace tavlen::gfx
