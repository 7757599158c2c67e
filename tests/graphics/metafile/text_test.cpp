// Text output: weight, colour, alignment, advances and background, checked through the pixels it marks.
#include <gtest/gtest.h>

#include "platform/graphics/drawing/font.h"
#include "platform/graphics/metafile/charset.h"
#include "tests/graphics/metafile/metafile_writer.h"
#include "tests/graphics/metafile/render_util.h"

namespace tavlen::gfx {
namespace {

using test::kWhite;
using test::Rgb;

bool HaveLiberation() { return FontFamily::FromName("Liberation Sans").Ok(); }

struct Ink {
  int pixels = 0;
  int left = 1 << 30, top = 1 << 30, right = -1, bottom = -1;
};

// Pixels darker than mid-grey, and their bounds.
Ink InkOf(const PixelBuffer& px) {
  Ink ink;
  for (uint32_t y = 0; y < px.Height(); ++y) {
    for (uint32_t x = 0; x < px.Width(); ++x) {
      const uint32_t c = Rgb(px, x, y);
      if (((c >> 16) & 0xFF) + ((c >> 8) & 0xFF) + (c & 0xFF) >= 3 * 128) continue;
      ++ink.pixels;
      ink.left = std::min<int>(ink.left, x), ink.right = std::max<int>(ink.right, x);
      ink.top = std::min<int>(ink.top, y), ink.bottom = std::max<int>(ink.bottom, y);
    }
  }
  return ink;
}

std::vector<uint8_t> TextWmf(int16_t weight, uint16_t align, const std::vector<int16_t>& dx = {}) {
  test::WmfWriter w(300, 100);
  w.CreateFont(-40, weight, "Liberation Sans");
  w.Select(0);
  w.Record(0x012E, {static_cast<int16_t>(align)});
  const std::string text = "HHHH";
  std::vector<uint8_t> bytes(text.begin(), text.end());
  if (dx.empty()) {
    w.Record(0x0521, {static_cast<int16_t>(text.size()), 'H' | ('H' << 8), 'H' | ('H' << 8), 30, 20});
  } else {
    // Extended text: y, x, length, options, the string, then the advances.
    std::vector<uint8_t> tail = bytes;
    for (int16_t d : dx) {
      tail.push_back(static_cast<uint8_t>(d));
      tail.push_back(static_cast<uint8_t>(d >> 8));
    }
    w.Record(0x0A32, {30, 20, static_cast<int16_t>(text.size()), 0}, tail);
  }
  return w.Finish();
}

TEST(MetafileText, BoldFaceMarksMoreInkThanRegular) {
  if (!HaveLiberation()) GTEST_SKIP() << "fonts-liberation2 is not installed";
  const Ink regular = InkOf(test::PlayWmfOrFail(TextWmf(400, 0)));
  const Ink bold = InkOf(test::PlayWmfOrFail(TextWmf(700, 0)));
  ASSERT_GT(regular.pixels, 200);
  EXPECT_GT(bold.pixels, regular.pixels * 5 / 4);
  // Top-left alignment: the glyphs start right of and below the reference point (20, 30), an em high.
  for (const Ink& ink : {regular, bold}) {
    EXPECT_GE(ink.left, 20);
    EXPECT_LT(ink.left, 26);
    EXPECT_GE(ink.top, 30);
    EXPECT_LT(ink.top, 42);
    EXPECT_LT(ink.bottom, 30 + 40);
  }
}

TEST(MetafileText, BaselineAlignmentPutsGlyphsAboveTheReference) {
  if (!HaveLiberation()) GTEST_SKIP() << "fonts-liberation2 is not installed";
  const Ink ink = InkOf(test::PlayWmfOrFail(TextWmf(400, 24)));
  EXPECT_LE(ink.bottom, 30);
  EXPECT_GE(ink.bottom, 27);
  EXPECT_LT(ink.top, 10);
}

TEST(MetafileText, RightAlignmentEndsAtTheReference) {
  if (!HaveLiberation()) GTEST_SKIP() << "fonts-liberation2 is not installed";
  const Ink ink = InkOf(test::PlayWmfOrFail(TextWmf(400, 2)));
  // The text is cut at the left edge: it ends at x = 20.
  EXPECT_LE(ink.right, 20);
  EXPECT_GE(ink.right, 14);
}

TEST(MetafileText, AdvancesSpreadTheCharacters) {
  if (!HaveLiberation()) GTEST_SKIP() << "fonts-liberation2 is not installed";
  const Ink natural = InkOf(test::PlayWmfOrFail(TextWmf(400, 0, {29, 29, 29, 29})));
  const Ink spread = InkOf(test::PlayWmfOrFail(TextWmf(400, 0, {60, 60, 60, 60})));
  // Three extra advances of 31 pixels move the last glyph's right edge by 93.
  EXPECT_NEAR(spread.right - natural.right, 93, 2);
  EXPECT_EQ(spread.left, natural.left);
}

// Selects a new red Liberation Sans font of `height` logical units and writes "II" at (10, 10) with it.
void RedTextOfHeight(test::EmfWriter& e, int32_t height, uint32_t fontIndex) {
  e.Record(24, {0x0000FF});
  // Font: height, weights and flags, then the UTF-16 face name.
  test::ByteWriter font;
  for (int32_t v : {static_cast<int32_t>(fontIndex), height, 0, 0, 0, 400, 0, 0}) font.S32(v);
  for (char c : std::string("Liberation Sans")) font.U16(static_cast<uint16_t>(c));
  for (size_t i = 15; i < 32; ++i) font.U16(0);
  e.Record(82, {}, font.Data());
  e.Record(37, {static_cast<int32_t>(fontIndex)});
  // Wide text: bounds, graphics mode, scales, reference (10, 10), 2 characters at offset 76, no advances.
  test::ByteWriter text;
  for (int32_t v : {0, 0, 0, 0, 1}) text.S32(v);
  text.F32(1), text.F32(1);
  for (int32_t v : {10, 10, 2, 76, 0, 0, 0, 0, 0, 0}) text.S32(v);
  text.U16('I'), text.U16('I');
  e.Record(84, {}, text.Data());
}

TEST(MetafileText, TextColourAndOpaqueBackgroundAreDrawn) {
  if (!HaveLiberation()) GTEST_SKIP() << "fonts-liberation2 is not installed";
  test::EmfWriter e(200, 80);
  e.Record(25, {0x00FF00});  // green background, opaque by default
  RedTextOfHeight(e, -40, 1);
  const PixelBuffer px = test::PlayEmfOrFail(e.Finish());
  int red = 0, green = 0;
  for (uint32_t y = 0; y < px.Height(); ++y) {
    for (uint32_t x = 0; x < px.Width(); ++x) {
      red += Rgb(px, x, y) == 0xFF0000u;
      green += Rgb(px, x, y) == 0x00FF00u;
    }
  }
  EXPECT_GT(red, 50);
  EXPECT_GT(green, 100);
  EXPECT_EQ(Rgb(px, 5, 5), kWhite);
  EXPECT_EQ(Rgb(px, 150, 70), kWhite);
}

// Beyond 65,535 pixels an em FreeType makes no glyph (and the failed font was never freed, which the
// sanitizer build reports): such text is left out, and text after it is drawn as usual.
TEST(MetafileText, TextTooLargeForAnyGlyphIsLeftOut) {
  if (!HaveLiberation()) GTEST_SKIP() << "fonts-liberation2 is not installed";
  test::EmfWriter e(200, 80);
  e.Record(18, {1});  // transparent background
  RedTextOfHeight(e, -70000, 1);
  const PixelBuffer huge = test::PlayEmfOrFail(e.Finish());
  for (uint32_t y = 0; y < huge.Height(); ++y) {
    for (uint32_t x = 0; x < huge.Width(); ++x) ASSERT_EQ(Rgb(huge, x, y), kWhite) << x << "," << y;
  }
  test::EmfWriter both(200, 80);
  both.Record(18, {1});
  RedTextOfHeight(both, -70000, 1);
  RedTextOfHeight(both, -40, 2);
  const PixelBuffer px = test::PlayEmfOrFail(both.Finish());
  int red = 0;
  for (uint32_t y = 0; y < px.Height(); ++y) {
    for (uint32_t x = 0; x < px.Width(); ++x) red += Rgb(px, x, y) == 0xFF0000u;
  }
  EXPECT_GT(red, 50);
}

TEST(MetafileText, AnsiTextFollowsTheCharacterSet) {
  std::u32string chars;
  std::vector<uint32_t> units;
  const std::vector<uint8_t> greek = {'a', 0xE1};
  metafile::DecodeAnsi(greek, 161, chars, units);
  EXPECT_EQ(chars, (std::u32string{U'a', U'\u03B1'}));
  const std::vector<uint8_t> symbol = {'p', 0xA5};
  metafile::DecodeAnsi(symbol, 2, chars, units);
  EXPECT_EQ(chars, (std::u32string{U'\u03C0', U'\u221E'}));
  const std::vector<uint8_t> shiftJis = {0x82, 0xA0, 'x'};  // hiragana a, then x
  metafile::DecodeAnsi(shiftJis, 128, chars, units);
  EXPECT_EQ(chars, (std::u32string{U'\u3042', U'x'}));
  EXPECT_EQ(units, (std::vector<uint32_t>{2, 1}));
  // A font named Symbol draws symbols even when it asks for the default character set.
  EXPECT_EQ(metafile::TextCharSet(1, "SYMBOL"), 2);
  EXPECT_EQ(metafile::TextCharSet(0, "Arial"), 0);
}

// "HHHHHH" at 270 degrees from (100, 100) on a 200x200 picture, its logical y axis pointing down or up.
Ink RotatedText(bool yUp) {
  test::WmfWriter w(200, 200);
  if (yUp) {
    w.Record(0x020B, {200, 0});     // window origin (0, 200)
    w.Record(0x020C, {-200, 200});  // window extent (200, -200)
  }
  std::vector<uint8_t> tail = {0, 0, 0, 0, 0, 0, 0, 0};
  for (char c : std::string("Liberation Sans")) tail.push_back(static_cast<uint8_t>(c));
  tail.push_back(0);
  w.Record(0x02FB, {-20, 0, 2700, 2700, 400}, tail);
  w.Select(0);
  w.Record(0x0521, {6, 'H' | ('H' << 8), 'H' | ('H' << 8), 'H' | ('H' << 8), 100, 100});
  return InkOf(test::PlayWmfOrFail(w.Finish()));
}

TEST(MetafileText, EscapementTurnsWithTheLogicalYAxis) {
  if (!HaveLiberation()) GTEST_SKIP() << "fonts-liberation2 is not installed";
  // With y down the line runs down the page from its reference point; with y up (a chart's axis label) it runs up.
  const Ink down = RotatedText(false), up = RotatedText(true);
  ASSERT_GT(down.pixels, 100);
  ASSERT_GT(up.pixels, 100);
  EXPECT_GE(down.top, 98);
  EXPECT_GT(down.bottom, 150);
  EXPECT_LE(up.bottom, 102);
  EXPECT_LT(up.top, 50);
  // Both are vertical lines an em wide, with upright glyphs beside the reference point.
  for (const Ink& ink : {down, up}) EXPECT_LT(ink.right - ink.left, 22);
  EXPECT_LT(down.right, 100);
  EXPECT_GE(up.left, 100);
}

TEST(MetafileText, SymbolFontDrawsItsSignsNotTheFacesOwnCodes) {
  // A multiplication sign (0xB4) in a font named Symbol of the default set: a cross as tall as it is wide, not the
  // dot operator a face with only a symbol character map holds at the sign's Unicode code.
  test::WmfWriter w(200, 100);
  std::vector<uint8_t> tail = {0, 0, 0, 1, 0, 0, 0, 0};
  for (char c : std::string("Symbol")) tail.push_back(static_cast<uint8_t>(c));
  tail.push_back(0);
  w.Record(0x02FB, {-80, 0, 0, 0, 400}, tail);
  w.Select(0);
  w.Record(0x0A32, {10, 10, 1, 0, 0xB4});
  const Ink ink = InkOf(test::PlayWmfOrFail(w.Finish()));
  ASSERT_GT(ink.pixels, 20);
  EXPECT_GT(ink.bottom - ink.top, 20);
  EXPECT_NEAR(ink.bottom - ink.top, ink.right - ink.left, 6);
}

}  // namespace
}  // namespace tavlen::gfx
