// EMF+ records: EMF+-only and dual files, shapes, paths, images, strings, transforms and clipping.
#include <gtest/gtest.h>

#include "platform/graphics/drawing/font.h"
#include "tests/graphics/metafile/metafile_writer.h"
#include "tests/graphics/metafile/render_util.h"

namespace tavlen::gfx {
namespace {

using test::kWhite;
using test::Rgb;

constexpr uint16_t kInlineColour = 0x8000;
constexpr uint32_t kRed = 0xFFFF0000, kGreen = 0xFF00FF00, kBlue = 0xFF0000FF;

using test::PlusWriter;

constexpr int32_t kBlackBrush = static_cast<int32_t>(0x80000004u);

PixelBuffer Play(test::EmfWriter& e) {
  PixelBuffer out;
  EXPECT_EQ(metafile::PlayEmf(e.Finish(), kDefaultLimits, out), Status::Ok);
  return out;
}

TEST(MetafileEmfPlus, OnlyEmfPlusRecordsShowTheirPicture) {
  test::EmfWriter e(60, 40);
  PlusWriter plus;
  plus.Start();
  plus.FillRect(kRed, 10, 10, 20, 10);
  plus.FlushInto(e);
  const PixelBuffer px = Play(e);
  EXPECT_EQ(Rgb(px, 10, 10), 0xFF0000u);
  EXPECT_EQ(Rgb(px, 29, 19), 0xFF0000u);
  EXPECT_EQ(Rgb(px, 31, 15), kWhite);
  EXPECT_EQ(Rgb(px, 15, 21), kWhite);
}

TEST(MetafileEmfPlus, DualFilesDrawOnceAndHonourGetDcBrackets) {
  test::EmfWriter e(60, 40);
  PlusWriter plus;
  plus.Start();
  plus.FillRect(kRed, 0, 0, 20, 20);
  plus.FlushInto(e);
  // The EMF fallback of the same drawing, elsewhere: not drawn.
  e.Record(37, {kBlackBrush});
  e.Record(43, {30, 0, 50, 20});
  // After GetDC the EMF records are the picture's own.
  plus.Record(0x4004, 0, {});
  plus.FlushInto(e);
  e.Record(37, {kBlackBrush});
  e.Record(43, {0, 25, 20, 39});
  const PixelBuffer px = Play(e);
  EXPECT_EQ(Rgb(px, 5, 5), 0xFF0000u);
  EXPECT_EQ(Rgb(px, 40, 10), kWhite);
  EXPECT_EQ(Rgb(px, 10, 30), 0u);
}

TEST(MetafileEmfPlus, RecordsItCannotDrawLeaveTheEmfRecordsToDraw) {
  test::EmfWriter e(60, 40);
  PlusWriter plus;
  plus.Start();
  plus.FillRect(kRed, 0, 0, 20, 20);
  plus.Record(0x4037, 0, PlusWriter::Words({0, 0}));  // stroke-and-fill path: not drawn by the player
  plus.FlushInto(e);
  e.Record(37, {kBlackBrush});
  e.Record(43, {30, 0, 50, 20});
  const PixelBuffer px = Play(e);
  EXPECT_EQ(Rgb(px, 5, 5), kWhite);
  EXPECT_EQ(Rgb(px, 40, 10), 0u);
}

TEST(MetafileEmfPlus, FilledPathObject) {
  test::EmfWriter e(60, 60);
  PlusWriter plus;
  plus.Start();
  // Path object 0: a right triangle (0,0) (40,0) (0,40), closed.
  test::ByteWriter path;
  for (uint32_t v : {0xDBC01002u, 3u, 0u}) path.U32(v);
  for (float v : {0.f, 0.f, 40.f, 0.f, 0.f, 40.f}) path.F32(v);
  for (uint8_t t : {0, 1, 0x81}) path.U8(t);
  plus.Record(0x4008, 0x0300, path.Data());
  plus.Record(0x4014, kInlineColour, PlusWriter::Words({kGreen}));
  plus.FlushInto(e);
  const PixelBuffer px = Play(e);
  EXPECT_EQ(Rgb(px, 5, 5), 0x00FF00u);
  EXPECT_EQ(Rgb(px, 15, 15), 0x00FF00u);
  EXPECT_EQ(Rgb(px, 30, 30), kWhite);
}

TEST(MetafileEmfPlus, BitmapImageDrawnIntoItsRectangle) {
  test::EmfWriter e(60, 60);
  PlusWriter plus;
  plus.Start();
  // Image object 1: a 2x2 32bppARGB bitmap, rows top-down: red, green / blue, opaque black.
  test::ByteWriter image;
  for (uint32_t v : {0xDBC01002u, 1u, 2u, 2u, 8u, 0x0026200Au, 0u}) image.U32(v);
  for (uint32_t px : {kRed, kGreen, kBlue, 0xFF000000u}) image.U32(px);
  plus.Record(0x4008, 0x0501, image.Data());
  // DrawImage: attributes, source unit (pixels), source rectangle, destination rectangle.
  test::ByteWriter draw;
  draw.U32(0xFFFFFFFF);
  draw.U32(2);
  for (float v : {0.f, 0.f, 2.f, 2.f, 20.f, 20.f, 20.f, 20.f}) draw.F32(v);
  plus.Record(0x401A, 1, draw.Data());
  plus.FlushInto(e);
  const PixelBuffer px = Play(e);
  EXPECT_EQ(Rgb(px, 22, 22), 0xFF0000u);
  EXPECT_EQ(Rgb(px, 37, 22), 0x00FF00u);
  EXPECT_EQ(Rgb(px, 22, 37), 0x0000FFu);
  EXPECT_EQ(Rgb(px, 37, 37), 0u);
  EXPECT_EQ(Rgb(px, 18, 18), kWhite);
  EXPECT_EQ(Rgb(px, 41, 41), kWhite);
}

TEST(MetafileEmfPlus, TextureBrushTilesItsImageAndRelativePointsOutlineAPolygon) {
  test::EmfWriter e(100, 60);
  PlusWriter plus;
  plus.Start();
  // Brush object 3: a texture, tiled, its 2x2 image (red, green / blue, black) scaled five times.
  test::ByteWriter brush;
  for (uint32_t v : {0xDBC01002u, 2u, 0x02u, 0u}) brush.U32(v);
  for (float v : {5.f, 0.f, 0.f, 5.f, 0.f, 0.f}) brush.F32(v);
  for (uint32_t v : {0xDBC01002u, 1u, 2u, 2u, 8u, 0x0026200Au, 0u}) brush.U32(v);
  for (uint32_t px : {kRed, kGreen, kBlue, 0xFF000000u}) brush.U32(px);
  plus.Record(0x4008, 0x0103, brush.Data());
  test::ByteWriter rect;
  for (uint32_t v : {3u, 1u}) rect.U32(v);
  for (float v : {0.f, 0.f, 40.f, 40.f}) rect.F32(v);
  plus.Record(0x400A, 0, rect.Data());
  // A square from (60, 10), each corner an offset from the last: 7-bit offsets, and one of 15 bits (-30).
  test::ByteWriter polygon;
  for (uint32_t v : {kGreen, 4u}) polygon.U32(v);
  for (uint8_t b : {0x3C, 0x0A, 0x1E, 0x00, 0x00, 0x1E, 0xFF, 0xE2, 0x00, 0x00}) polygon.U8(b);
  plus.Record(0x400C, kInlineColour | 0x0800, polygon.Data());
  plus.FlushInto(e);
  const PixelBuffer px = Play(e);
  EXPECT_EQ(Rgb(px, 2, 2), 0xFF0000u);
  EXPECT_EQ(Rgb(px, 7, 2), 0x00FF00u);
  EXPECT_EQ(Rgb(px, 2, 7), 0x0000FFu);
  EXPECT_EQ(Rgb(px, 12, 12), 0xFF0000u);  // the next tile
  EXPECT_EQ(Rgb(px, 37, 37), 0u);
  EXPECT_EQ(Rgb(px, 45, 20), kWhite);
  EXPECT_EQ(Rgb(px, 75, 25), 0x00FF00u);
  EXPECT_EQ(Rgb(px, 55, 25), kWhite);
  EXPECT_EQ(Rgb(px, 95, 25), kWhite);
}

TEST(MetafileEmfPlus, StringDrawnInItsLayoutRectangle) {
  if (!FontFamily::FromName("Liberation Sans").Ok()) GTEST_SKIP() << "fonts-liberation2 is not installed";
  test::EmfWriter e(200, 80);
  PlusWriter plus;
  plus.Start();
  // Font object 2: 24 pixels, regular, "Liberation Sans".
  const std::string family = "Liberation Sans";
  test::ByteWriter font;
  font.U32(0xDBC01002);
  font.F32(24);
  for (uint32_t v : {2u, 0u, 0u, static_cast<uint32_t>(family.size())}) font.U32(v);
  for (char c : family) font.U16(static_cast<uint16_t>(c));
  plus.Record(0x4008, 0x0602, font.Data());
  // DrawString: colour, no string format, length, layout rectangle (20, 20, 160, 40), "HH".
  test::ByteWriter text;
  for (uint32_t v : {0xFF000000u, 0xFFFFFFFFu, 2u}) text.U32(v);
  for (float v : {20.f, 20.f, 160.f, 40.f}) text.F32(v);
  text.U16('H'), text.U16('H');
  plus.Record(0x401C, kInlineColour | 2, text.Data());
  plus.FlushInto(e);
  const PixelBuffer px = Play(e);
  int inside = 0, outside = 0;
  for (uint32_t y = 0; y < px.Height(); ++y) {
    for (uint32_t x = 0; x < px.Width(); ++x) {
      const bool ink = Rgb(px, x, y) != kWhite;
      const bool inRect = x >= 20 && x < 180 && y >= 20 && y < 60;
      (inRect ? inside : outside) += ink;
    }
  }
  EXPECT_GT(inside, 60);
  EXPECT_EQ(outside, 0);
}

TEST(MetafileEmfPlus, WorldTransformAndClipApply) {
  test::EmfWriter e(60, 60);
  PlusWriter plus;
  plus.Start();
  // Scale by 2, then clip to world (0, 0, 10, 10), i.e. pixels 0-19, and fill world (5, 5, 20, 20).
  test::ByteWriter xform;
  for (float v : {2.f, 0.f, 0.f, 2.f, 0.f, 0.f}) xform.F32(v);
  plus.Record(0x402A, 0, xform.Data());
  test::ByteWriter clip;
  for (float v : {0.f, 0.f, 10.f, 10.f}) clip.F32(v);
  plus.Record(0x4032, 0x0100, clip.Data());
  plus.FillRect(kBlue, 5, 5, 20, 20);
  plus.FlushInto(e);
  const PixelBuffer px = Play(e);
  EXPECT_EQ(Rgb(px, 12, 12), 0x0000FFu);
  EXPECT_EQ(Rgb(px, 8, 8), kWhite);
  EXPECT_EQ(Rgb(px, 25, 25), kWhite);
}

// An image object of an embedded metafile (kind: 1 WMF, 2 placeable WMF, 3 EMF), in `parts` records marked as
// continued (every one, as the system's writer marks them).
void MetafileImage(PlusWriter& plus, uint8_t id, uint32_t kind, const std::vector<uint8_t>& file, size_t parts) {
  test::ByteWriter object;
  for (uint32_t v : {0xDBC01002u, 2u, kind, static_cast<uint32_t>(file.size())}) object.U32(v);
  object.Bytes(file);
  const std::vector<uint8_t>& all = object.Data();
  if (parts == 1) {
    plus.Record(0x4008, static_cast<uint16_t>(0x0500 | id), all);
    return;
  }
  const size_t step = ((all.size() + parts - 1) / parts + 3) & ~size_t{3};  // parts but the last fill their records
  for (size_t at = 0; at < all.size(); at += step) {
    test::ByteWriter part;
    part.U32(static_cast<uint32_t>(all.size()));
    part.Bytes({all.begin() + static_cast<std::ptrdiff_t>(at),
                all.begin() + static_cast<std::ptrdiff_t>(std::min(all.size(), at + step))});
    plus.Record(0x4008, static_cast<uint16_t>(0x8500 | id), part.Data());
  }
}

// DrawImage of image `id`: source rectangle (pixel unit) onto a destination rectangle.
void DrawImage(PlusWriter& plus, uint8_t id, std::initializer_list<float> src, std::initializer_list<float> dst) {
  test::ByteWriter d;
  d.U32(0xFFFFFFFF);
  d.U32(2);
  for (float v : src) d.F32(v);
  for (float v : dst) d.F32(v);
  plus.Record(0x401A, id, d.Data());
}

// A blue page with the image drawn on 30x30 pixels at (10, 10): its left half red, its right half white.
void ExpectLeftHalfRed(const PixelBuffer& px) {
  EXPECT_EQ(Rgb(px, 5, 5), 0x0000FFu);
  EXPECT_EQ(Rgb(px, 45, 25), 0x0000FFu);
  for (uint32_t y : {12u, 25u, 37u}) {
    EXPECT_EQ(Rgb(px, 12, y), 0xFF0000u) << y;
    EXPECT_EQ(Rgb(px, 23, y), 0xFF0000u) << y;
    EXPECT_EQ(Rgb(px, 27, y), kWhite) << y;
    EXPECT_EQ(Rgb(px, 38, y), kWhite) << y;
  }
}

// A WMF of 1000 x 1000 units whose left half is red.
std::vector<uint8_t> HalfRedWmf(bool placeable) {
  std::vector<uint8_t> file;
  if (placeable) {
    test::WmfWriter w(1000, 1000);
    w.CreateBrush(0, 0x0000FF);
    w.CreatePen(5, 0, 0);
    w.Select(0);
    w.Select(1);
    w.Record(0x041B, {1000, 500, 0, 0});
    file = w.Finish();
    file[14] = 0xE8, file[15] = 0x03;  // 1000 units per inch: 96 pixels
    return file;
  }
  test::WmfWriter w(1000, 1000, false);
  w.CreateBrush(0, 0x0000FF);
  w.CreatePen(5, 0, 0);
  w.Select(0);
  w.Select(1);
  w.Record(0x041B, {1000, 500, 0, 0});
  return w.Finish();
}

TEST(MetafileEmfPlus, EmbeddedWmfDrawnByItsOwnUnits) {
  for (bool placeable : {true, false}) {
    for (size_t parts : {1u, 2u}) {
      test::EmfWriter e(60, 60);
      PlusWriter plus;
      plus.Start();
      plus.FillRect(kBlue, 0, 0, 60, 60);
      MetafileImage(plus, 4, placeable ? 2 : 1, HalfRedWmf(placeable), parts);
      DrawImage(plus, 4, {0, 0, 1000, 1000}, {10, 10, 30, 30});
      plus.FlushInto(e);
      SCOPED_TRACE(testing::Message() << "placeable " << placeable << ", parts " << parts);
      ExpectLeftHalfRed(Play(e));
    }
  }
}

TEST(MetafileEmfPlus, EmbeddedEmfSourceRectangleIsInItsDevicePixels) {
  // A 1-inch frame on a 72-dpi reference device (bounds 0-71), left half red; drawn by DrawImagePoints.
  test::EmfWriter::Device device{{0, 0, 2540, 2540}, {720, 720}, {254, 254}, {254000, 254000}};
  test::EmfWriter inner(device);
  inner.Record(37, {static_cast<int32_t>(0x80000008u)});  // null pen
  inner.Record(39, {1, 0, 0x0000FF, 0});                  // red brush
  inner.Record(37, {1});
  inner.Record(43, {0, 0, 36, 72});
  test::EmfWriter e(60, 60);
  PlusWriter plus;
  plus.Start();
  plus.FillRect(kBlue, 0, 0, 60, 60);
  MetafileImage(plus, 7, 3, inner.Finish(), 1);
  test::ByteWriter d;
  d.U32(0xFFFFFFFF);
  d.U32(2);
  for (float v : {0.f, 0.f, 72.f, 72.f}) d.F32(v);
  d.U32(3);
  for (float v : {10.f, 10.f, 40.f, 10.f, 10.f, 40.f}) d.F32(v);
  plus.Record(0x401B, 7, d.Data());
  plus.FlushInto(e);
  ExpectLeftHalfRed(Play(e));
}

}  // namespace
}  // namespace tavlen::gfx
