// EMF+ gradient brushes: linear ones with preset colours, blend factors, a transform and tiling; path gradients
// with their surrounding colours, blend and focus, painting inside their boundary only.
#include <gtest/gtest.h>

#include <cstdlib>

#include "tests/graphics/metafile/metafile_writer.h"
#include "tests/graphics/metafile/render_util.h"

namespace tavlen::gfx {
namespace {

using test::PlusWriter;
using test::Rgb;

constexpr uint32_t kRed = 0xFFFF0000, kGreen = 0xFF00FF00, kBlue = 0xFF0000FF, kBlack = 0xFF000000;

int Channel(uint32_t rgb, int shift) { return static_cast<int>((rgb >> shift) & 0xFF); }

// Whether the pixel is within `slack` of 0xRRGGBB in each channel.
::testing::AssertionResult Near(uint32_t pixel, uint32_t rgb, int slack = 12) {
  for (int shift : {0, 8, 16}) {
    if (std::abs(Channel(pixel, shift) - Channel(rgb, shift)) > slack)
      return ::testing::AssertionFailure() << std::hex << pixel << " is not near " << rgb;
  }
  return ::testing::AssertionSuccess();
}

struct Blend {
  std::vector<float> positions;
  std::vector<uint32_t> presets;  // or
  std::vector<float> factors;
};

// Brush object 1: a red-to-blue linear gradient over x 0-100, with the optional transform and blend.
std::vector<uint8_t> LinearBrush(const std::vector<float>& xform, const Blend& blend, uint32_t wrap = 0) {
  uint32_t flags = 0;
  if (!xform.empty()) flags |= 0x02;
  if (!blend.presets.empty()) flags |= 0x04;
  if (!blend.factors.empty()) flags |= 0x08;
  test::ByteWriter b;
  for (uint32_t v : {0xDBC01002u, 4u, flags, wrap}) b.U32(v);
  for (float v : {0.f, 0.f, 100.f, 100.f}) b.F32(v);
  for (uint32_t v : {kRed, kBlue, 0u, 0u}) b.U32(v);
  for (float v : xform) b.F32(v);
  if (!blend.positions.empty()) {
    b.U32(static_cast<uint32_t>(blend.positions.size()));
    for (float p : blend.positions) b.F32(p);
    for (uint32_t c : blend.presets) b.U32(c);
    for (float f : blend.factors) b.F32(f);
  }
  return b.Data();
}

// A blue-free white page with brush 1 (given as its object data) filling (0, 0, w, 100).
PixelBuffer FillWithBrush(const std::vector<uint8_t>& brush, int32_t w = 100) {
  test::EmfWriter e(w + 20, 120);
  PlusWriter plus;
  plus.Start();
  plus.Record(0x4008, 0x0101, brush);
  test::ByteWriter fill;
  fill.U32(1);
  fill.U32(1);
  for (float v : {0.f, 0.f, static_cast<float>(w), 100.f}) fill.F32(v);
  plus.Record(0x400A, 0, fill.Data());
  plus.FlushInto(e);
  return test::PlayEmfOrFail(e.Finish());
}

TEST(MetafilePlusGradients, LinearPresetColoursPassThroughTheirPositions) {
  const PixelBuffer px = FillWithBrush(LinearBrush({}, {{0, 0.5f, 1}, {kRed, kGreen, kBlue}, {}}));
  EXPECT_TRUE(Near(Rgb(px, 0, 50), 0xFF0000));
  EXPECT_TRUE(Near(Rgb(px, 50, 50), 0x00FF00));
  EXPECT_TRUE(Near(Rgb(px, 99, 50), 0x0000FF));
  EXPECT_TRUE(Near(Rgb(px, 25, 50), 0x808000, 16));
}

TEST(MetafilePlusGradients, LinearBlendFactorsShapeTheRamp) {
  // Factor 1 (the end colour) from the middle on: the right half is blue throughout.
  const PixelBuffer px = FillWithBrush(LinearBrush({}, {{0, 0.5f, 1}, {}, {0, 1, 1}}));
  EXPECT_TRUE(Near(Rgb(px, 0, 50), 0xFF0000));
  EXPECT_TRUE(Near(Rgb(px, 25, 50), 0x800080, 16));
  for (uint32_t x : {52u, 75u, 98u}) EXPECT_TRUE(Near(Rgb(px, x, 50), 0x0000FF)) << x;
}

TEST(MetafilePlusGradients, LinearTransformTurnsTheGradient) {
  // Rotated a quarter turn: red at the top, blue at the bottom, the same along each row.
  const PixelBuffer px = FillWithBrush(LinearBrush({0, 1, -1, 0, 0, 0}, {}));
  for (uint32_t x : {5u, 50u, 95u}) {
    EXPECT_TRUE(Near(Rgb(px, x, 1), 0xFF0000)) << x;
    EXPECT_TRUE(Near(Rgb(px, x, 98), 0x0000FF)) << x;
    EXPECT_EQ(Rgb(px, x, 60), Rgb(px, 5, 60)) << x;
  }
}

TEST(MetafilePlusGradients, LinearGradientTilesBeyondItsRectangleOrMirrors) {
  const PixelBuffer tiled = FillWithBrush(LinearBrush({}, {}), 200);
  EXPECT_TRUE(Near(Rgb(tiled, 101, 50), 0xFF0000));
  EXPECT_TRUE(Near(Rgb(tiled, 198, 50), 0x0000FF));
  const PixelBuffer mirrored = FillWithBrush(LinearBrush({}, {}, 1), 200);
  EXPECT_TRUE(Near(Rgb(mirrored, 101, 50), 0x0000FF));
  EXPECT_TRUE(Near(Rgb(mirrored, 198, 50), 0xFF0000));
}

// Brush object 1: a path gradient over the square (20, 20)-(80, 80) (boundary points), black at (50, 50), the
// corners' colours red, green, blue, red; with optional blend factors and focus scales.
std::vector<uint8_t> PathBrush(const std::vector<float>& factors, float focus) {
  uint32_t flags = 0;
  if (!factors.empty()) flags |= 0x08;
  if (focus > 0) flags |= 0x40;
  test::ByteWriter b;
  for (uint32_t v : {0xDBC01002u, 3u, flags, 0u, kBlack}) b.U32(v);
  b.F32(50), b.F32(50);
  for (uint32_t v : {4u, kRed, kGreen, kBlue, kRed, 4u}) b.U32(v);
  for (float v : {20.f, 20.f, 80.f, 20.f, 80.f, 80.f, 20.f, 80.f}) b.F32(v);
  if (!factors.empty()) {
    b.U32(static_cast<uint32_t>(factors.size()));
    for (size_t i = 0; i < factors.size(); ++i) b.F32(static_cast<float>(i) / static_cast<float>(factors.size() - 1));
    for (float f : factors) b.F32(f);
  }
  if (focus > 0) {
    b.U32(2);
    b.F32(focus), b.F32(focus);
  }
  return b.Data();
}

TEST(MetafilePlusGradients, PathGradientShadesFromItsBoundaryToItsCentreInsideOnly) {
  const PixelBuffer px = FillWithBrush(PathBrush({}, 0));
  EXPECT_TRUE(Near(Rgb(px, 21, 21), 0xFF0000, 24));
  EXPECT_TRUE(Near(Rgb(px, 78, 21), 0x00FF00, 24));
  EXPECT_TRUE(Near(Rgb(px, 78, 78), 0x0000FF, 24));
  EXPECT_TRUE(Near(Rgb(px, 50, 50), 0x000000, 16));
  // Halfway from the top edge's middle to the centre: half of the edge's red-green mix.
  EXPECT_TRUE(Near(Rgb(px, 50, 35), 0x404000, 20));
  // Outside the boundary the fill leaves the page alone.
  for (uint32_t at : {5u, 95u}) {
    EXPECT_EQ(Rgb(px, at, 50), test::kWhite) << at;
    EXPECT_EQ(Rgb(px, 50, at), test::kWhite) << at;
  }
}

TEST(MetafilePlusGradients, PathGradientBlendAndFocusScales) {
  // Factors 0, 0, 1: the outer half of the way keeps the corner colours.
  const PixelBuffer blended = FillWithBrush(PathBrush({0, 0, 1}, 0));
  EXPECT_TRUE(Near(Rgb(blended, 29, 29), 0xFF0000, 24));
  EXPECT_TRUE(Near(Rgb(blended, 50, 50), 0x000000, 16));
  // Focus scale one half: the inner square (35, 35)-(65, 65) is the centre colour throughout.
  const PixelBuffer focused = FillWithBrush(PathBrush({}, 0.5f));
  for (uint32_t at : {37u, 50u, 63u}) EXPECT_TRUE(Near(Rgb(focused, at, at), 0x000000, 4)) << at;
  EXPECT_TRUE(Near(Rgb(focused, 20, 20), 0xFF0000, 24));
}

}  // namespace
}  // namespace tavlen::gfx
