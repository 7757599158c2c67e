// Bitmap creation, copies, thumbnails and frames of bitmaps made in memory.
#include "platform/graphics/bitmap.h"

#include <gtest/gtest.h>

#include "tests/graphics/test_support.h"

namespace tavlen::gfx {
namespace {

TEST(BitmapCreate, PixelsStartZeroWithTheDefaultPalette) {
  auto b = Bitmap::Create(33, 9, PixelFormat::Indexed1bpp);
  ASSERT_TRUE(b.Ok());
  EXPECT_EQ(b.Value()->Width(), 33u);
  EXPECT_EQ(b.Value()->Height(), 9u);
  EXPECT_EQ(b.Value()->Format(), PixelFormat::Indexed1bpp);
  EXPECT_EQ(b.Value()->GetPalette().entries, (std::vector<uint32_t>{0xFF000000, 0xFFFFFFFF}));
  EXPECT_EQ(test::OwnFormatBytes(*b.Value()), std::string(5 * 9, '\0'));
  EXPECT_EQ(b.Value()->RawFormat(), kImageFormatMemoryBmp);
}

TEST(BitmapCreate, RefusesBadSizesAndFormats) {
  EXPECT_EQ(Bitmap::Create(0, 5, PixelFormat::RGB24bpp).GetStatus(), Status::InvalidParameter);
  EXPECT_EQ(Bitmap::Create(5, 5, PixelFormat::DontCare).GetStatus(), Status::InvalidParameter);
  EXPECT_EQ(Bitmap::Create(5, 5, static_cast<PixelFormat>(0x1234)).GetStatus(), Status::InvalidParameter);
  EXPECT_EQ(Bitmap::Create(100000, 100000, PixelFormat::ARGB32bpp).GetStatus(), Status::OutOfMemory);
}

TEST(BitmapCopies, CloneAreaIsIndependentAndConverts) {
  auto b = test::MakePatternBitmap(20, 10, PixelFormat::RGB24bpp);
  auto area = b->CloneArea(3, 2, 5, 4, PixelFormat::DontCare);
  ASSERT_TRUE(area.Ok());
  Bitmap& a = *area.Value();
  EXPECT_EQ(a.Width(), 5u);
  EXPECT_EQ(a.Format(), PixelFormat::RGB24bpp);
  EXPECT_EQ(test::PixelAt(a, 0, 0), test::PixelAt(*b, 3, 2));
  EXPECT_EQ(test::PixelAt(a, 4, 3), test::PixelAt(*b, 7, 5));
  a.Pixels().Row(0)[0] ^= 0xFF;
  EXPECT_NE(test::PixelAt(a, 0, 0), test::PixelAt(*b, 3, 2));

  auto argb = b->CloneArea(0, 0, 20, 10, PixelFormat::ARGB32bpp);
  ASSERT_TRUE(argb.Ok());
  EXPECT_EQ(argb.Value()->Format(), PixelFormat::ARGB32bpp);
  EXPECT_TRUE(test::SamePixels(*argb.Value(), *b));
}

TEST(BitmapCopies, CloneAreaRefusesAreasOutsideTheBitmap) {
  auto b = test::MakePatternBitmap(20, 10, PixelFormat::RGB24bpp);
  EXPECT_FALSE(b->CloneArea(0, 0, 21, 10, PixelFormat::DontCare).Ok());
  EXPECT_FALSE(b->CloneArea(-1, 0, 5, 5, PixelFormat::DontCare).Ok());
  EXPECT_FALSE(b->CloneArea(0, 0, 0, 0, PixelFormat::DontCare).Ok());
  EXPECT_FALSE(b->CloneArea(0, 0, std::numeric_limits<float>::quiet_NaN(), 5, PixelFormat::DontCare).Ok());
  EXPECT_FALSE(b->CloneArea(0, 0, 1e30f, 5, PixelFormat::DontCare).Ok());
}

TEST(BitmapCopies, CloneKeepsPropertiesAndFormat) {
  auto b = test::MakePatternBitmap(6, 6, PixelFormat::Indexed4bpp);
  const char text[] = "Ann";
  ASSERT_EQ(b->SetPropertyItem({kPropertyTagArtist, 4, kPropertyTagTypeASCII, const_cast<char*>(text)}), Status::Ok);
  auto copy = b->Clone();
  ASSERT_TRUE(copy.Ok());
  EXPECT_EQ(copy.Value()->Format(), PixelFormat::Indexed4bpp);
  EXPECT_EQ(copy.Value()->PropertyItems(), b->PropertyItems());
  EXPECT_EQ(test::OwnFormatBytes(*copy.Value()), test::OwnFormatBytes(*b));
}

TEST(Thumbnail, HasExactlyTheRequestedSize) {
  auto b = test::MakePatternBitmap(64, 48, PixelFormat::RGB24bpp);
  for (auto [w, h] : {std::pair{16u, 12u}, std::pair{100u, 7u}, std::pair{1u, 1u}, std::pair{640u, 480u}}) {
    auto t = b->GetThumbnail(w, h);
    ASSERT_TRUE(t.Ok());
    EXPECT_EQ(t.Value()->Width(), w);
    EXPECT_EQ(t.Value()->Height(), h);
    EXPECT_EQ(t.Value()->Format(), PixelFormat::RGB24bpp);
  }
  EXPECT_EQ(b->GetThumbnail(0, 5).GetStatus(), Status::InvalidParameter);
}

TEST(Thumbnail, FlatColoursStayFlatAndAlphaIsKept) {
  auto b = Bitmap::Create(300, 200, PixelFormat::ARGB32bpp);
  ASSERT_TRUE(b.Ok());
  uint8_t* p = b.Value()->Pixels().Data();
  for (size_t i = 0; i < 300 * 200; ++i) {
    p[4 * i] = 10;
    p[4 * i + 1] = 200;
    p[4 * i + 2] = 90;
    p[4 * i + 3] = 128;
  }
  auto t = b.Value()->GetThumbnail(77, 31);
  ASSERT_TRUE(t.Ok());
  EXPECT_EQ(t.Value()->Format(), PixelFormat::ARGB32bpp);
  for (uint32_t y = 0; y < 31; y += 10)
    for (uint32_t x = 0; x < 77; x += 10) {
      const uint32_t px = test::PixelAt(*t.Value(), x, y);
      EXPECT_EQ(px >> 24, 128u);
      EXPECT_NEAR(static_cast<int>(px >> 16 & 0xFF), 90, 1);
      EXPECT_NEAR(static_cast<int>(px >> 8 & 0xFF), 200, 1);
      EXPECT_NEAR(static_cast<int>(px & 0xFF), 10, 1);
    }
}

TEST(BitmapStamp, ChangesWithEveryWayThePixelsCanChange) {
  auto b = test::MakePatternBitmap(8, 8, PixelFormat::RGB24bpp);
  auto other = test::MakePatternBitmap(8, 8, PixelFormat::RGB24bpp);
  EXPECT_NE(b->ContentStamp(), other->ContentStamp());
  uint64_t stamp = b->ContentStamp();
  auto changed = [&] {
    const bool moved = b->ContentStamp() != stamp;
    stamp = b->ContentStamp();
    return moved;
  };
  const Bitmap& readOnly = *b;
  EXPECT_NE(readOnly.Pixels().Data(), nullptr);
  BitmapData data;
  ASSERT_EQ(b->LockBits(nullptr, kImageLockModeRead, PixelFormat::RGB24bpp, data), Status::Ok);
  ASSERT_EQ(b->UnlockBits(data), Status::Ok);
  EXPECT_FALSE(changed());  // reading changes nothing
  ASSERT_EQ(b->LockBits(nullptr, kImageLockModeWrite, PixelFormat::RGB24bpp, data), Status::Ok);
  ASSERT_EQ(b->UnlockBits(data), Status::Ok);
  EXPECT_TRUE(changed());
  ASSERT_EQ(b->RotateFlip(RotateFlipType::Rotate180FlipNone), Status::Ok);
  EXPECT_TRUE(changed());
  b->Pixels();
  EXPECT_TRUE(changed());
}

TEST(Frames, MemoryBitmapsHaveOnePage) {
  auto b = test::MakePatternBitmap(4, 4, PixelFormat::RGB24bpp);
  EXPECT_EQ(b->FrameDimensionsCount(), 1u);
  Guid dims[1];
  ASSERT_EQ(b->GetFrameDimensionsList(dims), Status::Ok);
  EXPECT_EQ(dims[0], kFrameDimensionPage);
  uint32_t count = 0;
  ASSERT_EQ(b->GetFrameCount(kFrameDimensionPage, count), Status::Ok);
  EXPECT_EQ(count, 1u);
  EXPECT_EQ(b->SelectActiveFrame(kFrameDimensionPage, 0), Status::Ok);
  EXPECT_EQ(b->SelectActiveFrame(kFrameDimensionPage, 1), Status::InvalidParameter);
  EXPECT_EQ(b->SelectActiveFrame(kFrameDimensionTime, 0), Status::InvalidParameter);
  Guid two[2];
  EXPECT_EQ(b->GetFrameDimensionsList(two), Status::InvalidParameter);
}

TEST(Decoding, FailuresAreStatuses) {
  test::TempDir dir;
  EXPECT_EQ(Bitmap::FromFile(dir.File("missing.png")).GetStatus(), Status::FileNotFound);
  EXPECT_EQ(Bitmap::FromFile(dir.Path().string()).GetStatus(), Status::AccessDenied);
  EXPECT_EQ(Bitmap::FromFile("").GetStatus(), Status::InvalidParameter);
  const uint8_t junk[] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18};
  EXPECT_EQ(Bitmap::FromMemory(junk).GetStatus(), Status::UnknownImageFormat);
  EXPECT_EQ(Bitmap::FromMemory({}).GetStatus(), Status::UnknownImageFormat);
}

}  // namespace
}  // namespace tavlen::gfx
