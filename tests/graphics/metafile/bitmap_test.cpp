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

TEST(MetafileDib, ReadsTheHeadersTheBmpDecoderReads) {
  metafile::DibImage img;
  // Core header: u16 sizes, 3-byte colour entries.
  test::ByteWriter core;
  core.U32(12);
  core.U16(2);
  core.U16(1);
  core.U16(1);
  core.U16(1);
  for (uint8_t c : {0x00, 0x00, 0xFF, 0xFF, 0x00, 0x00}) core.U8(c);  // red, blue
  ASSERT_EQ(metafile::ReadDib(core.Data(), std::vector<uint8_t>{0b01000000, 0, 0, 0}, metafile::DibColors::Rgb, {},
                              kDefaultLimits, img),
            Status::Ok);
  EXPECT_EQ(img.pixels, (std::vector<uint32_t>{0xFFFF0000, 0xFF0000FF}));
  EXPECT_EQ(metafile::PackedDibHeaderBytes(core.Data(), metafile::DibColors::Rgb), 18u);

  // A v5 header (124 bytes) with an alpha mask among its bit fields: a top-down 32-bit image with alpha.
  std::vector<uint8_t> v5 = InfoHeader(1, -1, 32, 6, 0);
  v5[0] = 124;
  for (uint32_t mask : {0x0000FF00u, 0x00FF0000u, 0xFF000000u, 0x000000FFu})
    for (int k = 0; k < 4; ++k) v5.push_back(static_cast<uint8_t>(mask >> (8 * k)));
  v5.resize(124, 0);
  ASSERT_EQ(metafile::ReadDib(v5, std::vector<uint8_t>{0x80, 0x11, 0x22, 0x33}, metafile::DibColors::Rgb, {},
                              kDefaultLimits, img),
            Status::Ok);
  EXPECT_FALSE(img.bottomUp);
  EXPECT_EQ(img.alpha, metafile::DibAlpha::Alpha);
  EXPECT_EQ(img.pixels[0], 0x80112233u);  // red from byte 1, green from byte 2, blue from byte 3, alpha byte 0
}

TEST(MetafileDib, ATruncatedRleRunDrawsThePixelsItHas) {
  std::vector<uint8_t> info = InfoHeader(4, 1, 8, 1, 2);
  for (uint8_t c : {0, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0}) info.push_back(c);  // black, white
  // An absolute run of 4 pixels of which two bytes arrived: white, black.
  const std::vector<uint8_t> rle = {0, 4, 1, 0};
  metafile::DibImage img;
  ASSERT_EQ(metafile::ReadDib(info, rle, metafile::DibColors::Rgb, {}, kDefaultLimits, img), Status::Ok);
  EXPECT_EQ(img.pixels, (std::vector<uint32_t>{0xFFFFFFFF, 0xFF000000, 0, 0}));
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

uint32_t Checker10(int x, int y) {
  return static_cast<uint32_t>((x * 25) << 16 | (y * 25) << 8 | ((x + y) & 1 ? 0xFF : 0));
}

// Every pixel of the 200x200 destination at (10, 10) shows the 10x10 checker stretched: blocks of 20x20.
void ExpectStretchedChecker(const PixelBuffer& px) {
  for (uint32_t y = 0; y < 200; ++y) {
    for (uint32_t x = 0; x < 200; ++x) {
      ASSERT_EQ(Rgb(px, 10 + x, 10 + y), Checker10(static_cast<int>(x / 20), static_cast<int>(y / 20)))
          << x << "," << y;
    }
  }
  EXPECT_EQ(Rgb(px, 9, 100), kWhite);
  EXPECT_EQ(Rgb(px, 210, 100), kWhite);
}

TEST(MetafileBitmaps, EmfBitBltOfASmallBitmapOverALargeAreaStretchesIt) {
  std::vector<uint8_t> bits;
  const std::vector<uint8_t> info = test::Dib24(10, 10, Checker10, &bits);
  std::vector<uint8_t> dib = info;
  dib.insert(dib.end(), bits.begin(), bits.end());
  test::EmfWriter e(220, 220);
  // Bounds, destination (10, 10) 200x200, SRCCOPY, source (0, 0), identity source transform, background colour,
  // usage, DIB offsets and sizes: 100 bytes, then the DIB.
  std::vector<int32_t> values = {0, 0, 219, 219, 10, 10, 200, 200, 0x00CC0020, 0, 0};
  for (float f : {1.f, 0.f, 0.f, 1.f, 0.f, 0.f}) {
    int32_t v;
    __builtin_memcpy(&v, &f, 4);
    values.push_back(v);
  }
  for (int32_t v : {0, 0, 100, static_cast<int32_t>(info.size()), 100 + static_cast<int32_t>(info.size()),
                    static_cast<int32_t>(bits.size())})
    values.push_back(v);
  e.Record(76, values, dib);
  ExpectStretchedChecker(test::PlayEmfOrFail(e.Finish()));
}

TEST(MetafileBitmaps, WmfDibBitBltOfASmallBitmapOverALargeAreaStretchesIt) {
  test::WmfWriter w(220, 220);
  // SRCCOPY, source (0, 0), destination 200x200 at (10, 10), then the DIB.
  w.Record(0x0940, {0x0020, 0x00CC, 0, 0, 200, 200, 10, 10}, test::Dib24(10, 10, Checker10));
  ExpectStretchedChecker(test::PlayWmfOrFail(w.Finish()));
}

TEST(MetafileBitmaps, SourcePartlyOutsideTheBitmapCopiesOnlyTheBitmapsPart) {
  // Source columns 6-15 of a 10-wide bitmap at one-to-one: columns 6-9 land, the rest is left alone.
  test::WmfWriter w(40, 40);
  w.Record(0x0940, {0x0020, 0x00CC, 0, 6, 10, 10, 5, 5}, test::Dib24(10, 10, Checker10));
  const PixelBuffer px = test::PlayWmfOrFail(w.Finish());
  for (uint32_t y = 0; y < 10; ++y) {
    for (uint32_t x = 0; x < 10; ++x) {
      ASSERT_EQ(Rgb(px, 5 + x, 5 + y), x < 4 ? Checker10(static_cast<int>(6 + x), static_cast<int>(y)) : kWhite)
          << x << "," << y;
    }
  }
}

// A META_STRETCHBLT of a 2x2 old-style bitmap of the given depth (rows of `rowBytes`) onto 20x20 at (x, 10).
void StretchBitmap16(test::WmfWriter& w, int16_t x, uint8_t bitsPerPixel, int16_t rowBytes,
                     const std::vector<uint8_t>& rows) {
  std::vector<uint8_t> bitmap = {0, 0, 2, 0, 2, 0, static_cast<uint8_t>(rowBytes), 0, 1, bitsPerPixel};
  bitmap.insert(bitmap.end(), rows.begin(), rows.end());
  w.Record(0x0B23, {0x0020, 0x00CC, 2, 2, 0, 0, 20, 20, 10, x}, bitmap);
}

TEST(MetafileBitmaps, OldBitmapsOfEveryDepthStretch) {
  test::WmfWriter w(140, 40);
  w.Record(0x0209, {0x00FF, 0x0000});                // text colour red: 0 bits of a monochrome bitmap
  w.Record(0x0201, {0x0000, 0x00FF});                // background blue: 1 bits
  StretchBitmap16(w, 0, 1, 2, {0x40, 0, 0x80, 0});   // 0 1 / 1 0
  StretchBitmap16(w, 20, 4, 2, {0x9C, 0, 0x0F, 0});  // standard 16 colours
  StretchBitmap16(w, 40, 8, 2, {0, 9, 250, 255});    // system palette
  StretchBitmap16(w, 60, 16, 4, {0x00, 0x7C, 0xE0, 0x03, 0x1F, 0x00, 0xFF, 0x7F});  // 5-5-5
  StretchBitmap16(w, 80, 24, 6, {0, 0, 0xFF, 0, 0xFF, 0, 0xFF, 0, 0, 0x80, 0x80, 0x80});
  StretchBitmap16(w, 100, 32, 8, {0, 0, 0xFF, 0, 0, 0xFF, 0, 0, 0xFF, 0, 0, 0, 0x80, 0x80, 0x80, 0});
  const PixelBuffer px = test::PlayWmfOrFail(w.Finish());
  const uint32_t expected[6][4] = {
      {0xFF0000, 0x0000FF, 0x0000FF, 0xFF0000}, {0xFF0000, 0x0000FF, 0x000000, 0xFFFFFF},
      {0x000000, 0xA6CAF0, 0x00FF00, 0xFFFFFF}, {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF},
      {0xFF0000, 0x00FF00, 0x0000FF, 0x808080}, {0xFF0000, 0x00FF00, 0x0000FF, 0x808080},
  };
  for (int k = 0; k < 6; ++k) {
    for (int q = 0; q < 4; ++q) {
      const uint32_t x = static_cast<uint32_t>(20 * k + (q % 2) * 10), y = static_cast<uint32_t>(10 + (q / 2) * 10);
      for (uint32_t dy = 0; dy < 10; ++dy)
        for (uint32_t dx = 0; dx < 10; ++dx) ASSERT_EQ(Rgb(px, x + dx, y + dy), expected[k][q]) << k << " " << q;
    }
  }
}

TEST(MetafileBitmaps, EveryBlitWithoutABitmapIsAPatternFill) {
  // PATCOPY with a solid green brush: BitBlt, StretchBlt and their DIB forms, each as short as its parameters.
  test::WmfWriter w(60, 20);
  w.CreateBrush(0, 0x00FF00);
  w.Select(0);
  w.Record(0x0922, {0x0021, 0x00F0, 0, 0, 0, 10, 10, 5, 0});
  w.Record(0x0B23, {0x0021, 0x00F0, 0, 0, 0, 0, 0, 10, 10, 5, 15});
  w.Record(0x0940, {0x0021, 0x00F0, 0, 0, 0, 10, 10, 5, 30});
  w.Record(0x0B41, {0x0021, 0x00F0, 0, 0, 0, 0, 0, 10, 10, 5, 45});
  const PixelBuffer px = test::PlayWmfOrFail(w.Finish());
  for (uint32_t x : {0u, 15u, 30u, 45u}) {
    EXPECT_EQ(Rgb(px, x + 1, 6), 0x00FF00u) << x;
    EXPECT_EQ(Rgb(px, x + 9, 14), 0x00FF00u) << x;
    EXPECT_EQ(Rgb(px, x + 11, 10), kWhite) << x;
  }
}

TEST(MetafileBitmaps, OldBitBltCopiesItsBitmapOneToOne) {
  // A 2x2 24-bit bitmap (rows top-down: red green / blue white) at (5, 5), no stretch.
  test::WmfWriter w(20, 20);
  std::vector<uint8_t> bitmap = {0, 0, 2, 0, 2, 0, 6, 0, 1, 24};
  for (uint8_t b : {0, 0, 0xFF, 0, 0xFF, 0, 0xFF, 0, 0, 0xFF, 0xFF, 0xFF}) bitmap.push_back(b);
  w.Record(0x0922, {0x0020, 0x00CC, 0, 0, 2, 2, 5, 5}, bitmap);
  const PixelBuffer px = test::PlayWmfOrFail(w.Finish());
  EXPECT_EQ(Rgb(px, 5, 5), 0xFF0000u);
  EXPECT_EQ(Rgb(px, 6, 5), 0x00FF00u);
  EXPECT_EQ(Rgb(px, 5, 6), 0x0000FFu);
  EXPECT_EQ(Rgb(px, 6, 6), 0xFFFFFFu);
  EXPECT_EQ(Rgb(px, 7, 7), kWhite);
}

TEST(MetafileBitmaps, OldBitmapCutShortDrawsTheRowsItHas) {
  // Two rows announced, one present: the missing row reads as zeros (black).
  test::WmfWriter w(40, 40);
  StretchBitmap16(w, 10, 24, 6, {0xFF, 0, 0, 0, 0xFF, 0});
  const PixelBuffer px = test::PlayWmfOrFail(w.Finish());
  EXPECT_EQ(Rgb(px, 12, 12), 0x0000FFu);
  EXPECT_EQ(Rgb(px, 25, 12), 0x00FF00u);
  EXPECT_EQ(Rgb(px, 12, 25), 0u);
}

}  // namespace
}  // namespace tavlen::gfx
