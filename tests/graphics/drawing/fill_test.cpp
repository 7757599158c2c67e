// Pixel-exact fills, hatch patterns, inset pens and region combinations of the painter.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <set>

#include "platform/graphics/drawing/graphics.h"
#include "platform/graphics/drawing/hatch.h"
#include "tests/graphics/drawing/drawing_test_util.h"
#include "tests/graphics/pixel_expect.h"
#include "tests/graphics/test_support.h"

namespace tavlen::gfx {
namespace {

using test::FilledBitmap;
using test::PixelsAre;
using test::PixelsAreOutside;
using test::PixelsEqual;
using test::PixelsOf;
using test::Px;
using test::TestWindow;

// The part of `a` inside `b` (empty when they do not meet).
Rect Intersection(const Rect& a, const Rect& b) {
  const int32_t x0 = std::max(a.x, b.x), y0 = std::max(a.y, b.y);
  const int32_t x1 = std::min(a.x + a.width, b.x + b.width), y1 = std::min(a.y + a.height, b.y + b.height);
  return x1 > x0 && y1 > y0 ? Rect{x0, y0, x1 - x0, y1 - y0} : Rect{};
}

constexpr Argb kBlack = 0xFF000000, kWhite = 0xFFFFFFFF, kRed = 0xFFFF0000, kBlue = 0xFF0000FF;

Brush HatchOf(int32_t style, Argb fore, Argb back) {
  auto b = Brush::Hatch(style, fore, back);
  EXPECT_TRUE(b.Ok());
  return b.Value();
}

Pen PenOf(Argb color, float width, PenAlignment alignment) {
  auto p = Pen::Create(color, width, Unit::World);
  EXPECT_TRUE(p.Ok());
  Pen pen = p.Value();
  pen.SetAlignment(alignment);
  return pen;
}

TEST(GraphicsFromImage, RefusesIndexedAndSixteenBitFormats) {
  for (PixelFormat f : {PixelFormat::Indexed1bpp, PixelFormat::Indexed4bpp, PixelFormat::Indexed8bpp,
                        PixelFormat::RGB565_16bpp, PixelFormat::GrayScale16bpp}) {
    auto bitmap = Bitmap::Create(8, 8, f);
    ASSERT_TRUE(bitmap.Ok());
    auto g = Graphics::FromImage(*bitmap.Value());
    EXPECT_FALSE(g.Ok()) << std::hex << static_cast<uint32_t>(f);
  }
}

TEST(GraphicsFromImage, AcceptsDrawableFormatsAndDrawsIntoThem) {
  for (PixelFormat f : {PixelFormat::RGB24bpp, PixelFormat::RGB32bpp, PixelFormat::ARGB32bpp, PixelFormat::PARGB32bpp,
                        PixelFormat::RGB48bpp, PixelFormat::ARGB64bpp, PixelFormat::PARGB64bpp}) {
    auto bitmap = FilledBitmap(6, 6, f, kWhite);
    auto g = Graphics::FromImage(*bitmap);
    ASSERT_TRUE(g.Ok()) << std::hex << static_cast<uint32_t>(f);
    ASSERT_EQ(g.Value()->FillRectangle(Brush::Solid(kRed), Rect{1, 1, 2, 2}), Status::Ok);
    EXPECT_EQ(Px(*bitmap, 1, 1), kRed) << std::hex << static_cast<uint32_t>(f);
    EXPECT_EQ(Px(*bitmap, 3, 3), kWhite) << std::hex << static_cast<uint32_t>(f);
  }
}

TEST(FillRectangle, CoversExactlyTheRectangle) {
  TestWindow win(20, 20, kWhite);
  auto g = win.Open();
  ASSERT_EQ(g->FillRectangle(Brush::Solid(kRed), Rect{3, 4, 5, 6}), Status::Ok);
  EXPECT_TRUE(PixelsAre(PixelsOf(win.pixels, 20), Rect{3, 4, 5, 6}, kRed));
  EXPECT_TRUE(PixelsAreOutside(PixelsOf(win.pixels, 20), Rect{0, 0, 20, 20}, Rect{3, 4, 5, 6}, kWhite));
}

TEST(FillRectangle, NeverWritesOutsideTheSurfaceClip) {
  TestWindow win(20, 20, kWhite, Rect{5, 5, 4, 4});
  auto g = win.Open();
  ASSERT_EQ(g->FillRectangle(Brush::Solid(kRed), Rect{-10, -10, 100, 100}), Status::Ok);
  EXPECT_TRUE(PixelsAre(PixelsOf(win.pixels, 20), Rect{5, 5, 4, 4}, kRed));
  EXPECT_TRUE(PixelsAreOutside(PixelsOf(win.pixels, 20), Rect{0, 0, 20, 20}, Rect{5, 5, 4, 4}, kWhite));
}

TEST(PageUnit, PhysicalUnitsAndThePrinterDisplayUnitScaleToPixels) {
  TestWindow screen(60, 10, kWhite);
  auto g = screen.Open();
  EXPECT_EQ(g->SetPageUnit(Unit::World), Status::InvalidParameter);
  ASSERT_EQ(g->SetPageUnit(Unit::Millimeter), Status::Ok);
  ASSERT_EQ(g->FillRectangle(Brush::Solid(kRed), RectF{0, 0, 10, 1}), Status::Ok);  // 37.8 pixels at 96 dpi
  EXPECT_EQ(screen.At(37, 0), kRed);
  EXPECT_EQ(screen.At(38, 0), kWhite);

  TestWindow page(400, 4, kWhite);
  page.surface.dpiX = page.surface.dpiY = 300;
  page.surface.printer = true;
  auto p = page.Open();
  ASSERT_EQ(p->FillRectangle(Brush::Solid(kRed), RectF{0, 0, 100, 1}), Status::Ok);  // one inch
  EXPECT_EQ(page.At(299, 0), kRed);
  EXPECT_EQ(page.At(300, 0), kWhite);
}

TEST(FillRectangle, TranslucentBrushBlends) {
  auto bitmap = FilledBitmap(4, 4, PixelFormat::RGB24bpp, kWhite);
  auto g = Graphics::FromImage(*bitmap).Value();
  ASSERT_EQ(g->FillRectangle(Brush::Solid(0x80FF0000), Rect{0, 0, 4, 4}), Status::Ok);
  const Argb c = Px(*bitmap, 2, 2);
  EXPECT_EQ(RedOf(c), 255);
  EXPECT_NEAR(GreenOf(c), 127, 1);
  EXPECT_NEAR(BlueOf(c), 127, 1);
}

TEST(StraightAlphaBitmap, UncoveredPixelsKeepTheirExactBytes) {
  // Transparent pixels with colour in them, and translucent ones, would not survive a round trip
  // through premultiplied pixels.
  auto bitmap = FilledBitmap(40, 30, PixelFormat::ARGB32bpp, 0x00123456);
  PixelBuffer& px = bitmap->Pixels();
  for (uint32_t y = 0; y < 30; ++y)
    for (uint32_t x = 0; x < 40; ++x) px.Row(y)[4 * x + 3] = static_cast<uint8_t>((x * 7 + y * 13) % 256);
  auto before = px.Copy();
  ASSERT_TRUE(before.Ok());
  auto g = Graphics::FromImage(*bitmap).Value();
  GraphicsPath path;
  const std::array<PointF, 4> pts{{{12, 8}, {28, 9}, {27, 22}, {13, 21}}};
  ASSERT_EQ(path.AddClosedCurve(pts), Status::Ok);
  ASSERT_EQ(g->FillPath(Brush::Solid(0xFF00FF00), path), Status::Ok);
  ASSERT_EQ(g->FillRectangle(Brush::Solid(0x00FF0000), Rect{0, 0, 40, 30}), Status::Ok);  // invisible
  int changed = 0;
  for (uint32_t y = 0; y < 30; ++y) {
    for (uint32_t x = 0; x < 40; ++x) {
      const bool same = std::memcmp(px.Row(y) + 4 * x, before.Value().Row(y) + 4 * x, 4) == 0;
      const bool nearShape = x >= 8 && x < 32 && y >= 4 && y < 26;
      if (!nearShape) {
        ASSERT_TRUE(same) << x << "," << y;
      }
      if (!same) {
        ++changed;
        ASSERT_EQ(Px(*bitmap, x, y), 0xFF00FF00u) << x << "," << y;
      }
    }
  }
  EXPECT_GT(changed, 150);
  EXPECT_EQ(Px(*bitmap, 20, 15), 0xFF00FF00u);
}

TEST(HatchBrush, RejectsStylesOutsideTheTable) {
  EXPECT_EQ(Brush::Hatch(-1, kRed, kBlue).GetStatus(), Status::InvalidParameter);
  EXPECT_EQ(Brush::Hatch(53, kRed, kBlue).GetStatus(), Status::InvalidParameter);
  EXPECT_TRUE(Brush::Hatch(0, kRed, kBlue).Ok());
  EXPECT_TRUE(Brush::Hatch(52, kRed, kBlue).Ok());
}

TEST(HatchBrush, EveryStyleIsTwoTonedAndDistinct) {
  std::set<uint64_t> seen;
  for (int32_t s = 0; s < kHatchStyleCount; ++s) {
    const HatchRows& rows = HatchPattern(static_cast<HatchStyle>(s));
    uint64_t bits = 0;
    for (uint8_t r : rows) bits = bits << 8 | r;
    EXPECT_NE(bits, 0u) << s;
    EXPECT_NE(bits, ~uint64_t{0}) << s;
    EXPECT_TRUE(seen.insert(bits).second) << "style " << s << " repeats another";
  }
}

TEST(HatchBrush, PercentStylesGrowDenserInOrder) {
  int previous = 0;
  for (int32_t s = static_cast<int32_t>(HatchStyle::Percent05); s <= static_cast<int32_t>(HatchStyle::Percent90); ++s) {
    int count = 0;
    for (uint8_t r : HatchPattern(static_cast<HatchStyle>(s))) count += std::popcount(r);
    EXPECT_GT(count, previous) << s;
    previous = count;
  }
}

TEST(HatchBrush, FillsFollowTheTableForEveryStyle) {
  for (int32_t s = 0; s < kHatchStyleCount; ++s) {
    TestWindow win(19, 13, kWhite);
    auto g = win.Open();
    ASSERT_EQ(g->FillRectangle(HatchOf(s, kRed, kBlue), Rect{0, 0, 19, 13}), Status::Ok);
    const HatchRows& rows = HatchPattern(static_cast<HatchStyle>(s));
    const test::PixelReader expected = [&rows](int32_t x, int32_t y) {
      return HatchBit(rows, static_cast<uint32_t>(x), static_cast<uint32_t>(y)) ? kRed : kBlue;
    };
    ASSERT_TRUE(PixelsEqual(PixelsOf(win.pixels, 19), expected, Rect{0, 0, 19, 13})) << "style " << s;
  }
}

TEST(HatchBrush, NamedPatternsLookLikeTheirNames) {
  auto check = [](HatchStyle style, auto expected) {
    const HatchRows& rows = HatchPattern(style);
    for (uint32_t y = 0; y < 8; ++y)
      for (uint32_t x = 0; x < 8; ++x)
        EXPECT_EQ(HatchBit(rows, x, y), expected(x, y)) << static_cast<int>(style) << " at " << x << "," << y;
  };
  check(HatchStyle::Horizontal, [](uint32_t, uint32_t y) { return y == 0; });
  check(HatchStyle::Vertical, [](uint32_t x, uint32_t) { return x == 0; });
  check(HatchStyle::Cross, [](uint32_t x, uint32_t y) { return x == 0 || y == 0; });
  check(HatchStyle::ForwardDiagonal, [](uint32_t x, uint32_t y) { return x == y; });
  check(HatchStyle::BackwardDiagonal, [](uint32_t x, uint32_t y) { return x + y == 7; });
  check(HatchStyle::Percent50, [](uint32_t x, uint32_t y) { return (x + y) % 2 == 0; });
  check(HatchStyle::SmallCheckerBoard, [](uint32_t x, uint32_t y) { return (x / 2 + y / 2) % 2 == 0; });
  check(HatchStyle::LargeCheckerBoard, [](uint32_t x, uint32_t y) { return (x / 4 + y / 4) % 2 == 0; });
  check(HatchStyle::LightVertical, [](uint32_t x, uint32_t) { return x % 4 == 0; });
  check(HatchStyle::DarkHorizontal, [](uint32_t, uint32_t y) { return y % 4 < 2; });
}

TEST(HatchBrush, PatternIsAnchoredAtTheSurfaceOrigin) {
  TestWindow win(30, 30, kWhite);
  auto g = win.Open();
  ASSERT_EQ(g->FillRectangle(HatchOf(static_cast<int32_t>(HatchStyle::Cross), kRed, kBlue), Rect{3, 5, 20, 20}),
            Status::Ok);
  ASSERT_EQ(g->FillRectangle(HatchOf(static_cast<int32_t>(HatchStyle::Cross), kRed, kBlue), Rect{23, 5, 5, 20}),
            Status::Ok);
  const test::PixelReader cross = [](int32_t x, int32_t y) { return (x % 8 == 0 || y % 8 == 0) ? kRed : kBlue; };
  EXPECT_TRUE(PixelsEqual(PixelsOf(win.pixels, 30), cross, Rect{3, 5, 25, 20}));
}

TEST(InsetPen, OnePixelBorderAroundAPictureAwayFromTheOrigin) {
  TestWindow win(400, 300, kBlack);
  auto g = win.Open();
  ASSERT_EQ(g->DrawRectangle(PenOf(kWhite, 1, PenAlignment::Inset), RectF{99, 49, 202, 102}), Status::Ok);
  const auto pixels = PixelsOf(win.pixels, 400);
  EXPECT_TRUE(PixelsAreOutside(pixels, Rect{99, 49, 202, 102}, Rect{100, 50, 200, 100}, kWhite));
  EXPECT_TRUE(PixelsAreOutside(pixels, Rect{0, 0, 400, 300}, Rect{99, 49, 202, 102}, kBlack));
  EXPECT_TRUE(PixelsAre(pixels, Rect{100, 50, 200, 100}, kBlack));
}

TEST(InsetPen, OnePixelBorderOfAPictureAtTheOrigin) {
  TestWindow win(300, 200, kBlack);
  auto g = win.Open();
  ASSERT_EQ(g->DrawRectangle(PenOf(kWhite, 1, PenAlignment::Inset), RectF{0, 0, 201, 101}), Status::Ok);
  const auto pixels = PixelsOf(win.pixels, 300);
  EXPECT_TRUE(PixelsAreOutside(pixels, Rect{0, 0, 201, 101}, Rect{1, 1, 199, 99}, kWhite));
  EXPECT_TRUE(PixelsAreOutside(pixels, Rect{0, 0, 300, 200}, Rect{0, 0, 201, 101}, kBlack));
  EXPECT_TRUE(PixelsAre(pixels, Rect{1, 1, 199, 99}, kBlack));
}

TEST(InsetPen, WidePenStaysInsideTheRectangle) {
  TestWindow win(40, 40, kBlack);
  auto g = win.Open();
  ASSERT_EQ(g->DrawRectangle(PenOf(kRed, 3, PenAlignment::Inset), RectF{10, 10, 20, 20}), Status::Ok);
  const auto pixels = PixelsOf(win.pixels, 40);
  EXPECT_TRUE(PixelsAreOutside(pixels, Rect{10, 10, 20, 20}, Rect{13, 13, 14, 14}, kRed));
  EXPECT_TRUE(PixelsAreOutside(pixels, Rect{0, 0, 40, 40}, Rect{10, 10, 20, 20}, kBlack));
  EXPECT_TRUE(PixelsAre(pixels, Rect{13, 13, 14, 14}, kBlack));
}

TEST(InsetPen, ThinnerThanOnePixelDrawsOnePixelOnTheOutline) {
  // As a zero-width pen: centred whatever the alignment, so no side falls inside the far edges.
  for (float width : {0.0f, 0.5f, 0.999f}) {
    TestWindow win(40, 40, kBlack);
    ASSERT_EQ(win.Open()->DrawRectangle(PenOf(kRed, width, PenAlignment::Inset), RectF{10, 10, 20, 20}), Status::Ok);
    const auto pixels = PixelsOf(win.pixels, 40);
    EXPECT_TRUE(PixelsAreOutside(pixels, Rect{10, 10, 21, 21}, Rect{11, 11, 19, 19}, kRed)) << width;
    EXPECT_TRUE(PixelsAre(pixels, Rect{11, 11, 19, 19}, kBlack)) << width;
    EXPECT_EQ(test::CountPixels(pixels, Rect{0, 0, 40, 40}, kRed), 80) << width;
  }
}

TEST(CenterPen, OnePixelPenStraddlesTheOutline) {
  TestWindow win(40, 40, kBlack);
  auto g = win.Open();
  ASSERT_EQ(g->DrawRectangle(PenOf(kRed, 1, PenAlignment::Center), RectF{10, 10, 20, 20}), Status::Ok);
  const auto pixels = PixelsOf(win.pixels, 40);
  EXPECT_TRUE(PixelsAreOutside(pixels, Rect{10, 10, 21, 21}, Rect{11, 11, 19, 19}, kRed));
  EXPECT_TRUE(PixelsAreOutside(pixels, Rect{0, 0, 40, 40}, Rect{10, 10, 21, 21}, kBlack));
  EXPECT_TRUE(PixelsAre(pixels, Rect{11, 11, 19, 19}, kBlack));
}

// The window background: a closed curve through the client's corners, less the picture.
void CheckBackground(int32_t cw, int32_t ch, Rect picture, const Brush& brush, bool hatched) {
  TestWindow win(static_cast<uint32_t>(cw), static_cast<uint32_t>(ch), kBlack);
  auto g = win.Open();
  GraphicsPath path(FillMode::Alternate);
  const std::array<Point, 4> corners{{{0, 0}, {cw, 0}, {cw, ch}, {0, ch}}};
  ASSERT_EQ(path.AddClosedCurve(corners), Status::Ok);
  Region region(path);
  ASSERT_EQ(region.Combine(picture, CombineMode::Xor), Status::Ok);
  ASSERT_EQ(g->FillRegion(brush, region), Status::Ok);
  const HatchRows& rows = HatchPattern(brush.Style());
  const test::PixelReader background = [&](int32_t x, int32_t y) {
    if (!hatched) return brush.Color();
    return HatchBit(rows, static_cast<uint32_t>(x), static_cast<uint32_t>(y)) ? brush.Color() : brush.BackColor();
  };
  const auto pixels = PixelsOf(win.pixels, cw);
  EXPECT_TRUE(PixelsEqual(pixels, background, Rect{0, 0, cw, ch}, picture)) << cw << "x" << ch;
  EXPECT_TRUE(PixelsAre(pixels, Intersection(picture, Rect{0, 0, cw, ch}), kBlack)) << cw << "x" << ch;
}

TEST(Region, CurveThroughClientCornersXorPictureFillsClientLessPicture) {
  CheckBackground(500, 400, {100, 100, 300, 200}, Brush::Solid(kRed), false);
  CheckBackground(500, 400, {0, 0, 300, 200}, Brush::Solid(kRed), false);
  CheckBackground(500, 400, {-200, -100, 700, 500}, Brush::Solid(kRed), false);
  CheckBackground(37, 23, {30, 20, 50, 50}, Brush::Solid(kRed), false);
  CheckBackground(1, 1, {5, 5, 1, 1}, Brush::Solid(kRed), false);
  CheckBackground(200, 150, {13, 17, 60, 40}, HatchOf(4, kRed, kBlue), true);
}

TEST(Region, CombineModesFollowSetAlgebra) {
  // A is a rectangle, B a path, so each mode goes through the general coverage mask.
  const Rect a{2, 2, 10, 10};
  GraphicsPath b;
  ASSERT_EQ(b.AddRectangle(RectF{6, 5, 10, 12}), Status::Ok);
  auto inA = [&](int x, int y) { return x >= 2 && x < 12 && y >= 2 && y < 12; };
  auto inB = [&](int x, int y) { return x >= 6 && x < 16 && y >= 5 && y < 17; };
  struct Case {
    CombineMode mode;
    bool (*rule)(bool, bool);
  };
  const Case cases[] = {
      {CombineMode::Replace, [](bool, bool q) { return q; }},
      {CombineMode::Intersect, [](bool p, bool q) { return p && q; }},
      {CombineMode::Union, [](bool p, bool q) { return p || q; }},
      {CombineMode::Xor, [](bool p, bool q) { return p != q; }},
      {CombineMode::Exclude, [](bool p, bool q) { return p && !q; }},
      {CombineMode::Complement, [](bool p, bool q) { return q && !p; }},
  };
  for (const Case& c : cases) {
    TestWindow win(20, 20, kBlack);
    auto g = win.Open();
    Region region(a);
    ASSERT_EQ(region.Combine(b, c.mode), Status::Ok);
    ASSERT_EQ(g->FillRegion(Brush::Solid(kWhite), region), Status::Ok);
    const test::PixelReader expected = [&](int32_t x, int32_t y) {
      return c.rule(inA(x, y), inB(x, y)) ? kWhite : kBlack;
    };
    ASSERT_TRUE(PixelsEqual(PixelsOf(win.pixels, 20), expected, Rect{0, 0, 20, 20}))
        << "mode " << static_cast<int>(c.mode);
  }
}

TEST(Region, InfiniteRegionFillsTheWholeSurfaceAndBadModesAreRefused) {
  TestWindow win(9, 7, kBlack);
  auto g = win.Open();
  Region region;
  EXPECT_EQ(region.Combine(Rect{0, 0, 2, 2}, static_cast<CombineMode>(6)), Status::InvalidParameter);
  ASSERT_EQ(g->FillRegion(Brush::Solid(kBlue), region), Status::Ok);
  EXPECT_TRUE(PixelsAre(PixelsOf(win.pixels, 9), Rect{0, 0, 9, 7}, kBlue));
}

}  // namespace
}  // namespace tavlen::gfx
