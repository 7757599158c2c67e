// Text form and hashing of identifiers.
#include "platform/base/guid.h"

#include <cstdio>

namespace tavlen::base {

namespace {

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Reads `digits` hexadecimal digits at `pos`; false on any other character.
bool ReadHex(std::string_view text, size_t pos, size_t digits, uint64_t* value) {
  uint64_t v = 0;
  for (size_t i = 0; i < digits; ++i) {
    int d = HexDigit(text[pos + i]);
    if (d < 0) return false;
    v = v << 4 | static_cast<uint64_t>(d);
  }
  *value = v;
  return true;
}

}  // namespace

std::string FormatGuid(const Guid& g) {
  char text[40];
  std::snprintf(text, sizeof text, "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}", g.data1, g.data2, g.data3,
                g.data4[0], g.data4[1], g.data4[2], g.data4[3], g.data4[4], g.data4[5], g.data4[6], g.data4[7]);
  return text;
}

std::optional<Guid> ParseGuid(std::string_view text) {
  // Offsets of the braced form: { 8 - 4 - 4 - 4 - 12 }
  if (text.size() != 38 || text[0] != '{' || text[37] != '}') return std::nullopt;
  if (text[9] != '-' || text[14] != '-' || text[19] != '-' || text[24] != '-') return std::nullopt;
  Guid g;
  uint64_t v = 0;
  if (!ReadHex(text, 1, 8, &v)) return std::nullopt;
  g.data1 = static_cast<uint32_t>(v);
  if (!ReadHex(text, 10, 4, &v)) return std::nullopt;
  g.data2 = static_cast<uint16_t>(v);
  if (!ReadHex(text, 15, 4, &v)) return std::nullopt;
  g.data3 = static_cast<uint16_t>(v);
  for (size_t i = 0; i < 8; ++i) {
    size_t pos = i < 2 ? 20 + 2 * i : 25 + 2 * (i - 2);
    if (!ReadHex(text, pos, 2, &v)) return std::nullopt;
    g.data4[i] = static_cast<uint8_t>(v);
  }
  return g;
}

size_t GuidHash::operator()(const Guid& g) const noexcept {
  // FNV-1a over the fields; identifiers are random enough that this spreads well.
  uint64_t h = 1469598103934665603ull;
  auto mix = [&h](uint64_t byte) {
    h ^= byte;
    h *= 1099511628211ull;
  };
  for (int shift = 0; shift < 32; shift += 8) mix(g.data1 >> shift & 0xFF);
  for (int shift = 0; shift < 16; shift += 8) mix(g.data2 >> shift & 0xFF);
  for (int shift = 0; shift < 16; shift += 8) mix(g.data3 >> shift & 0xFF);
  for (uint8_t b : g.data4) mix(b);
  return static_cast<size_t>(h);
}

}  // namespace tavlen::base
