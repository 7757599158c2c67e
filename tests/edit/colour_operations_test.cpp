// Tests of the gray-scale conversion, the black-and-white threshold copy and the 1-bit GIF round trip.
#include <cstdint>
#include <initializer_list>
#include <utility>

#include "edit/black_white.h"
#include "edit/from_1bpp.h"
#include "edit/gray_scale.h"
#include "platform/graphics/codec_registry.h"
#include "tests/graphics/test_support.h"

namespace tavlen::edit {
namespace {

using gfx::Bitmap;
using gfx::PixelFormat;
using gfx::test::PixelAt;

// A one-row bitmap with the given 0xAARRGGBB colours, written through a 32bppARGB lock.
Bitmap::Ptr Row(PixelFormat format, std::initializer_list<uint32_t> colors) {
  auto created = Bitmap::Create(static_cast<uint32_t>(colors.size()), 1, format);
  EXPECT_TRUE(created.Ok());
  Bitmap::Ptr bitmap = std::move(created).Value();
  gfx::BitmapData data;
  EXPECT_EQ(bitmap->LockBits(nullptr, gfx::kImageLockModeWrite, PixelFormat::ARGB32bpp, data), gfx::Status::Ok);
  auto* out = static_cast<uint32_t*>(data.scan0);
  for (uint32_t c : colors) *out++ = c;
  EXPECT_EQ(bitmap->UnlockBits(data), gfx::Status::Ok);
  return bitmap;
}

TEST(GrayScale, WeighsTheChannelsAndKeepsFormatSizeAndAlpha) {
  for (PixelFormat format : {PixelFormat::RGB24bpp, PixelFormat::RGB32bpp, PixelFormat::ARGB32bpp,
                             PixelFormat::PARGB32bpp, PixelFormat::RGB48bpp}) {
    auto image = Row(format, {0xFFFF0000, 0xFF0000FF, 0xFF00FF00, 0xFFFFFFFF, 0xFF000000});
    ASSERT_EQ(ConvertToGrayScale(*image), gfx::Status::Ok);
    EXPECT_EQ(image->Format(), format);
    EXPECT_EQ(image->Width(), 5u);
    EXPECT_EQ(PixelAt(*image, 0, 0), 0xFF4C4C4Cu) << "red 255 gives 76";
    EXPECT_EQ(PixelAt(*image, 1, 0), 0xFF1D1D1Du) << "blue 255 gives 29";
    EXPECT_EQ(PixelAt(*image, 2, 0), 0xFF969696u) << "green 255 gives 150";
    EXPECT_EQ(PixelAt(*image, 3, 0), 0xFFFFFFFFu);
    EXPECT_EQ(PixelAt(*image, 4, 0), 0xFF000000u);
  }
  auto translucent = Row(PixelFormat::ARGB32bpp, {0x80FF0000});
  ASSERT_EQ(ConvertToGrayScale(*translucent), gfx::Status::Ok);
  EXPECT_EQ(PixelAt(*translucent, 0, 0), 0x804C4C4Cu) << "alpha stays";
}

TEST(GrayScale, IndexedAnd16BitPicturesAreRefusedUnchanged) {
  for (PixelFormat format : {PixelFormat::Indexed1bpp, PixelFormat::Indexed8bpp, PixelFormat::RGB565_16bpp}) {
    auto picture = gfx::test::MakePatternBitmap(9, 4, format);
    const std::string before = gfx::test::OwnFormatBytes(*picture);
    EXPECT_EQ(ConvertToGrayScale(*picture), gfx::Status::InvalidParameter);
    EXPECT_EQ(gfx::test::OwnFormatBytes(*picture), before);
  }
}

TEST(GrayScale, EveryPixelOfAPatternEndsGray) {
  auto picture = gfx::test::MakePatternBitmap(31, 7, PixelFormat::RGB24bpp, 5);
  auto original = picture->Clone();
  ASSERT_EQ(ConvertToGrayScale(*picture), gfx::Status::Ok);
  for (uint32_t y = 0; y < 7; ++y) {
    for (uint32_t x = 0; x < 31; ++x) {
      const uint32_t c = PixelAt(*original.Value(), x, y);
      const double luma = 0.299 * ((c >> 16) & 0xFF) + 0.587 * ((c >> 8) & 0xFF) + 0.114 * (c & 0xFF);
      const uint32_t g = PixelAt(*picture, x, y) & 0xFF;
      ASSERT_EQ(PixelAt(*picture, x, y), 0xFF000000u | g << 16 | g << 8 | g);
      ASSERT_NEAR(g, luma, 0.5 + 1e-3) << x << "," << y;
    }
  }
}

// Large pictures run in two halves on two threads: each row must come out as a small picture of
// that row alone (one thread) gives it, the rows at the split included.
TEST(GrayScaleAndBlackWhite, LargePicturesInTwoHalvesMatchRowByRow) {
  constexpr uint32_t kWidth = 1201, kHeight = 1203;  // over 4 MiB of 24-bit rows, odd on both sides
  auto picture = gfx::test::MakePatternBitmap(kWidth, kHeight, PixelFormat::RGB24bpp, 9);
  auto bw = MakeBlackWhiteCopy(*picture);
  ASSERT_TRUE(bw.Ok());
  auto gray = picture->Clone();
  ASSERT_EQ(ConvertToGrayScale(*gray.Value()), gfx::Status::Ok);
  for (uint32_t y : {0u, kHeight / 2 - 1, kHeight / 2, kHeight / 2 + 1, kHeight - 1}) {
    auto row = picture->CloneArea(0, static_cast<float>(y), kWidth, 1, PixelFormat::RGB24bpp);
    ASSERT_TRUE(row.Ok());
    auto rowBw = MakeBlackWhiteCopy(*row.Value());
    ASSERT_TRUE(rowBw.Ok());
    ASSERT_EQ(ConvertToGrayScale(*row.Value()), gfx::Status::Ok);
    for (uint32_t x = 0; x < kWidth; ++x) {
      ASSERT_EQ(PixelAt(*gray.Value(), x, y), PixelAt(*row.Value(), x, 0)) << x << "," << y;
      ASSERT_EQ(PixelAt(*bw.Value(), x, y), PixelAt(*rowBw.Value(), x, 0)) << x << "," << y;
    }
  }
}

TEST(BlackWhite, EachChannelMustExceed128) {
  auto source = Row(PixelFormat::RGB24bpp, {0xFF818181, 0xFF80FFFF, 0xFFFFFF80, 0xFFFF80FF, 0xFFFFFFFF, 0xFF808080,
                                            0xFF000000, 0xFF818181, 0xFF818181});
  auto copy = MakeBlackWhiteCopy(*source);
  ASSERT_TRUE(copy.Ok());
  Bitmap& bw = *copy.Value();
  EXPECT_EQ(bw.Format(), PixelFormat::Indexed1bpp);
  ASSERT_EQ(bw.Width(), 9u);
  const uint32_t expected[] = {0xFFFFFFFF, 0xFF000000, 0xFF000000, 0xFF000000, 0xFFFFFFFF,
                               0xFF000000, 0xFF000000, 0xFFFFFFFF, 0xFFFFFFFF};
  for (uint32_t x = 0; x < 9; ++x) EXPECT_EQ(PixelAt(bw, x, 0), expected[x]) << "pixel " << x;
  // Leftmost pixel in the top bit; the bits past the ninth pixel stay 0.
  const uint8_t* row = bw.Pixels().Row(0);
  EXPECT_EQ(row[0], 0x89);
  EXPECT_EQ(row[1], 0x80);
}

TEST(BlackWhite, ReadsAnyFormatAndLeavesTheSourceAlone) {
  for (PixelFormat format : {PixelFormat::Indexed1bpp, PixelFormat::Indexed4bpp, PixelFormat::Indexed8bpp,
                             PixelFormat::RGB24bpp, PixelFormat::ARGB32bpp, PixelFormat::RGB48bpp}) {
    auto source = gfx::test::MakePatternBitmap(37, 11, format, 7);
    const std::string before = gfx::test::OwnFormatBytes(*source);
    auto copy = MakeBlackWhiteCopy(*source);
    ASSERT_TRUE(copy.Ok()) << static_cast<uint32_t>(format);
    EXPECT_EQ(gfx::test::OwnFormatBytes(*source), before);
    EXPECT_FALSE(source->IsLocked());
    for (uint32_t y = 0; y < 11; ++y) {
      for (uint32_t x = 0; x < 37; ++x) {
        const uint32_t c = PixelAt(*source, x, y);
        const bool white = ((c >> 16) & 0xFF) > 128 && ((c >> 8) & 0xFF) > 128 && (c & 0xFF) > 128;
        ASSERT_EQ(PixelAt(*copy.Value(), x, y), white ? 0xFFFFFFFFu : 0xFF000000u) << x << "," << y;
      }
    }
  }
}

TEST(BlackWhite, ALockedSourceFailsWithoutACopy) {
  auto source = gfx::test::MakePatternBitmap(8, 8, PixelFormat::RGB24bpp);
  gfx::BitmapData data;
  ASSERT_EQ(source->LockBits(nullptr, gfx::kImageLockModeRead, PixelFormat::RGB24bpp, data), gfx::Status::Ok);
  EXPECT_FALSE(MakeBlackWhiteCopy(*source).Ok());
  EXPECT_EQ(source->UnlockBits(data), gfx::Status::Ok);
}

TEST(FromOneBit, GivesBackTheSamePixelsIn32BitArgb) {
  for (PixelFormat format : {PixelFormat::Indexed1bpp, PixelFormat::Indexed8bpp}) {
    auto source = gfx::test::MakePatternBitmap(21, 13, format, 3);
    auto back = RoundTripThroughGif(*source, gfx::kGifEncoderClsid);
    ASSERT_TRUE(back.Ok());
    EXPECT_EQ(back.Value()->Format(), PixelFormat::ARGB32bpp);
    EXPECT_TRUE(gfx::test::SamePixels(*source, *back.Value()));
  }
}

TEST(FromOneBit, AnUnknownEncoderFails) {
  auto source = gfx::test::MakePatternBitmap(4, 4, PixelFormat::Indexed1bpp);
  EXPECT_FALSE(RoundTripThroughGif(*source, gfx::Guid{}).Ok());
}

}  // namespace
}  // namespace tavlen::edit
