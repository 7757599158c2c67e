// A file read in pieces from one offset on, for decoders that stream from a descriptor.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace tavlen::gfx {

class FileCursor {
 public:
  FileCursor(int fd, uint64_t fileSize, uint64_t offset) : m_fd(fd), m_fileSize(fileSize), m_next(offset) {}

  // The buffer; false when it cannot be had.
  bool Init();
  // Up to `most` bytes of the file from the cursor on; empty at its end or on a read error.
  std::span<const uint8_t> Take(size_t most);
  // The file offset of the next byte.
  uint64_t Position() const { return m_next - (m_end - m_at); }
  // Exactly out.size() bytes, false when the file ends first.
  bool Read(std::span<uint8_t> out);

 private:
  bool Refill();

  int m_fd;
  uint64_t m_fileSize;
  uint64_t m_next;
  std::vector<uint8_t> m_buffer;
  size_t m_at = 0;
  size_t m_end = 0;
};

}  // namespace tavlen::gfx
