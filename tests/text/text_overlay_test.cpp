// Text stamped into bitmaps without a window: the cases that draw nothing, and text in a CJK script.
// Each style's pixels are checked end to end (tests/e2e/text_overlays.js).
#include "text/text_overlay.h"

#include <gtest/gtest.h>

#include <climits>

#include "platform/graphics/drawing/graphics.h"
#include "tests/graphics/test_support.h"

namespace tavlen::text {
namespace {

using gfx::Argb;
using gfx::Status;

constexpr Argb kRed = 0xFFFF0000;
constexpr Argb kBlue = 0xFF0000FF;
constexpr TextStyle kStyles[] = {TextStyle::Plain, TextStyle::WaterMark, TextStyle::Outline, TextStyle::FillOutline,
                                 TextStyle::Shadow};

gfx::Bitmap::Ptr White() {
  auto bitmap = gfx::Bitmap::Create(240, 80, gfx::PixelFormat::RGB24bpp);
  EXPECT_EQ(gfx::Graphics::FromImage(*bitmap.Value()).Value()->Clear(0xFFFFFFFF), Status::Ok);
  return std::move(bitmap).Value();
}

TextFont Sans(float size = 40) { return {"DejaVu Sans", size, true, false}; }

// Each case, in every style, changes no pixel and reports why.
TEST(StampText, CasesThatDrawNothing) {
  const std::string untouched = gfx::test::OwnFormatBytes(*White());
  struct Case {
    const char* what;
    TextFont font;
    const char* text;
    int32_t x, y;
    Status expected;
  };
  const Case cases[] = {
      {"unknown family", {"No Such Family 12345", 40, false, false}, "HOW", 10, 10, Status::FontFamilyNotFound},
      {"zero size", Sans(0), "HOW", 10, 10, Status::InvalidParameter},
      {"negative size", Sans(-12), "HOW", 10, 10, Status::InvalidParameter},
      {"invalid UTF-8", Sans(), "\xC3\x28", 10, 10, Status::InvalidParameter},
      {"empty text", Sans(), "", 10, 10, Status::Ok},
      {"beyond the bottom-right corner", Sans(), "HOW", 245, 85, Status::Ok},
      // The painter's coordinates wrap at 2^31: these once drew the text inside the picture.
      {"at the largest position", Sans(), "HOW", INT32_MAX, 10, Status::Ok},
      {"at the smallest position", Sans(), "HOW", 10, INT32_MIN, Status::Ok},
  };
  for (const Case& c : cases) {
    for (TextStyle style : kStyles) {
      auto picture = White();
      EXPECT_EQ(StampText(*picture, style, c.x, c.y, c.text, c.font, {kRed, kBlue}), c.expected) << c.what;
      EXPECT_EQ(gfx::test::OwnFormatBytes(*picture), untouched) << c.what << ", style " << static_cast<int>(style);
    }
  }
}

TEST(StampText, IndexedPictureIsRefusedUnchanged) {
  auto picture = gfx::test::MakePatternBitmap(64, 32, gfx::PixelFormat::Indexed8bpp);
  const std::string before = gfx::test::OwnFormatBytes(*picture);
  EXPECT_EQ(StampText(*picture, TextStyle::Shadow, 0, 0, "HOW", Sans(), {kRed, kBlue}), Status::InvalidParameter);
  EXPECT_EQ(gfx::test::OwnFormatBytes(*picture), before);
}

TEST(StampText, ChineseTextFindsItsGlyphs) {
  const TextFont cjk{"WenQuanYi Micro Hei", 40, false, false};
  if (!gfx::FontFamily::FromName(cjk.family).Ok()) GTEST_SKIP() << "no CJK font installed";
  auto picture = White();
  ASSERT_EQ(StampText(*picture, TextStyle::Plain, 10, 10, "\xE4\xB8\xAD\xE6\x96\x87", cjk, {kRed, kRed}), Status::Ok);
  size_t red = 0;
  for (uint32_t y = 0; y < picture->Height(); ++y) {
    for (uint32_t x = 0; x < picture->Width(); ++x) red += gfx::test::PixelAt(*picture, x, y) == kRed;
  }
  EXPECT_GT(red, 150u) << "two full ideographs, not missing-glyph boxes";
}

}  // namespace
}  // namespace tavlen::text
