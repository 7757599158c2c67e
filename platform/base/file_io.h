// Whole-file reads and the one atomic file writer: a failed write never destroys what was there.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tavlen::base {

// Results are 0 for success or an errno value, so that each layer can name the failure in its own terms.

// Reads a regular file whole. ENOENT and the like from open, EISDIR for a folder, EINVAL for an empty
// path or anything that is not a regular file, EFBIG above `maxBytes`, ENOMEM when the bytes do not fit
// in memory. `out` is left unchanged on failure.
[[nodiscard]] int ReadWholeFile(const std::string& path, std::vector<uint8_t>& out, uint64_t maxBytes);
[[nodiscard]] int ReadWholeFile(const std::string& path, std::string& out, uint64_t maxBytes);

// Writes `bytes` to a temporary file of a name unique to this call in the target's folder, flushes it to
// disk and renames it over `path`. A new file gets the usual permissions (0666 less the umask), a
// replaced one keeps its own. On any failure the temporary is removed and whatever was at `path` stays
// byte for byte. EINVAL for an empty path, EISDIR when `path` is a folder. A successful write also
// removes the temporaries that killed writers left in that folder: names of this writer's own pattern
// whose process is gone, or that are older than an hour.
[[nodiscard]] int WriteFileAtomically(const std::string& path, std::span<const uint8_t> bytes);
[[nodiscard]] inline int WriteFileAtomically(const std::string& path, std::string_view text) {
  return WriteFileAtomically(path, std::span(reinterpret_cast<const uint8_t*>(text.data()), text.size()));
}

}  // namespace tavlen::base
