// The area-averaged reduction: every pixel is the rounded mean of its block, cut blocks at the far
// edges included, for every layout and for pictures large enough to be split across two threads.
#include "platform/graphics/area_average.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "tests/graphics/test_support.h"

namespace tavlen::gfx {
namespace {

// The bytes of a bitmap through a lock in `format`: the channels the reduction averages.
struct Channels {
  uint32_t width = 0, height = 0;
  size_t perPixel = 0;
  std::vector<uint8_t> bytes;
  uint8_t At(uint32_t x, uint32_t y, size_t c) const { return bytes[(size_t{y} * width + x) * perPixel + c]; }
};

Channels Read(Bitmap& bitmap, PixelFormat format) {
  Channels out{bitmap.Width(), bitmap.Height(), BitsPerPixel(format) / 8, {}};
  BitmapData data;
  EXPECT_EQ(bitmap.LockBits(nullptr, kImageLockModeRead, format, data), Status::Ok);
  for (uint32_t y = 0; y < data.height; ++y) {
    const auto* row = static_cast<const uint8_t*>(data.scan0) + ptrdiff_t{data.stride} * y;
    out.bytes.insert(out.bytes.end(), row, row + size_t{data.width} * out.perPixel);
  }
  EXPECT_EQ(bitmap.UnlockBits(data), Status::Ok);
  return out;
}

// Compares the reduction with means computed the plain way; 32bppRGB's fourth byte is never shown.
::testing::AssertionResult IsBlockMeans(Bitmap& picture, uint32_t level, Bitmap& reduced) {
  const PixelFormat format = reduced.Format();
  const Channels source =
      Read(picture, format == PixelFormat::RGB24bpp ? PixelFormat::RGB24bpp : PixelFormat::PARGB32bpp);
  const Channels result = Read(reduced, format);
  const uint32_t side = 1u << level;
  if (result.width != (source.width + side - 1) / side || result.height != (source.height + side - 1) / side)
    return ::testing::AssertionFailure() << "reduced to " << result.width << " x " << result.height;
  const size_t shown = format == PixelFormat::RGB32bpp ? 3 : result.perPixel;
  for (uint32_t y = 0; y < result.height; ++y) {
    for (uint32_t x = 0; x < result.width; ++x) {
      for (size_t c = 0; c < shown; ++c) {
        double sum = 0;
        int count = 0;
        for (uint32_t sy = y * side; sy < std::min(source.height, (y + 1) * side); ++sy) {
          for (uint32_t sx = x * side; sx < std::min(source.width, (x + 1) * side); ++sx, ++count)
            sum += source.At(sx, sy, c);
        }
        const auto mean = static_cast<int>(std::floor(sum / count + 0.5));
        if (result.At(x, y, c) != mean) {
          return ::testing::AssertionFailure() << "pixel (" << x << ", " << y << ") channel " << c << " is "
                                               << int(result.At(x, y, c)) << ", the block's mean " << mean;
        }
      }
    }
  }
  return ::testing::AssertionSuccess();
}

Bitmap::Ptr TranslucentIndexed(uint32_t width, uint32_t height) {
  Bitmap::Ptr picture = test::MakePatternBitmap(width, height, PixelFormat::Indexed8bpp, 4);
  Palette palette = picture->GetPalette();
  for (size_t i = 0; i < palette.entries.size(); ++i)
    palette.entries[i] = (palette.entries[i] & 0xFFFFFF) | static_cast<uint32_t>(i * 37 % 256) << 24;
  EXPECT_EQ(picture->SetPalette(palette), Status::Ok);
  return picture;
}

TEST(AreaAverage, EveryPixelIsTheRoundedMeanOfItsBlock) {
  const struct {
    PixelFormat format;
    PixelFormat reducedTo;
  } layouts[] = {
      {PixelFormat::RGB24bpp, PixelFormat::RGB24bpp},     {PixelFormat::RGB32bpp, PixelFormat::RGB32bpp},
      {PixelFormat::PARGB32bpp, PixelFormat::PARGB32bpp}, {PixelFormat::ARGB32bpp, PixelFormat::PARGB32bpp},
      {PixelFormat::Indexed8bpp, PixelFormat::RGB32bpp},  {PixelFormat::RGB565_16bpp, PixelFormat::RGB32bpp},
      {PixelFormat::ARGB64bpp, PixelFormat::PARGB32bpp},
  };
  // Whole blocks only, cut blocks on both far edges, a picture smaller than one block.
  const std::pair<uint32_t, uint32_t> sizes[] = {{64, 32}, {37, 23}, {5, 3}};
  for (const auto& layout : layouts) {
    for (const auto& [width, height] : sizes) {
      Bitmap::Ptr picture = test::MakePatternBitmap(width, height, layout.format, width);
      // Levels past 4 sum whole blocks in 32 bits: 5 still has whole blocks in the 64-wide picture.
      for (uint32_t level : {1u, 2u, 3u, 5u}) {
        SCOPED_TRACE("format " + std::to_string(static_cast<uint32_t>(layout.format)) + ", " + std::to_string(width) +
                     " x " + std::to_string(height) + ", level " + std::to_string(level));
        auto reduced = AverageDown(*picture, level);
        ASSERT_TRUE(reduced.Ok());
        EXPECT_EQ(reduced.Value()->Format(), layout.reducedTo);
        EXPECT_TRUE(IsBlockMeans(*picture, level, *reduced.Value()));
      }
    }
  }
}

TEST(AreaAverage, TranslucentColoursAreAveragedPremultiplied) {
  Bitmap::Ptr indexed = TranslucentIndexed(19, 13);
  EXPECT_EQ(AverageFormat(*indexed), PixelFormat::PARGB32bpp);
  auto reduced = AverageDown(*indexed, 2);
  ASSERT_TRUE(reduced.Ok());
  EXPECT_TRUE(IsBlockMeans(*indexed, 2, *reduced.Value()));

  // A clear red pixel beside an opaque blue one: half-covered blue, with no red bleeding in.
  auto pair = Bitmap::Create(2, 1, PixelFormat::ARGB32bpp);
  ASSERT_TRUE(pair.Ok());
  auto* row = reinterpret_cast<uint32_t*>(pair.Value()->Pixels().Row(0));
  row[0] = 0x00FF0000;
  row[1] = 0xFF0000FF;
  auto half = AverageDown(*pair.Value(), 1);
  ASSERT_TRUE(half.Ok());
  EXPECT_EQ(*reinterpret_cast<const uint32_t*>(half.Value()->Pixels().Row(0)), 0x80000080u);
}

TEST(AreaAverage, PicturesSplitAcrossTwoThreadsAverageAlike) {
  // Over the size at which a second thread takes half of the rows, with cut blocks on both edges.
  for (PixelFormat format : {PixelFormat::RGB24bpp, PixelFormat::ARGB32bpp}) {
    Bitmap::Ptr picture = test::MakePatternBitmap(1301, 1103, format, 9);
    for (uint32_t level : {1u, 2u}) {
      SCOPED_TRACE("level " + std::to_string(level));
      auto reduced = AverageDown(*picture, level);
      ASSERT_TRUE(reduced.Ok());
      EXPECT_TRUE(IsBlockMeans(*picture, level, *reduced.Value()));
    }
  }
}

TEST(AreaAverage, RefusesLevelsOutOfRangeAndLockedPictures) {
  Bitmap::Ptr picture = test::MakePatternBitmap(16, 16, PixelFormat::RGB24bpp);
  EXPECT_EQ(AverageDown(*picture, 0).GetStatus(), Status::InvalidParameter);
  EXPECT_EQ(AverageDown(*picture, kMaxAverageLevel + 1).GetStatus(), Status::InvalidParameter);
  EXPECT_TRUE(AverageDown(*picture, kMaxAverageLevel).Ok());
  BitmapData data;
  ASSERT_EQ(picture->LockBits(nullptr, kImageLockModeWrite, PixelFormat::RGB24bpp, data), Status::Ok);
  EXPECT_EQ(AverageDown(*picture, 1).GetStatus(), Status::WrongState);
  EXPECT_EQ(picture->UnlockBits(data), Status::Ok);
}

}  // namespace
}  // namespace tavlen::gfx
