// Bitmap records and the DIB reader: stretching, source rectangles, bit depths, RLE and broken DIBs.
#include <gtest/gtest.h>

#include "platform/graphics/metafile/dib.h"
#include "tests/graphics/metafile/metafile_writer.h"
#include "tests/graphics/metafile/render_util.h"

namespace tavlen::gfx {
namespace {

using test::kWhite;
using test::Rgb;

uint32_t Checker(int x, int y) {
  return static_cast<uint32_t>((x * 32) << 16 | (y * 32) << 8 | ((x + y) & 1 ? 0xFF : 0));
}

TEST(MetafileBitmaps, WmfStretchedDibMakesFourByFourBlocks) {
  test::WmfWriter w(60, 60);
  // Raster operation, usage, source height, width, y, x, destination height, width, y, x, then the DIB.
  w.Record(0x0F43, {0x0020, 0x00CC, 0, 8, 8, 0, 0, 32, 32, 10, 10}, test::Dib24(8, 8, Checker));
  const PixelBuffer px = test::PlayWmfOrFail(w.Finish());
  for (int y = 0; y < 8; ++y) {
    for (int x = 0; x < 8; ++x) {
      for (int dy : {0, 3}) {
        for (int dx : {0, 3}) {
          ASSERT_EQ(Rgb(px, 10 + 4 * x + dx, 10 + 4 * y + dy), Checker(x, y)) << x << "," << y;
        }
      }
    }
  }
  EXPECT_EQ(Rgb(px, 9, 20), kWhite);
  EXPECT_EQ(Rgb(px, 42, 20), kWhite);
  EXPECT_EQ(Rgb(px, 20, 42), kWhite);
}

TEST(MetafileBitmaps, EmfStretchDibitsTakesTheSourceRectangleFromTheBottom) {
  std::vector<uint8_t> bits;
  const std::vector<uint8_t> info = test::Dib24(8, 8, Checker, &bits);
  test::EmfWriter e(40, 40);
  // Bounds, destination (4, 4), source (0, 0, 4, 4) counted from the bottom-left, DIB offsets, usage, SRCCOPY,
  // destination 16x16. Header and values take 80 bytes; the DIB follows.
  const int32_t offBmi = 80, offBits = offBmi + static_cast<int32_t>(info.size());
  std::vector<uint8_t> extra = info;
  extra.insert(extra.end(), bits.begin(), bits.end());
  e.Record(81,
           {0, 0, 40, 40, 4, 4, 0, 0, 4, 4, offBmi, static_cast<int32_t>(info.size()), offBits,
            static_cast<int32_t>(bits.size()), 0, 0x00CC0020, 16, 16},
           extra);
  const PixelBuffer px = test::PlayEmfOrFail(e.Finish());
  // The bottom-left 4x4 of the image (rows 4-7 from the top) is doubled.
  EXPECT_EQ(Rgb(px, 4, 4), Checker(0, 4));
  EXPECT_EQ(Rgb(px, 19, 19), Checker(3, 7));
  EXPECT_EQ(Rgb(px, 12, 9), Checker(2, 5));
  EXPECT_EQ(Rgb(px, 21, 21), kWhite);
}

TEST(MetafileBitmaps, SourceAndRasterOperationMixesWithTheDestination) {
  test::WmfWriter w(20, 20);
  w.CreateBrush(0, 0x00FFFF);  // yellow (red + green)
  w.Select(0);
  w.Record(0x041B, {20, 20, 0, 0});
  // SRCAND (0x008800C6) of a solid cyan DIB: yellow & cyan = green.
  w.Record(0x0F43, {static_cast<int16_t>(0x00C6), 0x0088, 0, 2, 2, 0, 0, 10, 10, 5, 5},
           test::Dib24(2, 2, [](int, int) { return 0x00FFFFu; }));
  const PixelBuffer px = test::PlayWmfOrFail(w.Finish());
  EXPECT_EQ(Rgb(px, 8, 8), 0x00FF00u);
  EXPECT_EQ(Rgb(px, 17, 17), 0xFFFF00u);
}

std::vector<uint8_t> InfoHeader(int32_t w, int32_t h, uint16_t bits, uint32_t compression, uint32_t colours) {
  test::ByteWriter b;
  b.U32(40);
  b.S32(w);
  b.S32(h);
  b.U16(1);
  b.U16(bits);
  b.U32(compression);
  for (int i = 0; i < 3; ++i) b.U32(0);
  b.U32(colours);
  b.U32(0);
  return b.Data();
}

TEST(MetafileDib, ReadsPalettedAndBitFieldPixels) {
  std::vector<uint8_t> info = InfoHeader(3, 1, 1, 0, 2);
  for (uint8_t c : {0x00, 0x00, 0xFF, 0x00, 0xFF, 0x00, 0x00, 0x00}) info.push_back(c);  // red, blue
  metafile::DibImage img;
  ASSERT_EQ(metafile::ReadDib(info, std::vector<uint8_t>{0b01000000, 0, 0, 0}, metafile::DibColors::Rgb, {},
                              kDefaultLimits, img),
            Status::Ok);
  EXPECT_EQ(img.pixels, (std::vector<uint32_t>{0xFFFF0000, 0xFF0000FF, 0xFFFF0000}));
  EXPECT_TRUE(img.monochrome);

  // 16 bits with 5-6-5 fields: pure green.
  std::vector<uint8_t> fields = InfoHeader(1, 1, 16, 3, 0);
  for (uint32_t mask : {0xF800u, 0x07E0u, 0x001Fu})
    for (int k = 0; k < 4; ++k) fields.push_back(static_cast<uint8_t>(mask >> (8 * k)));
  ASSERT_EQ(metafile::ReadDib(fields, std::vector<uint8_t>{0xE0, 0x07, 0, 0}, metafile::DibColors::Rgb, {},
                              kDefaultLimits, img),
            Status::Ok);
  EXPECT_EQ(img.pixels[0], 0xFF00FF00u);
}

TEST(MetafileDib, PaletteIndexesGoThroughTheSelectedPalette) {
  std::vector<uint8_t> info = InfoHeader(2, 1, 8, 0, 2);
  for (uint8_t c : {1, 0, 0, 0}) info.push_back(c);  // two 16-bit indexes: 1, 0
  const std::vector<metafile::ColorRef> palette = {0x0000FF, 0xFF0000};
  metafile::DibImage img;
  ASSERT_EQ(metafile::ReadDib(info, std::vector<uint8_t>{0, 1, 0, 0}, metafile::DibColors::Palette, palette,
                              kDefaultLimits, img),
            Status::Ok);
  EXPECT_EQ(img.pixels, (std::vector<uint32_t>{0xFF0000FF, 0xFFFF0000}));
}

TEST(MetafileDib, Rle8RunsAndDeltasLeaveGaps) {
  std::vector<uint8_t> info = InfoHeader(4, 2, 8, 1, 2);
  for (uint8_t c : {0, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0}) info.push_back(c);  // black, white
  // Bottom row: 3 white then end of line; top row: skip 1, then 1 black, end of bitmap.
  const std::vector<uint8_t> rle = {3, 1, 0, 0, 0, 2, 1, 0, 1, 0, 0, 1};
  metafile::DibImage img;
  ASSERT_EQ(metafile::ReadDib(info, rle, metafile::DibColors::Rgb, {}, kDefaultLimits, img), Status::Ok);
  EXPECT_EQ(img.alpha, metafile::DibAlpha::Gaps);
  EXPECT_EQ(img.pixels[4 + 0], 0xFFFFFFFFu);  // bottom row is the second in memory
  EXPECT_EQ(img.pixels[4 + 3], 0u);           // not written: transparent
  EXPECT_EQ(img.pixels[0], 0u);
  EXPECT_EQ(img.pixels[1], 0xFF000000u);
}

TEST(MetafileDib, RefusesTruncatedHugeAndUnknownImages) {
  metafile::DibImage img;
  img.width = 77;
  const std::vector<uint8_t> tooShort(10, 0);
  EXPECT_EQ(
      metafile::ReadDib(InfoHeader(100, 100, 24, 0, 0), tooShort, metafile::DibColors::Rgb, {}, kDefaultLimits, img),
      Status::InvalidParameter);
  EXPECT_EQ(metafile::ReadDib(InfoHeader(1 << 20, 1 << 20, 24, 0, 0), tooShort, metafile::DibColors::Rgb, {},
                              kDefaultLimits, img),
            Status::OutOfMemory);
  EXPECT_EQ(metafile::ReadDib(InfoHeader(4, 4, 24, 4, 0), tooShort, metafile::DibColors::Rgb, {}, kDefaultLimits, img),
            Status::NotImplemented);
  EXPECT_EQ(metafile::ReadDib(InfoHeader(0, 4, 24, 0, 0), tooShort, metafile::DibColors::Rgb, {}, kDefaultLimits, img),
            Status::InvalidParameter);
  EXPECT_EQ(img.width, 77u);  // untouched on failure
}

}  // namespace
}  // namespace tavlen::gfx
