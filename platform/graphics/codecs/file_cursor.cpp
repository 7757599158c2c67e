// FileCursor: positioned reads into one buffer.
#include "platform/graphics/codecs/file_cursor.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "platform/graphics/status_file_io.h"

namespace tavlen::gfx {
namespace {

// Bytes read a time: large enough that reads cost nothing, small enough to stay in cache.
constexpr size_t kReadPiece = size_t{256} << 10;

}  // namespace

bool FileCursor::Init() {
  try {
    m_buffer.resize(kReadPiece);
  } catch (const std::bad_alloc&) {
    return false;
  }
  return true;
}

std::span<const uint8_t> FileCursor::Take(size_t most) {
  if (m_at == m_end && !Refill()) return {};
  const size_t n = std::min(most, m_end - m_at);
  const std::span<const uint8_t> piece(m_buffer.data() + m_at, n);
  m_at += n;
  return piece;
}

bool FileCursor::Read(std::span<uint8_t> out) {
  for (size_t done = 0; done < out.size();) {
    const auto piece = Take(out.size() - done);
    if (piece.empty()) return false;
    std::memcpy(out.data() + done, piece.data(), piece.size());
    done += piece.size();
  }
  return true;
}

bool FileCursor::Refill() {
  if (m_next >= m_fileSize) return false;
  const auto want = static_cast<size_t>(std::min<uint64_t>(m_buffer.size(), m_fileSize - m_next));
  size_t got = 0;
  if (ReadFileAt(m_fd, m_next, std::span(m_buffer.data(), want), got) != Status::Ok || got == 0) return false;
  m_next += got;
  m_at = 0;
  m_end = got;
  return true;
}

}  // namespace tavlen::gfx
