// The geometric operations on pictures without a control: where each pixel goes, what comes back,
// and what a refusal leaves.
#include <gtest/gtest.h>

#include "edit/flip.h"
#include "edit/resize.h"
#include "edit/rotate.h"
#include "tests/graphics/test_support.h"

namespace tavlen::edit {
namespace {

using gfx::Bitmap;
using gfx::test::PixelAt;
using gfx::test::SamePixels;

Bitmap::Ptr Pattern(uint32_t width, uint32_t height) {
  return gfx::test::MakePatternBitmap(width, height, gfx::PixelFormat::RGB24bpp, 11);
}

Bitmap::Ptr CopyOf(const Bitmap& picture) { return picture.Clone().Value(); }

TEST(RotateOperation, AQuarterTurnIsClockwiseAndExchangesTheSides) {
  auto picture = Pattern(3, 2);
  auto before = CopyOf(*picture);
  ASSERT_EQ(Rotate(*picture, Turn::Quarter), gfx::Status::Ok);
  ASSERT_EQ(picture->Width(), 2u);
  ASSERT_EQ(picture->Height(), 3u);
  // Clockwise: the old bottom-left corner comes to the top-left.
  EXPECT_EQ(PixelAt(*picture, 0, 0), PixelAt(*before, 0, 1));
  EXPECT_EQ(PixelAt(*picture, 1, 0), PixelAt(*before, 0, 0));
  EXPECT_TRUE(SwapsSides(Turn::Quarter));
  EXPECT_TRUE(SwapsSides(Turn::ThreeQuarters));
  EXPECT_FALSE(SwapsSides(Turn::Half));
}

TEST(RotateOperation, TurnsAddUpToTheStartingPixels) {
  auto picture = Pattern(5, 3);
  auto before = CopyOf(*picture);
  for (int i = 0; i < 4; ++i) ASSERT_EQ(Rotate(*picture, Turn::Quarter), gfx::Status::Ok);
  EXPECT_TRUE(SamePixels(*picture, *before)) << "four quarter turns";
  ASSERT_EQ(Rotate(*picture, Turn::Quarter), gfx::Status::Ok);
  ASSERT_EQ(Rotate(*picture, Turn::ThreeQuarters), gfx::Status::Ok);
  EXPECT_TRUE(SamePixels(*picture, *before)) << "a quarter and three quarters";
  ASSERT_EQ(Rotate(*picture, Turn::Half), gfx::Status::Ok);
  EXPECT_EQ(picture->Width(), 5u);
  EXPECT_EQ(PixelAt(*picture, 0, 0), PixelAt(*before, 4, 2));
}

TEST(RotateOperation, ALockedPictureIsRefusedAndLeftAsItWas) {
  auto picture = Pattern(3, 2);
  auto before = CopyOf(*picture);
  gfx::BitmapData data;
  ASSERT_EQ(picture->LockBits(nullptr, gfx::kImageLockModeRead, gfx::PixelFormat::RGB24bpp, data), gfx::Status::Ok);
  EXPECT_EQ(Rotate(*picture, Turn::Quarter), gfx::Status::WrongState);
  EXPECT_EQ(Flip(*picture, FlipAxis::LeftRight), gfx::Status::WrongState);
  ASSERT_EQ(picture->UnlockBits(data), gfx::Status::Ok);
  EXPECT_EQ(picture->Width(), 3u);
  EXPECT_TRUE(SamePixels(*picture, *before));
}

TEST(FlipOperation, MirrorsAboutEitherAxisAndTwiceGivesBackThePixels) {
  auto picture = Pattern(4, 3);
  auto before = CopyOf(*picture);
  ASSERT_EQ(Flip(*picture, FlipAxis::LeftRight), gfx::Status::Ok);
  EXPECT_EQ(PixelAt(*picture, 0, 1), PixelAt(*before, 3, 1));
  ASSERT_EQ(Flip(*picture, FlipAxis::LeftRight), gfx::Status::Ok);
  EXPECT_TRUE(SamePixels(*picture, *before));
  ASSERT_EQ(Flip(*picture, FlipAxis::TopBottom), gfx::Status::Ok);
  EXPECT_EQ(PixelAt(*picture, 2, 0), PixelAt(*before, 2, 2));
  EXPECT_EQ(picture->Width(), 4u);
  EXPECT_EQ(picture->Height(), 3u);
}

TEST(ResizeOperation, GivesANewPictureOfExactlyTheSizeAsked) {
  auto picture = Pattern(40, 40);
  auto before = CopyOf(*picture);
  auto resized = Resize(*picture, 10, 5);
  ASSERT_TRUE(resized.Ok());
  EXPECT_EQ(resized.Value()->Width(), 10u);
  EXPECT_EQ(resized.Value()->Height(), 5u);
  EXPECT_TRUE(SamePixels(*picture, *before)) << "the source stays as it was";
}

TEST(ResizeOperation, SizesTheLibraryCannotMakeAreRefused) {
  auto picture = Pattern(8, 8);
  for (auto [w, h] : {std::pair{0, 5}, std::pair{5, 0}, std::pair{-3, 4}}) {
    auto resized = Resize(*picture, w, h);
    EXPECT_FALSE(resized.Ok()) << w << " x " << h;
    EXPECT_EQ(resized.GetStatus(), gfx::Status::InvalidParameter);
  }
  EXPECT_EQ(picture->Width(), 8u);
}

}  // namespace
}  // namespace tavlen::edit
