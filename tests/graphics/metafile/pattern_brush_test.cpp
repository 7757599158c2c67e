// Pattern brushes of both formats: monochrome brushes of the bitmap kind in the text and background colours, DIB
// brushes in their own colours, colour patterns tiled.
#include <gtest/gtest.h>

#include "tests/graphics/metafile/metafile_writer.h"
#include "tests/graphics/metafile/render_util.h"

namespace tavlen::gfx {
namespace {

using test::kWhite;
using test::Rgb;

constexpr uint32_t kRedRef = 0x0000FF, kBlueRef = 0xFF0000;  // colour references are 0x00BBGGRR
constexpr uint32_t kRed = 0xFF0000, kBlue = 0x0000FF;
constexpr uint32_t kGreen = 0x00FF00, kYellow = 0xFFFF00;  // MonoDib's colour table
constexpr int32_t kNullPen = static_cast<int32_t>(0x80000008u);

// An 8x8 1-bit DIB whose left four columns are 0 bits and right four are 1 bits. `table` adds a colour
// table of two RGB quads (green, then yellow), which a monochrome brush of the bitmap kind must ignore.
std::vector<uint8_t> MonoDib(bool table, size_t* headerBytes = nullptr) {
  test::ByteWriter b;
  for (uint32_t v : {40u, 8u, 8u}) b.U32(v);
  b.U16(1);
  b.U16(1);
  for (int i = 0; i < 6; ++i) b.U32(0);
  if (table) {
    b.U32(0x0000FF00);
    b.U32(0x00FFFF00);
  }
  if (headerBytes) *headerBytes = b.Data().size();
  for (int row = 0; row < 8; ++row) b.U32(0x0F);  // 0000 1111, padded to four bytes
  return b.Data();
}

// A brush record of the DIB kinds: index, usage, offsets and sizes of the info and the bits, then the DIB.
void EmfPatternBrush(test::EmfWriter& e, uint32_t type, uint32_t usage, const std::vector<uint8_t>& dib,
                     size_t headerBytes) {
  const int32_t offBmi = 32, cbBmi = static_cast<int32_t>(headerBytes);
  e.Record(type,
           {1, static_cast<int32_t>(usage), offBmi, cbBmi, offBmi + cbBmi, static_cast<int32_t>(dib.size()) - cbBmi},
           dib);
}

// A 32x16 rectangle filled with brush 1 and no outline, in the given colours and background mode.
PixelBuffer EmfPatternFill(uint32_t type, uint32_t usage, bool table, int32_t bkMode) {
  size_t header = 0;
  const std::vector<uint8_t> dib = MonoDib(table, &header);
  test::EmfWriter e(40, 20);
  EmfPatternBrush(e, type, usage, dib, header);
  e.Record(24, {kRedRef});
  e.Record(25, {kBlueRef});
  e.Record(18, {bkMode});
  e.Record(37, {kNullPen});
  e.Record(37, {1});
  e.Record(43, {0, 0, 33, 17});
  return test::PlayEmfOrFail(e.Finish());
}

void ExpectStripes(const PixelBuffer& px, uint32_t zeroBits, uint32_t oneBits) {
  for (uint32_t y = 0; y < 16; ++y) {
    for (uint32_t x = 0; x < 32; ++x) {
      ASSERT_EQ(Rgb(px, x, y), (x % 8) < 4 ? zeroBits : oneBits) << x << "," << y;
    }
  }
}

TEST(MetafilePatternBrushes, EmfMonoBrushWithoutColourTableTakesTextAndBackgroundColours) {
  // The palette-index form of a monochrome brush carries only the info header.
  ExpectStripes(EmfPatternFill(93, 1, false, 2), kRed, kBlue);
}

TEST(MetafilePatternBrushes, EmfMonoBrushWithRgbTableStillTakesTheDcColours) {
  ExpectStripes(EmfPatternFill(93, 0, true, 2), kRed, kBlue);
}

TEST(MetafilePatternBrushes, EmfOneBitDibPatternTakesItsColourTableInEitherBackgroundMode) {
  ExpectStripes(EmfPatternFill(94, 0, true, 2), kGreen, kYellow);
  ExpectStripes(EmfPatternFill(94, 0, true, 1), kGreen, kYellow);
}

TEST(MetafilePatternBrushes, TransparentBackgroundLeavesTheOneBitsUnpainted) {
  ExpectStripes(EmfPatternFill(93, 1, false, 1), kRed, kWhite);
}

TEST(MetafilePatternBrushes, EmfColourPatternTilesFromTheBrushOrigin) {
  // A 4x4 24-bit pattern with one distinct pixel per place, tiled from the brush origin (2, 1).
  auto colour = [](int x, int y) { return static_cast<uint32_t>(0x0F0F0F * (4 * y + x + 1)); };
  std::vector<uint8_t> bits;
  std::vector<uint8_t> dib = test::Dib24(4, 4, colour, &bits);
  const size_t header = dib.size();
  dib.insert(dib.end(), bits.begin(), bits.end());
  test::EmfWriter e(20, 20);
  EmfPatternBrush(e, 94, 0, dib, header);
  e.Record(13, {2, 1});
  e.Record(37, {kNullPen});
  e.Record(37, {1});
  e.Record(43, {0, 0, 17, 17});
  const PixelBuffer px = test::PlayEmfOrFail(e.Finish());
  for (uint32_t y = 0; y < 16; ++y) {
    for (uint32_t x = 0; x < 16; ++x) {
      ASSERT_EQ(Rgb(px, x, y), colour(static_cast<int>((x + 2) % 4), static_cast<int>((y + 3) % 4))) << x << "," << y;
    }
  }
}

// WMF: a null pen in slot 0, the brush a record of `function` makes in slot 1, colours, and a 32x16 rectangle.
PixelBuffer WmfFill(uint16_t function, const std::vector<int16_t>& words, const std::vector<uint8_t>& pattern) {
  test::WmfWriter w(40, 20);
  w.CreatePen(5, 0, 0);
  w.Select(0);
  w.Record(function, words, pattern);
  w.Select(1);
  w.Record(0x0209, {static_cast<int16_t>(kRedRef), 0});
  w.Record(0x0201, {0, static_cast<int16_t>(kBlueRef >> 16)});
  w.Record(0x041B, {17, 33, 0, 0});
  return test::PlayWmfOrFail(w.Finish());
}

PixelBuffer WmfPatternFill(int16_t style, const std::vector<uint8_t>& pattern) {
  return WmfFill(0x0142, {style, 0}, pattern);
}

// An old-style 8x8 1-bit bitmap (type, width, height, bytes per row, planes, bits per pixel) with `rows` of its
// top-down rows of two bytes (0000 1111, pad), and `gap` bytes between header and bits.
std::vector<uint8_t> Bitmap16Stripes(int rows, int gap = 0) {
  test::ByteWriter b;
  for (int16_t v : {0, 8, 8, 2}) b.S16(v);
  b.U8(1);
  b.U8(1);
  for (int i = 0; i < gap; ++i) b.U8(0);
  for (int row = 0; row < rows; ++row) b.U16(0x0F);
  return b.Data();
}

TEST(MetafilePatternBrushes, WmfOneBitDibPatternBrushTakesItsColourTable) {
  ExpectStripes(WmfPatternFill(5, MonoDib(true)), kGreen, kYellow);
  // A light pattern (white 0 bits, black 1 bits) stays light.
  test::ByteWriter dib;
  for (uint32_t v : {40u, 8u, 8u}) dib.U32(v);
  dib.U16(1);
  dib.U16(1);
  for (int i = 0; i < 6; ++i) dib.U32(0);
  dib.U32(0x00FFFFFF);
  dib.U32(0);
  for (int row = 0; row < 8; ++row) dib.U32(0x0F);
  ExpectStripes(WmfPatternFill(6, dib.Data()), kWhite, 0);
}

TEST(MetafilePatternBrushes, EmfDibPatternOfPaletteIndexesTakesThePalettesColours) {
  // A palette of (cyan, magenta) selected first; the brush's table holds indexes 1 and 0.
  size_t header = 0;
  std::vector<uint8_t> dib = MonoDib(false, &header);
  const std::vector<uint8_t> indexes = {1, 0, 0, 0};
  dib.insert(dib.begin() + static_cast<std::ptrdiff_t>(header), indexes.begin(), indexes.end());
  header += indexes.size();
  test::EmfWriter e(40, 20);
  e.Record(49, {2, 0x02000300, 0x00FFFF00, 0x00FF00FF});  // palette 2: version, two entries (R, G, B, flags)
  e.Record(48, {2});
  EmfPatternBrush(e, 94, 1, dib, header);
  e.Record(37, {kNullPen});
  e.Record(37, {1});
  e.Record(43, {0, 0, 33, 17});
  ExpectStripes(test::PlayEmfOrFail(e.Finish()), 0xFF00FF, 0x00FFFF);
}

TEST(MetafilePatternBrushes, WmfPatternStyleWithADibTakesTheDcColours) {
  // The pattern style with a DIB (its colour table ignored), as writers store a brush made from a bitmap.
  ExpectStripes(WmfPatternFill(3, MonoDib(true)), kRed, kBlue);
}

TEST(MetafilePatternBrushes, WmfBitmap16PatternBrushTakesTheDcColours) {
  ExpectStripes(WmfPatternFill(3, Bitmap16Stripes(8)), kRed, kBlue);
}

TEST(MetafilePatternBrushes, WmfOldPatternBrushTakesTheDcColours) {
  // META_CREATEPATTERNBRUSH: the bitmap's header, 18 reserved bytes, then its bits.
  ExpectStripes(WmfFill(0x01F9, {}, Bitmap16Stripes(8, 18)), kRed, kBlue);
}

TEST(MetafilePatternBrushes, WmfPatternCutShortKeepsItsRowsAndPaintsTheRestInTheTextColour) {
  // Eight rows announced, four present: the missing rows read as 0 bits.
  const PixelBuffer px = WmfPatternFill(3, Bitmap16Stripes(4));
  for (uint32_t y = 0; y < 16; ++y) {
    for (uint32_t x = 0; x < 32; ++x) {
      const bool striped = y % 8 < 4;
      ASSERT_EQ(Rgb(px, x, y), striped && x % 8 >= 4 ? kBlue : kRed) << x << "," << y;
    }
  }
}

}  // namespace
}  // namespace tavlen::gfx
