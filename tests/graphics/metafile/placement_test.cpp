// Where an EMF's picture lands: the frame through the reference device, and world transforms that scale down.
#include <gtest/gtest.h>

#include "tests/graphics/metafile/metafile_writer.h"
#include "tests/graphics/metafile/render_util.h"

namespace tavlen::gfx {
namespace {

using test::kWhite;
using test::Rgb;

constexpr int32_t kNullPen = static_cast<int32_t>(0x80000008u);
constexpr int32_t kBlackBrush = static_cast<int32_t>(0x80000004u);

TEST(MetafilePlacement, FrameGoesToDevicePixelsThroughTheMillimetres) {
  // 3.2 pixels per millimetre; the micrometres say 3.191, which would put the frame's left edge 4.5
  // device pixels further left. The frame starts at 500 mm, device pixel 1600, and is 25.4 mm square.
  test::EmfWriter e({{50000, 50000, 52540, 52540}, {1024, 768}, {320, 240}, {320900, 240700}});
  e.Record(37, {kNullPen});
  e.Record(37, {kBlackBrush});
  // Device pixels 1600-1640 (MM_TEXT): from the canvas's top-left corner.
  e.Record(43, {1600, 1600, 1641, 1641});
  const PixelBuffer px = test::PlayEmfOrFail(e.Finish());
  ASSERT_EQ(px.Width(), 96u);
  ASSERT_EQ(px.Height(), 96u);
  EXPECT_EQ(Rgb(px, 0, 0), 0u);
  EXPECT_EQ(Rgb(px, 1, 1), 0u);
  // 40 device pixels are 47.2 canvas pixels at 96 / (25.4 * 3.2) canvas pixels per device pixel.
  EXPECT_EQ(Rgb(px, 46, 46), 0u);
  EXPECT_EQ(Rgb(px, 49, 49), kWhite);
}

TEST(MetafilePlacement, MissingFrameFallsBackOnTheBounds) {
  test::EmfWriter e({{0, 0, 0, 0}, {960, 960}, {254, 254}, {254000, 254000}});
  e.Record(43, {0, 0, 10, 10});
  std::vector<uint8_t> bytes = e.Finish();
  // Bounds (inclusive, device pixels) 0, 0 - 29, 19.
  bytes[16] = 29;
  bytes[20] = 19;
  const PixelBuffer px = test::PlayEmfOrFail(bytes);
  EXPECT_EQ(px.Width(), 30u);
  EXPECT_EQ(px.Height(), 20u);
}

// A 1/16 world transform, then black bars drawn in logical units.
std::vector<uint8_t> SixteenthScale(const std::vector<std::vector<int32_t>>& rects) {
  test::EmfWriter e(24, 24);
  e.Record(35, {0, 0, 0, 0, 0, 0});
  e.Record(37, {kNullPen});
  e.Record(37, {kBlackBrush});
  for (const auto& r : rects) e.Record(43, r);
  return e.Finish();
}

void SetScale(std::vector<uint8_t>& bytes, float scale) {
  // The world transform record follows the 88-byte header: its first and fourth numbers are the scale.
  for (size_t at : {96u, 108u}) __builtin_memcpy(bytes.data() + at, &scale, 4);
}

TEST(MetafilePlacement, SixteenthScaleKeepsAOnePixelGrid) {
  // Squares of 16 logical units on a 32-unit pitch: one pixel on, one off, in both directions.
  std::vector<std::vector<int32_t>> squares;
  for (int32_t y = 0; y < 20; y += 2)
    for (int32_t x = 0; x < 20; x += 2) squares.push_back({x * 16, y * 16, x * 16 + 16, y * 16 + 16});
  std::vector<uint8_t> bytes = SixteenthScale(squares);
  SetScale(bytes, 1.0f / 16);
  const PixelBuffer px = test::PlayEmfOrFail(bytes);
  for (uint32_t y = 0; y < 20; ++y) {
    for (uint32_t x = 0; x < 20; ++x) {
      ASSERT_EQ(Rgb(px, x, y), (x % 2 == 0 && y % 2 == 0) ? 0u : kWhite) << x << "," << y;
    }
  }
}

TEST(MetafilePlacement, SixteenthScaleKeepsSlotsApart) {
  // Two bars 26 and 24 units wide with an 8-unit (half-pixel) slot between them, 10 units into pixel 1.
  // Sampled at pixel centres the slot would vanish; with coverage it stays lighter than the bars.
  std::vector<uint8_t> bytes = SixteenthScale({{0, 0, 26, 16 * 20}, {34, 0, 58, 16 * 20}});
  SetScale(bytes, 1.0f / 16);
  const PixelBuffer px = test::PlayEmfOrFail(bytes);
  const uint32_t bar = Rgb(px, 0, 10) & 0xFF, slot = Rgb(px, 1, 10) & 0xFF, next = Rgb(px, 2, 10) & 0xFF;
  EXPECT_EQ(bar, 0u);
  EXPECT_GT(slot, next + 0x30);
  EXPECT_LT(slot, 0xFFu);
  EXPECT_EQ(Rgb(px, 10, 10), kWhite);
}

TEST(MetafilePlacement, UnscaledShapesStayCrisp) {
  // Without a down-scaling transform, edges fall on whole pixels: no grey in between.
  std::vector<uint8_t> bytes = SixteenthScale({{0, 0, 3, 20}});
  SetScale(bytes, 1.0f);
  const PixelBuffer px = test::PlayEmfOrFail(bytes);
  EXPECT_EQ(Rgb(px, 1, 5), 0u);
  EXPECT_EQ(Rgb(px, 2, 5), kWhite);
}

}  // namespace
}  // namespace tavlen::gfx
