// The geometric operations on pictures without a control: where each pixel goes, what comes back,
// and what a refusal leaves.
#include <gtest/gtest.h>

#include "edit/flip.h"
#include "edit/resize.h"
#include "edit/rotate.h"
#include "tests/graphics/test_support.h"

namespace tavlen {
namespace {

using gfx::test::PixelAt;
using gfx::test::SamePixels;

ImageObject::Ptr Pattern(uint32_t width, uint32_t height) {
  return ImageObject::Adopt(gfx::test::MakePatternBitmap(width, height, gfx::PixelFormat::RGB24bpp, 11));
}

TEST(RotateOperation, AQuarterTurnIsClockwiseAndExchangesTheSides) {
  auto picture = Pattern(3, 2);
  auto before = picture->CopyWhole(3, 2);
  ASSERT_EQ(Rotate(*picture, Turn::Quarter), gfx::Status::Ok);
  ASSERT_EQ(picture->Width(), 2u);
  ASSERT_EQ(picture->Height(), 3u);
  // Clockwise: the old bottom-left corner comes to the top-left.
  EXPECT_EQ(PixelAt(*picture->Handle(), 0, 0), PixelAt(*before->Handle(), 0, 1));
  EXPECT_EQ(PixelAt(*picture->Handle(), 1, 0), PixelAt(*before->Handle(), 0, 0));
  EXPECT_TRUE(SwapsSides(Turn::Quarter));
  EXPECT_TRUE(SwapsSides(Turn::ThreeQuarters));
  EXPECT_FALSE(SwapsSides(Turn::Half));
}

TEST(RotateOperation, TurnsAddUpToTheStartingPixels) {
  auto picture = Pattern(5, 3);
  auto before = picture->CopyWhole(5, 3);
  for (int i = 0; i < 4; ++i) ASSERT_EQ(Rotate(*picture, Turn::Quarter), gfx::Status::Ok);
  EXPECT_TRUE(SamePixels(*picture->Handle(), *before->Handle())) << "four quarter turns";
  ASSERT_EQ(Rotate(*picture, Turn::Quarter), gfx::Status::Ok);
  ASSERT_EQ(Rotate(*picture, Turn::ThreeQuarters), gfx::Status::Ok);
  EXPECT_TRUE(SamePixels(*picture->Handle(), *before->Handle())) << "a quarter and three quarters";
  ASSERT_EQ(Rotate(*picture, Turn::Half), gfx::Status::Ok);
  EXPECT_EQ(picture->Width(), 5u);
  EXPECT_EQ(PixelAt(*picture->Handle(), 0, 0), PixelAt(*before->Handle(), 4, 2));
}

TEST(RotateOperation, ARefusedTurnIsRecordedInThePicture) {
  auto empty = ImageObject::Adopt(nullptr);
  EXPECT_NE(Rotate(*empty, Turn::Quarter), gfx::Status::Ok);
  EXPECT_NE(empty->LastStatus(), gfx::Status::Ok);
}

TEST(FlipOperation, MirrorsAboutEitherAxisAndTwiceGivesBackThePixels) {
  auto picture = Pattern(4, 3);
  auto before = picture->CopyWhole(4, 3);
  ASSERT_EQ(Flip(*picture, FlipAxis::LeftRight), gfx::Status::Ok);
  EXPECT_EQ(PixelAt(*picture->Handle(), 0, 1), PixelAt(*before->Handle(), 3, 1));
  ASSERT_EQ(Flip(*picture, FlipAxis::LeftRight), gfx::Status::Ok);
  EXPECT_TRUE(SamePixels(*picture->Handle(), *before->Handle()));
  ASSERT_EQ(Flip(*picture, FlipAxis::TopBottom), gfx::Status::Ok);
  EXPECT_EQ(PixelAt(*picture->Handle(), 2, 0), PixelAt(*before->Handle(), 2, 2));
  EXPECT_EQ(picture->Width(), 4u);
  EXPECT_EQ(picture->Height(), 3u);
}

TEST(ResizeOperation, GivesANewPictureOfExactlyTheSizeAsked) {
  auto picture = Pattern(40, 40);
  auto before = picture->CopyWhole(40, 40);
  auto resized = Resize(*picture, 10, 5);
  ASSERT_TRUE(resized.Ok());
  EXPECT_EQ(resized.Value()->Width(), 10u);
  EXPECT_EQ(resized.Value()->Height(), 5u);
  EXPECT_EQ(resized.Value()->LastStatus(), gfx::Status::Ok);
  EXPECT_TRUE(SamePixels(*picture->Handle(), *before->Handle())) << "the source stays as it was";
}

TEST(ResizeOperation, SizesTheLibraryCannotMakeAreRefusedWithoutMarkingTheSource) {
  auto picture = Pattern(8, 8);
  for (auto [w, h] : {std::pair{0, 5}, std::pair{5, 0}, std::pair{-3, 4}}) {
    auto resized = Resize(*picture, w, h);
    EXPECT_FALSE(resized.Ok()) << w << " x " << h;
    EXPECT_EQ(resized.GetStatus(), gfx::Status::InvalidParameter);
  }
  EXPECT_EQ(picture->LastStatus(), gfx::Status::Ok);
  EXPECT_NE(picture->CopyWhole(8, 8), nullptr) << "still copyable, so the history keeps working";
  EXPECT_FALSE(Resize(*ImageObject::Adopt(nullptr), 4, 4).Ok());
}

}  // namespace
}  // namespace tavlen
