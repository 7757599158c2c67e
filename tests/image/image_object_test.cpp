// The image object's status rule: a failure stays recorded, and an image that ever failed can no
// longer be copied; copies are separate bitmaps.
#include "image/image_object.h"

#include <gtest/gtest.h>

#include "tests/graphics/test_support.h"

namespace tavlen {
namespace {

ImageObject::Ptr Pattern(uint32_t width, uint32_t height) {
  return ImageObject::Adopt(gfx::test::MakePatternBitmap(width, height, gfx::PixelFormat::RGB24bpp, 3));
}

gfx::Status Mirror(gfx::Bitmap& bitmap) { return bitmap.RotateFlip(gfx::RotateFlipType::RotateNoneFlipX); }

gfx::Status TurnBitmap(gfx::Bitmap& bitmap, gfx::RotateFlipType type) { return bitmap.RotateFlip(type); }

TEST(ImageObjectStatus, AFailureStaysRecordedAndSuccessDoesNotClearIt) {
  auto image = Pattern(4, 3);
  EXPECT_EQ(image->LastStatus(), gfx::Status::Ok);
  image->Record(gfx::Status::OutOfMemory);
  image->Record(gfx::Status::Ok);
  EXPECT_EQ(image->LastStatus(), gfx::Status::OutOfMemory);
  EXPECT_EQ(image->Width(), 4u) << "the pixels stay usable";
}

TEST(ImageObjectStatus, AnImageThatFailedCannotBeCopied) {
  auto image = Pattern(4, 3);
  ASSERT_NE(image->CopyWhole(4, 3), nullptr);
  image->Record(gfx::Status::GenericError);
  EXPECT_EQ(image->CopyWhole(4, 3), nullptr);
}

TEST(ImageObjectStatus, AnOperationAppliedRecordsItsRefusal) {
  auto image = Pattern(4, 3);
  ASSERT_EQ(image->Apply(TurnBitmap, gfx::RotateFlipType::Rotate90FlipNone), gfx::Status::Ok);
  EXPECT_EQ(image->Width(), 3u) << "the operation ran on the image's own bitmap";
  EXPECT_EQ(image->Apply(TurnBitmap, static_cast<gfx::RotateFlipType>(8)), gfx::Status::InvalidParameter);
  EXPECT_EQ(image->LastStatus(), gfx::Status::InvalidParameter);
  EXPECT_EQ(image->CopyWhole(3, 4), nullptr) << "a refused operation makes the image uncopyable";

  auto empty = ImageObject::Adopt(nullptr);
  EXPECT_EQ(empty->Apply(Mirror), gfx::Status::InvalidParameter) << "no bitmap to run on";
  EXPECT_EQ(empty->LastStatus(), gfx::Status::InvalidParameter);
}

TEST(ImageObjectStatus, AnUndecodableFileGivesAnObjectWithoutPixels) {
  gfx::test::TempDir dir;
  auto image = ImageObject::FromFile(dir.File("missing.png"));
  ASSERT_NE(image, nullptr);
  EXPECT_EQ(image->Handle(), nullptr);
  EXPECT_NE(image->LastStatus(), gfx::Status::Ok);
  EXPECT_EQ(image->Width(), 0u);
  EXPECT_EQ(image->Height(), 0u);
  EXPECT_EQ(image->CopyWhole(1, 1), nullptr);
}

TEST(ImageObjectCopy, ACopyIsSeparateFromItsSource) {
  auto image = Pattern(5, 2);
  auto copy = image->CopyWhole(5, 2);
  ASSERT_NE(copy, nullptr);
  ASSERT_TRUE(gfx::test::SamePixels(*copy->Handle(), *image->Handle()));
  ASSERT_EQ(image->Apply(Mirror), gfx::Status::Ok);
  EXPECT_FALSE(gfx::test::SamePixels(*copy->Handle(), *image->Handle()));
  EXPECT_EQ(copy->Handle()->Format(), gfx::PixelFormat::RGB24bpp) << "the copy keeps the source's format";
}

}  // namespace
}  // namespace tavlen
