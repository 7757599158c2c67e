// The imaging library's whole-file reads and atomic writes as statuses: a failed write keeps what was there.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "platform/base/unique_fd.h"
#include "platform/graphics/limit_policy.h"
#include "platform/graphics/status.h"

namespace tavlen::gfx {

// FileNotFound for a missing path, AccessDenied for a directory or unreadable file,
// OutOfMemory above limits.maxFileBytes.
Status ReadWholeFile(const std::string& path, std::vector<uint8_t>& out, const DecodeLimits& limits = ProcessLimits());

// A regular file opened for reading in pieces, with the failures of ReadWholeFile.
Status OpenFileForReading(const std::string& path, const DecodeLimits& limits, base::UniqueFd& fd, uint64_t& size);
// Up to out.size() bytes at `offset`; `done` is fewer only where the file ends.
Status ReadFileAt(int fd, uint64_t offset, std::span<uint8_t> out, size_t& done);

// Writes to a temporary file beside `path` and renames it into place; on any failure the temporary
// is removed and an existing file at `path` stays as it was.
Status WriteFileAtomically(const std::string& path, std::span<const uint8_t> bytes);
// The status of a failed step of base::AtomicFileWriter (Ok for 0), as WriteFileAtomically gives it.
Status FromWriteErrno(int error);

}  // namespace tavlen::gfx
