// Whole-file reads and the one atomic file writer: a failed write never destroys what was there.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/base/unique_fd.h"

namespace tavlen::base {

// A path the system can be given: not empty, and without an embedded NUL, which would cut it short
// and make a call read or write some other file.
inline bool IsUsablePath(std::string_view path) { return !path.empty() && path.find('\0') == std::string_view::npos; }

// Results are 0 for success or an errno value, so that each layer can name the failure in its own terms.

// Reads a regular file whole. ENOENT and the like from open, EISDIR for a folder, EINVAL for an empty
// path, one with an embedded NUL or anything that is not a regular file, EFBIG above `maxBytes`, ENOMEM when the bytes
// do not fit in memory. `out` is left unchanged on failure.
[[nodiscard]] int ReadWholeFile(const std::string& path, std::vector<uint8_t>& out, uint64_t maxBytes);
[[nodiscard]] int ReadWholeFile(const std::string& path, std::string& out, uint64_t maxBytes);

// Opens a regular file for reading in pieces, with the failures of ReadWholeFile; `size` is its size
// when it was opened. `fd` and `size` are left unchanged on failure.
[[nodiscard]] int OpenRegularFile(const std::string& path, uint64_t maxBytes, UniqueFd& fd, uint64_t& size);
// Reads up to out.size() bytes at `offset` into `out`; `done` is how many came, fewer only where the
// file ends. 0 or an errno value.
[[nodiscard]] int ReadAt(int fd, uint64_t offset, std::span<uint8_t> out, size_t& done);

// Writes `bytes` to a temporary file of a name unique to this call in the target's folder, flushes it to
// disk and renames it over `path`. A new file gets the usual permissions (0666 less the umask), a
// replaced one keeps its own. On any failure the temporary is removed and whatever was at `path` stays
// byte for byte. EINVAL for an empty path or one with an embedded NUL, EISDIR when `path` is a folder. A successful
// write also removes the temporaries that killed writers left in that folder: names of this writer's own pattern whose
// process is gone, or that are older than an hour.
[[nodiscard]] int WriteFileAtomically(const std::string& path, std::span<const uint8_t> bytes);
[[nodiscard]] inline int WriteFileAtomically(const std::string& path, std::string_view text) {
  return WriteFileAtomically(path, std::span(reinterpret_cast<const uint8_t*>(text.data()), text.size()));
}

// The same write in pieces, for a file made as it is encoded: Open, Write as often as needed, then Commit
// to put it in place. A writer dropped before a successful Commit removes its temporary, and whatever
// was at the path stays byte for byte. Each step returns 0 or an errno value, with WriteFileAtomically's
// failures.
class AtomicFileWriter {
 public:
  AtomicFileWriter() = default;
  AtomicFileWriter(const AtomicFileWriter&) = delete;
  AtomicFileWriter& operator=(const AtomicFileWriter&) = delete;
  ~AtomicFileWriter();

  [[nodiscard]] int Open(const std::string& path);
  [[nodiscard]] int Write(std::span<const uint8_t> bytes);
  // Writes at `offset` without moving where Write goes on: for headers that point at what follows them.
  [[nodiscard]] int WriteAt(uint64_t offset, std::span<const uint8_t> bytes);
  [[nodiscard]] int Commit();

 private:
  std::string m_path;
  std::string m_folder;
  std::string m_temporary;  // while it may need removing
  UniqueFd m_fd;
};

}  // namespace tavlen::base
