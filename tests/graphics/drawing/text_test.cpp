// Installed fonts, family lookup with aliases, and text drawn or outlined through pango.
#include <fontconfig/fontconfig.h>
#include <gtest/gtest.h>
#include <strings.h>

#include <algorithm>
#include <climits>
#include <cstring>

#include "platform/graphics/drawing/font.h"
#include "platform/graphics/drawing/graphics.h"
#include "tests/graphics/drawing/drawing_test_util.h"
#include "tests/graphics/pixel_expect.h"

namespace tavlen::gfx {
namespace {

using test::FilledBitmap;
using test::Px;

constexpr Argb kWhite = 0xFFFFFFFF;

bool HaveLiberation() { return FontFamily::FromName("Liberation Sans").Ok(); }

#define REQUIRE_LIBERATION() \
  if (!HaveLiberation()) GTEST_SKIP() << "fonts-liberation2 is not installed"

Font MakeFont(const char* family, float size, int32_t style = kFontStyleRegular) {
  auto f = FontFamily::FromName(family);
  EXPECT_TRUE(f.Ok()) << family;
  auto font = Font::Create(f.Value(), size, style, Unit::Pixel);
  EXPECT_TRUE(font.Ok());
  return font.Value();
}

// Bounds of the pixels that differ from white, and how many there are.
struct Ink {
  int x0 = INT_MAX, y0 = INT_MAX, x1 = -1, y1 = -1;
  int count = 0;
  bool Empty() const { return count == 0; }
};

Ink InkOf(const Bitmap& bitmap) {
  Ink ink;
  for (uint32_t y = 0; y < bitmap.Height(); ++y) {
    for (uint32_t x = 0; x < bitmap.Width(); ++x) {
      if (Px(bitmap, x, y) == kWhite) continue;
      ++ink.count;
      ink.x0 = std::min<int>(ink.x0, x);
      ink.y0 = std::min<int>(ink.y0, y);
      ink.x1 = std::max<int>(ink.x1, x);
      ink.y1 = std::max<int>(ink.y1, y);
    }
  }
  return ink;
}

Ink Draw(const char* text, const Font& font, RectF layout, const StringFormat* format, Argb color, uint32_t w = 240,
         uint32_t h = 120) {
  auto bitmap = FilledBitmap(w, h, PixelFormat::RGB24bpp, kWhite);
  auto g = Graphics::FromImage(*bitmap).Value();
  EXPECT_EQ(g->DrawString(text, font, layout, format, Brush::Solid(color)), Status::Ok);
  return InkOf(*bitmap);
}

TEST(FontFamily, UnknownNamesFail) {
  EXPECT_EQ(FontFamily::FromName("No Such Family Qzx").GetStatus(), Status::FontFamilyNotFound);
  EXPECT_EQ(FontFamily::FromName("").GetStatus(), Status::FontFamilyNotFound);
  EXPECT_EQ(FontFamily::FromName("sans-serif").GetStatus(), Status::FontFamilyNotFound);
}

TEST(FontFamily, LookupsFollowFontconfigsCurrentConfiguration) {
  REQUIRE_LIBERATION();
  EXPECT_TRUE(FontFamily::FromName("Arial").Ok());  // an alias, remembered with the installed names
  FcConfig* installed = FcConfigReference(nullptr);
  FcConfig* empty = FcConfigCreate();
  ASSERT_TRUE(FcConfigSetCurrent(empty));
  // A configuration without fonts, as after every font was removed: nothing remembered is found.
  EXPECT_EQ(FontFamily::FromName("Liberation Sans").GetStatus(), Status::FontFamilyNotFound);
  EXPECT_EQ(FontFamily::FromName("Arial").GetStatus(), Status::FontFamilyNotFound);
  EXPECT_EQ(InstalledFontCollection().Families().size(), 0u);
  ASSERT_TRUE(FcConfigSetCurrent(installed));
  FcConfigDestroy(empty);
  FcConfigDestroy(installed);
  EXPECT_TRUE(FontFamily::FromName("Liberation Sans").Ok());
  EXPECT_TRUE(FontFamily::FromName("Arial").Ok());
  EXPECT_GT(InstalledFontCollection().Families().size(), 0u);
}

TEST(FontFamily, InstalledNamesMatchWithoutRegardToCase) {
  REQUIRE_LIBERATION();
  auto f = FontFamily::FromName("liberation SANS");
  ASSERT_TRUE(f.Ok());
  EXPECT_EQ(f.Value().Name(), "Liberation Sans");
}

TEST(FontFamily, MetricCompatibleAliasesResolveToTheirFamilies) {
  REQUIRE_LIBERATION();
  const std::pair<const char*, const char*> aliases[] = {
      {"Arial", "Liberation Sans"}, {"times new roman", "Liberation Serif"}, {"Courier New", "Liberation Mono"}};
  for (auto [alias, family] : aliases) {
    auto f = FontFamily::FromName(alias);
    ASSERT_TRUE(f.Ok()) << alias;
    EXPECT_EQ(f.Value().Name(), family) << alias;
  }
}

TEST(InstalledFontCollection, ListsEachFamilyOnceInAStableSortedOrder) {
  InstalledFontCollection first;
  InstalledFontCollection second;
  if (first.FamilyCount() == 0) GTEST_SKIP() << "no fonts installed";
  ASSERT_EQ(first.Families(), second.Families());
  const auto& families = first.Families();
  for (size_t i = 1; i < families.size(); ++i) {
    EXPECT_LT(strcasecmp(families[i - 1].Name().c_str(), families[i].Name().c_str()), 0)
        << families[i - 1].Name() << " / " << families[i].Name();
  }
  for (const FontFamily& family : families) {
    auto again = FontFamily::FromName(family.Name());
    ASSERT_TRUE(again.Ok()) << family.Name();
    EXPECT_EQ(again.Value().Name(), family.Name());
  }
}

TEST(Font, RefusesNonsenseSizesAndStyles) {
  REQUIRE_LIBERATION();
  const FontFamily family = FontFamily::FromName("Liberation Sans").Value();
  EXPECT_EQ(Font::Create(family, 0, 0, Unit::Pixel).GetStatus(), Status::InvalidParameter);
  EXPECT_EQ(Font::Create(family, -3, 0, Unit::Pixel).GetStatus(), Status::InvalidParameter);
  EXPECT_EQ(Font::Create(family, 12, 16, Unit::Pixel).GetStatus(), Status::InvalidParameter);
  EXPECT_TRUE(Font::Create(family, 12, kFontStyleBold | kFontStyleUnderline, Unit::Pixel).Ok());
}

TEST(DrawString, TextLandsInsideItsBoxInTheBrushColour) {
  REQUIRE_LIBERATION();
  const Font font = MakeFont("Arial", 20);
  auto bitmap = FilledBitmap(240, 120, PixelFormat::RGB24bpp, kWhite);
  auto g = Graphics::FromImage(*bitmap).Value();
  ASSERT_EQ(g->DrawString("Hello", font, RectF{30, 40, 0, 0}, nullptr, Brush::Solid(0xFFFF0000)), Status::Ok);
  RectF box;
  ASSERT_EQ(g->MeasureString("Hello", font, RectF{30, 40, 0, 0}, nullptr, box), Status::Ok);
  const Ink ink = InkOf(*bitmap);
  ASSERT_FALSE(ink.Empty());
  EXPECT_GE(ink.x0, 30);
  EXPECT_GE(ink.y0, 40);
  EXPECT_LE(ink.x1, static_cast<int>(box.x + box.width));
  EXPECT_LE(ink.y1, static_cast<int>(box.y + box.height));
  EXPECT_GT(ink.x1 - ink.x0, 30);  // five glyphs of a 20-pixel font
  EXPECT_GT(ink.y1 - ink.y0, 10);
  const Rect inked{ink.x0, ink.y0, ink.x1 - ink.x0 + 1, ink.y1 - ink.y0 + 1};
  // Red over white only ever lowers green and blue, and both alike.
  EXPECT_TRUE(test::PixelsMatch(
      test::PixelsOf(*bitmap), inked, [](Argb c) { return RedOf(c) == 255 && GreenOf(c) == BlueOf(c); },
      "red over white"));
  EXPECT_GT(test::CountPixels(test::PixelsOf(*bitmap), inked, 0xFFFF0000), 20);
}

TEST(DrawString, DefaultFormatPadsTheFirstGlyphTypographicDoesNot) {
  REQUIRE_LIBERATION();
  const Font font = MakeFont("Liberation Sans", 36);
  const Ink typographic = Draw("H", font, {20, 10, 0, 0}, &StringFormat::GenericTypographic(), 0xFF000000);
  const Ink byDefault = Draw("H", font, {20, 10, 0, 0}, nullptr, 0xFF000000);
  ASSERT_FALSE(typographic.Empty());
  // "H" starts about 0.08 em after its origin; the default format adds 1/6 em (6 pixels) more.
  EXPECT_GE(typographic.x0, 20);
  EXPECT_LE(typographic.x0, 24);
  EXPECT_NEAR(byDefault.x0 - typographic.x0, 6, 1);
  EXPECT_EQ(byDefault.y0, typographic.y0);
}

TEST(DrawString, BoldDiffersFromRegular) {
  REQUIRE_LIBERATION();
  const Ink regular = Draw("Tavlen", MakeFont("Liberation Serif", 24), {5, 5, 0, 0}, nullptr, 0xFF000000);
  const Ink bold = Draw("Tavlen", MakeFont("Liberation Serif", 24, kFontStyleBold), {5, 5, 0, 0}, nullptr, 0xFF000000);
  EXPECT_GT(bold.count, regular.count * 11 / 10);
}

TEST(DrawString, TranslucentBrushBlendsWithWhatIsBelow) {
  REQUIRE_LIBERATION();
  auto bitmap = FilledBitmap(200, 80, PixelFormat::RGB24bpp, kWhite);
  auto g = Graphics::FromImage(*bitmap).Value();
  ASSERT_EQ(g->DrawString("MW", MakeFont("Liberation Sans", 48, kFontStyleBold), {4, 4, 0, 0}, nullptr,
                          Brush::Solid(0x99000000)),
            Status::Ok);
  int darkest = 255;
  for (uint32_t y = 0; y < 80; ++y)
    for (uint32_t x = 0; x < 200; ++x) darkest = std::min<int>(darkest, RedOf(Px(*bitmap, x, y)));
  EXPECT_NEAR(darkest, 255 - 153, 2);  // solid glyph interiors: 60 % black over white
}

TEST(DrawString, LineBreaksStartNewLines) {
  REQUIRE_LIBERATION();
  const Font font = MakeFont("Liberation Mono", 20);
  const Ink one = Draw("AB", font, {5, 5, 0, 0}, nullptr, 0xFF000000);
  const Ink two = Draw("AB\nAB", font, {5, 5, 0, 0}, nullptr, 0xFF000000);
  EXPECT_GT(two.y1 - two.y0, 2 * (one.y1 - one.y0));
  EXPECT_EQ(two.x1, one.x1);
  EXPECT_NEAR(two.count, 2 * one.count, one.count / 10);
}

TEST(DrawString, DefaultFormatClipsToABoundedLayoutBox) {
  REQUIRE_LIBERATION();
  const Ink ink = Draw("Clipped text", MakeFont("Liberation Sans", 30), {10, 10, 40, 15}, nullptr, 0xFF000000);
  ASSERT_FALSE(ink.Empty());
  EXPECT_GE(ink.x0, 10);
  EXPECT_LE(ink.x1, 49);
  EXPECT_LE(ink.y1, 24);
}

TEST(DrawString, StraightAlphaPixelsAroundTheTextKeepTheirBytes) {
  REQUIRE_LIBERATION();
  auto bitmap = FilledBitmap(120, 50, PixelFormat::ARGB32bpp, 0x00ABCDEF);
  auto before = bitmap->Pixels().Copy();
  auto g = Graphics::FromImage(*bitmap).Value();
  ASSERT_EQ(g->DrawString("ok", MakeFont("Liberation Sans", 20), {10, 10, 0, 0}, nullptr, Brush::Solid(0xFF000000)),
            Status::Ok);
  int changed = 0;
  for (uint32_t y = 0; y < 50; ++y) {
    const bool same = std::memcmp(bitmap->Pixels().Row(y), before.Value().Row(y), 120 * 4) == 0;
    if (y < 8 || y > 40) {
      EXPECT_TRUE(same) << y;
    }
    if (same) continue;
    for (uint32_t x = 0; x < 120; ++x)
      if (std::memcmp(bitmap->Pixels().Row(y) + 4 * x, before.Value().Row(y) + 4 * x, 4) != 0) {
        ++changed;
        EXPECT_GT(AlphaOf(Px(*bitmap, x, y)), 0);
        EXPECT_EQ(Px(*bitmap, x, y) & 0xFFFFFF, 0u);  // black ink over transparency stays black
      }
  }
  EXPECT_GT(changed, 20);
}

TEST(AddString, GlyphOutlinesFillWhereTheTextWouldBe) {
  REQUIRE_LIBERATION();
  const FontFamily family = FontFamily::FromName("Liberation Sans").Value();
  GraphicsPath path;
  ASSERT_EQ(path.AddString("IO", family, kFontStyleRegular, 40, {10, 20, 0, 0}, &StringFormat::GenericTypographic()),
            Status::Ok);
  ASSERT_GT(path.PointCount(), 8u);
  const RectF bounds = path.Bounds();
  EXPECT_GE(bounds.x, 10);
  EXPECT_LT(bounds.x, 16);
  EXPECT_GT(bounds.y, 20);
  EXPECT_GT(bounds.width, 30);
  EXPECT_LT(bounds.height, 40);
  // The hole of the "O" stays empty under the alternate fill rule.
  auto bitmap = FilledBitmap(120, 80, PixelFormat::RGB24bpp, kWhite);
  auto g = Graphics::FromImage(*bitmap).Value();
  ASSERT_EQ(g->FillPath(Brush::Solid(0xFF0000FF), path), Status::Ok);
  const Ink ink = InkOf(*bitmap);
  EXPECT_GT(ink.count, 200);
  const int midY = static_cast<int>(bounds.y + bounds.height / 2);
  const int oMidX = static_cast<int>(bounds.x + bounds.width * 0.7f);
  EXPECT_EQ(Px(*bitmap, oMidX, midY), kWhite);
  EXPECT_EQ(path.AddString("x", family, 0, -1, {0, 0, 0, 0}, nullptr), Status::InvalidParameter);
  EXPECT_EQ(path.AddString("\xff\xfe", family, 0, 10, {0, 0, 0, 0}, nullptr), Status::InvalidParameter);
}

}  // namespace
}  // namespace tavlen::gfx
