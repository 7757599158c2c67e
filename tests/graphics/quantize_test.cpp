// Colour reduction to 8bpp: the exact path, the transparent entry, and the quality of the reduced palette.
#include "platform/graphics/quantize.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <set>

#include "platform/graphics/convert.h"

namespace tavlen::gfx {
namespace {

PixelBuffer Make(PixelFormat format, uint32_t w, uint32_t h) {
  auto r = PixelBuffer::Allocate(format, w, h, PixelBuffer::Init::Zero);
  EXPECT_TRUE(r.Ok());
  return std::move(r).Value();
}

uint32_t Argb(const PixelBuffer& img, uint32_t x, uint32_t y) {
  uint8_t p[4];
  RowToArgb32(img.Row(y), img.Format(), img.GetPalette(), x, 1, p);
  return uint32_t{p[3]} << 24 | uint32_t{p[2]} << 16 | uint32_t{p[1]} << 8 | p[0];
}

void SetArgb(PixelBuffer& img, uint32_t x, uint32_t y, uint32_t argb) {
  uint8_t* p = img.Row(y) + 4 * x;
  p[0] = static_cast<uint8_t>(argb), p[1] = static_cast<uint8_t>(argb >> 8);
  p[2] = static_cast<uint8_t>(argb >> 16), p[3] = static_cast<uint8_t>(argb >> 24);
}

PixelBuffer Quantize(const PixelBuffer& img) {
  auto r = QuantizeTo8bpp(img);
  EXPECT_TRUE(r.Ok());
  if (!r.Ok()) return {};
  PixelBuffer out = std::move(r).Value();
  EXPECT_EQ(out.Format(), PixelFormat::Indexed8bpp);
  EXPECT_EQ(out.Width(), img.Width());
  EXPECT_EQ(out.Height(), img.Height());
  EXPECT_LE(out.GetPalette().entries.size(), 256u);
  return out;
}

TEST(QuantizeExact, ExactlyTwoHundredFiftySixColoursKeepEveryPixel) {
  PixelBuffer img = Make(PixelFormat::ARGB32bpp, 64, 32);
  for (uint32_t y = 0; y < 32; ++y)
    for (uint32_t x = 0; x < 64; ++x) {
      const uint32_t k = (x * 7 + y * 13) % 256;
      SetArgb(img, x, y, 0xFF000000u | k << 16 | (255 - k) << 8 | (k * 3 & 255));
    }
  PixelBuffer out = Quantize(img);
  EXPECT_EQ(out.GetPalette().entries.size(), 256u);
  for (uint32_t y = 0; y < 32; ++y)
    for (uint32_t x = 0; x < 64; ++x) ASSERT_EQ(Argb(out, x, y), Argb(img, x, y)) << x << "," << y;
}

TEST(QuantizeExact, ClearPixelsShareOneEntryWithZeroAlpha) {
  PixelBuffer img = Make(PixelFormat::ARGB32bpp, 4, 2);
  SetArgb(img, 0, 0, 0x00FF0000);
  SetArgb(img, 1, 0, 0x7F00FF00);  // below half: clear
  SetArgb(img, 2, 0, 0xFF0000FF);
  SetArgb(img, 3, 0, 0x80123456);  // half and above keep their colour
  for (uint32_t x = 0; x < 4; ++x) SetArgb(img, x, 1, 0xFF0000FF);
  PixelBuffer out = Quantize(img);
  EXPECT_EQ(out.Row(0)[0], out.Row(0)[1]);
  EXPECT_EQ(out.GetPalette().entries[out.Row(0)[0]] >> 24, 0u);
  EXPECT_NE(out.GetPalette().flags & kPaletteHasAlpha, 0u);
  EXPECT_EQ(Argb(out, 2, 0), 0xFF0000FFu);
  EXPECT_EQ(Argb(out, 3, 0), 0x80123456u);
  EXPECT_EQ(out.GetPalette().entries.size(), 3u);
}

TEST(QuantizeExact, IndexedAndWideSourcesAreRead) {
  PixelBuffer indexed = Make(PixelFormat::Indexed4bpp, 5, 3);
  indexed.GetPalette().entries = {0xFF102030, 0xFF405060, 0xFF708090};
  indexed.Row(1)[0] = 0x12;
  PixelBuffer out = Quantize(indexed);
  EXPECT_EQ(Argb(out, 0, 1), 0xFF405060u);
  EXPECT_EQ(Argb(out, 1, 1), 0xFF708090u);
  EXPECT_EQ(Argb(out, 4, 2), 0xFF102030u);

  PixelBuffer wide = Make(PixelFormat::RGB48bpp, 2, 1);
  auto* w = reinterpret_cast<uint16_t*>(wide.Row(0));
  w[3] = 65535, w[4] = 0, w[5] = 65535;  // second pixel: magenta
  PixelBuffer fromWide = Quantize(wide);
  EXPECT_EQ(Argb(fromWide, 0, 0), 0xFF000000u);
  EXPECT_EQ(Argb(fromWide, 1, 0), 0xFFFF00FFu);
}

// A smooth three-channel gradient: far more than 256 colours.
PixelBuffer Gradient(uint32_t w, uint32_t h) {
  PixelBuffer img = Make(PixelFormat::RGB24bpp, w, h);
  for (uint32_t y = 0; y < h; ++y)
    for (uint32_t x = 0; x < w; ++x) {
      uint8_t* p = img.Row(y) + 3 * x;
      p[2] = static_cast<uint8_t>(x * 255 / (w - 1));
      p[1] = static_cast<uint8_t>(y * 255 / (h - 1));
      p[0] = static_cast<uint8_t>(128 + 100 * std::sin((x + y) * 0.05));
    }
  return img;
}

TEST(QuantizeReduced, GradientStaysCloseOnAverage) {
  PixelBuffer img = Gradient(256, 200);
  PixelBuffer out = Quantize(img);
  double error = 0;
  for (uint32_t y = 0; y < 200; ++y)
    for (uint32_t x = 0; x < 256; ++x) {
      const uint32_t a = Argb(img, x, y), b = Argb(out, x, y);
      ASSERT_EQ(b >> 24, 255u);
      for (int s = 0; s < 24; s += 8) error += std::abs(int(a >> s & 255) - int(b >> s & 255));
    }
  // Dithering trades a few levels of noise per pixel for smooth areas; a wrong palette costs tens of levels.
  EXPECT_LT(error / (256.0 * 200 * 3), 10.0);
  EXPECT_GT(out.GetPalette().entries.size(), 200u);  // the palette is used, not a handful of colours
}

TEST(QuantizeReduced, DitheringKeepsTheMeanColour) {
  PixelBuffer img = Gradient(200, 200);
  PixelBuffer out = Quantize(img);
  double diff[3] = {};
  for (uint32_t y = 0; y < 200; ++y)
    for (uint32_t x = 0; x < 200; ++x) {
      const uint32_t a = Argb(img, x, y), b = Argb(out, x, y);
      for (int c = 0; c < 3; ++c) diff[c] += int(a >> (8 * c) & 255) - int(b >> (8 * c) & 255);
    }
  for (double d : diff) EXPECT_LT(std::abs(d) / 40000, 1.0);
}

TEST(QuantizeReduced, ManyColoursWithClearPixelsKeepOneClearEntry) {
  PixelBuffer img = Make(PixelFormat::ARGB32bpp, 128, 64);
  for (uint32_t y = 0; y < 64; ++y)
    for (uint32_t x = 0; x < 128; ++x)
      SetArgb(img, x, y, (x < 8 ? 0x10u : 0xFFu) << 24 | (x * 2) << 16 | (y * 4) << 8 | (x ^ y));
  PixelBuffer out = Quantize(img);
  const auto& entries = out.GetPalette().entries;
  std::set<uint8_t> clear;
  for (uint32_t y = 0; y < 64; ++y)
    for (uint32_t x = 0; x < 128; ++x) {
      const uint8_t index = out.Row(y)[x];
      ASSERT_LT(index, entries.size());
      if (x < 8) {
        clear.insert(index);
      } else {
        ASSERT_EQ(entries[index] >> 24, 255u) << x << "," << y;
      }
    }
  ASSERT_EQ(clear.size(), 1u);
  EXPECT_EQ(entries[*clear.begin()] >> 24, 0u);
}

TEST(QuantizeErrors, EmptyImageIsInvalid) {
  auto r = QuantizeTo8bpp(PixelBuffer());
  EXPECT_FALSE(r.Ok());
  EXPECT_EQ(r.GetStatus(), Status::InvalidParameter);
}

}  // namespace
}  // namespace tavlen::gfx
