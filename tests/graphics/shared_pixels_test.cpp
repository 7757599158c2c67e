// Copies share their pixels until one side writes: every write path keeps the other copies unchanged.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <string>
#include <utility>

#include "platform/graphics/bitmap.h"
#include "platform/graphics/codec_registry.h"
#include "platform/graphics/drawing/graphics.h"
#include "platform/graphics/pixel_memory.h"
#include "tests/graphics/test_support.h"

namespace tavlen::gfx {
namespace {

using Write = std::function<Status(Bitmap&)>;

struct WritePath {
  std::string name;
  Write write;
};

Status WriteThroughLock(Bitmap& b, PixelFormat format) {
  BitmapData data;
  const Rect area{1, 1, 3, 2};
  if (Status s = b.LockBits(&area, kImageLockModeWrite, format, data); s != Status::Ok) return s;
  // The first pixel becomes its opposite colour, which survives the way back into any format.
  auto* row = static_cast<uint8_t*>(data.scan0);
  const uint32_t bytes = std::max(1u, BitsPerPixel(format) / 8);
  for (uint32_t i = 0; i < std::min(bytes, 3u); ++i) row[i] ^= 0xFF;
  if (format == PixelFormat::ARGB32bpp) row[3] = 0xFF;
  return b.UnlockBits(data);
}

std::vector<WritePath> WritePaths() {
  return {
      {"lock in own format", [](Bitmap& b) { return WriteThroughLock(b, b.Format()); }},
      {"lock converted", [](Bitmap& b) { return WriteThroughLock(b, PixelFormat::ARGB32bpp); }},
      {"lock read-write",
       [](Bitmap& b) {
         BitmapData data;
         if (Status s = b.LockBits(nullptr, kImageLockModeRead | kImageLockModeWrite, b.Format(), data);
             s != Status::Ok)
           return s;
         static_cast<uint8_t*>(data.scan0)[0] ^= 0xFF;
         return b.UnlockBits(data);
       }},
      {"graphics fill",
       [](Bitmap& b) {
         auto g = Graphics::FromImage(b);
         if (!g.Ok()) return g.GetStatus();
         return g.Value()->FillRectangle(Brush::Solid(0xFF102030), Rect{0, 0, 4, 3});
       }},
      {"library pixels",
       [](Bitmap& b) {
         b.Pixels().Row(2)[1] ^= 0xFF;
         return Status::Ok;
       }},
      {"half turn, then read", [](Bitmap& b) { return b.RotateFlip(RotateFlipType::Rotate180FlipNone); }},
      {"mirror, then read", [](Bitmap& b) { return b.RotateFlip(RotateFlipType::RotateNoneFlipX); }},
      {"quarter turn", [](Bitmap& b) { return b.RotateFlip(RotateFlipType::Rotate90FlipNone); }},
      {"palette",
       [](Bitmap& b) {
         if (!IsIndexed(b.Format())) return Status::InvalidParameter;
         Palette p = b.GetPalette();
         for (uint32_t& entry : p.entries) entry ^= 0x00FFFFFF;
         return b.SetPalette(p);
       }},
  };
}

struct Copier {
  std::string name;
  std::function<Result<Bitmap::Ptr>(const Bitmap&)> copy;
};

std::vector<Copier> Copiers() {
  return {
      {"Clone", [](const Bitmap& b) { return b.Clone(); }},
      {"CloneArea whole",
       [](const Bitmap& b) {
         return b.CloneArea(0, 0, static_cast<float>(b.Width()), static_cast<float>(b.Height()), PixelFormat::DontCare);
       }},
  };
}

// Drawing needs a drawable format; indexed ones cover the palette and packed-row paths.
class SharedPixels : public ::testing::TestWithParam<PixelFormat> {};

TEST_P(SharedPixels, WritingOneCopyNeverShowsInTheOther) {
  for (const Copier& copier : Copiers()) {
    for (const WritePath& path : WritePaths()) {
      SCOPED_TRACE(copier.name + " / " + path.name);
      auto original = test::MakePatternBitmap(9, 7, GetParam(), 3);
      auto reference = original->Clone();
      ASSERT_TRUE(reference.Ok());
      auto copy = copier.copy(*original);
      ASSERT_TRUE(copy.Ok());
      const Status written = path.write(*copy.Value());
      if (written == Status::InvalidParameter) continue;  // e.g. no graphics on indexed pixels
      ASSERT_EQ(written, Status::Ok);
      EXPECT_FALSE(test::SamePixels(*copy.Value(), *original));
      EXPECT_TRUE(test::SamePixels(*original, *reference.Value()));
      EXPECT_EQ(original->GetPalette().entries, reference.Value()->GetPalette().entries);

      // And the other way round: writing the original leaves the copy as it was.
      auto fresh = copier.copy(*original);
      ASSERT_TRUE(fresh.Ok());
      auto freshReference = fresh.Value()->Clone();
      ASSERT_TRUE(freshReference.Ok());
      ASSERT_EQ(path.write(*original), Status::Ok);
      EXPECT_TRUE(test::SamePixels(*fresh.Value(), *freshReference.Value()));
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Formats, SharedPixels,
                         ::testing::Values(PixelFormat::RGB24bpp, PixelFormat::ARGB32bpp, PixelFormat::RGB32bpp,
                                           PixelFormat::Indexed8bpp, PixelFormat::Indexed1bpp, PixelFormat::RGB48bpp));

TEST(SharedPixelsCost, CopiesShareUntilAWrite) {
  auto original = test::MakePatternBitmap(16, 8, PixelFormat::RGB24bpp);
  auto clone = original->Clone();
  auto area = original->CloneArea(0, 0, 16, 8, PixelFormat::DontCare);
  ASSERT_TRUE(clone.Ok() && area.Ok());
  const PixelBuffer& own = std::as_const(*original).Pixels();
  EXPECT_TRUE(own.SameBytes(std::as_const(*clone.Value()).Pixels()));
  EXPECT_TRUE(own.SameBytes(std::as_const(*area.Value()).Pixels()));

  // Half turns that cancel stay shared, as do reads and saves.
  ASSERT_EQ(clone.Value()->RotateFlip(RotateFlipType::Rotate180FlipNone), Status::Ok);
  ASSERT_EQ(clone.Value()->RotateFlip(RotateFlipType::Rotate180FlipNone), Status::Ok);
  ASSERT_EQ(clone.Value()->RotateFlip(RotateFlipType::RotateNoneFlipY), Status::Ok);
  ASSERT_EQ(clone.Value()->RotateFlip(RotateFlipType::RotateNoneFlipY), Status::Ok);
  std::vector<uint8_t> bytes;
  ASSERT_EQ(clone.Value()->SaveToMemory(kPngEncoderClsid, {}, bytes), Status::Ok);
  EXPECT_TRUE(test::SamePixels(*clone.Value(), *original));
  EXPECT_TRUE(own.SameBytes(std::as_const(*clone.Value()).Pixels()));

  // A smaller area or another format is a copy of its own.
  auto part = original->CloneArea(1, 0, 15, 8, PixelFormat::DontCare);
  auto converted = original->CloneArea(0, 0, 16, 8, PixelFormat::ARGB32bpp);
  ASSERT_TRUE(part.Ok() && converted.Ok());
  EXPECT_FALSE(own.SameBytes(std::as_const(*part.Value()).Pixels()));
  EXPECT_FALSE(own.SameBytes(std::as_const(*converted.Value()).Pixels()));
}

TEST(SharedPixelsCost, PendingTurnOfASharedCopyIsAppliedToItsOwnPixels) {
  auto original = test::MakePatternBitmap(6, 5, PixelFormat::ARGB32bpp);
  auto expected = original->Clone();
  ASSERT_TRUE(expected.Ok());
  ASSERT_EQ(expected.Value()->PrepareWrite(), Status::Ok);  // turned on its own pixels
  ASSERT_EQ(expected.Value()->RotateFlip(RotateFlipType::Rotate180FlipX), Status::Ok);
  auto clone = original->Clone();
  ASSERT_TRUE(clone.Ok());
  ASSERT_EQ(clone.Value()->RotateFlip(RotateFlipType::Rotate180FlipX), Status::Ok);
  EXPECT_TRUE(test::SamePixels(*clone.Value(), *expected.Value()));
  EXPECT_FALSE(test::SamePixels(*clone.Value(), *original));
  EXPECT_EQ(test::PixelAt(*clone.Value(), 0, 4), test::PixelAt(*original, 0, 0));
}

TEST(SharedPixelsCost, CopiesKeepPropertyItems) {
  auto original = test::MakePatternBitmap(4, 4, PixelFormat::RGB24bpp);
  char title[] = "harbour";
  ASSERT_EQ(original->SetPropertyItem({kPropertyTagImageTitle, sizeof title, kPropertyTagTypeASCII, title}),
            Status::Ok);
  auto clone = original->Clone();
  auto area = original->CloneArea(0, 0, 4, 4, PixelFormat::DontCare);
  ASSERT_TRUE(clone.Ok() && area.Ok());
  for (const Bitmap* copy : {clone.Value().get(), area.Value().get()}) {
    ASSERT_EQ(copy->PropertyItems().size(), 1u);
    EXPECT_EQ(copy->PropertyItems()[0].value, std::vector<uint8_t>(title, title + sizeof title));
  }
  // Properties belong to each copy.
  ASSERT_EQ(clone.Value()->RemovePropertyItem(kPropertyTagImageTitle), Status::Ok);
  EXPECT_EQ(original->PropertyItems().size(), 1u);
}

TEST(PixelPool, FreedLargeBlocksAreReusedAndZeroedOnRequest) {
  DrainPixelPool();
  const uint32_t side = 2048;  // 16 MiB at 32 bits: a large block
  {
    auto first = PixelBuffer::Allocate(PixelFormat::ARGB32bpp, side, side, PixelBuffer::Init::Uninitialized);
    ASSERT_TRUE(first.Ok());
    std::memset(first.Value().Data(), 0xAB, first.Value().Layout().Bytes());
  }
  EXPECT_EQ(PixelPoolStatus().blocks, 1u);
  auto zeroed = PixelBuffer::Allocate(PixelFormat::ARGB32bpp, side, side, PixelBuffer::Init::Zero);
  ASSERT_TRUE(zeroed.Ok());
  EXPECT_EQ(PixelPoolStatus().blocks, 0u);
  const uint8_t* data = zeroed.Value().Data();
  const size_t bytes = zeroed.Value().Layout().Bytes();
  EXPECT_EQ(data[0], 0);
  EXPECT_EQ(data[bytes / 2], 0);
  EXPECT_EQ(data[bytes - 1], 0);
  // A much smaller request does not take a large pooled block.
  zeroed = PixelBuffer{};
  auto small = PixelBuffer::Allocate(PixelFormat::ARGB32bpp, side, side / 4, PixelBuffer::Init::Uninitialized);
  ASSERT_TRUE(small.Ok());
  EXPECT_EQ(PixelPoolStatus().blocks, 1u);
  DrainPixelPool();
  EXPECT_EQ(PixelPoolStatus().blocks, 0u);
}

}  // namespace
}  // namespace tavlen::gfx
