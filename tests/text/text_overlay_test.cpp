// Text stamped into bitmaps without a window: the cases that draw nothing, text in a CJK script, and
// the rows a stamp copies for the picture's undo snapshot.
// Each style's pixels are checked end to end (tests/e2e/text_overlays.js).
#include "text/text_overlay.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <set>
#include <utility>
#include <vector>

#include "platform/graphics/dormant_bands.h"
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

// The (band, piece) pairs of the bytes that differ between two 24-bit pictures' bytes, and the box of
// the pixels that differ.
struct Changes {
  std::set<std::pair<uint32_t, uint32_t>> pieces;
  uint32_t x0 = UINT32_MAX, y0 = UINT32_MAX, x1 = 0, y1 = 0;
};

Changes ChangesBetween(const std::string& before, const std::string& after, size_t stride) {
  Changes changes;
  for (size_t i = 0; i < before.size(); ++i) {
    if (before[i] == after[i]) continue;
    const auto y = static_cast<uint32_t>(i / stride);
    const auto x = static_cast<uint32_t>(i % stride / 3);
    changes.pieces.emplace(y / gfx::kSharedBandRows, static_cast<uint32_t>(i % stride / gfx::kSharedPieceBytes));
    changes.x0 = std::min(changes.x0, x);
    changes.y0 = std::min(changes.y0, y);
    changes.x1 = std::max(changes.x1, x + 1);
    changes.y1 = std::max(changes.y1, y + 1);
  }
  return changes;
}

// A stamp gives a dormant copy (an undo snapshot) the band pieces of the pixels it changes, and at
// most those of a few pixels of antialiasing around them: never the whole picture or whole rows.
TEST(StampText, DormantCopiesGetOnlyThePiecesAroundTheText) {
  struct Case {
    const char* what;
    TextStyle style;
    TextFont font;
    int32_t x, y;
  };
  const Case cases[] = {
      {"over the top edge", TextStyle::Plain, Sans(30), 10, -12},
      {"over the bottom and left edges, italic", TextStyle::Outline, {"DejaVu Sans", 60, false, true}, -25, 420},
      {"large, filled outline", TextStyle::FillOutline, Sans(150), 520, 150},
      {"shadow over band and piece edges", TextStyle::Shadow, Sans(24), 330, 250},
      {"watermark near the right edge", TextStyle::WaterMark, {"DejaVu Sans", 20, false, true}, 1330, 330},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    // 4200 bytes a row: five pieces, the last one narrower.
    auto picture = gfx::test::MakePatternBitmap(1400, 460, gfx::PixelFormat::RGB24bpp, 2);
    const std::string before = gfx::test::OwnFormatBytes(*picture);
    auto snapshot = picture->CloneDormant();
    ASSERT_TRUE(snapshot.Ok());
    // No descenders: an ink box reaches to the descent, which some glyphs leave unpainted.
    ASSERT_EQ(StampText(*picture, c.style, c.x, c.y, "HOT", c.font, {kRed, kBlue}), Status::Ok);

    const size_t stride = std::as_const(*picture).Pixels().Stride();
    const Changes changes = ChangesBetween(before, gfx::test::OwnFormatBytes(*picture), stride);
    ASSERT_FALSE(changes.pieces.empty());
    const gfx::PixelBuffer& kept = std::as_const(*snapshot.Value()).Pixels();
    const auto saved = kept.SavedPieces();
    for (const auto& piece : changes.pieces) {
      EXPECT_TRUE(std::binary_search(saved.begin(), saved.end(), piece)) << piece.first << "," << piece.second;
    }
    const uint32_t reach = 4;  // the widening for antialiasing and pens
    const uint32_t x0 = changes.x0 > reach ? changes.x0 - reach : 0, y0 = changes.y0 > reach ? changes.y0 - reach : 0;
    const uint32_t x1 = changes.x1 + reach, y1 = changes.y1 + reach;
    for (const auto& [band, piece] : saved) {
      EXPECT_TRUE(band >= y0 / gfx::kSharedBandRows && band <= (y1 - 1) / gfx::kSharedBandRows &&
                  piece >= x0 * 3 / gfx::kSharedPieceBytes && piece <= (x1 * 3 - 1) / gfx::kSharedPieceBytes)
          << "piece " << band << "," << piece << " of pixels " << changes.x0 << "," << changes.y0 << " to "
          << changes.x1 << "," << changes.y1;
    }
    EXPECT_TRUE(std::as_const(*picture).Pixels().SameBytes(kept)) << "the whole picture was copied";
    EXPECT_EQ(gfx::test::OwnFormatBytes(*snapshot.Value()), before);
  }
}

}  // namespace
}  // namespace tavlen::text
