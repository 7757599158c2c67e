// RLE BMPs: a few bytes of runs can claim any canvas, and every later step (a conversion, a save) pays
// for all of it. Past 64 MiB a canvas must be painted by its runs; real files, which paint every
// pixel, decode whatever their size.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <utility>
#include <vector>

#include "platform/graphics/bitmap.h"
#include "platform/graphics/limit_refusal.h"
#include "tests/graphics/test_support.h"

namespace tavlen::reliability {
namespace {

// A BMP with an 8-bit (RLE8) or 4-bit (RLE4) grey palette and the given run data.
std::vector<uint8_t> RleBmp(uint32_t width, uint32_t height, uint16_t bits, const std::vector<uint8_t>& runs) {
  std::vector<uint8_t> out;
  auto le = [&out](uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) out.push_back(static_cast<uint8_t>(value >> (8 * i)));
  };
  const uint32_t colours = 1u << bits;
  const uint32_t dataAt = 14 + 40 + colours * 4;
  out.push_back('B'), out.push_back('M');
  le(dataAt + static_cast<uint32_t>(runs.size()), 4), le(0, 4), le(dataAt, 4);
  le(40, 4), le(width, 4), le(height, 4), le(1, 2), le(bits, 2), le(bits == 8 ? 1 : 2, 4);
  le(static_cast<uint32_t>(runs.size()), 4), le(2835, 4), le(2835, 4), le(0, 4), le(0, 4);
  for (uint32_t i = 0; i < colours; ++i) le(i * 0x010101u * (255 / (colours - 1)), 4);
  out.insert(out.end(), runs.begin(), runs.end());
  return out;
}

// Every row painted with runs of at most 255 pixels of `index`, each row ended.
std::vector<uint8_t> PaintedRows(uint32_t width, uint32_t height, uint8_t index) {
  std::vector<uint8_t> runs;
  for (uint32_t y = 0; y < height; ++y) {
    for (uint32_t x = 0; x < width; x += 255) {
      runs.push_back(static_cast<uint8_t>(std::min<uint32_t>(255, width - x)));
      runs.push_back(index);
    }
    runs.push_back(0), runs.push_back(0);
  }
  return runs;
}

TEST(RleClaims, ALargeCanvasTheRunsLeaveEmptyIsRefused) {
  // A row of runs, then end of bitmap: 15000 x 15000 (225 MB) and 16000 x 16000 4-bit (128 MB).
  std::vector<uint8_t> fewRuns = {255, 7, 255, 7, 0, 0, 0, 1};
  for (const auto& [side, bits] : {std::pair{15000u, uint16_t{8}}, std::pair{16000u, uint16_t{4}}}) {
    auto decoded = gfx::Bitmap::FromMemory(RleBmp(side, side, bits, fewRuns));
    EXPECT_EQ(decoded.GetStatus(), gfx::Status::OutOfMemory) << side;
    EXPECT_EQ(gfx::TakeRefusal(), gfx::Refusal::Unbacked) << side;
  }
  // Below 64 MiB a short stream still gives what it holds, the rest at index 0.
  auto small = gfx::Bitmap::FromMemory(RleBmp(8000, 8000, 8, fewRuns));
  ASSERT_TRUE(small.Ok());
  EXPECT_EQ(small.Value()->Width(), 8000u);
}

TEST(RleClaims, ALargeCanvasTheRunsPaintDecodes) {
  // 9000 x 8000 is 72 MB, over the 64 MiB past which runs must back the claim; 600 KB of runs paint it.
  auto decoded = gfx::Bitmap::FromMemory(RleBmp(9000, 8000, 8, PaintedRows(9000, 8000, 200)));
  ASSERT_TRUE(decoded.Ok()) << static_cast<int>(decoded.GetStatus());
  EXPECT_EQ(gfx::test::PixelAt(*decoded.Value(), 0, 0), 0xFFC8C8C8u);
  EXPECT_EQ(gfx::test::PixelAt(*decoded.Value(), 8999, 7999), 0xFFC8C8C8u);
}

}  // namespace
}  // namespace tavlen::reliability
