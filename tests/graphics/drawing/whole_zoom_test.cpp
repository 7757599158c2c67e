// Whole-factor nearest zoom: the same pixels as the resampler's nearest filter, and what a draw shows.
#include "platform/graphics/drawing/whole_zoom.h"

#include <gtest/gtest.h>

#include <cstring>

#include "platform/graphics/drawing/graphics.h"
#include "tests/graphics/drawing/drawing_test_util.h"
#include "tests/graphics/pixel_expect.h"
#include "tests/graphics/test_support.h"

namespace tavlen::gfx {
namespace {

using detail::WholeZoom;
using detail::WholeZoomOf;

TEST(WholeZoom, RecognisesOnlyWholeEnlargementsFromAWholeStart) {
  const auto factors = WholeZoomOf(ResampleGeometry{2, 5, 7, 3, 28, 6, 0, 0});
  ASSERT_TRUE(factors.has_value());
  EXPECT_EQ(factors->x, 4u);
  EXPECT_EQ(factors->y, 2u);
  EXPECT_TRUE(WholeZoomOf(ResampleGeometry{0, 0, 7, 3, 7, 3, 0, 0}).has_value());
  EXPECT_FALSE(WholeZoomOf(ResampleGeometry{0, 0, 7, 3, 21, 4, 0, 0}).has_value());       // 4/3 down
  EXPECT_FALSE(WholeZoomOf(ResampleGeometry{0, 0, 8, 8, 4, 16, 0, 0}).has_value());       // a shrink
  EXPECT_FALSE(WholeZoomOf(ResampleGeometry{0.5, 0, 7, 3, 14, 6, 0, 0}).has_value());     // half a pixel in
  EXPECT_FALSE(WholeZoomOf(ResampleGeometry{0, 0, 3, 3, 10, 6, 0, 0}).has_value());       // 10/3 across
  EXPECT_FALSE(WholeZoomOf(ResampleGeometry{0, 0, 1, 1, 1 << 20, 2, 0, 0}).has_value());  // past the factor cap
}

// Every window of the virtual destination, at each edge and inside, against the general path.
TEST(WholeZoom, GivesTheResamplersNearestPixelsForEveryWindow) {
  // PARGB sources may hold colours above their alpha, which the resampler clamps.
  for (PixelFormat format :
       {PixelFormat::RGB24bpp, PixelFormat::RGB32bpp, PixelFormat::ARGB32bpp, PixelFormat::PARGB32bpp}) {
    auto picture = test::MakePatternBitmap(13, 9, format, 7);
    PixelBuffer& src = picture->Pixels();
    if (format == PixelFormat::PARGB32bpp) src.Row(4)[4 * 5] = 0xFF, src.Row(4)[4 * 5 + 3] = 0x10;
    for (WholeZoom zoom :
         {WholeZoom{2, 2}, WholeZoom{3, 3}, WholeZoom{4, 4}, WholeZoom{8, 8}, WholeZoom{1, 3}, WholeZoom{5, 2}}) {
      // The source span starts one pixel in and leaves one out on each side, as a band's view does.
      const ResampleGeometry whole{1, 2, 11, 6, 11.0 * zoom.x, 6.0 * zoom.y, 0, 0};
      ASSERT_TRUE(WholeZoomOf(whole).has_value());
      const int64_t destW = 11 * zoom.x, destH = 6 * zoom.y;
      for (int64_t wx : {int64_t{0}, int64_t{1}, destW / 2 - 1, destW - 5}) {
        for (int64_t wy : {int64_t{0}, int64_t{3}, destH - 3}) {
          const auto w = static_cast<uint32_t>(std::min<int64_t>(5, destW - wx));
          const auto h = static_cast<uint32_t>(std::min<int64_t>(7, destH - wy));
          ResampleGeometry g = whole;
          g.windowX = wx;
          g.windowY = wy;
          auto fast = PixelBuffer::Allocate(PixelFormat::PARGB32bpp, w, h, PixelBuffer::Init::Zero);
          auto general = PixelBuffer::Allocate(PixelFormat::PARGB32bpp, w, h, PixelBuffer::Init::Zero);
          ASSERT_EQ(detail::ZoomByWholeFactors(src.View(), g, zoom, fast.Value().View()), Status::Ok);
          ASSERT_EQ(Resample(src.View(), g, general.Value().View(), ResampleFilter::Nearest), Status::Ok);
          for (uint32_t y = 0; y < h; ++y)
            ASSERT_EQ(std::memcmp(fast.Value().Row(y), general.Value().Row(y), size_t{w} * 4), 0)
                << "format " << static_cast<int>(format) << " zoom " << zoom.x << "x" << zoom.y << " window " << wx
                << "," << wy << " row " << y;
        }
      }
    }
  }
}

// Through the painter: an opaque picture of any layout zoomed 3x, partly off the window and clipped
// at each edge in turn, shows each source pixel as a 3x3 block.
TEST(WholeZoom, NearestDrawsRepeatEachPixelWhateverTheFormatAndClip) {
  for (PixelFormat format : {PixelFormat::RGB24bpp, PixelFormat::RGB32bpp, PixelFormat::ARGB32bpp,
                             PixelFormat::Indexed8bpp, PixelFormat::Indexed4bpp}) {
    auto picture = test::MakePatternBitmap(17, 12, format, 3);
    if (format == PixelFormat::ARGB32bpp)
      for (uint32_t y = 0; y < 12; ++y)
        for (uint32_t x = 0; x < 17; ++x) picture->Pixels().Row(y)[4 * x + 3] = 0xFF;
    const Rect dest{-5, -4, 51, 36};
    const test::PixelReader expected = [&picture](int32_t x, int32_t y) {
      return test::Px(*picture, static_cast<uint32_t>(x + 5) / 3, static_cast<uint32_t>(y + 4) / 3);
    };
    for (const Rect clip :
         {Rect{0, 0, 7, 30}, Rect{0, 0, 40, 6}, Rect{33, 0, 7, 30}, Rect{0, 25, 40, 5}, Rect{3, 2, 31, 23}}) {
      test::TestWindow win(40, 30, 0xFF808080, clip);
      auto g = win.Open();
      ASSERT_EQ(g->SetInterpolationMode(InterpolationMode::NearestNeighbor), Status::Ok);
      ASSERT_EQ(g->DrawImage(*picture, dest), Status::Ok);
      EXPECT_TRUE(test::PixelsEqual(test::PixelsOf(win.pixels, 40), expected, clip))
          << "format " << static_cast<int>(format) << " clip " << clip.x << "," << clip.y;
      EXPECT_TRUE(test::PixelsAreOutside(test::PixelsOf(win.pixels, 40), Rect{0, 0, 40, 30}, clip, 0xFF808080))
          << "format " << static_cast<int>(format);
    }
  }
}

}  // namespace
}  // namespace tavlen::gfx
