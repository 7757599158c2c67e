// Image drawing: interpolation, clipped zooms, colour matrices, self-drawing and copies composited onto a background.
#include <gtest/gtest.h>

#include <bit>
#include <cstdlib>
#include <cstring>

#include "platform/graphics/drawing/graphics.h"
#include "tests/graphics/drawing/drawing_test_util.h"
#include "tests/graphics/pixel_expect.h"

namespace tavlen::gfx {
namespace {

using test::FilledBitmap;
using test::PixelsAre;
using test::PixelsAreOutside;
using test::PixelsEqual;
using test::PixelsOf;
using test::Px;
using test::TestWindow;

// A smooth but irregular opaque picture, so resampling errors show.
Bitmap::Ptr Picture(uint32_t w, uint32_t h, PixelFormat format = PixelFormat::RGB24bpp) {
  auto bitmap = FilledBitmap(w, h, format, 0xFF000000);
  PixelBuffer& px = bitmap->Pixels();
  std::vector<uint8_t> row(size_t{w} * 4);
  for (uint32_t y = 0; y < h; ++y) {
    for (uint32_t x = 0; x < w; ++x) {
      row[4 * x] = static_cast<uint8_t>(x * 255 / w);
      row[4 * x + 1] = static_cast<uint8_t>(y * 255 / h);
      row[4 * x + 2] = static_cast<uint8_t>((x * 37 + y * 91) % 256);
      row[4 * x + 3] = 0xFF;
    }
    RowFromArgb32(row.data(), w, format, px.GetPalette(), 0, px.Row(y));
  }
  return bitmap;
}

Graphics::Ptr Open(Bitmap& bitmap) {
  auto g = Graphics::FromImage(bitmap);
  EXPECT_TRUE(g.Ok());
  return std::move(g).Value();
}

TEST(DrawImage, NearestNeighbourAtTwiceTheSizeRepeatsEachPixel) {
  auto src = Picture(7, 5);
  TestWindow win(30, 20, 0xFF808080);
  auto g = win.Open();
  ASSERT_EQ(g->SetInterpolationMode(InterpolationMode::NearestNeighbor), Status::Ok);
  ASSERT_EQ(g->DrawImage(*src, Rect{3, 2, 14, 10}), Status::Ok);
  const Rect dest{3, 2, 14, 10};
  const test::PixelReader doubled = [&src](int32_t x, int32_t y) {
    return Px(*src, static_cast<uint32_t>(x - 3) / 2, static_cast<uint32_t>(y - 2) / 2);
  };
  EXPECT_TRUE(PixelsEqual(PixelsOf(win.pixels, 30), doubled, dest));
  EXPECT_TRUE(PixelsAreOutside(PixelsOf(win.pixels, 30), Rect{0, 0, 30, 20}, dest, 0xFF808080));
}

TEST(DrawImage, UnscaledDrawCopiesPixelsExactly) {
  auto src = Picture(23, 17);
  auto dst = FilledBitmap(30, 30, PixelFormat::RGB24bpp, 0xFFFFFFFF);
  auto g = Open(*dst);
  ASSERT_EQ(g->SetInterpolationMode(InterpolationMode::HighQualityBicubic), Status::Ok);
  ASSERT_EQ(g->DrawImage(*src, Rect{4, 6, 23, 17}), Status::Ok);
  const test::PixelReader shifted = [&src](int32_t x, int32_t y) {
    return Px(*src, static_cast<uint32_t>(x - 4), static_cast<uint32_t>(y - 6));
  };
  EXPECT_TRUE(PixelsEqual(PixelsOf(*dst), shifted, Rect{4, 6, 23, 17}));
  EXPECT_EQ(Px(*dst, 3, 6), 0xFFFFFFFFu);
  EXPECT_EQ(Px(*dst, 27, 22), 0xFFFFFFFFu);
}

TEST(DrawImage, BicubicKeepsAFlatColourFlatAtEveryScale) {
  auto src = FilledBitmap(64, 48, PixelFormat::RGB24bpp, 0xFF0AC81E);
  for (Rect dest : {Rect{1, 2, 17, 13}, Rect{0, 0, 5, 3}, Rect{2, 1, 150, 90}}) {
    TestWindow win(160, 100, 0xFF000000);
    auto g = win.Open();
    ASSERT_EQ(g->SetInterpolationMode(InterpolationMode::HighQualityBicubic), Status::Ok);
    ASSERT_EQ(g->DrawImage(*src, dest), Status::Ok);
    EXPECT_TRUE(PixelsAre(PixelsOf(win.pixels, 160), dest, 0xFF0AC81Eu)) << dest.width;
    EXPECT_TRUE(PixelsAreOutside(PixelsOf(win.pixels, 160), Rect{0, 0, 160, 100}, dest, 0xFF000000u)) << dest.width;
  }
}

TEST(DrawImage, ClippedZoomDrawsTheSamePixelsAsAFullDraw) {
  auto src = Picture(40, 30);
  for (InterpolationMode mode :
       {InterpolationMode::HighQualityBicubic, InterpolationMode::Bilinear, InterpolationMode::NearestNeighbor}) {
    const Rect dest{-37, -21, 160, 120};  // 400 %, partly off the surface
    TestWindow full(130, 100, 0xFF000000);
    auto gf = full.Open();
    ASSERT_EQ(gf->SetInterpolationMode(mode), Status::Ok);
    ASSERT_EQ(gf->DrawImage(*src, dest), Status::Ok);

    const Rect clip{41, 23, 50, 40};
    TestWindow part(130, 100, 0xFF000000, clip);
    auto gp = part.Open();
    ASSERT_EQ(gp->SetInterpolationMode(mode), Status::Ok);
    ASSERT_EQ(gp->DrawImage(*src, dest), Status::Ok);
    EXPECT_TRUE(PixelsEqual(PixelsOf(part.pixels, 130), PixelsOf(full.pixels, 130), clip))
        << "mode " << static_cast<int>(mode);
    EXPECT_TRUE(PixelsAreOutside(PixelsOf(part.pixels, 130), Rect{0, 0, 130, 100}, clip, 0xFF000000u))
        << "mode " << static_cast<int>(mode);
  }
}

// 24-bit pictures are resampled where they lie and 32-bit ones too; both must show the same pixels
// for shrinks and zooms, clipped at an odd place, through every filter.
TEST(DrawImage, TwentyFourBitPicturesDrawLikeTheirThirtyTwoBitForm) {
  auto rgb = Picture(41, 29);
  auto wide = Picture(41, 29, PixelFormat::RGB32bpp);
  for (InterpolationMode mode :
       {InterpolationMode::HighQualityBicubic, InterpolationMode::Bilinear, InterpolationMode::NearestNeighbor}) {
    for (const Rect dest : {Rect{-7, 3, 123, 87}, Rect{5, -2, 19, 13}, Rect{-30, -20, 164, 116}}) {
      const Rect clip{3, 4, 57, 41};
      TestWindow a(64, 48, 0xFF000000, clip), b(64, 48, 0xFF000000, clip);
      auto ga = a.Open(), gb = b.Open();
      ASSERT_EQ(ga->SetInterpolationMode(mode), Status::Ok);
      ASSERT_EQ(gb->SetInterpolationMode(mode), Status::Ok);
      ASSERT_EQ(ga->DrawImage(*rgb, dest), Status::Ok);
      ASSERT_EQ(gb->DrawImage(*wide, dest), Status::Ok);
      EXPECT_TRUE(PixelsEqual(PixelsOf(a.pixels, 64), PixelsOf(b.pixels, 64), Rect{0, 0, 64, 48}))
          << "mode " << static_cast<int>(mode) << " dest " << dest.x << "," << dest.y << " " << dest.width;
    }
  }
}

TEST(DrawImage, BicubicShrinkAveragesFineDetail) {
  // A one-pixel checkerboard shrunk four times must come out mid-gray, not aliased to black or white.
  auto src = FilledBitmap(64, 64, PixelFormat::RGB24bpp, 0xFF000000);
  for (uint32_t y = 0; y < 64; ++y)
    for (uint32_t x = 0; x < 64; ++x)
      if ((x + y) % 2) std::memset(src->Pixels().Row(y) + 3 * x, 255, 3);
  TestWindow win(16, 16, 0xFF000000);
  auto g = win.Open();
  ASSERT_EQ(g->SetInterpolationMode(InterpolationMode::HighQualityBicubic), Status::Ok);
  ASSERT_EQ(g->DrawImage(*src, Rect{0, 0, 16, 16}), Status::Ok);
  EXPECT_TRUE(test::PixelsMatch(
      PixelsOf(win.pixels, 16), Rect{2, 2, 12, 12},
      [](uint32_t c) { return std::abs(static_cast<int>(c & 0xFF) - 128) <= 8; }, "mid-gray within 8"));
}

TEST(DrawImage, TranslucentImageBlendsOverTheTarget) {
  auto src = FilledBitmap(4, 4, PixelFormat::ARGB32bpp, 0x800000FF);
  TestWindow win(4, 4, 0xFFFFFFFF);
  auto g = win.Open();
  ASSERT_EQ(g->DrawImage(*src, Rect{0, 0, 4, 4}), Status::Ok);
  const uint32_t c = win.At(1, 1);
  EXPECT_EQ(c & 0xFF, 0xFFu);
  EXPECT_NEAR(static_cast<int>((c >> 16) & 0xFF), 127, 1);
}

ColorMatrix GrayMatrix() {
  const float r = std::bit_cast<float>(0x3E991687u), g = std::bit_cast<float>(0x3F1645A2u),
              b = std::bit_cast<float>(0x3DE978D5u);
  ColorMatrix m;
  m.m[0] = {r, r, r, 0, 0};
  m.m[1] = {g, g, g, 0, 0};
  m.m[2] = {b, b, b, 0, 0};
  m.m[3] = {0, 0, 0, 1, 0};
  m.m[4] = {0, 0, 0, 0, 1};
  return m;
}

void GrayInPlace(Bitmap& bitmap) {
  ImageAttributes attributes;
  const ColorMatrix m = GrayMatrix();
  ASSERT_EQ(attributes.SetColorMatrix(ColorAdjustType::Bitmap, true, &m, nullptr, ColorMatrixFlags::Default),
            Status::Ok);
  auto g = Open(bitmap);
  const Rect all{0, 0, static_cast<int32_t>(bitmap.Width()), static_cast<int32_t>(bitmap.Height())};
  ASSERT_EQ(g->DrawImage(bitmap, all, all, Unit::Pixel, &attributes), Status::Ok);
}

TEST(ColorMatrix, GrayScaleMatrixOnTheImageItself) {
  auto bitmap = FilledBitmap(5, 1, PixelFormat::RGB24bpp, 0xFF000000);
  const Argb colours[5] = {0xFFFF0000, 0xFF0000FF, 0xFFFFFFFF, 0xFF000000, 0xFF00FF00};
  for (uint32_t x = 0; x < 5; ++x) {
    uint8_t p[4] = {BlueOf(colours[x]), GreenOf(colours[x]), RedOf(colours[x]), 255};
    RowFromArgb32(p, 1, PixelFormat::RGB24bpp, {}, x, bitmap->Pixels().Row(0));
  }
  GrayInPlace(*bitmap);
  EXPECT_EQ(Px(*bitmap, 0, 0), 0xFF4C4C4Cu);  // 76
  EXPECT_EQ(Px(*bitmap, 1, 0), 0xFF1D1D1Du);  // 29
  EXPECT_EQ(Px(*bitmap, 2, 0), 0xFFFFFFFFu);
  EXPECT_EQ(Px(*bitmap, 3, 0), 0xFF000000u);
  EXPECT_EQ(Px(*bitmap, 4, 0), 0xFF969696u);  // 150
  EXPECT_EQ(bitmap->Format(), PixelFormat::RGB24bpp);
}

TEST(ColorMatrix, TransparentPixelsOfAStraightAlphaImageStayAsTheyWere) {
  auto bitmap = FilledBitmap(3, 1, PixelFormat::ARGB32bpp, 0x00FF0000);
  uint8_t opaqueRed[4] = {0, 0, 255, 255};
  std::memcpy(bitmap->Pixels().Row(0) + 4, opaqueRed, 4);
  GrayInPlace(*bitmap);
  EXPECT_EQ(Px(*bitmap, 0, 0), 0x00FF0000u);
  EXPECT_EQ(Px(*bitmap, 1, 0), 0xFF4C4C4Cu);
  EXPECT_EQ(Px(*bitmap, 2, 0), 0x00FF0000u);
}

TEST(ColorMatrix, SkipGraysLeavesGrayPixelsAndRejectsBadArguments) {
  ImageAttributes attributes;
  ColorMatrix invert = ColorMatrix::Identity();
  for (int c = 0; c < 3; ++c) {
    invert.m[c][c] = -1;
    invert.m[4][c] = 1;
  }
  EXPECT_EQ(attributes.SetColorMatrix(ColorAdjustType::Bitmap, true, nullptr), Status::InvalidParameter);
  EXPECT_EQ(attributes.SetColorMatrix(static_cast<ColorAdjustType>(9), true, &invert), Status::InvalidParameter);
  ASSERT_EQ(attributes.SetColorMatrix(ColorAdjustType::Bitmap, true, &invert, nullptr, ColorMatrixFlags::SkipGrays),
            Status::Ok);
  auto src = FilledBitmap(2, 1, PixelFormat::RGB24bpp, 0xFF404040);
  uint8_t p[4] = {0, 0, 200, 255};
  RowFromArgb32(p, 1, PixelFormat::RGB24bpp, {}, 1, src->Pixels().Row(0));
  auto dst = FilledBitmap(2, 1, PixelFormat::RGB24bpp, 0xFF000000);
  auto g = Open(*dst);
  ASSERT_EQ(g->DrawImage(*src, Rect{0, 0, 2, 1}, Rect{0, 0, 2, 1}, Unit::Pixel, &attributes), Status::Ok);
  EXPECT_EQ(Px(*dst, 0, 0), 0xFF404040u);
  EXPECT_EQ(Px(*dst, 1, 0), 0xFF37FFFFu);
  EXPECT_EQ(g->DrawImage(*src, Rect{0, 0, 2, 1}, Rect{1, 0, 2, 1}, Unit::Pixel, nullptr), Status::InvalidParameter);
}

TEST(DrawImage, ScaledDrawOntoItselfReadsTheOriginalPixels) {
  auto bitmap = Picture(16, 16, PixelFormat::ARGB32bpp);
  auto reference = Picture(16, 16, PixelFormat::ARGB32bpp);
  auto expected = Picture(16, 16, PixelFormat::ARGB32bpp);
  {
    auto g = Open(*expected);
    ASSERT_EQ(g->SetInterpolationMode(InterpolationMode::NearestNeighbor), Status::Ok);
    ASSERT_EQ(g->DrawImage(*reference, Rect{2, 2, 32, 32}), Status::Ok);
  }
  auto g = Open(*bitmap);
  ASSERT_EQ(g->SetInterpolationMode(InterpolationMode::NearestNeighbor), Status::Ok);
  ASSERT_EQ(g->DrawImage(*bitmap, Rect{2, 2, 32, 32}), Status::Ok);
  EXPECT_TRUE(PixelsEqual(PixelsOf(*bitmap), PixelsOf(*expected), Rect{0, 0, 16, 16}));
  EXPECT_EQ(Px(*bitmap, 5, 5), Px(*reference, 1, 1));
}

TEST(DrawImage, WideTargetKeepsUntouchedSixteenBitValues) {
  auto target = FilledBitmap(8, 8, PixelFormat::RGB48bpp, 0xFF000000);
  PixelBuffer& px = target->Pixels();
  for (uint32_t y = 0; y < 8; ++y)
    for (uint32_t i = 0; i < 24; ++i) {
      px.Row(y)[2 * i] = static_cast<uint8_t>(i * 11 + y);  // low bytes no 8-bit value would give
      px.Row(y)[2 * i + 1] = static_cast<uint8_t>(i * 7);
    }
  auto before = px.Copy();
  auto g = Open(*target);
  auto src = FilledBitmap(2, 2, PixelFormat::RGB24bpp, 0xFFFF8000);
  ASSERT_EQ(g->DrawImage(*src, Rect{3, 3, 2, 2}), Status::Ok);
  for (uint32_t y = 0; y < 8; ++y) {
    for (uint32_t x = 0; x < 8; ++x) {
      const bool inside = x >= 3 && x < 5 && y >= 3 && y < 5;
      if (inside) {
        EXPECT_EQ(Px(*target, x, y), 0xFFFF8000u);
      } else {
        ASSERT_EQ(std::memcmp(px.Row(y) + 6 * x, before.Value().Row(y) + 6 * x, 6), 0) << x << "," << y;
      }
    }
  }
}

}  // namespace
}  // namespace tavlen::gfx
