// Bounds-checked little-endian reads from a metafile's bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace tavlen::gfx::metafile {

// A window on bytes. Reads past the end yield zero and mark the reader as failed, so handlers can
// read a whole structure and check Ok() once.
class ByteReader {
 public:
  ByteReader() = default;
  explicit ByteReader(std::span<const uint8_t> bytes) : m_bytes(bytes) {}

  size_t Size() const { return m_bytes.size(); }
  size_t Position() const { return m_pos; }
  size_t Remaining() const { return m_pos <= m_bytes.size() ? m_bytes.size() - m_pos : 0; }
  bool Ok() const { return m_ok; }
  std::span<const uint8_t> Bytes() const { return m_bytes; }

  void Seek(size_t pos) {
    if (pos > m_bytes.size()) {
      m_ok = false;
      m_pos = m_bytes.size();
    } else {
      m_pos = pos;
    }
  }
  void Skip(size_t n) { Seek(n > Remaining() ? m_bytes.size() + 1 : m_pos + n); }

  uint8_t U8() { return static_cast<uint8_t>(Take(1)); }
  uint16_t U16() { return static_cast<uint16_t>(Take(2)); }
  int16_t S16() { return static_cast<int16_t>(U16()); }
  uint32_t U32() { return static_cast<uint32_t>(Take(4)); }
  int32_t S32() { return static_cast<int32_t>(U32()); }
  float F32() {
    const uint32_t bits = U32();
    float f;
    static_assert(sizeof f == sizeof bits);
    __builtin_memcpy(&f, &bits, sizeof f);
    return f;
  }

  // `n` bytes from the current position, or an empty span (and failure) when fewer remain.
  std::span<const uint8_t> Take(size_t n, std::nullptr_t) {
    if (n > Remaining()) {
      m_ok = false;
      m_pos = m_bytes.size();
      return {};
    }
    auto s = m_bytes.subspan(m_pos, n);
    m_pos += n;
    return s;
  }

  // A sub-range by absolute offset and length, empty when it does not fit.
  std::span<const uint8_t> Slice(size_t offset, size_t length) const {
    if (offset > m_bytes.size() || length > m_bytes.size() - offset) return {};
    return m_bytes.subspan(offset, length);
  }

 private:
  uint64_t Take(size_t n) {
    if (n > Remaining()) {
      m_ok = false;
      m_pos = m_bytes.size();
      return 0;
    }
    uint64_t v = 0;
    for (size_t i = 0; i < n; ++i) v |= uint64_t{m_bytes[m_pos + i]} << (8 * i);
    m_pos += n;
    return v;
  }

  std::span<const uint8_t> m_bytes;
  size_t m_pos = 0;
  bool m_ok = true;
};

}  // namespace tavlen::gfx::metafile
