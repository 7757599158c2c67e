// Hostile sizes: records asking for far more drawing than any picture needs, and coordinates far outside it.
// Each file must render promptly (the test's own time-out is the guard) with its ordinary records drawn.
#include <gtest/gtest.h>

#include "platform/graphics/metafile/device_path.h"
#include "tests/graphics/metafile/metafile_writer.h"
#include "tests/graphics/metafile/render_util.h"

namespace tavlen::gfx {
namespace {

using test::kWhite;
using test::PlusWriter;
using test::Rgb;

constexpr int32_t kBlackBrush = static_cast<int32_t>(0x80000004u);
constexpr int32_t kNullPen = static_cast<int32_t>(0x80000008u);

// EMR_POLYGON or EMR_POLYLINE with 32-bit points.
void Poly(test::EmfWriter& e, uint32_t type, const std::vector<std::pair<int32_t, int32_t>>& pts) {
  std::vector<int32_t> values{0, 0, 0, 0, static_cast<int32_t>(pts.size())};
  for (auto [x, y] : pts) values.push_back(x), values.push_back(y);
  e.Record(type, values);
}

void FillRectangle(test::EmfWriter& e, int32_t l, int32_t t, int32_t r, int32_t b) {
  e.Record(37, {kBlackBrush});
  e.Record(37, {kNullPen});
  e.Record(43, {l, t, r, b});
}

TEST(MetafileWorkBound, QuarterMillionFullPictureRectanglesStopAndLaterRecordsDraw) {
  test::EmfWriter e(1000, 1000);
  PlusWriter plus;
  plus.Start();
  test::ByteWriter rects;
  constexpr uint32_t kCount = 250'000;
  rects.U32(0xFFFF0000);
  rects.U32(kCount);
  for (uint32_t i = 0; i < kCount; ++i)
    for (float v : {0.0f, 0.0f, 1000.0f, 1000.0f}) rects.F32(v);
  plus.Record(0x400A, 0x8000, rects.Data());
  plus.FillRect(0xFF00FF00, 10, 10, 20, 20);
  plus.FlushInto(e);
  const PixelBuffer px = test::PlayEmfOrFail(e.Finish());
  EXPECT_EQ(Rgb(px, 500, 500), 0xFF0000u);
  EXPECT_EQ(Rgb(px, 20, 20), 0x00FF00u);
}

TEST(MetafileWorkBound, PolygonCrossingEveryRowAHundredThousandsOfTimesIsDropped) {
  test::EmfWriter e(800, 800);
  std::vector<std::pair<int32_t, int32_t>> zigzag;
  for (int32_t i = 0; i < 600'000; ++i) zigzag.push_back({i % 800, (i % 2) * 800});
  e.Record(37, {kBlackBrush});
  Poly(e, 3, zigzag);
  FillRectangle(e, 100, 100, 120, 120);
  const PixelBuffer px = test::PlayEmfOrFail(e.Finish());
  EXPECT_EQ(Rgb(px, 110, 110), 0u);
}

TEST(MetafileWorkBound, TextOfHugeLengthIsDroppedAndLaterRecordsDraw) {
  test::EmfWriter e(200, 200);
  constexpr int32_t kChars = 400'000;
  test::ByteWriter t;
  for (int32_t v : {0, 0, 0, 0, 1}) t.S32(v);
  t.F32(1), t.F32(1);
  for (int32_t v : {10, 10, kChars, 76, 0, 0, 0, 0, 0, 0}) t.S32(v);
  for (int32_t i = 0; i < kChars; ++i) t.U16('W');
  e.Record(84, {}, t.Data());
  FillRectangle(e, 100, 100, 120, 120);
  const PixelBuffer px = test::PlayEmfOrFail(e.Finish());
  EXPECT_EQ(Rgb(px, 110, 110), 0u);
}

TEST(MetafileWorkBound, CoordinatesFarOutsideFillAndStrokeWhatIsVisible) {
  test::EmfWriter e(100, 100);
  constexpr int32_t kFar = 1'500'000'000;
  e.Record(37, {kBlackBrush});
  e.Record(37, {kNullPen});
  // A triangle whose long edge crosses the picture's diagonal, from corners far outside.
  Poly(e, 3, {{-kFar, -kFar}, {kFar, kFar}, {-kFar, kFar}});
  e.Record(37, {static_cast<int32_t>(0x80000007u)});  // black pen
  Poly(e, 4, {{kFar, 20}, {-kFar, 20}});
  const PixelBuffer px = test::PlayEmfOrFail(e.Finish());
  EXPECT_EQ(Rgb(px, 10, 80), 0u);      // below the diagonal: inside
  EXPECT_EQ(Rgb(px, 80, 10), kWhite);  // above it: outside
  for (uint32_t x : {1u, 50u, 98u}) EXPECT_EQ(Rgb(px, x, 20), 0u) << x;
  EXPECT_EQ(Rgb(px, 80, 30), kWhite);
}

TEST(MetafileWorkBound, RepeatedNestedPicturesShareTheOuterBudget) {
  // An EMF+ picture whose one record fills its whole 400 x 400 picture twenty thousand times...
  test::EmfWriter inner(400, 400);
  PlusWriter innerPlus;
  innerPlus.Start();
  test::ByteWriter rects;
  rects.U32(0xFF0000FF);
  rects.U32(20'000);
  for (int i = 0; i < 20'000; ++i)
    for (float v : {0.0f, 0.0f, 400.0f, 400.0f}) rects.F32(v);
  innerPlus.Record(0x400A, 0x8000, rects.Data());
  innerPlus.FlushInto(inner);
  const std::vector<uint8_t> nested = inner.Finish();
  // ...embedded as an image object that the outer picture defines again and again, then draws.
  test::EmfWriter e(400, 400);
  PlusWriter plus;
  plus.Start();
  test::ByteWriter image;
  for (uint32_t v : {0xDBC01002u, 2u, 3u, static_cast<uint32_t>(nested.size())}) image.U32(v);
  image.Bytes(nested);
  for (int i = 0; i < 20; ++i) {
    plus.Record(0x4008, 0x0500, image.Data());
    plus.FlushInto(e);
  }
  test::ByteWriter draw;
  for (uint32_t v : {0u, 2u}) draw.U32(v);
  for (float v : {0.0f, 0.0f, 400.0f, 400.0f, 0.0f, 0.0f, 100.0f, 100.0f}) draw.F32(v);
  plus.Record(0x401A, 0, draw.Data());
  plus.FillRect(0xFF00FF00, 300, 300, 20, 20);
  plus.FlushInto(e);
  const PixelBuffer px = test::PlayEmfOrFail(e.Finish());
  EXPECT_EQ(Rgb(px, 310, 310), 0x00FF00u);
}

TEST(MetafileWorkBound, PathKeepsAtMostItsPointLimit) {
  metafile::DevicePath piece, path;
  for (size_t i = 0; i < metafile::DevicePath::kMaxPoints / 4; ++i)
    piece.LineTo({static_cast<double>(i % 7), static_cast<double>(i % 5)});
  for (int i = 0; i < 4; ++i) path.Append(piece);
  path.Append(piece);
  path.LineTo({1, 1});
  path.CurveTo({0, 0}, {1, 1}, {2, 2});
  EXPECT_EQ(path.PointCount(), metafile::DevicePath::kMaxPoints);
}

}  // namespace
}  // namespace tavlen::gfx
