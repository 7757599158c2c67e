// The reduced copy's rules: the level a view can use, the memory it may take, and locked pictures.
#include "view/reduced_copy.h"

#include <gtest/gtest.h>

#include <cstring>

#include "platform/graphics/area_average.h"
#include "tests/graphics/test_support.h"

namespace tavlen {
namespace {

TEST(ReducedCopyLevel, IsTheDeepestAtWhichTheViewStillShrinksBothSides) {
  const struct {
    uint32_t width, height;
    int64_t viewWidth, viewHeight;
    uint32_t level;
  } cases[] = {
      {1203, 1001, 480, 400, 1},  // fitted
      {1203, 1001, 602, 400, 0},  // one pixel over half the width
      {1203, 1001, 601, 501, 0},  // ... or the height
      {6000, 4000, 960, 640, 2},  // a photo fitted to a small window
      {6000, 4000, 750, 500, 3},  // exactly an eighth
      {65535, 65535, 1, 1, gfx::kMaxAverageLevel},
      {100, 100, 0, 10, 0},
      {100, 100, -5, 10, 0},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ReducedCopy::LevelFor(c.width, c.height, c.viewWidth, c.viewHeight), c.level)
        << c.width << " x " << c.height << " shown " << c.viewWidth << " x " << c.viewHeight;
  }
}

TEST(ReducedCopyMemory, TakesAtMostAQuarterOfThePicture) {
  // 32-bit copies of 8-bit pictures only from the level at which a pixel stands for 16 of them.
  auto indexed = gfx::test::MakePatternBitmap(64, 64, gfx::PixelFormat::Indexed8bpp);
  ReducedCopy copy;
  EXPECT_EQ(copy.For(*indexed, 32, 32), nullptr);
  ASSERT_NE(copy.For(*indexed, 16, 16), nullptr);
  EXPECT_EQ(copy.Level(), 2u);
  auto bilevel = gfx::test::MakePatternBitmap(64, 64, gfx::PixelFormat::Indexed1bpp);
  EXPECT_EQ(copy.For(*bilevel, 8, 8), nullptr);
  EXPECT_NE(copy.For(*bilevel, 4, 4), nullptr);
  for (gfx::PixelFormat format : {gfx::PixelFormat::RGB24bpp, gfx::PixelFormat::ARGB64bpp}) {
    auto picture = gfx::test::MakePatternBitmap(64, 64, format);
    const gfx::Bitmap* made = copy.For(*picture, 32, 32);
    ASSERT_NE(made, nullptr);
    EXPECT_LE(uint64_t{made->Width()} * made->Height() * gfx::BitsPerPixel(made->Format()),
              uint64_t{64} * 64 * gfx::BitsPerPixel(format) / 4);
  }
}

TEST(ReducedCopyMemory, ALockedPictureIsDrawnItselfAndCopiedAfterItsWrite) {
  auto picture = gfx::test::MakePatternBitmap(40, 40, gfx::PixelFormat::RGB24bpp);
  ReducedCopy copy;
  gfx::BitmapData data;
  ASSERT_EQ(picture->LockBits(nullptr, gfx::kImageLockModeWrite, gfx::PixelFormat::RGB24bpp, data), gfx::Status::Ok);
  EXPECT_EQ(copy.For(*picture, 20, 20), nullptr);
  static_cast<uint8_t*>(data.scan0)[0] = 0;
  static_cast<uint8_t*>(data.scan0)[1] = 0;
  static_cast<uint8_t*>(data.scan0)[2] = 0;
  static_cast<uint8_t*>(data.scan0)[3] = 0;
  ASSERT_EQ(picture->UnlockBits(data), gfx::Status::Ok);
  const gfx::Bitmap* made = copy.For(*picture, 20, 20);
  ASSERT_NE(made, nullptr);
  auto expected = gfx::AverageDown(*picture, 1);
  ASSERT_TRUE(expected.Ok());
  for (uint32_t y = 0; y < made->Height(); ++y)
    EXPECT_EQ(std::memcmp(made->Pixels().Row(y), expected.Value()->Pixels().Row(y), size_t{made->Width()} * 3), 0);
}

}  // namespace
}  // namespace tavlen
