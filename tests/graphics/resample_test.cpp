// The separable resampler: exact at scale one, flat stays flat, windows equal the whole.
#include "platform/graphics/resample.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstring>

#include "platform/graphics/convert.h"
#include "tests/graphics/test_support.h"

namespace tavlen::gfx {
namespace {

PixelBuffer Pattern(uint32_t w, uint32_t h) {
  auto b = test::MakePatternBitmap(w, h, PixelFormat::RGB32bpp);
  return std::move(b->Pixels());
}

PixelBuffer Blank(uint32_t w, uint32_t h) {
  auto p = PixelBuffer::Allocate(PixelFormat::RGB32bpp, w, h, PixelBuffer::Init::Zero);
  return std::move(p.Value());
}

bool SameBytes(const PixelBuffer& a, const PixelBuffer& b) {
  for (uint32_t y = 0; y < a.Height(); ++y)
    if (std::memcmp(a.Row(y), b.Row(y), size_t{a.Width()} * 4) != 0) return false;
  return true;
}

TEST(Resample, ScaleOneIsExactForEveryFilter) {
  const PixelBuffer src = Pattern(23, 17);
  for (auto f : {ResampleFilter::Nearest, ResampleFilter::Bilinear, ResampleFilter::Bicubic}) {
    PixelBuffer dst = Blank(23, 17);
    ASSERT_EQ(ResampleAll(src.View(), dst.View(), f), Status::Ok);
    EXPECT_TRUE(SameBytes(src, dst));
  }
}

TEST(Resample, NearestDoublingRepeatsPixels) {
  const PixelBuffer src = Pattern(5, 3);
  PixelBuffer dst = Blank(10, 6);
  ASSERT_EQ(ResampleAll(src.View(), dst.View(), ResampleFilter::Nearest), Status::Ok);
  for (uint32_t y = 0; y < 6; ++y)
    for (uint32_t x = 0; x < 10; ++x) EXPECT_EQ(std::memcmp(dst.Row(y) + 4 * x, src.Row(y / 2) + 4 * (x / 2), 4), 0);
}

TEST(Resample, AWindowEqualsThatPartOfTheWholeDestination) {
  const PixelBuffer src = Pattern(40, 30);
  PixelBuffer whole = Blank(160, 120);
  ASSERT_EQ(ResampleAll(src.View(), whole.View(), ResampleFilter::Bicubic), Status::Ok);
  PixelBuffer window = Blank(33, 21);
  ResampleGeometry g{0, 0, 40, 30, 160, 120, 57, 81};
  ASSERT_EQ(Resample(src.View(), g, window.View(), ResampleFilter::Bicubic), Status::Ok);
  for (uint32_t y = 0; y < 21; ++y)
    ASSERT_EQ(std::memcmp(window.Row(y), whole.Row(81 + y) + 4 * 57, 33 * 4), 0) << "row " << y;
}

TEST(Resample, ShrinkingAveragesInsteadOfSampling) {
  // A one-pixel checkerboard shrunk 8x must come out mid-gray, not black or white.
  auto src = Blank(64, 64);
  for (uint32_t y = 0; y < 64; ++y)
    for (uint32_t x = 0; x < 64; ++x) std::memset(src.Row(y) + 4 * x, ((x + y) & 1) ? 255 : 0, 3);
  PixelBuffer dst = Blank(8, 8);
  ASSERT_EQ(ResampleAll(src.View(), dst.View(), ResampleFilter::Bicubic), Status::Ok);
  for (uint32_t y = 0; y < 8; ++y)
    for (uint32_t x = 0; x < 8; ++x) EXPECT_NEAR(dst.Row(y)[4 * x], 128, 3);
}

TEST(Resample, TwentyFourBitSourcesFilterLikeTheirThirtyTwoBitForm) {
  auto rgb = test::MakePatternBitmap(37, 23, PixelFormat::RGB24bpp);
  auto as32 = ConvertFormat(rgb->Pixels(), PixelFormat::RGB32bpp);
  ASSERT_TRUE(as32.Ok());
  for (auto [w, h] : {std::pair{11u, 7u}, std::pair{80u, 50u}}) {
    PixelBuffer a = Blank(w, h), b = Blank(w, h);
    ASSERT_EQ(ResampleAll(rgb->Pixels().View(), a.View(), ResampleFilter::Bicubic), Status::Ok);
    ASSERT_EQ(ResampleAll(as32.Value().View(), b.View(), ResampleFilter::Bicubic), Status::Ok);
    EXPECT_TRUE(SameBytes(a, b)) << w << "x" << h;
  }
}

// A one-row picture is filtered by the horizontal pass alone and a one-column picture by the vertical
// pass alone, with the same taps and rounding, so each must give the other's values transposed.
// A 24-bit destination holds the opaque 32-bit result's first three bytes of every pixel, for both
// halves of a large output (made on two threads) and the odd widths of small ones.
TEST(Resample, TwentyFourBitDestinationsHoldTheThirtyTwoBitResult) {
  for (auto [w, h, outW, outH] : {std::array<uint32_t, 4>{7, 5, 13, 3}, std::array<uint32_t, 4>{90, 60, 1501, 1003}}) {
    SCOPED_TRACE(::testing::Message() << w << "x" << h << " to " << outW << "x" << outH);
    PixelBuffer src = Pattern(w, h);
    PixelBuffer wide = Blank(outW, outH);
    auto packed = PixelBuffer::Allocate(PixelFormat::RGB24bpp, outW, outH, PixelBuffer::Init::Zero);
    ASSERT_TRUE(packed.Ok());
    ASSERT_EQ(ResampleAll(src.View(), wide.View(), ResampleFilter::Bicubic), Status::Ok);
    ASSERT_EQ(ResampleAll(src.View(), packed.Value().View(), ResampleFilter::Bicubic), Status::Ok);
    bool same = true;
    for (uint32_t y = 0; y < outH && same; ++y)
      for (uint32_t x = 0; x < outW && same; ++x)
        same = std::memcmp(wide.Row(y) + 4 * x, packed.Value().Row(y) + 3 * x, 3) == 0;
    EXPECT_TRUE(same);
  }
}

TEST(Resample, HorizontalAndVerticalPassesAgreeOnTransposedLines) {
  for (PixelFormat format : {PixelFormat::RGB24bpp, PixelFormat::ARGB32bpp}) {
    const uint32_t bytes = BitsPerPixel(format) / 8;
    for (uint32_t length : {5u, 23u, 64u, 301u}) {
      auto line = test::MakePatternBitmap(length, 1, format, length);
      auto row = PixelBuffer::Allocate(format, length, 1, PixelBuffer::Init::Zero);
      auto column = PixelBuffer::Allocate(format, 1, length, PixelBuffer::Init::Zero);
      ASSERT_TRUE(row.Ok() && column.Ok());
      for (uint32_t i = 0; i < length; ++i) {
        std::memcpy(row.Value().Row(0) + i * bytes, line->Pixels().Row(0) + i * bytes, bytes);
        std::memcpy(column.Value().Row(i), line->Pixels().Row(0) + i * bytes, bytes);
      }
      for (auto f : {ResampleFilter::Bilinear, ResampleFilter::Bicubic}) {
        for (uint32_t out : {1u, 3u, length / 4 + 1, length * 3 - 1}) {
          auto across = PixelBuffer::Allocate(PixelFormat::ARGB32bpp, out, 1, PixelBuffer::Init::Zero);
          auto down = PixelBuffer::Allocate(PixelFormat::ARGB32bpp, 1, out, PixelBuffer::Init::Zero);
          ASSERT_EQ(ResampleAll(row.Value().View(), across.Value().View(), f), Status::Ok);
          ASSERT_EQ(ResampleAll(column.Value().View(), down.Value().View(), f), Status::Ok);
          for (uint32_t i = 0; i < out; ++i)
            ASSERT_EQ(std::memcmp(across.Value().Row(0) + 4 * i, down.Value().Row(i), 4), 0)
                << "format " << static_cast<int>(format) << ", " << length << " to " << out << ", sample " << i;
        }
      }
    }
  }
}

// Premultiplied output holds the straight output's values with each colour cut to its alpha, which
// bicubic overshoot at sharp alpha edges exceeds; opaque sources come out fully opaque.
TEST(Resample, OutputFormatDecidesAlphaHandling) {
  auto noisy = test::MakePatternBitmap(19, 13, PixelFormat::PARGB32bpp, 5);
  for (auto [w, h] : {std::pair{61u, 37u}, std::pair{7u, 5u}}) {
    auto straight = PixelBuffer::Allocate(PixelFormat::ARGB32bpp, w, h, PixelBuffer::Init::Zero);
    auto premultiplied = PixelBuffer::Allocate(PixelFormat::PARGB32bpp, w, h, PixelBuffer::Init::Zero);
    ASSERT_EQ(ResampleAll(noisy->Pixels().View(), straight.Value().View(), ResampleFilter::Bicubic), Status::Ok);
    ASSERT_EQ(ResampleAll(noisy->Pixels().View(), premultiplied.Value().View(), ResampleFilter::Bicubic), Status::Ok);
    int cut = 0;
    for (uint32_t y = 0; y < h; ++y) {
      for (uint32_t x = 0; x < w; ++x) {
        const uint8_t* a = straight.Value().Row(y) + 4 * x;
        const uint8_t* b = premultiplied.Value().Row(y) + 4 * x;
        ASSERT_EQ(b[3], a[3]);
        for (int c = 0; c < 3; ++c) {
          ASSERT_EQ(b[c], std::min(a[c], a[3])) << x << "," << y;
          cut += a[c] > a[3];
        }
      }
    }
    EXPECT_GT(cut, 0) << "the pattern should overshoot somewhere";
  }
  auto rgb = test::MakePatternBitmap(19, 13, PixelFormat::RGB24bpp, 5);
  auto out = PixelBuffer::Allocate(PixelFormat::ARGB32bpp, 23, 11, PixelBuffer::Init::Zero);
  ASSERT_EQ(ResampleAll(rgb->Pixels().View(), out.Value().View(), ResampleFilter::Bicubic), Status::Ok);
  for (uint32_t y = 0; y < 11; ++y)
    for (uint32_t x = 0; x < 23; ++x) ASSERT_EQ(out.Value().Row(y)[4 * x + 3], 0xFF) << x << "," << y;
}

TEST(Resample, RejectsBadGeometry) {
  const PixelBuffer src = Pattern(4, 4);
  PixelBuffer dst = Blank(2, 2);
  ResampleGeometry g{0, 0, 0, 4, 2, 2, 0, 0};
  EXPECT_EQ(Resample(src.View(), g, dst.View(), ResampleFilter::Bicubic), Status::InvalidParameter);
  auto r565 = PixelBuffer::Allocate(PixelFormat::RGB565_16bpp, 4, 4, PixelBuffer::Init::Zero);
  EXPECT_EQ(ResampleAll(r565.Value().View(), dst.View(), ResampleFilter::Bicubic), Status::InvalidParameter);
}

}  // namespace
}  // namespace tavlen::gfx
