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

}  // namespace
}  // namespace tavlen::gfx
