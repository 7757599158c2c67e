// Helpers of the metafile tests: playing generated files and reading their pixels.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "platform/graphics/metafile/player.h"

namespace tavlen::gfx::test {

inline PixelBuffer PlayWmfOrFail(const std::vector<uint8_t>& bytes) {
  PixelBuffer out;
  EXPECT_EQ(metafile::PlayWmf(bytes, kDefaultLimits, out), Status::Ok);
  return out;
}

inline PixelBuffer PlayEmfOrFail(const std::vector<uint8_t>& bytes) {
  PixelBuffer out;
  EXPECT_EQ(metafile::PlayEmf(bytes, kDefaultLimits, out), Status::Ok);
  return out;
}

// The pixel as 0xRRGGBB (the buffer is 32bppRGB: blue, green, red, unused).
inline uint32_t Rgb(const PixelBuffer& px, uint32_t x, uint32_t y) {
  if (px.Empty() || x >= px.Width() || y >= px.Height()) return 0xDEADBEEF;
  const uint8_t* p = px.Row(y) + 4 * size_t{x};
  return (uint32_t{p[2]} << 16) | (uint32_t{p[1]} << 8) | p[0];
}

constexpr uint32_t kWhite = 0xFFFFFF;

}  // namespace tavlen::gfx::test
