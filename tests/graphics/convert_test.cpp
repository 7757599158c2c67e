// Conversions between pixel formats: lossless where the target can hold the source, sensible where not.
#include "platform/graphics/convert.h"

#include <gtest/gtest.h>

#include <cstring>

#include "tests/graphics/test_support.h"

namespace tavlen::gfx {
namespace {

constexpr PixelFormat kAll[] = {
    PixelFormat::Indexed1bpp,    PixelFormat::Indexed4bpp,  PixelFormat::Indexed8bpp,    PixelFormat::GrayScale16bpp,
    PixelFormat::RGB555_16bpp,   PixelFormat::RGB565_16bpp, PixelFormat::ARGB1555_16bpp, PixelFormat::RGB24bpp,
    PixelFormat::RGB32bpp,       PixelFormat::ARGB32bpp,    PixelFormat::PARGB32bpp,     PixelFormat::RGB48bpp,
    PixelFormat::ARGB64bpp,      PixelFormat::PARGB64bpp};

TEST(ConvertFormat, EveryFormatSurvivesAWiderFormatExactly) {
  for (PixelFormat from : kAll) {
    auto source = test::MakePatternBitmap(19, 7, from);
    ASSERT_NE(source, nullptr);
    // 64bppARGB holds every colour of every format; back again must give the same raw bytes.
    auto wide = ConvertFormat(source->Pixels(), PixelFormat::ARGB64bpp);
    ASSERT_TRUE(wide.Ok());
    PixelBuffer back = std::move(wide.Value());
    auto again = PixelBuffer::Allocate(from, 19, 7, PixelBuffer::Init::Zero);
    ASSERT_TRUE(again.Ok());
    again.Value().GetPalette() = source->GetPalette();
    ASSERT_EQ(ConvertPixels(back.View(), back.GetPalette(), again.Value().View(), again.Value().GetPalette()),
              Status::Ok);
    auto result = Bitmap::FromPixels(std::move(again.Value()));
    if (from == PixelFormat::PARGB32bpp || from == PixelFormat::PARGB64bpp) {
      // Premultiplied values with alpha 0 carry no colour; compare what they mean instead.
      EXPECT_TRUE(test::SamePixels(*result, *source)) << static_cast<uint32_t>(from);
    } else {
      EXPECT_EQ(test::OwnFormatBytes(*result), test::OwnFormatBytes(*source)) << std::hex << static_cast<uint32_t>(from);
    }
  }
}

TEST(ConvertFormat, KnownColoursLandWhereExpected) {
  auto b = Bitmap::Create(4, 1, PixelFormat::RGB24bpp);
  ASSERT_TRUE(b.Ok());
  uint8_t* row = b.Value()->Pixels().Row(0);
  const uint8_t bgr[12] = {0, 0, 255, 255, 255, 255, 0, 0, 0, 200, 100, 50};
  std::copy(bgr, bgr + 12, row);
  auto mono = ConvertFormat(b.Value()->Pixels(), PixelFormat::Indexed1bpp);
  ASSERT_TRUE(mono.Ok());
  // Nearest of black and white: red (dark) to black, white to white, black to black.
  EXPECT_EQ(mono.Value().Row(0)[0] & 0xE0, 0x40);
  auto argb = ConvertFormat(b.Value()->Pixels(), PixelFormat::ARGB32bpp);
  ASSERT_TRUE(argb.Ok());
  uint32_t px = 0;
  std::memcpy(&px, argb.Value().Row(0) + 12, 4);
  EXPECT_EQ(px, 0xFF3264C8u);
  auto r565 = ConvertFormat(b.Value()->Pixels(), PixelFormat::RGB565_16bpp);
  ASSERT_TRUE(r565.Ok());
  EXPECT_EQ(r565.Value().Row(0)[0] | r565.Value().Row(0)[1] << 8, 0xF800);
}

TEST(ConvertFormat, PremultipliesAndBack) {
  auto b = Bitmap::Create(2, 1, PixelFormat::ARGB32bpp);
  ASSERT_TRUE(b.Ok());
  const uint8_t px[8] = {200, 100, 50, 128, 9, 9, 9, 0};
  std::copy(px, px + 8, b.Value()->Pixels().Row(0));
  auto p = ConvertFormat(b.Value()->Pixels(), PixelFormat::PARGB32bpp);
  ASSERT_TRUE(p.Ok());
  const uint8_t* out = p.Value().Row(0);
  EXPECT_EQ(out[0], 100);
  EXPECT_EQ(out[1], 50);
  EXPECT_EQ(out[2], 25);
  EXPECT_EQ(out[3], 128);
  EXPECT_EQ(out[4] | out[5] | out[6] | out[7], 0);
}

TEST(ConvertFormat, RejectsMismatchedViews) {
  auto a = PixelBuffer::Allocate(PixelFormat::RGB24bpp, 3, 3, PixelBuffer::Init::Zero);
  auto b = PixelBuffer::Allocate(PixelFormat::RGB24bpp, 3, 4, PixelBuffer::Init::Zero);
  ASSERT_TRUE(a.Ok() && b.Ok());
  EXPECT_EQ(ConvertPixels(a.Value().View(), {}, b.Value().View(), {}), Status::InvalidParameter);
}

TEST(PixelBuffer, LimitsAreCheckedBeforeAllocating) {
  DecodeLimits small;
  small.maxSide = 1000;
  small.maxPixelBytes = 1 << 20;
  EXPECT_EQ(CheckImageSize(PixelFormat::RGB24bpp, 1001, 1, small), Status::OutOfMemory);
  EXPECT_EQ(CheckImageSize(PixelFormat::ARGB32bpp, 1000, 1000, small), Status::OutOfMemory);
  EXPECT_EQ(CheckImageSize(PixelFormat::ARGB32bpp, 0, 10, small), Status::InvalidParameter);
  EXPECT_EQ(CheckImageSize(PixelFormat::DontCare, 10, 10, small), Status::InvalidParameter);
  EXPECT_EQ(CheckImageSize(PixelFormat::ARGB64bpp, UINT32_MAX, UINT32_MAX, kDefaultLimits), Status::OutOfMemory);
  EXPECT_EQ(CheckImageSize(PixelFormat::Indexed1bpp, 8000, 1000, small), Status::OutOfMemory);
  EXPECT_EQ(CheckImageSize(PixelFormat::Indexed1bpp, 1000, 1000, small), Status::Ok);
}

}  // namespace
}  // namespace tavlen::gfx
