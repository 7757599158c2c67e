// Locking pixels in the bitmap's own format and in converted formats, for reading and writing.
#include <gtest/gtest.h>

#include <cstring>

#include "platform/graphics/bitmap.h"
#include "tests/graphics/test_support.h"

namespace tavlen::gfx {
namespace {

TEST(LockBits, OwnFormatGivesTheBitmapsRows) {
  auto b = test::MakePatternBitmap(10, 6, PixelFormat::RGB24bpp);
  const Rect r{2, 1, 5, 3};
  BitmapData data;
  ASSERT_EQ(b->LockBits(&r, kImageLockModeRead | kImageLockModeWrite, PixelFormat::RGB24bpp, data), Status::Ok);
  EXPECT_EQ(data.width, 5u);
  EXPECT_EQ(data.height, 3u);
  EXPECT_EQ(data.scan0, b->Pixels().Row(1) + 6);
  static_cast<uint8_t*>(data.scan0)[0] = 0x5A;
  ASSERT_EQ(b->UnlockBits(data), Status::Ok);
  EXPECT_EQ(b->Pixels().Row(1)[6], 0x5A);
}

TEST(LockBits, WritingThroughAConversionLandsOnUnlock) {
  // The black-and-white copy pattern: read a colour image as 24 bpp, write a 1-bit one.
  auto mono = Bitmap::Create(13, 2, PixelFormat::Indexed1bpp);
  ASSERT_TRUE(mono.Ok());
  const Rect r{3, 0, 9, 2};
  BitmapData data;
  ASSERT_EQ(mono.Value()->LockBits(&r, kImageLockModeWrite, PixelFormat::RGB24bpp, data), Status::Ok);
  auto* row = static_cast<uint8_t*>(data.scan0) + data.stride;  // second row
  std::memset(row, 0xFF, 3);                                   // pixel (3, 1) white
  ASSERT_EQ(mono.Value()->UnlockBits(data), Status::Ok);
  EXPECT_EQ(test::PixelAt(*mono.Value(), 3, 1), 0xFFFFFFFFu);
  EXPECT_EQ(test::PixelAt(*mono.Value(), 4, 1), 0xFF000000u);
  EXPECT_EQ(test::PixelAt(*mono.Value(), 2, 1), 0xFF000000u);
}

TEST(LockBits, ReadOnlyLockDoesNotWriteBack) {
  auto b = test::MakePatternBitmap(8, 8, PixelFormat::Indexed8bpp);
  const std::string before = test::OwnFormatBytes(*b);
  BitmapData data;
  ASSERT_EQ(b->LockBits(nullptr, kImageLockModeRead, PixelFormat::ARGB32bpp, data), Status::Ok);
  std::memset(data.scan0, 0, 4 * 8);
  ASSERT_EQ(b->UnlockBits(data), Status::Ok);
  EXPECT_EQ(test::OwnFormatBytes(*b), before);
}

TEST(LockBits, UnalignedOneBitAreaConvertsBothWays) {
  auto b = test::MakePatternBitmap(21, 3, PixelFormat::Indexed1bpp);
  const std::string before = test::OwnFormatBytes(*b);
  const Rect r{5, 1, 11, 2};
  BitmapData data;
  ASSERT_EQ(b->LockBits(&r, kImageLockModeRead | kImageLockModeWrite, PixelFormat::Indexed1bpp, data), Status::Ok);
  ASSERT_EQ(b->UnlockBits(data), Status::Ok);
  EXPECT_EQ(test::OwnFormatBytes(*b), before);  // an unchanged write lock changes nothing
}

TEST(LockBits, RefusesBadRequests) {
  auto b = test::MakePatternBitmap(8, 8, PixelFormat::RGB24bpp);
  BitmapData data;
  const Rect outside{4, 4, 5, 1};
  EXPECT_EQ(b->LockBits(&outside, kImageLockModeRead, PixelFormat::RGB24bpp, data), Status::InvalidParameter);
  const Rect empty{0, 0, 0, 1};
  EXPECT_EQ(b->LockBits(&empty, kImageLockModeRead, PixelFormat::RGB24bpp, data), Status::InvalidParameter);
  EXPECT_EQ(b->LockBits(nullptr, 0, PixelFormat::RGB24bpp, data), Status::InvalidParameter);
  EXPECT_EQ(b->LockBits(nullptr, kImageLockModeRead, PixelFormat::DontCare, data), Status::InvalidParameter);
  EXPECT_EQ(b->UnlockBits(data), Status::WrongState);
  ASSERT_EQ(b->LockBits(nullptr, kImageLockModeRead, PixelFormat::RGB24bpp, data), Status::Ok);
  BitmapData second;
  EXPECT_EQ(b->LockBits(nullptr, kImageLockModeRead, PixelFormat::RGB24bpp, second), Status::WrongState);
  EXPECT_FALSE(b->Clone().Ok());
  ASSERT_EQ(b->UnlockBits(data), Status::Ok);
}

}  // namespace
}  // namespace tavlen::gfx
