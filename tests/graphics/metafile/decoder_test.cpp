// The metafile decoders: recognition by content, natural sizes, limits, and broken or hostile files.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "platform/graphics/bitmap.h"
#include "platform/graphics/metafile/metafile_decoders.h"
#include "tests/graphics/metafile/metafile_writer.h"
#include "tests/graphics/metafile/render_util.h"
#include "tests/graphics/test_support.h"

namespace tavlen::gfx {
namespace {

using test::Rgb;

std::vector<uint8_t> SmallEmf() {
  test::EmfWriter e(50, 30);
  e.Record(39, {1, 0, 0x0000FF, 0});
  e.Record(37, {1});
  e.Record(43, {5, 5, 20, 20});
  return e.Finish();
}

TEST(MetafileDecoder, RegistryRecognisesAllThreeHeaders) {
  test::WmfWriter placeable(64, 32);
  test::WmfWriter standard(70, 20, false);
  struct Case {
    std::vector<uint8_t> bytes;
    Guid format;
    uint32_t width, height;
  };
  const Case cases[] = {{placeable.Finish(), kImageFormatWmf, 64, 32},
                        {standard.Finish(), kImageFormatWmf, 70, 20},
                        {SmallEmf(), kImageFormatEmf, 50, 30}};
  for (const Case& c : cases) {
    auto bitmap = Bitmap::FromMemory(c.bytes);
    ASSERT_TRUE(bitmap.Ok()) << static_cast<int>(bitmap.GetStatus());
    EXPECT_EQ(bitmap.Value()->RawFormat(), c.format);
    EXPECT_EQ(bitmap.Value()->Format(), PixelFormat::RGB32bpp);
    EXPECT_EQ(bitmap.Value()->Width(), c.width);
    EXPECT_EQ(bitmap.Value()->Height(), c.height);
  }
}

TEST(MetafileDecoder, OpenersDeclineOtherFormatsQuickly) {
  auto png = std::make_shared<Bytes>(Bytes{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n', 0, 0, 0, 0});
  std::unique_ptr<ImageDecoder> decoder;
  EXPECT_EQ(OpenWmfDecoder(png, kDefaultLimits, decoder), Status::UnknownImageFormat);
  EXPECT_EQ(OpenEmfDecoder(png, kDefaultLimits, decoder), Status::UnknownImageFormat);
  auto emf = std::make_shared<Bytes>(SmallEmf());
  EXPECT_EQ(OpenWmfDecoder(emf, kDefaultLimits, decoder), Status::UnknownImageFormat);
  EXPECT_EQ(decoder, nullptr);
}

TEST(MetafileDecoder, PlacedPictureScalesByUnitsPerInch) {
  // 1440 units per inch: a 2880 x 1440 box is 192 x 96 pixels.
  test::ByteWriter b;
  for (uint32_t v : {0x9AC6CDD7u}) b.U32(v);
  for (int16_t v : {0, 0, 0, 2880, 1440}) b.S16(v);
  b.U16(1440);
  b.U32(0);
  b.U16(0);
  for (uint16_t v : {1, 9, 0x300}) b.U16(v);
  b.U32(0);
  b.U16(0);
  b.U32(0);
  b.U16(0);
  b.U32(3);
  b.U16(0);
  PixelBuffer px;
  ASSERT_EQ(metafile::PlayWmf(b.Data(), kDefaultLimits, px), Status::Ok);
  EXPECT_EQ(px.Width(), 192u);
  EXPECT_EQ(px.Height(), 96u);
  EXPECT_EQ(Rgb(px, 100, 50), test::kWhite);
}

TEST(MetafileDecoder, StandardWmfWithoutWindowTakesTheDrawingsBounds) {
  test::WmfWriter w(1, 1, false);
  std::vector<uint8_t> bytes = w.Finish();
  // Rebuild without the window records: header, one rectangle from (10, 10) to (50, 30), end.
  test::ByteWriter b;
  b.Bytes(std::vector<uint8_t>(bytes.begin(), bytes.begin() + 18));
  b.U32(7), b.U16(0x041B);
  for (int16_t v : {30, 50, 10, 10}) b.S16(v);
  b.U32(3), b.U16(0);
  PixelBuffer px;
  ASSERT_EQ(metafile::PlayWmf(b.Data(), kDefaultLimits, px), Status::Ok);
  EXPECT_NEAR(px.Width(), 40u, 2);
  EXPECT_NEAR(px.Height(), 20u, 2);
}

// Natural sizes past the canvas limit are drawn scaled down, aspect kept, with the drawing scaled alike.
TEST(MetafileDecoder, LargePicturesAreDrawnScaledIntoABoundedCanvas) {
  test::EmfWriter e(8000, 4000);
  e.Record(39, {1, 0, 0x0000FF, 0});
  e.Record(37, {1});
  e.Record(43, {4000, 0, 8000, 4000});  // the right half
  PixelBuffer px;
  ASSERT_EQ(metafile::PlayEmf(e.Finish(), kDefaultLimits, px), Status::Ok);
  EXPECT_EQ(px.Width(), 2896u);
  EXPECT_EQ(px.Height(), 1448u);
  EXPECT_EQ(Rgb(px, 1440, 700), test::kWhite);
  EXPECT_NE(Rgb(px, 1460, 700), test::kWhite);

  test::WmfWriter w(3000, 1000);
  DecodeLimits small;
  small.maxMetafilePixels = 300 * 100;
  ASSERT_EQ(metafile::PlayWmf(w.Finish(), small, px), Status::Ok);
  EXPECT_EQ(px.Width(), 300u);
  EXPECT_EQ(px.Height(), 100u);

  test::EmfWriter atTheLimit(2048, 2048);
  ASSERT_EQ(metafile::PlayEmf(atTheLimit.Finish(), kDefaultLimits, px), Status::Ok);
  EXPECT_EQ(px.Width(), 2048u);
}

TEST(MetafileDecoder, SizesBeyondTheLimitsAreRefused) {
  test::EmfWriter e(20000, 20000);
  DecodeLimits small;
  small.maxPixelBytes = 1 << 20;
  PixelBuffer px;
  EXPECT_EQ(metafile::PlayEmf(e.Finish(), small, px), Status::OutOfMemory);
  EXPECT_TRUE(px.Empty());
}

TEST(MetafileRobustness, BrokenFirstRecordFailsAndLaterOnesEndThePicture) {
  std::vector<uint8_t> emf = SmallEmf();
  // The first record after the header claims to run past the end of the file.
  std::vector<uint8_t> broken = emf;
  broken[88 + 4] = 0xFF, broken[88 + 5] = 0xFF, broken[88 + 6] = 0xFF;
  PixelBuffer px;
  EXPECT_EQ(metafile::PlayEmf(broken, kDefaultLimits, px), Status::InvalidParameter);
  // The same fault in the last record keeps what came before.
  std::vector<uint8_t> late = emf;
  late.erase(late.end() - 20, late.end());
  ASSERT_EQ(metafile::PlayEmf(late, kDefaultLimits, px), Status::Ok);
  EXPECT_EQ(Rgb(px, 10, 10), 0xFF0000u);
}

TEST(MetafileRobustness, BadIndexesDeepSavesAndHugeCountsAreSkipped) {
  test::EmfWriter e(40, 40);
  for (int i = 0; i < 3000; ++i) e.Record(33, {});               // more saves than kept
  e.Record(37, {0x7FFFFFFF});                                    // no such object
  e.Record(39, {static_cast<int32_t>(0x7FFFFFF0), 0, 0, 0});     // slot beyond the table
  e.Record(3, {0, 0, 10, 10, 0x3FFFFFFF, 1, 1});                 // polygon claiming a billion points
  e.Record(84, {0, 0, 0, 0, 1, 0, 0, 0, 0, 0x7FFFFFFF, 76, 0});  // text claiming a huge string
  e.Record(34, {-100000});                                       // restore past the bottom
  e.Record(39, {1, 0, 0x000000, 0});
  e.Record(37, {1});
  e.Record(43, {0, 0, 40, 40});
  metafile::PlayStats stats;
  PixelBuffer px;
  ASSERT_EQ(metafile::PlayEmf(e.Finish(), kDefaultLimits, px, &stats), Status::Ok);
  EXPECT_EQ(Rgb(px, 20, 20), 0u);
  EXPECT_GE(stats.skipped, 5u);
}

TEST(MetafileRobustness, EmfPlusOnlyPictureWithNothingDrawnFails) {
  test::EmfWriter e(40, 40);
  // A comment carrying an EMF+ header record and nothing else.
  e.Record(70, {32, 0x2B464D45, 0x00014001, 28, 16, static_cast<int32_t>(0xDBC01002), 0, 96, 96});
  PixelBuffer px;
  EXPECT_EQ(metafile::PlayEmf(e.Finish(), kDefaultLimits, px), Status::GenericError);
  // With an EMF record that draws, the picture is kept: EMF+ records that draw nothing leave the drawing to it.
  test::EmfWriter f(40, 40);
  f.Record(70, {32, 0x2B464D45, 0x00014001, 28, 16, static_cast<int32_t>(0xDBC01002), 0, 96, 96});
  f.Record(43, {0, 0, 40, 40});
  EXPECT_EQ(metafile::PlayEmf(f.Finish(), kDefaultLimits, px), Status::Ok);
}

TEST(MetafileRobustness, EveryTruncationOfAFileEndsInAStatusOrAPicture) {
  test::WmfWriter w(40, 40);
  w.CreateFont(-12, 400, "Liberation Sans");
  w.Select(0);
  w.Record(0x0521, {2, 'O' | ('K' << 8), 10, 10});
  w.Record(0x0F43, {0x0020, 0x00CC, 0, 2, 2, 0, 0, 20, 20, 0, 0}, test::Dib24(2, 2, [](int, int) { return 0u; }));
  const std::vector<uint8_t> full = w.Finish();
  for (size_t n = 0; n < full.size(); ++n) {
    const std::vector<uint8_t> cut(full.begin(), full.begin() + static_cast<ptrdiff_t>(n));
    PixelBuffer px;
    const Status s = metafile::PlayWmf(cut, kDefaultLimits, px);
    if (s == Status::Ok) {
      EXPECT_EQ(px.Width(), 40u);
    }
  }
}

std::vector<uint8_t> ReadFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

TEST(MetafileTestData, RealFilesRenderWithInkAndFewSkips) {
  const auto root = test::TestDataDir();
  if (root.empty()) GTEST_SKIP() << "../shared/testdata is absent";
  size_t rendered = 0;
  for (const char* folder : {"wmf", "emf"}) {
    for (const auto& entry : std::filesystem::directory_iterator(root / folder)) {
      const std::string name = entry.path().filename().string();
      const std::vector<uint8_t> bytes = ReadFile(entry.path());
      PixelBuffer px;
      metafile::PlayStats stats;
      const Status s = folder[0] == 'w' ? metafile::PlayWmf(bytes, kDefaultLimits, px, &stats)
                                        : metafile::PlayEmf(bytes, kDefaultLimits, px, &stats);
      ASSERT_EQ(s, Status::Ok) << name;
      ++rendered;
      size_t ink = 0;
      for (uint32_t y = 0; y < px.Height(); ++y)
        for (uint32_t x = 0; x < px.Width(); ++x) ink += Rgb(px, x, y) != test::kWhite;
      EXPECT_GT(ink, 20u) << name << " shows nothing";
      EXPECT_LE(stats.skipped * 10, stats.records) << name;
    }
  }
  EXPECT_GE(rendered, 39u);  // the EMF+-only file included
}

TEST(MetafileTestData, BrokenFilesEndInAStatusOrAPicture) {
  const auto root = test::TestDataDir();
  if (root.empty()) GTEST_SKIP() << "../shared/testdata is absent";
  size_t seen = 0;
  for (const auto& entry : std::filesystem::directory_iterator(root / "bad")) {
    const std::string name = entry.path().filename().string();
    const bool wmf = name.rfind("wmf-", 0) == 0, emf = name.rfind("emf-", 0) == 0;
    if (!wmf && !emf) continue;
    const std::vector<uint8_t> bytes = ReadFile(entry.path());
    PixelBuffer px;
    const Status s = wmf ? metafile::PlayWmf(bytes, kDefaultLimits, px) : metafile::PlayEmf(bytes, kDefaultLimits, px);
    if (s == Status::Ok) {
      EXPECT_FALSE(px.Empty()) << name;
    } else {
      EXPECT_TRUE(px.Empty()) << name;
    }
    ++seen;
  }
  EXPECT_GE(seen, 16u);
}

}  // namespace
}  // namespace tavlen::gfx
