// Glyph-index text: drawn from the selected font's face at the record's advances, like the same characters.
#include <gtest/gtest.h>
#include <pango/pangocairo.h>

#include "platform/graphics/drawing/font.h"
#include "tests/graphics/metafile/metafile_writer.h"
#include "tests/graphics/metafile/render_util.h"

namespace tavlen::gfx {
namespace {

using test::kWhite;
using test::Rgb;

constexpr uint32_t kGlyphIndexOption = 0x10;

// The glyph indexes of `text` in the installed family, through the same font machinery the player uses.
std::vector<uint16_t> GlyphIndexes(const char* family, const std::string& text) {
  std::vector<uint16_t> out;
  PangoFontMap* map = pango_cairo_font_map_get_default();
  PangoContext* context = pango_font_map_create_context(map);
  PangoFontDescription* desc = pango_font_description_from_string(family);
  pango_font_description_set_absolute_size(desc, 40 * PANGO_SCALE);
  PangoFont* font = pango_context_load_font(context, desc);
  if (font) {
    cairo_scaled_font_t* scaled = pango_cairo_font_get_scaled_font(PANGO_CAIRO_FONT(font));
    cairo_glyph_t* glyphs = nullptr;
    int count = 0;
    if (cairo_scaled_font_text_to_glyphs(scaled, 0, 0, text.c_str(), static_cast<int>(text.size()), &glyphs, &count,
                                         nullptr, nullptr, nullptr) == CAIRO_STATUS_SUCCESS) {
      for (int i = 0; i < count; ++i) out.push_back(static_cast<uint16_t>(glyphs[i].index));
      cairo_glyph_free(glyphs);
    }
    g_object_unref(font);
  }
  pango_font_description_free(desc);
  g_object_unref(context);
  return out;
}

void Font(test::EmfWriter& e, const std::string& face) {
  test::ByteWriter font;
  for (int32_t v : {1, -40, 0, 0, 0, 400, 0, 0}) font.S32(v);
  for (char c : face) font.U16(static_cast<uint16_t>(c));
  for (size_t i = face.size(); i < 32; ++i) font.U16(0);
  e.Record(82, {}, font.Data());
  e.Record(37, {1});
}

// EXTTEXTOUTW at (x, y): the 16-bit units (characters or glyph indexes) at offset 76, each advancing 30 units.
void Text(test::EmfWriter& e, int32_t x, int32_t y, const std::vector<uint16_t>& units, uint32_t options) {
  const int32_t n = static_cast<int32_t>(units.size());
  const int32_t offDx = 76 + ((2 * n + 3) & ~3);
  test::ByteWriter t;
  for (int32_t v : {0, 0, 0, 0, 1}) t.S32(v);
  t.F32(1), t.F32(1);
  for (int32_t v : {x, y, n, 76, static_cast<int32_t>(options), 0, 0, 0, 0, offDx}) t.S32(v);
  for (uint16_t u : units) t.U16(u);
  if (n % 2) t.U16(0);
  for (int32_t i = 0; i < n; ++i) t.S32(30);
  e.Record(84, {}, t.Data());
}

int InkIn(const PixelBuffer& px, uint32_t top, uint32_t bottom) {
  int ink = 0;
  for (uint32_t y = top; y < bottom; ++y)
    for (uint32_t x = 0; x < px.Width(); ++x) ink += Rgb(px, x, y) != kWhite;
  return ink;
}

// The 70-row band drawn by characters must have ink, and the band below it must nearly repeat it.
void ExpectSecondBandRepeatsTheFirst(const PixelBuffer& px) {
  int ink = 0, differ = 0;
  for (uint32_t y = 0; y < 70; ++y) {
    for (uint32_t x = 0; x < px.Width(); ++x) {
      ink += Rgb(px, x, y) != kWhite;
      differ += Rgb(px, x, y) != Rgb(px, x, y + 70);
    }
  }
  EXPECT_GT(ink, 300);
  EXPECT_LT(differ, ink / 20);
}

TEST(MetafileGlyphText, GlyphIndexesDrawLikeTheirCharacters) {
  if (!FontFamily::FromName("Liberation Sans").Ok()) GTEST_SKIP() << "fonts-liberation2 is not installed";
  const std::vector<uint16_t> glyphs = GlyphIndexes("Liberation Sans", "HxH");
  ASSERT_EQ(glyphs.size(), 3u);
  ASSERT_NE(glyphs[0], 'H');  // the test means something only when indexes differ from characters
  test::EmfWriter e(140, 140);
  Font(e, "Liberation Sans");
  Text(e, 10, 10, {'H', 'x', 'H'}, 0);
  Text(e, 10, 80, glyphs, kGlyphIndexOption);
  const PixelBuffer px = test::PlayEmfOrFail(e.Finish());
  ExpectSecondBandRepeatsTheFirst(px);
}

TEST(MetafileGlyphText, StandInFontDrawsOnlyTheGlyphsItShares) {
  // The writer's face is not installed. Its printable ASCII glyphs follow the standard Macintosh order (character
  // code less 29), as do the stand-in's; other indexes would pick unrelated glyphs of the stand-in.
  test::EmfWriter e(140, 210);
  Font(e, "No Such Face Here");
  Text(e, 10, 10, {'H', 'x', 'H'}, 0);
  Text(e, 10, 80, {'H' - 29, 'x' - 29, 'H' - 29}, kGlyphIndexOption);
  Text(e, 10, 150, {675, 674, 673}, kGlyphIndexOption);
  const PixelBuffer px = test::PlayEmfOrFail(e.Finish());
  ExpectSecondBandRepeatsTheFirst(px);
  EXPECT_EQ(InkIn(px, 140, 210), 0);
}

TEST(MetafileGlyphText, IndexesPastTheFaceKeepLaterDrawingIntact) {
  if (!FontFamily::FromName("Liberation Sans").Ok()) GTEST_SKIP() << "fonts-liberation2 is not installed";
  test::EmfWriter e(140, 80);
  Font(e, "Liberation Sans");
  Text(e, 10, 10, {0xFFF0, 0xFFF1}, kGlyphIndexOption);
  e.Record(37, {static_cast<int32_t>(0x80000004u)});  // black brush
  e.Record(43, {100, 50, 120, 70});
  const PixelBuffer px = test::PlayEmfOrFail(e.Finish());
  EXPECT_EQ(InkIn(px, 0, 45), 0);
  EXPECT_EQ(Rgb(px, 110, 60), 0u);
}

}  // namespace
}  // namespace tavlen::gfx
