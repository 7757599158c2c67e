// The timing items of animations: frame delays (0x5100, LONGs in hundredths of a second) and the loop
// count (0x5101, a SHORT, 0 for ever), as GIF files have always given them.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/graphics/property_item.h"

namespace tavlen::gfx {

template <typename T>
std::vector<uint8_t> LittleEndianBytes(const std::vector<T>& values) {
  std::vector<uint8_t> out;
  for (T v : values)
    for (size_t i = 0; i < sizeof(T); ++i) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
  return out;
}

// Adds both items for frames shown `delaysMs` milliseconds each, rounded to hundredths.
inline void AddFrameTiming(const std::vector<uint32_t>& delaysMs, uint32_t loopCount, std::vector<PropertyItem>& out) {
  std::vector<uint32_t> hundredths;
  hundredths.reserve(delaysMs.size());
  for (uint32_t ms : delaysMs) hundredths.push_back((ms + 5) / 10);
  out.push_back({0x5100, kPropertyTagTypeLong, LittleEndianBytes(hundredths)});
  const auto loops = static_cast<uint16_t>(loopCount > 0xFFFF ? 0 : loopCount);
  out.push_back({0x5101, kPropertyTagTypeShort, LittleEndianBytes(std::vector<uint16_t>{loops})});
}

}  // namespace tavlen::gfx
