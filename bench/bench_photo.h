// The synthetic photo the benchmarks share.
#pragma once

#include <cmath>

#include "platform/graphics/bitmap.h"

namespace tavlen::gfx {

// A smooth photo-like picture with some texture, so that codecs see realistic data.
inline Bitmap::Ptr MakePhoto(uint32_t w, uint32_t h, PixelFormat format) {
  auto created = Bitmap::Create(w, h, PixelFormat::RGB24bpp);
  Bitmap::Ptr b = std::move(created.Value());
  uint32_t noise = 12345;
  for (uint32_t y = 0; y < h; ++y) {
    uint8_t* row = b->Pixels().Row(y);
    for (uint32_t x = 0; x < w; ++x) {
      noise = noise * 1103515245 + 12345;
      const double fx = x / static_cast<double>(w), fy = y / static_cast<double>(h);
      row[3 * x] = static_cast<uint8_t>(127 + 120 * std::sin(fx * 7 + fy * 3) + ((noise >> 16) & 7));
      row[3 * x + 1] = static_cast<uint8_t>(127 + 120 * std::cos(fy * 5 - fx * 2) + ((noise >> 20) & 7));
      row[3 * x + 2] = static_cast<uint8_t>(127 + 120 * std::sin((fx + fy) * 4) + ((noise >> 24) & 7));
    }
  }
  if (format == PixelFormat::RGB24bpp) return b;
  auto converted = b->CloneArea(0, 0, static_cast<float>(w), static_cast<float>(h), format);
  return std::move(converted.Value());
}

}  // namespace tavlen::gfx
