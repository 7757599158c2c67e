// Copies share their pixels until one side writes: every write path keeps the other copies unchanged,
// and a write of a few rows gives dormant copies (undo snapshots) copies of those rows' bands only.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <set>
#include <string>
#include <thread>
#include <utility>

#include "platform/graphics/bitmap.h"
#include "platform/graphics/codec_registry.h"
#include "platform/graphics/dormant_bands.h"
#include "platform/graphics/drawing/font.h"
#include "platform/graphics/drawing/graphics.h"
#include "platform/graphics/drawing/path.h"
#include "platform/graphics/pixel_memory.h"
#include "tests/graphics/test_support.h"

namespace tavlen::gfx {
namespace {

using Write = std::function<Status(Bitmap&)>;

struct WritePath {
  std::string name;
  Write write;
};

Status WriteThroughLock(Bitmap& b, PixelFormat format) {
  BitmapData data;
  const Rect area{1, 1, 3, 2};
  if (Status s = b.LockBits(&area, kImageLockModeWrite, format, data); s != Status::Ok) return s;
  // The first pixel becomes its opposite colour, which survives the way back into any format.
  auto* row = static_cast<uint8_t*>(data.scan0);
  const uint32_t bytes = std::max(1u, BitsPerPixel(format) / 8);
  for (uint32_t i = 0; i < std::min(bytes, 3u); ++i) row[i] ^= 0xFF;
  if (format == PixelFormat::ARGB32bpp) row[3] = 0xFF;
  return b.UnlockBits(data);
}

std::vector<WritePath> WritePaths() {
  return {
      {"lock in own format", [](Bitmap& b) { return WriteThroughLock(b, b.Format()); }},
      {"lock converted", [](Bitmap& b) { return WriteThroughLock(b, PixelFormat::ARGB32bpp); }},
      {"lock read-write",
       [](Bitmap& b) {
         BitmapData data;
         if (Status s = b.LockBits(nullptr, kImageLockModeRead | kImageLockModeWrite, b.Format(), data);
             s != Status::Ok)
           return s;
         static_cast<uint8_t*>(data.scan0)[0] ^= 0xFF;
         return b.UnlockBits(data);
       }},
      {"graphics fill",
       [](Bitmap& b) {
         auto g = Graphics::FromImage(b);
         if (!g.Ok()) return g.GetStatus();
         return g.Value()->FillRectangle(Brush::Solid(0xFF102030), Rect{0, 0, 4, 3});
       }},
      {"library pixels",
       [](Bitmap& b) {
         b.Pixels().Row(2)[1] ^= 0xFF;
         return Status::Ok;
       }},
      {"half turn, then read", [](Bitmap& b) { return b.RotateFlip(RotateFlipType::Rotate180FlipNone); }},
      {"mirror, then read", [](Bitmap& b) { return b.RotateFlip(RotateFlipType::RotateNoneFlipX); }},
      {"quarter turn", [](Bitmap& b) { return b.RotateFlip(RotateFlipType::Rotate90FlipNone); }},
      {"palette",
       [](Bitmap& b) {
         if (!IsIndexed(b.Format())) return Status::InvalidParameter;
         Palette p = b.GetPalette();
         for (uint32_t& entry : p.entries) entry ^= 0x00FFFFFF;
         return b.SetPalette(p);
       }},
  };
}

struct Copier {
  std::string name;
  std::function<Result<Bitmap::Ptr>(const Bitmap&)> copy;
};

std::vector<Copier> Copiers() {
  return {
      {"Clone", [](const Bitmap& b) { return b.Clone(); }},
      {"CloneArea whole",
       [](const Bitmap& b) {
         return b.CloneArea(0, 0, static_cast<float>(b.Width()), static_cast<float>(b.Height()), PixelFormat::DontCare);
       }},
  };
}

// Drawing needs a drawable format; indexed ones cover the palette and packed-row paths.
class SharedPixels : public ::testing::TestWithParam<PixelFormat> {};

TEST_P(SharedPixels, WritingOneCopyNeverShowsInTheOther) {
  for (const Copier& copier : Copiers()) {
    for (const WritePath& path : WritePaths()) {
      SCOPED_TRACE(copier.name + " / " + path.name);
      auto original = test::MakePatternBitmap(9, 7, GetParam(), 3);
      auto reference = original->Clone();
      ASSERT_TRUE(reference.Ok());
      auto copy = copier.copy(*original);
      ASSERT_TRUE(copy.Ok());
      const Status written = path.write(*copy.Value());
      if (written == Status::InvalidParameter) continue;  // e.g. no graphics on indexed pixels
      ASSERT_EQ(written, Status::Ok);
      EXPECT_FALSE(test::SamePixels(*copy.Value(), *original));
      EXPECT_TRUE(test::SamePixels(*original, *reference.Value()));
      EXPECT_EQ(original->GetPalette().entries, reference.Value()->GetPalette().entries);

      // And the other way round: writing the original leaves the copy as it was.
      auto fresh = copier.copy(*original);
      ASSERT_TRUE(fresh.Ok());
      auto freshReference = fresh.Value()->Clone();
      ASSERT_TRUE(freshReference.Ok());
      ASSERT_EQ(path.write(*original), Status::Ok);
      EXPECT_TRUE(test::SamePixels(*fresh.Value(), *freshReference.Value()));
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Formats, SharedPixels,
                         ::testing::Values(PixelFormat::RGB24bpp, PixelFormat::ARGB32bpp, PixelFormat::RGB32bpp,
                                           PixelFormat::Indexed8bpp, PixelFormat::Indexed1bpp, PixelFormat::RGB48bpp));

TEST(SharedPixelsCost, CopiesShareUntilAWrite) {
  auto original = test::MakePatternBitmap(16, 8, PixelFormat::RGB24bpp);
  auto clone = original->Clone();
  auto area = original->CloneArea(0, 0, 16, 8, PixelFormat::DontCare);
  ASSERT_TRUE(clone.Ok() && area.Ok());
  const PixelBuffer& own = std::as_const(*original).Pixels();
  EXPECT_TRUE(own.SameBytes(std::as_const(*clone.Value()).Pixels()));
  EXPECT_TRUE(own.SameBytes(std::as_const(*area.Value()).Pixels()));

  // Half turns that cancel stay shared, as do reads and saves.
  ASSERT_EQ(clone.Value()->RotateFlip(RotateFlipType::Rotate180FlipNone), Status::Ok);
  ASSERT_EQ(clone.Value()->RotateFlip(RotateFlipType::Rotate180FlipNone), Status::Ok);
  ASSERT_EQ(clone.Value()->RotateFlip(RotateFlipType::RotateNoneFlipY), Status::Ok);
  ASSERT_EQ(clone.Value()->RotateFlip(RotateFlipType::RotateNoneFlipY), Status::Ok);
  std::vector<uint8_t> bytes;
  ASSERT_EQ(clone.Value()->SaveToMemory(kPngEncoderClsid, {}, bytes), Status::Ok);
  EXPECT_TRUE(test::SamePixels(*clone.Value(), *original));
  EXPECT_TRUE(own.SameBytes(std::as_const(*clone.Value()).Pixels()));

  // A smaller area or another format is a copy of its own.
  auto part = original->CloneArea(1, 0, 15, 8, PixelFormat::DontCare);
  auto converted = original->CloneArea(0, 0, 16, 8, PixelFormat::ARGB32bpp);
  ASSERT_TRUE(part.Ok() && converted.Ok());
  EXPECT_FALSE(own.SameBytes(std::as_const(*part.Value()).Pixels()));
  EXPECT_FALSE(own.SameBytes(std::as_const(*converted.Value()).Pixels()));
}

TEST(SharedPixelsCost, PendingTurnOfASharedCopyIsAppliedToItsOwnPixels) {
  auto original = test::MakePatternBitmap(6, 5, PixelFormat::ARGB32bpp);
  auto expected = original->Clone();
  ASSERT_TRUE(expected.Ok());
  ASSERT_EQ(expected.Value()->PrepareWrite(), Status::Ok);  // turned on its own pixels
  ASSERT_EQ(expected.Value()->RotateFlip(RotateFlipType::Rotate180FlipX), Status::Ok);
  auto clone = original->Clone();
  ASSERT_TRUE(clone.Ok());
  ASSERT_EQ(clone.Value()->RotateFlip(RotateFlipType::Rotate180FlipX), Status::Ok);
  EXPECT_TRUE(test::SamePixels(*clone.Value(), *expected.Value()));
  EXPECT_FALSE(test::SamePixels(*clone.Value(), *original));
  EXPECT_EQ(test::PixelAt(*clone.Value(), 0, 4), test::PixelAt(*original, 0, 0));
}

TEST(SharedPixelsCost, CopiesKeepPropertyItems) {
  auto original = test::MakePatternBitmap(4, 4, PixelFormat::RGB24bpp);
  char title[] = "harbour";
  ASSERT_EQ(original->SetPropertyItem({kPropertyTagImageTitle, sizeof title, kPropertyTagTypeASCII, title}),
            Status::Ok);
  auto clone = original->Clone();
  auto area = original->CloneArea(0, 0, 4, 4, PixelFormat::DontCare);
  ASSERT_TRUE(clone.Ok() && area.Ok());
  for (const Bitmap* copy : {clone.Value().get(), area.Value().get()}) {
    ASSERT_EQ(copy->PropertyItems().size(), 1u);
    EXPECT_EQ(copy->PropertyItems()[0].value, std::vector<uint8_t>(title, title + sizeof title));
  }
  // Properties belong to each copy.
  ASSERT_EQ(clone.Value()->RemovePropertyItem(kPropertyTagImageTitle), Status::Ok);
  EXPECT_EQ(original->PropertyItems().size(), 1u);
}

TEST(PixelPool, FreedLargeBlocksAreReusedAndZeroedOnRequest) {
  DrainPixelPool();
  const uint32_t side = 2048;  // 16 MiB at 32 bits: a large block
  {
    auto first = PixelBuffer::Allocate(PixelFormat::ARGB32bpp, side, side, PixelBuffer::Init::Uninitialized);
    ASSERT_TRUE(first.Ok());
    std::memset(first.Value().Data(), 0xAB, first.Value().Layout().Bytes());
  }
  EXPECT_EQ(PixelPoolStatus().blocks, 1u);
  auto zeroed = PixelBuffer::Allocate(PixelFormat::ARGB32bpp, side, side, PixelBuffer::Init::Zero);
  ASSERT_TRUE(zeroed.Ok());
  EXPECT_EQ(PixelPoolStatus().blocks, 0u);
  const uint8_t* data = zeroed.Value().Data();
  const size_t bytes = zeroed.Value().Layout().Bytes();
  EXPECT_EQ(data[0], 0);
  EXPECT_EQ(data[bytes / 2], 0);
  EXPECT_EQ(data[bytes - 1], 0);
  // A much smaller request does not take a large pooled block.
  zeroed = PixelBuffer{};
  auto small = PixelBuffer::Allocate(PixelFormat::ARGB32bpp, side, side / 4, PixelBuffer::Init::Uninitialized);
  ASSERT_TRUE(small.Ok());
  EXPECT_EQ(PixelPoolStatus().blocks, 1u);
  DrainPixelPool();
  EXPECT_EQ(PixelPoolStatus().blocks, 0u);
}

// Band-level sharing with dormant copies. The pictures are a few bands tall; each write below stays
// well inside the bands it names, away from their edges, so the bands it may write are exactly the
// bands whose rows change.

using Bands = std::vector<uint32_t>;

Status XorRowsThroughLock(Bitmap& b, PixelFormat format, const Rect& area) {
  BitmapData data;
  if (Status s = b.LockBits(&area, kImageLockModeRead | kImageLockModeWrite, format, data); s != Status::Ok) return s;
  const size_t rowBytes = (size_t{data.width} * BitsPerPixel(format) + 7) / 8;
  for (uint32_t y = 0; y < data.height; ++y) {
    auto* row = static_cast<uint8_t*>(data.scan0) + static_cast<ptrdiff_t>(y) * data.stride;
    // Colour bytes only: the opposite colour survives the way back into any format.
    for (size_t i = 0; i < rowBytes; ++i) {
      if (format != PixelFormat::ARGB32bpp || i % 4 != 3) row[i] ^= 0x5A;
    }
  }
  return b.UnlockBits(data);
}

Status WithGraphics(Bitmap& b, const std::function<Status(Graphics&)>& draw) {
  auto g = Graphics::FromImage(b);
  if (!g.Ok()) return g.GetStatus();
  return draw(*g.Value());
}

// Writes into 60 x 320 pictures (bands 0 to 4).
std::vector<WritePath> LocalWrites() {
  return {
      {"lock in own format, band 1",
       [](Bitmap& b) {
         return XorRowsThroughLock(b, b.Format(), {3, 70, 9, 20});
       }},
      {"lock converted, band 2",
       [](Bitmap& b) {
         return XorRowsThroughLock(b, PixelFormat::ARGB32bpp, {0, 130, 60, 50});
       }},
      {"lock over a band edge, bands 0 and 1",
       [](Bitmap& b) {
         return XorRowsThroughLock(b, b.Format(), {10, 60, 4, 10});
       }},
      {"graphics fill, band 3",
       [](Bitmap& b) {
         return WithGraphics(b, [](Graphics& g) {
           return g.FillRectangle(Brush::Solid(0xFF102030), Rect{5, 200, 30, 12});
         });
       }},
      {"graphics path, band 4",
       [](Bitmap& b) {
         return WithGraphics(b, [](Graphics& g) {
           GraphicsPath path(FillMode::Alternate);
           const PointF points[] = {{4, 270}, {50, 290}, {20, 300}};
           if (Status s = path.AddLines(points); s != Status::Ok) return s;
           auto pen = Pen::Create(0xFFFF00FF, 3, Unit::Pixel);
           return pen.Ok() ? g.DrawPath(pen.Value(), path) : pen.GetStatus();
         });
       }},
      {"graphics string, band 1",
       [](Bitmap& b) {
         return WithGraphics(b, [](Graphics& g) {
           auto family = FontFamily::FromName("DejaVu Sans");
           if (!family.Ok()) return family.GetStatus();
           auto font = Font::Create(family.Value(), 20, kFontStyleItalic, Unit::Pixel);
           if (!font.Ok()) return font.GetStatus();
           return g.DrawString("Wq", font.Value(), RectF{2, 80, 0, 0}, nullptr, Brush::Solid(0xFF00FF00));
         });
       }},
      {"image drawn, band 2",
       [](Bitmap& b) {
         auto stamp = test::MakePatternBitmap(12, 12, PixelFormat::ARGB32bpp, 7);
         return WithGraphics(b, [&](Graphics& g) { return g.DrawImage(*stamp, Rect{20, 150, 12, 12}); });
       }},
  };
}

// The bands of the rows that differ between two pictures of one size and format.
Bands ChangedBands(Bitmap& before, Bitmap& after) {
  std::set<uint32_t> bands;
  for (uint32_t y : test::ChangedRows(test::OwnFormatBytes(before), test::OwnFormatBytes(after), before.Height()))
    bands.insert(y / kSharedBandRows);
  return {bands.begin(), bands.end()};
}

Bitmap::Ptr DormantCopy(const Bitmap& b) {
  auto copy = b.CloneDormant();
  EXPECT_TRUE(copy.Ok());
  return copy.Ok() ? std::move(copy).Value() : nullptr;
}

Bitmap::Ptr DeepCopy(const Bitmap& b) {
  auto copy = b.Clone();
  EXPECT_TRUE(copy.Ok());
  EXPECT_EQ(copy.Value()->PrepareWrite(), Status::Ok);
  return std::move(copy).Value();
}

const PixelBuffer& PixelsOf(const Bitmap& b) { return b.Pixels(); }

class BandSharing : public ::testing::TestWithParam<PixelFormat> {};

TEST_P(BandSharing, LocalWritesGiveDormantCopiesTheBandsTheyWriteAndNoOthers) {
  for (const WritePath& path : LocalWrites()) {
    SCOPED_TRACE(path.name);
    auto picture = test::MakePatternBitmap(60, 320, GetParam(), 5);
    auto before = DeepCopy(*picture);
    auto dormant = DormantCopy(*picture);
    const Status written = path.write(*picture);
    if (written == Status::InvalidParameter) continue;  // no graphics on indexed pixels
    ASSERT_EQ(written, Status::Ok);
    const Bands changed = ChangedBands(*before, *picture);
    ASSERT_FALSE(changed.empty());
    EXPECT_EQ(PixelsOf(*dormant).SavedBands(), changed);
    EXPECT_TRUE(PixelsOf(*picture).SameBytes(PixelsOf(*dormant))) << "the whole picture was copied";
    EXPECT_EQ(test::OwnFormatBytes(*dormant), test::OwnFormatBytes(*before));
    EXPECT_FALSE(PixelsOf(*dormant).Dormant()) << "reading it wakes it";
  }
}

INSTANTIATE_TEST_SUITE_P(Formats, BandSharing,
                         ::testing::Values(PixelFormat::RGB24bpp, PixelFormat::PARGB32bpp, PixelFormat::RGB32bpp,
                                           PixelFormat::Indexed8bpp));

TEST(BandSharingCost, WholePictureWritesTakeACopyOfTheirOwn) {
  const std::vector<WritePath> whole = {
      {"library pixels", [](Bitmap& b) { return (b.Pixels().Row(200)[3] ^= 0xFF), Status::Ok; }},
      {"lock of everything",
       [](Bitmap& b) {
         return XorRowsThroughLock(b, b.Format(), {0, 0, 60, 320});
       }},
      {"graphics clear", [](Bitmap& b) { return WithGraphics(b, [](Graphics& g) { return g.Clear(0xFF123456); }); }},
      {"half turn, then read", [](Bitmap& b) { return b.RotateFlip(RotateFlipType::Rotate180FlipNone); }},
      {"quarter turn", [](Bitmap& b) { return b.RotateFlip(RotateFlipType::Rotate90FlipNone); }},
  };
  for (const WritePath& path : whole) {
    SCOPED_TRACE(path.name);
    auto picture = test::MakePatternBitmap(60, 320, PixelFormat::RGB24bpp, 5);
    auto before = DeepCopy(*picture);
    auto dormant = DormantCopy(*picture);
    ASSERT_EQ(path.write(*picture), Status::Ok);
    EXPECT_FALSE(test::SamePixels(*picture, *before));
    EXPECT_FALSE(PixelsOf(*picture).SameBytes(PixelsOf(*dormant)));
    EXPECT_TRUE(PixelsOf(*dormant).SavedBands().empty());
    EXPECT_EQ(test::OwnFormatBytes(*dormant), test::OwnFormatBytes(*before));
  }
}

TEST(BandSharingCost, AnOrdinaryShareStillGetsTheWholeCopy) {
  for (const WritePath& path : LocalWrites()) {
    SCOPED_TRACE(path.name);
    auto picture = test::MakePatternBitmap(60, 320, PixelFormat::RGB24bpp, 5);
    auto before = DeepCopy(*picture);
    auto dormant = DormantCopy(*picture);
    auto reader = picture->Clone();  // a renderer, a hand-over, a clipboard copy
    ASSERT_TRUE(reader.Ok());
    ASSERT_EQ(path.write(*picture), Status::Ok);
    EXPECT_FALSE(PixelsOf(*picture).SameBytes(PixelsOf(*reader.Value())));
    EXPECT_TRUE(PixelsOf(*reader.Value()).SameBytes(PixelsOf(*dormant)));
    EXPECT_TRUE(PixelsOf(*dormant).SavedBands().empty());
    // The reader is now the block's only ordinary holder: its own local writes save bands instead.
    ASSERT_EQ(path.write(*reader.Value()), Status::Ok);
    EXPECT_TRUE(PixelsOf(*reader.Value()).SameBytes(PixelsOf(*dormant)));
    EXPECT_FALSE(PixelsOf(*dormant).SavedBands().empty());
    EXPECT_EQ(test::OwnFormatBytes(*dormant), test::OwnFormatBytes(*before));
  }
}

// A dormant copy and the pixels its picture had when it was taken.
struct Moment {
  Bitmap::Ptr dormant;
  std::string pixels;
};

// Numbers below a bound from a fixed seed: the same writes on every run.
class FixedRandom {
 public:
  explicit FixedRandom(uint32_t seed) : m_seed(seed) {}
  uint32_t operator()(uint32_t below) {
    m_seed = m_seed * 1103515245u + 12345u;
    return (m_seed >> 8) % below;
  }

 private:
  uint32_t m_seed;
};

// A picture with many dormant copies taken between writes of changing rows, some released early:
// each copy comes back as the picture was when it was taken, and the picture is never copied whole.
TEST(BandSharingCost, EveryDormantCopyKeepsItsOwnMoment) {
  auto picture = test::MakePatternBitmap(37, 500, PixelFormat::RGB24bpp, 9);
  std::vector<Moment> moments;
  FixedRandom next(12345);
  for (int step = 0; step < 24; ++step) {
    if (step % 2 == 0) moments.push_back({DormantCopy(*picture), test::OwnFormatBytes(*picture)});
    if (step % 7 == 6)
      moments.erase(moments.begin() + static_cast<ptrdiff_t>(next(static_cast<uint32_t>(moments.size()))));
    const auto top = static_cast<int32_t>(next(480));
    const auto height = static_cast<int32_t>(1 + next(static_cast<uint32_t>(std::min(100, 499 - top))));
    ASSERT_EQ(XorRowsThroughLock(*picture, PixelFormat::RGB24bpp, {static_cast<int32_t>(next(30)), top, 5, height}),
              Status::Ok);
  }
  for (const Moment& moment : moments) EXPECT_TRUE(PixelsOf(*picture).SameBytes(PixelsOf(*moment.dormant)));
  for (size_t i = 0; i < moments.size(); ++i) {
    auto restored = moments[i].dormant->Clone();  // as undo restores it: a copy, the snapshot stays dormant
    ASSERT_TRUE(restored.Ok());
    EXPECT_EQ(test::OwnFormatBytes(*restored.Value()), moments[i].pixels) << i;
    EXPECT_TRUE(PixelsOf(*moments[i].dormant).Dormant());
    EXPECT_EQ(test::OwnFormatBytes(*moments[i].dormant), moments[i].pixels) << i;
  }
}

TEST(BandSharingCost, ADormantCopyTurnedOrSavedShowsItsOwnPixels) {
  auto picture = test::MakePatternBitmap(20, 150, PixelFormat::RGB24bpp, 3);
  auto expected = DeepCopy(*picture);
  ASSERT_EQ(expected->RotateFlip(RotateFlipType::Rotate180FlipX), Status::Ok);
  auto turned = DormantCopy(*picture);
  ASSERT_EQ(turned->RotateFlip(RotateFlipType::Rotate180FlipX), Status::Ok);
  auto saved = DormantCopy(*picture);
  auto original = DeepCopy(*picture);
  ASSERT_EQ(XorRowsThroughLock(*picture, PixelFormat::RGB24bpp, {0, 10, 20, 100}), Status::Ok);
  EXPECT_TRUE(test::SamePixels(*turned, *expected));
  std::vector<uint8_t> fromDormant, fromOriginal;
  ASSERT_EQ(saved->SaveToMemory(kPngEncoderClsid, {}, fromDormant), Status::Ok);
  ASSERT_EQ(original->SaveToMemory(kPngEncoderClsid, {}, fromOriginal), Status::Ok);
  EXPECT_EQ(fromDormant, fromOriginal);
}

// A 1200-pixel 24-bit row is 3600 bytes: pieces of bytes 0-1023, 1024-2047, 2048-3071 and 3072-3599.
TEST(BandSharingCost, AnAreaSavesOnlyThePiecesOfItsColumns) {
  using Pieces = std::vector<std::pair<uint32_t, uint32_t>>;
  struct Case {
    const char* what;
    Rect area;
    Pieces saved;
  };
  const Case cases[] = {
      {"inside one piece", {400, 70, 200, 20}, {{1, 1}}},
      {"across a piece edge", {300, 10, 100, 5}, {{0, 0}, {0, 1}}},
      {"the last, narrower piece, every row", {1190, 0, 10, 200}, {{0, 3}, {1, 3}, {2, 3}, {3, 3}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    auto picture = test::MakePatternBitmap(1200, 200, PixelFormat::RGB24bpp, 6);
    auto before = DeepCopy(*picture);
    auto dormant = DormantCopy(*picture);
    ASSERT_EQ(WithGraphics(*picture, [&](Graphics& g) { return g.FillRectangle(Brush::Solid(0xFF0000FF), c.area); }),
              Status::Ok);
    EXPECT_EQ(PixelsOf(*dormant).SavedPieces(), c.saved);
    EXPECT_TRUE(PixelsOf(*picture).SameBytes(PixelsOf(*dormant))) << "the whole picture was copied";
    EXPECT_EQ(test::OwnFormatBytes(*dormant), test::OwnFormatBytes(*before));
  }
}

// Copies taken between fills of scattered areas come back whole: each saved piece lies over the block
// exactly where it was cut from, whatever was written beside it later.
TEST(BandSharingCost, PiecesSavedAtDifferentMomentsComeBackInPlace) {
  auto picture = test::MakePatternBitmap(1500, 300, PixelFormat::RGB24bpp, 8);
  std::vector<Moment> moments;
  FixedRandom next(777);
  for (int step = 0; step < 30; ++step) {
    if (step % 3 == 0) moments.push_back({DormantCopy(*picture), test::OwnFormatBytes(*picture)});
    const Rect area{static_cast<int32_t>(next(1400)), static_cast<int32_t>(next(280)),
                    static_cast<int32_t>(1 + next(100)), static_cast<int32_t>(1 + next(20))};
    const Argb colour = 0xFF000000u | next(0xFFFFFF);
    ASSERT_EQ(WithGraphics(*picture, [&](Graphics& g) { return g.FillRectangle(Brush::Solid(colour), area); }),
              Status::Ok);
  }
  for (const Moment& moment : moments) EXPECT_TRUE(PixelsOf(*picture).SameBytes(PixelsOf(*moment.dormant)));
  for (size_t i = 0; i < moments.size(); ++i)
    EXPECT_EQ(test::OwnFormatBytes(*moments[i].dormant), moments[i].pixels) << i;
}

// A picture moved to another thread keeps writing rows, or pieces of rows beside pieces the reader
// copies from the block, while its dormant copy is read on this one.
TEST(BandSharingCost, ADormantCopyReadWhileAnotherThreadWrites) {
  auto picture = test::MakePatternBitmap(700, 640, PixelFormat::RGB24bpp, 4);
  auto dormant = DormantCopy(*picture);
  const std::string expected = test::OwnFormatBytes(*DeepCopy(*picture));
  std::thread writer([&picture] {
    for (int32_t k = 0; k < 200; ++k) {
      const int32_t top = (k * 37) % 600;
      if (k % 2 == 0) {
        EXPECT_EQ(XorRowsThroughLock(*picture, PixelFormat::RGB24bpp, {0, top, 700, 20}), Status::Ok);
      } else {
        EXPECT_EQ(WithGraphics(*picture,
                               [top](Graphics& g) {
                                 return g.FillRectangle(Brush::Solid(0xFF00FF00 + static_cast<uint32_t>(top)),
                                                        Rect{(top * 7) % 650, top, 40, 30});
                               }),
                  Status::Ok);
      }
    }
  });
  for (int i = 0; i < 40; ++i) {
    auto restored = dormant->Clone();
    ASSERT_TRUE(restored.Ok());
    EXPECT_EQ(test::OwnFormatBytes(*restored.Value()), expected);
  }
  writer.join();
  EXPECT_EQ(test::OwnFormatBytes(*dormant), expected);
}

TEST(BandSharingDeathTest, ADormantShareIsNotReadInPlace) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  auto picture = PixelBuffer::Allocate(PixelFormat::RGB24bpp, 4, 4, PixelBuffer::Init::Zero);
  ASSERT_TRUE(picture.Ok());
  auto dormant = picture.Value().ShareDormant();
  ASSERT_TRUE(dormant.Ok());
  EXPECT_DEBUG_DEATH(static_cast<void>(std::as_const(dormant.Value()).Row(1)[0]), "dormant");
}

}  // namespace
}  // namespace tavlen::gfx
