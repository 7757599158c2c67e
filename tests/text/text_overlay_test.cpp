// The five text overlay styles on bitmaps: colours, passes and offsets, clipping and the failures that draw nothing.
#include "text/text_overlay.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

#include "platform/graphics/drawing/graphics.h"
#include "tests/graphics/test_support.h"

namespace tavlen::text {
namespace {

using gfx::Argb;
using gfx::Status;

constexpr uint32_t kWidth = 240;
constexpr uint32_t kHeight = 80;
constexpr Argb kRed = 0xFFFF0000;
constexpr Argb kBlue = 0xFF0000FF;
constexpr Argb kWhite = 0xFFFFFFFF;
constexpr Argb kGray = 0xFF808080;

// Every pixel as 0xAARRGGBB, row by row.
struct Pixels {
  uint32_t width = 0;
  std::vector<Argb> argb;
  Argb At(uint32_t x, uint32_t y) const { return argb[size_t{y} * width + x]; }
  size_t Count(Argb color) const {
    size_t n = 0;
    for (Argb p : argb) n += p == color;
    return n;
  }
  size_t Differences(const Pixels& other) const {
    size_t n = 0;
    for (size_t i = 0; i < argb.size(); ++i) n += argb[i] != other.argb[i];
    return n;
  }
};

Pixels Read(gfx::Bitmap& bitmap) {
  gfx::BitmapData data;
  Pixels out{bitmap.Width(), {}};
  EXPECT_EQ(bitmap.LockBits(nullptr, gfx::kImageLockModeRead, gfx::PixelFormat::ARGB32bpp, data), Status::Ok);
  for (uint32_t y = 0; y < data.height; ++y) {
    const auto* row = reinterpret_cast<const Argb*>(static_cast<const uint8_t*>(data.scan0) + y * data.stride);
    out.argb.insert(out.argb.end(), row, row + data.width);
  }
  gfx::Ignore(bitmap.UnlockBits(data));
  return out;
}

gfx::Bitmap::Ptr Filled(Argb color, gfx::PixelFormat format = gfx::PixelFormat::RGB24bpp) {
  auto bitmap = gfx::Bitmap::Create(kWidth, kHeight, format);
  EXPECT_TRUE(bitmap.Ok());
  auto graphics = gfx::Graphics::FromImage(*bitmap.Value());
  EXPECT_EQ(graphics.Value()->Clear(color), Status::Ok);
  return std::move(bitmap).Value();
}

TextFont Sans(float size = 40, bool bold = true) { return {"DejaVu Sans", size, bold, false}; }

// Stamps onto a fresh picture of one colour and returns its pixels.
Pixels Stamped(TextStyle style, const TextColors& colors, Argb background = kWhite, int32_t x = 10, int32_t y = 10,
               const TextFont& font = Sans()) {
  auto picture = Filled(background);
  EXPECT_EQ(StampText(*picture, style, x, y, "HOW", font, colors), Status::Ok);
  return Read(*picture);
}

TEST(FontStyle, BoldAndItalicBits) {
  EXPECT_EQ(FontStyleOf(false, false), gfx::kFontStyleRegular);
  EXPECT_EQ(FontStyleOf(true, false), gfx::kFontStyleBold);
  EXPECT_EQ(FontStyleOf(false, true), gfx::kFontStyleItalic);
  EXPECT_EQ(FontStyleOf(true, true), gfx::kFontStyleBoldItalic);
}

TEST(PlainText, DrawsPureColourInsideGlyphsOnly) {
  const Pixels red = Stamped(TextStyle::Plain, {kRed, kBlue});
  EXPECT_GT(red.Count(kRed), 200u) << "glyph interiors take the text colour exactly";
  EXPECT_EQ(red.Count(kBlue), 0u) << "the extra colour plays no part";
  // Nothing left of or above the layout origin, and the far right stays untouched.
  for (uint32_t y = 0; y < kHeight; ++y) {
    for (uint32_t x = 0; x < kWidth; ++x) {
      if (x < 10 || y < 10 || x >= 200) {
        EXPECT_EQ(red.At(x, y), kWhite) << x << "," << y;
      }
    }
  }
  EXPECT_GT(Stamped(TextStyle::Plain, {kBlue, kRed}).Count(kBlue), 200u);
}

TEST(PlainText, BoldCoversMoreThanRegular) {
  const size_t bold = Stamped(TextStyle::Plain, {kRed, kRed}, kWhite, 10, 10, Sans(40, true)).Count(kRed);
  const size_t regular = Stamped(TextStyle::Plain, {kRed, kRed}, kWhite, 10, 10, Sans(40, false)).Count(kRed);
  EXPECT_GT(bold, regular + regular / 5);
}

TEST(PlainText, SizeIsInPicturePixels) {
  const Pixels white = Read(*Filled(kWhite));
  const Pixels small = Stamped(TextStyle::Plain, {kRed, kRed}, kWhite, 0, 0, Sans(20));
  const Pixels large = Stamped(TextStyle::Plain, {kRed, kRed}, kWhite, 0, 0, Sans(40));
  // The inked area grows with the square of the size.
  const double ratio = static_cast<double>(large.Differences(white)) / static_cast<double>(small.Differences(white));
  EXPECT_GT(ratio, 3.0);
  EXPECT_LT(ratio, 5.0);
}

TEST(WaterMark, TranslucentDarkAndLightCopiesWhateverTheTextColour) {
  const Pixels mark = Stamped(TextStyle::WaterMark, {kRed, kBlue}, kGray);
  EXPECT_EQ(mark.argb, Stamped(TextStyle::WaterMark, {kBlue, kRed}, kGray).argb) << "the text colour is not used";
  // 60 % black over gray 128 gives 51; 60 % white over it gives 204; white over the dark copy 173.
  size_t darkOnly = 0, lightOnly = 0, both = 0, opaque = 0;
  for (Argb p : mark.argb) {
    const int r = static_cast<int>(gfx::RedOf(p));
    darkOnly += std::abs(r - 51) <= 1;
    lightOnly += std::abs(r - 204) <= 1;
    both += std::abs(r - 173) <= 1;
    opaque += r == 0 || r == 255;
  }
  EXPECT_GT(darkOnly, 20u) << "the dark copy shows along top and left edges";
  EXPECT_GT(lightOnly, 20u) << "the light copy shows along bottom and right edges";
  EXPECT_GT(both, 100u) << "where both copies overlap the light lies over the dark";
  EXPECT_EQ(opaque, 0u) << "neither pass is opaque";
}

TEST(OutlineText, StrokesAroundAnUnfilledInterior) {
  const Pixels outline = Stamped(TextStyle::Outline, {kRed, kBlue});
  const Pixels filled = Stamped(TextStyle::FillOutline, {kRed, kBlue});
  EXPECT_GT(outline.Count(kRed), 100u) << "the 2-pixel pen draws in the text colour";
  EXPECT_EQ(outline.Count(kBlue), 0u);
  ASSERT_GT(filled.Count(kBlue), 100u) << "the fill shows inside the outline";
  for (size_t i = 0; i < filled.argb.size(); ++i) {
    if (filled.argb[i] == kBlue) {
      EXPECT_EQ(outline.argb[i], kWhite) << "interior pixel " << i;
    }
  }
}

TEST(FillOutlineText, OutlineLiesOverTheFill) {
  const Pixels outlineOnly = Stamped(TextStyle::Outline, {kRed, kBlue});
  const Pixels filled = Stamped(TextStyle::FillOutline, {kRed, kBlue});
  // The stroke is drawn second, so every pixel it paints fully keeps the outline colour.
  for (size_t i = 0; i < filled.argb.size(); ++i) {
    if (outlineOnly.argb[i] == kRed) {
      EXPECT_EQ(filled.argb[i], kRed) << "outline pixel " << i;
    }
  }
}

TEST(ShadowText, ShadowLiesOnePixelRightAndBelow) {
  const Pixels plain = Stamped(TextStyle::Plain, {kRed, kRed});
  const Pixels same = Stamped(TextStyle::Shadow, {kRed, kRed});
  // With one colour the glyphs thicken by one pixel to the right and down.
  EXPECT_GT(same.Count(kRed), plain.Count(kRed));
  for (uint32_t y = 0; y + 1 < kHeight; ++y) {
    for (uint32_t x = 0; x + 1 < kWidth; ++x) {
      if (plain.At(x, y) != kRed) continue;
      EXPECT_EQ(same.At(x, y), kRed);
      EXPECT_EQ(same.At(x + 1, y + 1), kRed);
    }
  }
  // With two colours the text covers its shadow except along the bottom and right edges.
  const Pixels shadow = Stamped(TextStyle::Shadow, {kRed, kBlue});
  EXPECT_EQ(shadow.Count(kRed), plain.Count(kRed));
  size_t visibleShadow = 0;
  for (uint32_t y = 1; y < kHeight; ++y) {
    for (uint32_t x = 1; x < kWidth; ++x) {
      if (shadow.At(x, y) != kBlue) continue;
      ++visibleShadow;
      EXPECT_EQ(plain.At(x - 1, y - 1), kRed) << "shadow pixel " << x << "," << y << " is not the text moved";
    }
  }
  EXPECT_GT(visibleShadow, 20u);
}

TEST(Clipping, TextAcrossTheEdgesIsCutOff) {
  auto picture = Filled(kWhite);
  EXPECT_EQ(StampText(*picture, TextStyle::Plain, -10, -10, "HOW", Sans(), {kRed, kRed}), Status::Ok);
  EXPECT_EQ(StampText(*picture, TextStyle::Outline, kWidth - 20, kHeight - 20, "HOW", Sans(), {kBlue, kRed}),
            Status::Ok);
  const Pixels seen = Read(*picture);
  EXPECT_GT(seen.Count(kRed), 0u);
  EXPECT_GT(seen.Count(kBlue), 0u);

  auto outside = Filled(kWhite);
  for (TextStyle style :
       {TextStyle::Plain, TextStyle::WaterMark, TextStyle::Outline, TextStyle::FillOutline, TextStyle::Shadow}) {
    EXPECT_EQ(StampText(*outside, style, kWidth + 5, kHeight + 5, "HOW", Sans(), {kRed, kBlue}), Status::Ok);
    EXPECT_EQ(StampText(*outside, style, INT32_MAX, INT32_MIN, "HOW", Sans(), {kRed, kBlue}), Status::Ok);
  }
  EXPECT_EQ(Read(*outside).Count(kWhite), size_t{kWidth} * kHeight);
}

// Each case changes no pixel of the picture and reports why.
TEST(Failures, NothingIsDrawn) {
  const Pixels untouched = Read(*Filled(kWhite));
  struct Case {
    const char* what;
    TextFont font;
    const char* text;
    Status expected;
  };
  const Case cases[] = {
      {"unknown family", {"No Such Family 12345", 40, false, false}, "HOW", Status::FontFamilyNotFound},
      {"zero size", Sans(0), "HOW", Status::InvalidParameter},
      {"negative size", Sans(-12), "HOW", Status::InvalidParameter},
      {"invalid UTF-8", Sans(), "\xC3\x28", Status::InvalidParameter},
      {"empty text", Sans(), "", Status::Ok},
  };
  for (const Case& c : cases) {
    for (TextStyle style :
         {TextStyle::Plain, TextStyle::WaterMark, TextStyle::Outline, TextStyle::FillOutline, TextStyle::Shadow}) {
      auto picture = Filled(kWhite);
      EXPECT_EQ(StampText(*picture, style, 10, 10, c.text, c.font, {kRed, kBlue}), c.expected) << c.what;
      EXPECT_EQ(Read(*picture).Differences(untouched), 0u) << c.what;
    }
  }
}

TEST(Failures, IndexedPictureIsRefusedUnchanged) {
  auto picture = gfx::test::MakePatternBitmap(64, 32, gfx::PixelFormat::Indexed8bpp);
  const std::string before = gfx::test::OwnFormatBytes(*picture);
  EXPECT_EQ(StampText(*picture, TextStyle::Shadow, 0, 0, "HOW", Sans(), {kRed, kBlue}), Status::InvalidParameter);
  EXPECT_EQ(gfx::test::OwnFormatBytes(*picture), before);
}

TEST(Scripts, ChineseTextFindsItsGlyphs) {
  if (!gfx::FontFamily::FromName("WenQuanYi Micro Hei").Ok()) GTEST_SKIP() << "no CJK font installed";
  auto picture = Filled(kWhite);
  EXPECT_EQ(StampText(*picture, TextStyle::Plain, 10, 10, "\xE4\xB8\xAD\xE6\x96\x87", {"WenQuanYi Micro Hei", 40},
                      {kRed, kRed}),
            Status::Ok);
  // Two full ideographs ("zhong wen") ink far more than a missing-glyph box would.
  EXPECT_GT(Read(*picture).Count(kRed), 150u);
}

}  // namespace
}  // namespace tavlen::text
