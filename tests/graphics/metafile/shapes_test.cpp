// Lines, hatched fills, fill modes, clipping, raster operations and mapping, checked pixel by pixel.
#include <gtest/gtest.h>

#include <cmath>

#include "platform/graphics/drawing/hatch.h"
#include "tests/graphics/metafile/metafile_writer.h"
#include "tests/graphics/metafile/render_util.h"

namespace tavlen::gfx {
namespace {

using test::kWhite;
using test::Rgb;

constexpr int16_t kNullPen = 5;
constexpr uint16_t kBsHatched = 2, kBsNull = 1;

TEST(MetafileLines, FourPixelPenCoversFourRowsAndColumns) {
  test::WmfWriter w(100, 100);
  w.CreatePen(0, 4, 0x0000FF);  // red
  w.Select(0);
  w.Record(0x0214, {50, 10});  // move to (10, 50)
  w.Record(0x0213, {50, 90});  // line to (90, 50)
  w.Record(0x0214, {10, 30});
  w.Record(0x0213, {90, 30});  // vertical at x = 30
  const PixelBuffer px = test::PlayWmfOrFail(w.Finish());
  ASSERT_EQ(px.Width(), 100u);
  ASSERT_EQ(px.Height(), 100u);
  for (uint32_t y = 48; y <= 51; ++y) EXPECT_EQ(Rgb(px, 60, y), 0xFF0000u) << y;
  EXPECT_EQ(Rgb(px, 60, 47), kWhite);
  EXPECT_EQ(Rgb(px, 60, 52), kWhite);
  for (uint32_t x = 28; x <= 31; ++x) EXPECT_EQ(Rgb(px, x, 20), 0xFF0000u) << x;
  EXPECT_EQ(Rgb(px, 27, 20), kWhite);
  EXPECT_EQ(Rgb(px, 32, 20), kWhite);
}

TEST(MetafileLines, PenWidthScalesWithTheMapping) {
  // A 200-unit square shown at 100 pixels: a 4-unit pen is 2 pixels wide.
  test::WmfWriter w(100, 100);
  w.Record(0x020C, {200, 200});  // window extent
  w.CreatePen(0, 4, 0x000000);
  w.Select(0);
  w.Record(0x0214, {100, 20});
  w.Record(0x0213, {100, 180});
  const PixelBuffer px = test::PlayWmfOrFail(w.Finish());
  int dark = 0;
  for (uint32_t y = 44; y < 56; ++y) dark += Rgb(px, 50, y) == 0 ? 1 : 0;
  EXPECT_EQ(dark, 2);
}

TEST(MetafileFills, HatchedEllipseRepeatsThePaintersPattern) {
  test::WmfWriter w(100, 100);
  w.Record(0x0201, {0x00FF, 0x0000});      // background colour: red (0x0000FF)
  w.CreateBrush(kBsHatched, 0xFF0000, 4);  // blue cross hatch
  w.CreatePen(kNullPen, 0, 0);
  w.Select(0);
  w.Select(1);
  w.Record(0x0418, {90, 90, 10, 10});  // ellipse (10,10)-(90,90)
  const PixelBuffer px = test::PlayWmfOrFail(w.Finish());
  const HatchRows& rows = HatchPattern(HatchStyle::Cross);
  int checked = 0;
  for (uint32_t y = 25; y < 75; ++y) {
    for (uint32_t x = 25; x < 75; ++x) {
      if (std::hypot(x + 0.5 - 50, y + 0.5 - 50) > 30) continue;
      ASSERT_EQ(Rgb(px, x, y), HatchBit(rows, x, y) ? 0x0000FFu : 0xFF0000u) << x << "," << y;
      ++checked;
    }
  }
  EXPECT_GT(checked, 2000);
  EXPECT_EQ(Rgb(px, 12, 12), kWhite);  // outside the ellipse, inside its box
  EXPECT_EQ(Rgb(px, 95, 50), kWhite);
}

TEST(MetafileFills, TransparentBackgroundLeavesHatchGapsAlone) {
  test::WmfWriter w(40, 40);
  w.Record(0x0102, {1});                   // transparent background
  w.CreateBrush(kBsHatched, 0x000000, 0);  // black horizontal lines
  w.Select(0);
  w.CreatePen(kNullPen, 0, 0);
  w.Select(1);
  w.Record(0x041B, {40, 40, 0, 0});
  const PixelBuffer px = test::PlayWmfOrFail(w.Finish());
  const HatchRows& rows = HatchPattern(HatchStyle::Horizontal);
  for (uint32_t y = 2; y < 30; ++y) EXPECT_EQ(Rgb(px, 10, y), HatchBit(rows, 10, y) ? 0u : kWhite) << y;
}

// A five-pointed star drawn as one self-crossing polygon.
std::vector<std::pair<int16_t, int16_t>> Star() {
  std::vector<std::pair<int16_t, int16_t>> pts;
  for (int i = 0; i < 5; ++i) {
    const double a = -M_PI / 2 + i * 4 * M_PI / 5;
    pts.emplace_back(static_cast<int16_t>(std::lround(50 + 45 * std::cos(a))),
                     static_cast<int16_t>(std::lround(52 + 45 * std::sin(a))));
  }
  return pts;
}

PixelBuffer DrawStar(int16_t fillMode) {
  test::WmfWriter w(100, 100);
  w.Record(0x0106, {fillMode});
  w.CreateBrush(0, 0x00FF00);
  w.CreatePen(kNullPen, 0, 0);
  w.Select(0);
  w.Select(1);
  w.Polygon(Star());
  return test::PlayWmfOrFail(w.Finish());
}

TEST(MetafileFills, EvenOddStarLeavesItsCentreEmpty) {
  const PixelBuffer px = DrawStar(1);     // alternate
  EXPECT_EQ(Rgb(px, 50, 55), kWhite);     // the inner pentagon
  EXPECT_EQ(Rgb(px, 50, 12), 0x00FF00u);  // the top point
  EXPECT_EQ(Rgb(px, 20, 40), 0x00FF00u);  // the left point
  EXPECT_EQ(Rgb(px, 5, 95), kWhite);
}

TEST(MetafileFills, WindingStarFillsItsCentre) {
  const PixelBuffer px = DrawStar(2);  // winding
  EXPECT_EQ(Rgb(px, 50, 55), 0x00FF00u);
  EXPECT_EQ(Rgb(px, 50, 12), 0x00FF00u);
}

TEST(MetafileFills, RectangleExcludesItsRightAndBottomEdges) {
  test::WmfWriter w(40, 40);
  w.CreateBrush(0, 0x000000);
  w.CreatePen(kNullPen, 0, 0);
  w.Select(0);
  w.Select(1);
  w.Record(0x041B, {30, 30, 10, 10});
  const PixelBuffer px = test::PlayWmfOrFail(w.Finish());
  EXPECT_EQ(Rgb(px, 10, 10), 0u);
  EXPECT_EQ(Rgb(px, 28, 28), 0u);
  EXPECT_EQ(Rgb(px, 29, 20), kWhite);
  EXPECT_EQ(Rgb(px, 20, 29), kWhite);
  EXPECT_EQ(Rgb(px, 9, 20), kWhite);
}

TEST(MetafileClipping, ExcludedAndIntersectedRectanglesBoundTheFill) {
  test::WmfWriter w(60, 60);
  w.Record(0x0416, {50, 50, 10, 10});  // intersect (10,10)-(50,50)
  w.Record(0x0415, {30, 30, 20, 20});  // exclude (20,20)-(30,30)
  w.CreateBrush(0, 0xFF0000);
  w.Select(0);
  w.Record(0x041B, {60, 60, 0, 0});
  const PixelBuffer px = test::PlayWmfOrFail(w.Finish());
  EXPECT_EQ(Rgb(px, 5, 5), kWhite);
  EXPECT_EQ(Rgb(px, 12, 12), 0x0000FFu);
  EXPECT_EQ(Rgb(px, 25, 25), kWhite);
  EXPECT_EQ(Rgb(px, 45, 45), 0x0000FFu);
  EXPECT_EQ(Rgb(px, 55, 30), kWhite);
}

TEST(MetafileClipping, SaveAndRestoreBringBackTheClip) {
  test::WmfWriter w(40, 40);
  w.Record(0x001E, {});              // save
  w.Record(0x0416, {10, 10, 0, 0});  // clip to the top-left corner
  w.Record(0x0127, {-1});            // restore
  w.CreateBrush(0, 0x000000);
  w.Select(0);
  w.Record(0x041B, {40, 40, 0, 0});
  const PixelBuffer px = test::PlayWmfOrFail(w.Finish());
  EXPECT_EQ(Rgb(px, 30, 30), 0u);
}

TEST(MetafileRasterOps, XorPenInvertsWhatItCrosses) {
  test::WmfWriter w(40, 40);
  w.CreateBrush(0, 0x0000FF);  // red
  w.Select(0);
  w.Record(0x041B, {20, 40, 0, 0});  // red top half
  w.Record(0x0104, {7});             // exclusive-or pen
  w.CreateBrush(0, 0xFFFFFF);
  w.Select(1);
  w.Record(0x041B, {40, 40, 0, 10});  // white from x = 10 rightwards
  const PixelBuffer px = test::PlayWmfOrFail(w.Finish());
  EXPECT_EQ(Rgb(px, 20, 5), 0x00FFFFu);   // red ^ white
  EXPECT_EQ(Rgb(px, 20, 30), 0x000000u);  // white ^ white
  EXPECT_EQ(Rgb(px, 5, 5), 0xFF0000u);
}

TEST(MetafileRasterOps, PatBltDstInvertFlipsPixels) {
  test::WmfWriter w(20, 20);
  w.Record(0x061D, {0x0009, 0x0055, 10, 10, 0, 0});  // DSTINVERT over (0,0)-(10,10)
  const PixelBuffer px = test::PlayWmfOrFail(w.Finish());
  EXPECT_EQ(Rgb(px, 5, 5), 0u);
  EXPECT_EQ(Rgb(px, 15, 15), kWhite);
}

TEST(MetafileMapping, EmfWorldTransformScalesShapes) {
  // A world transform scaling by 2, then a rectangle (10,10)-(20,20).
  test::EmfWriter f(96, 96);
  test::ByteWriter bw;
  for (float v : {2.0f, 0.0f, 0.0f, 2.0f, 0.0f, 0.0f}) bw.F32(v);
  f.Record(35, {}, bw.Data());
  f.Record(39, {1, 0, 0x000000, 0});  // black brush in slot 1
  f.Record(37, {1});
  f.Record(37, {static_cast<int32_t>(0x80000008)});  // null pen
  f.Record(43, {10, 10, 20, 20});
  const PixelBuffer px = test::PlayEmfOrFail(f.Finish());
  ASSERT_EQ(px.Width(), 96u);
  EXPECT_EQ(Rgb(px, 21, 21), 0u);
  EXPECT_EQ(Rgb(px, 38, 38), 0u);
  EXPECT_EQ(Rgb(px, 19, 30), kWhite);
  EXPECT_EQ(Rgb(px, 41, 30), kWhite);
}

TEST(MetafileMapping, EmfLoMetricPutsYUpwards) {
  test::EmfWriter e(96, 96);
  e.Record(17, {2});  // 0.1 mm units, y up
  e.Record(39, {1, 0, 0x000000, 0});
  e.Record(37, {1});
  e.Record(37, {static_cast<int32_t>(0x80000008)});
  e.Record(43, {0, 0, 100, -100});  // 10 mm square below the origin
  const PixelBuffer px = test::PlayEmfOrFail(e.Finish());
  // 10 mm at 96 dpi is about 38 pixels.
  EXPECT_EQ(Rgb(px, 2, 2), 0u);
  EXPECT_EQ(Rgb(px, 35, 35), 0u);
  EXPECT_EQ(Rgb(px, 41, 41), kWhite);
}

TEST(MetafileShapes, PieFillsOnlyItsQuarter) {
  test::EmfWriter e(100, 100);
  e.Record(39, {1, 0, 0x000000, 0});
  e.Record(37, {1});
  e.Record(37, {static_cast<int32_t>(0x80000008)});
  // Counter-clockwise from the right (100, 50) to the top (50, 0): the top-right quarter.
  e.Record(47, {0, 0, 100, 100, 100, 50, 50, 0});
  const PixelBuffer px = test::PlayEmfOrFail(e.Finish());
  EXPECT_EQ(Rgb(px, 70, 30), 0u);
  EXPECT_EQ(Rgb(px, 30, 30), kWhite);
  EXPECT_EQ(Rgb(px, 70, 70), kWhite);
  EXPECT_EQ(Rgb(px, 30, 70), kWhite);
}

TEST(MetafilePaths, StrokeAndFillPathDrawsTheRecordedFigure) {
  test::EmfWriter e(60, 60);
  e.Record(39, {1, 0, 0x00FF00, 0});
  e.Record(37, {1});
  e.Record(59, {});  // begin path
  e.Record(27, {10, 10});
  e.Record(54, {50, 10});
  e.Record(54, {50, 50});
  e.Record(54, {10, 50});
  e.Record(61, {});              // close figure
  e.Record(60, {});              // end path
  e.Record(63, {0, 0, 60, 60});  // stroke and fill
  const PixelBuffer px = test::PlayEmfOrFail(e.Finish());
  EXPECT_EQ(Rgb(px, 30, 30), 0x00FF00u);
  EXPECT_EQ(Rgb(px, 30, 10), 0u);  // the black stock pen
  EXPECT_EQ(Rgb(px, 5, 5), kWhite);
}

// A 20-pixel horizontal line from (40, 50) to (100, 50) with the old pen's end style bits.
PixelBuffer ThickLineWithEnds(uint16_t endStyle) {
  test::WmfWriter w(140, 100);
  w.CreatePen(endStyle, 20, 0x000000);
  w.Select(0);
  w.Record(0x0214, {50, 40});
  w.Record(0x0213, {50, 100});
  return test::PlayWmfOrFail(w.Finish());
}

TEST(MetafileLines, OldPensHonourTheirEndStyle) {
  constexpr uint16_t kRound = 0x000, kSquare = 0x100, kFlat = 0x200;
  const PixelBuffer round = ThickLineWithEnds(kRound), square = ThickLineWithEnds(kSquare),
                    flat = ThickLineWithEnds(kFlat);
  // Along the line all three cover the same band.
  for (const PixelBuffer* px : {&round, &square, &flat}) {
    EXPECT_EQ(Rgb(*px, 70, 41), 0u);
    EXPECT_EQ(Rgb(*px, 70, 59), 0u);
    EXPECT_EQ(Rgb(*px, 70, 38), kWhite);
  }
  // Flat ends stop at the end points.
  for (uint32_t y = 42; y < 58; ++y) {
    EXPECT_EQ(Rgb(flat, 41, y), 0u) << y;
    EXPECT_EQ(Rgb(flat, 38, y), kWhite) << y;
    EXPECT_EQ(Rgb(flat, 102, y), kWhite) << y;
  }
  // Square ends reach half the width beyond them, corners included; round ones leave the corners.
  for (uint32_t y = 42; y < 58; ++y) EXPECT_EQ(Rgb(square, 32, y), 0u) << y;
  EXPECT_EQ(Rgb(square, 31, 41), 0u);
  EXPECT_EQ(Rgb(square, 108, 58), 0u);
  EXPECT_EQ(Rgb(square, 28, 50), kWhite);
  EXPECT_EQ(Rgb(round, 32, 50), 0u);
  EXPECT_EQ(Rgb(round, 31, 41), kWhite);
  EXPECT_EQ(Rgb(round, 108, 58), kWhite);
}

}  // namespace
}  // namespace tavlen::gfx
