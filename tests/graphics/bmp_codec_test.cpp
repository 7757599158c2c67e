// Tests of the BMP/DIB decoder and encoder: round trips, hand-built files, hostile input, other decoders.
#include <array>
#include <climits>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <optional>
#include <vector>

#include "platform/graphics/bitmap.h"
#include "platform/graphics/codecs/bmp_format.h"
#include "platform/graphics/codecs/codec.h"
#include "platform/graphics/convert.h"
#include "tests/graphics/test_support.h"

namespace tavlen::gfx {
namespace {

using namespace bmp;

// A DIB described field by field; `palette` holds 0xRRGGBB entries.
struct Dib {
  Dib(uint32_t size, int32_t w, int32_t h, uint16_t bits, uint32_t comp = kBiRgb, uint32_t used = 0)
      : headerSize(size), width(w), height(h), bitCount(bits), compression(comp), colorsUsed(used) {}
  uint32_t headerSize;
  int32_t width, height;
  uint16_t bitCount;
  uint32_t compression, colorsUsed;
  std::array<uint32_t, 4> masks{};   // inside headers of 52 bytes and more
  std::vector<uint32_t> extraMasks;  // behind a 40-byte header
  std::vector<uint32_t> palette;
  Bytes pixels;
};

void Put32(Bytes& b, uint32_t v) {
  for (int i = 0; i < 4; ++i) b.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

Bytes MakeDib(const Dib& d) {
  Bytes b;
  const bool core = d.headerSize == kCoreHeaderSize;
  b.resize(d.headerSize);
  WriteU32(b.data(), d.headerSize);
  if (core) {
    WriteU16(&b[4], static_cast<uint16_t>(d.width));
    WriteU16(&b[6], static_cast<uint16_t>(d.height));
    WriteU16(&b[8], 1);
    WriteU16(&b[10], d.bitCount);
  } else {
    std::array<uint8_t, kV5HeaderSize> f{};
    WriteU32(&f[kInfoWidth], static_cast<uint32_t>(d.width));
    WriteU32(&f[kInfoHeight], static_cast<uint32_t>(d.height));
    WriteU16(&f[kInfoPlanes], 1);
    WriteU16(&f[kInfoBitCount], d.bitCount);
    WriteU32(&f[kInfoCompression], d.compression);
    WriteU32(&f[kInfoColorsUsed], d.colorsUsed);
    for (size_t i = 0; i < 4; ++i) WriteU32(&f[kInfoRedMask + 4 * i], d.masks[i]);
    std::memcpy(&b[4], &f[4], std::min<size_t>(d.headerSize, f.size()) - 4);
  }
  for (uint32_t m : d.extraMasks) Put32(b, m);
  for (uint32_t c : d.palette) {
    b.insert(b.end(), {static_cast<uint8_t>(c), static_cast<uint8_t>(c >> 8), static_cast<uint8_t>(c >> 16)});
    if (!core) b.push_back(0);
  }
  b.insert(b.end(), d.pixels.begin(), d.pixels.end());
  return b;
}

// The DIB behind a file header; `offset` defaults to the true position of the pixels.
Bytes MakeBmp(const Dib& d, std::optional<uint32_t> offset = {}) {
  const Bytes dib = MakeDib(d);
  Bytes b = {'B', 'M'};
  Put32(b, static_cast<uint32_t>(kFileHeaderSize + dib.size()));
  Put32(b, 0);
  Put32(b, offset.value_or(static_cast<uint32_t>(kFileHeaderSize + dib.size() - d.pixels.size())));
  b.insert(b.end(), dib.begin(), dib.end());
  return b;
}

struct Decoded {
  Status status = Status::GenericError;
  PixelBuffer pixels;
};

Decoded Decode(const Bytes& file, const DecodeLimits& limits = kDefaultLimits) {
  Decoded d;
  std::unique_ptr<ImageDecoder> decoder;
  d.status = OpenBmpDecoder(std::make_shared<Bytes>(file), limits, decoder);
  DecodedFrame frame;
  if (d.status == Status::Ok) d.status = decoder->DecodeFrame(0, frame);
  d.pixels = std::move(frame.pixels);
  return d;
}

// Every pixel as 0xAARRGGBB, row by row.
std::vector<uint32_t> Colours(const PixelBuffer& p) {
  std::vector<uint32_t> out;
  std::vector<uint8_t> row(size_t{p.Width()} * 4);
  for (uint32_t y = 0; y < p.Height(); ++y) {
    RowToArgb32(p.Row(y), p.Format(), p.GetPalette(), 0, p.Width(), row.data());
    for (uint32_t x = 0; x < p.Width(); ++x) out.push_back(ReadU32(&row[4 * x]));
  }
  return out;
}

std::vector<uint32_t> Indices(const PixelBuffer& p) {
  std::vector<uint32_t> out;
  const uint32_t bits = BitsPerPixel(p.Format());
  for (uint32_t y = 0; y < p.Height(); ++y)
    for (uint32_t x = 0; x < p.Width(); ++x)
      out.push_back((p.Row(y)[x * bits / 8] >> (8 - bits - x * bits % 8)) & ((1u << bits) - 1));
  return out;
}

using Argbs = std::vector<uint32_t>;

// ImageMagick's reading of a file as 0xAARRGGBB pixels, or nothing when it cannot read it.
Argbs MagickColours(const std::filesystem::path& path) {
  const std::optional<test::MagickPicture> picture = test::ReadWithImageMagick(path);
  return picture ? picture->Argbs() : Argbs();
}

TEST(BmpRoundTrip, KeepsWhatBmpHoldsAndConvertsTheRest) {
  using F = PixelFormat;
  const std::pair<F, F> cases[] = {
      {F::Indexed1bpp, F::Indexed1bpp},   {F::Indexed4bpp, F::Indexed4bpp},   {F::Indexed8bpp, F::Indexed8bpp},
      {F::RGB555_16bpp, F::RGB555_16bpp}, {F::RGB565_16bpp, F::RGB565_16bpp}, {F::RGB24bpp, F::RGB24bpp},
      {F::RGB32bpp, F::RGB32bpp},         {F::ARGB32bpp, F::ARGB32bpp},       {F::PARGB32bpp, F::ARGB32bpp},
      {F::GrayScale16bpp, F::RGB24bpp},   {F::ARGB1555_16bpp, F::ARGB32bpp},  {F::RGB48bpp, F::RGB24bpp},
      {F::ARGB64bpp, F::ARGB32bpp},       {F::PARGB64bpp, F::ARGB32bpp}};
  const bool magick = test::HasImageMagick();
  test::TempDir temp;
  for (auto [from, to] : cases) {
    SCOPED_TRACE(static_cast<uint32_t>(from));
    Bitmap::Ptr src = test::MakePatternBitmap(13, 5, from);
    Bytes file;
    ASSERT_EQ(EncodeBmp(src->Pixels(), {}, {}, file), Status::Ok);
    EXPECT_EQ(ReadU32(&file[kFileHeaderSize]), to == F::ARGB32bpp ? kV5HeaderSize : kInfoHeaderSize);
    EXPECT_EQ(ReadU32(&file[kFileHeaderSize + kInfoHeight]), 5u);  // bottom-up
    Decoded d = Decode(file);
    ASSERT_EQ(d.status, Status::Ok);
    ASSERT_EQ(d.pixels.Format(), to);
    const Argbs colours = Colours(d.pixels);
    if (from == to) {
      EXPECT_EQ(d.pixels.GetPalette().entries, src->GetPalette().entries);
      EXPECT_EQ(test::OwnFormatBytes(*Bitmap::FromPixels(std::move(d.pixels))), test::OwnFormatBytes(*src));
    } else {
      EXPECT_EQ(colours, Colours(ConvertFormat(src->Pixels(), to).Value()));
    }
    if (magick) {  // an independent reader sees the same picture
      std::ofstream(temp.File("a.bmp"), std::ios::binary).write(reinterpret_cast<char*>(file.data()), file.size());
      EXPECT_EQ(MagickColours(temp.File("a.bmp")), colours);
    }
  }
}

TEST(BmpEncoder, WritesTheOwnPaletteAndRefusesParameters) {
  Bitmap::Ptr src = test::MakePatternBitmap(13, 1, PixelFormat::Indexed1bpp);
  Bytes out;
  ASSERT_EQ(EncodeBmp(src->Pixels(), {}, {}, out), Status::Ok);
  EXPECT_EQ(out[ReadU32(&out[kPixelOffsetOffset]) + 1] & 0x07, 0) << "padding bits are zero";
  src = test::MakePatternBitmap(2, 1, PixelFormat::Indexed8bpp);
  src->Pixels().GetPalette().entries = {0xFF102030, 0xFF405060, 0xFF708090};
  src->Pixels().Row(0)[0] = 2;
  src->Pixels().Row(0)[1] = 1;
  ASSERT_EQ(EncodeBmp(src->Pixels(), {}, {}, out), Status::Ok);
  EXPECT_EQ(ReadU32(&out[kFileHeaderSize + kInfoColorsUsed]), 3u);
  EXPECT_EQ(Decode(out).pixels.GetPalette().entries, src->GetPalette().entries);

  const uint32_t value = kEncoderValueCompressionRle;
  const EncoderParameter param{kEncoderCompression, 1, kEncoderParameterValueTypeLong, &value};
  out = {1, 2, 3};
  EXPECT_EQ(EncodeBmp(src->Pixels(), {}, {&param, 1}, out), Status::InvalidParameter);
  EXPECT_EQ(EncodeBmp(PixelBuffer{}, {}, {}, out), Status::InvalidParameter);
  EXPECT_EQ(out, (Bytes{1, 2, 3}));
}

TEST(BmpRle, Rle8EscapesLeaveSkippedPixelsAtIndexZero) {
  Dib d(40, 6, 4, 8, kBiRle8);
  d.palette.resize(10);
  d.pixels = {3, 5, 0, 3, 1, 2, 3, 0, 0, 0,   // run, odd absolute run with its pad byte, end of line
              2, 7, 0, 2, 2, 1, 2, 9, 0, 0,   // run, delta (2 right, 1 up), run, end of line
              0, 5, 1, 2, 3, 4, 5, 0, 0, 1};  // absolute run of 5 + pad, end of bitmap
  Decoded r = Decode(MakeBmp(d));
  ASSERT_EQ(r.status, Status::Ok);
  ASSERT_EQ(r.pixels.Format(), PixelFormat::Indexed8bpp);
  EXPECT_EQ(Indices(r.pixels), (Argbs{1, 2, 3, 4, 5, 0, 0, 0, 0, 0, 9, 9, 7, 7, 0, 0, 0, 0, 5, 5, 5, 1, 2, 3}));
}

TEST(BmpRle, Rle4NibblesAndClippedRuns) {
  Dib d(40, 7, 3, 4, kBiRle4);
  d.pixels = {7, 0x12, 0,    0,              // alternating run, end of line
              0, 3,    0x34, 0x50,           // 3 nibbles in 2 bytes: no pad
              0, 5,    0x67, 0x89, 0xA0, 0,  // 5 nibbles, 3 bytes + pad; the fifth falls off the row
              0, 0,    3,    0xBC, 0,    1};
  Decoded r = Decode(MakeBmp(d));
  ASSERT_EQ(r.status, Status::Ok);
  EXPECT_EQ(Indices(r.pixels), (Argbs{11, 12, 11, 0, 0, 0, 0, 3, 4, 5, 6, 7, 8, 9, 1, 2, 1, 2, 1, 2, 1}));
  // Runs past the row end are dropped, not wrapped; a delta out of the image ends decoding.
  d = Dib(40, 2, 2, 8, kBiRle8);
  d.pixels = {5, 7, 1, 3, 0, 0, 2, 4, 0, 2, 200, 200, 9, 6};
  r = Decode(MakeBmp(d));
  ASSERT_EQ(r.status, Status::Ok);
  EXPECT_EQ(Indices(r.pixels), (Argbs{4, 4, 7, 7}));
}

TEST(BmpBitfields, MasksPickTheFormatAndScaleExactly) {
  Dib d(40, 2, 1, 16, kBiBitfields);
  d.extraMasks = {0xF800, 0x07E0, 0x001F};
  d.pixels = {0x00, 0xF8, 0xE0, 0x07};
  Decoded r = Decode(MakeBmp(d));
  ASSERT_EQ(r.pixels.Format(), PixelFormat::RGB565_16bpp);
  EXPECT_EQ(ReadU32(r.pixels.Row(0)), 0x07E0F800u);

  d = Dib(56, 2, 1, 16, kBiBitfields);
  d.masks = {0x0F00, 0x00F0, 0x000F, 0xF000};
  d.pixels = {0x34, 0x12, 0xA5, 0xF0};
  r = Decode(MakeBmp(d));
  ASSERT_EQ(r.pixels.Format(), PixelFormat::ARGB32bpp);
  EXPECT_EQ(Colours(r.pixels), (Argbs{0x11223344, 0xFF00AA55}));
  d.pixels = {0x34, 0x02, 0xA5, 0x00};  // no alpha bit set anywhere: opaque
  r = Decode(MakeBmp(d));
  ASSERT_EQ(r.pixels.Format(), PixelFormat::RGB24bpp);
  EXPECT_EQ(Colours(r.pixels), (Argbs{0xFF223344, 0xFF00AA55}));

  d = Dib(108, 1, 1, 32, kBiBitfields);
  d.masks = {0x3FF00000, 0x000FFC00, 0x000003FF, 0xC0000000};
  Put32(d.pixels, 1u << 30 | 512u << 20 | 3u << 10 | 1023u);
  EXPECT_EQ(Colours(Decode(MakeBmp(d)).pixels), (Argbs{0x558001FF}));  // 512/1023 -> 128, 3/1023 -> 1, 1/3 -> 85

  d = Dib(40, 1, 1, 32, kBiAlphaBitfields);
  d.extraMasks = {0xFF0000, 0xFF00, 0xFF, 0xFF000000};
  d.pixels = {0x11, 0x22, 0x33, 0x44};
  r = Decode(MakeBmp(d));
  ASSERT_EQ(r.pixels.Format(), PixelFormat::ARGB32bpp);
  EXPECT_EQ(Colours(r.pixels), (Argbs{0x44332211}));
  d.extraMasks[0] = 0x0F0F00;  // not contiguous
  EXPECT_EQ(Decode(MakeBmp(d)).status, Status::GenericError);
}

TEST(BmpHeaders, CoreOs2TopDownAndHeaderlessVariants) {
  Dib core(12, 3, 2, 8);
  core.palette = {0xFF0000, 0x00FF00, 0x0000FF, 0x123456};  // cut short by the pixel offset
  core.pixels = {0, 1, 2, 0, 3, 3, 3, 0};
  Decoded r = Decode(MakeBmp(core));
  EXPECT_EQ(r.pixels.GetPalette().entries.size(), 4u);
  EXPECT_EQ(Colours(r.pixels), (Argbs{0xFF123456, 0xFF123456, 0xFF123456, 0xFFFF0000, 0xFF00FF00, 0xFF0000FF}));

  Dib os2(16, 3, 1, 4);
  os2.palette.assign(16, 0x445566);
  os2.palette[2] = 0xABCDEF;
  os2.pixels = {0x20, 0x20, 0, 0};
  EXPECT_EQ(Colours(Decode(MakeBmp(os2)).pixels), (Argbs{0xFFABCDEF, 0xFF445566, 0xFFABCDEF}));

  Dib topDown(40, 2, -2, 24, kBiRgb, 2);  // with an unused palette
  topDown.palette = {1, 2};
  topDown.pixels = {1, 2, 3, 4, 5, 6, 0, 0, 7, 8, 9, 10, 11, 12, 0, 0};
  EXPECT_EQ(Colours(Decode(MakeDib(topDown)).pixels), (Argbs{0xFF030201, 0xFF060504, 0xFF090807, 0xFF0C0B0A}));

  Dib coreDib(12, 9, 1, 1);
  coreDib.palette = {0, 0xFFFFFF};
  coreDib.pixels = {0x80, 0x80, 0, 0};
  r = Decode(MakeDib(coreDib));
  EXPECT_EQ(r.pixels.Format(), PixelFormat::Indexed1bpp);
  EXPECT_EQ(Indices(r.pixels), (Argbs{1, 0, 0, 0, 0, 0, 0, 0, 1}));

  Dib twoBit(40, 5, 1, 2);
  twoBit.palette = {0x000000, 0x555555, 0xAAAAAA, 0xFFFFFF};
  twoBit.pixels = {0x1B, 0xC0, 0, 0};
  r = Decode(MakeBmp(twoBit));
  EXPECT_EQ(r.pixels.Format(), PixelFormat::Indexed4bpp);
  EXPECT_EQ(r.pixels.GetPalette().entries.size(), 4u);
  EXPECT_EQ(Indices(r.pixels), (Argbs{0, 1, 2, 3, 3}));
}

TEST(BmpPalette, ShortPaletteIndicesShowBlackAndLongPaletteIsCut) {
  Dib d(40, 3, 1, 8, kBiRgb, 2);
  d.palette = {0x111111, 0x222222};
  d.pixels = {0, 1, 5, 0};
  Decoded r = Decode(MakeBmp(d));
  EXPECT_EQ(Colours(r.pixels), (Argbs{0xFF111111, 0xFF222222, 0xFF000000}));
  EXPECT_EQ(r.pixels.GetPalette().entries.size(), 6u) << "every index used has an entry";

  Dib big(40, 2, 1, 4, kBiRgb, 20);
  big.palette.assign(20, 0x777777);
  big.pixels = {0xF0, 0, 0, 0};
  Dib absurd(40, 2, 1, 4, kBiRgb, 0xFF000006);  // a count that cannot be skipped: the depth's 16 entries
  absurd.palette.assign(16, 0x777777);
  absurd.pixels = big.pixels;
  for (const Bytes& file : {MakeBmp(big), MakeDib(big), MakeDib(absurd)}) {
    r = Decode(file);
    EXPECT_EQ(r.pixels.GetPalette().entries.size(), 16u);
    EXPECT_EQ(Indices(r.pixels), (Argbs{15, 0}));
  }
}

TEST(BmpOffsets, ImpossibleOffsetsFallBackToAfterThePalette) {
  Dib d(40, 1, 1, 24);
  d.pixels = {9, 8, 7, 0};
  for (uint32_t offset : {0u, 20u, 1000u, UINT32_MAX}) {
    Bytes file = MakeBmp(d, offset);
    WriteU32(&file[kFileSizeOffset], 3);  // a wrong file size is ignored
    EXPECT_EQ(Colours(Decode(file).pixels), (Argbs{0xFF070809})) << offset;
  }
}

TEST(BmpTruncated, DecodesTheRowsThatArePresent) {
  Dib d(40, 2, 3, 24);
  for (uint8_t i = 1; i <= 24; ++i) d.pixels.push_back(i);
  Bytes file = MakeBmp(d);
  file.erase(file.end() - 13, file.end());  // keep the bottom row and one pixel of the middle row
  Decoded r = Decode(file);
  ASSERT_EQ(r.status, Status::Ok);
  EXPECT_EQ(Colours(r.pixels), (Argbs{0xFF000000, 0xFF000000, 0xFF0B0A09, 0xFF000000, 0xFF030201, 0xFF060504}));
  // Every cut of a file decodes or fails cleanly (the sanitizer build watches the reads).
  d = Dib(40, 4, 2, 8, kBiRle8);
  d.palette = {1, 2, 3};
  d.pixels = {0, 3, 1, 2, 0, 0, 0, 0, 0, 2, 1, 0, 2, 2, 0, 1};
  const Bytes rle = MakeBmp(d);
  for (size_t n = 0; n <= rle.size(); ++n) Ignore(Decode(Bytes(rle.begin(), rle.begin() + n)).status);
}

// Plain 24-bit files are read from disk row by row; every variant and every cut of one must decode
// as the whole file in memory does.
TEST(BmpFromFile, RowByRowReadingMatchesTheWholeFileInMemory) {
  test::TempDir temp;
  std::vector<Bytes> files;
  for (int32_t height : {3, -3}) {
    Dib d(40, 3, height, 24);  // 9 bytes a row and 3 of padding
    for (uint8_t i = 1; i <= 36; ++i) d.pixels.push_back(i);
    files.push_back(MakeBmp(d));
    files.push_back(MakeBmp(d, 1000));  // an impossible offset
    d.colorsUsed = 2;
    d.palette = {0x010203, 0x040506};  // a palette a 24-bit file may carry
    files.push_back(MakeBmp(d));
  }
  const Bytes whole = files[0];
  for (size_t n = 0; n < whole.size(); ++n) files.emplace_back(whole.begin(), whole.begin() + n);
  files.push_back(MakeBmp(Dib(40, INT_MAX, 1, 24)));
  for (size_t i = 0; i < files.size(); ++i) {
    const std::string path = temp.File("a.bmp");
    std::ofstream(path, std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char*>(files[i].data()), static_cast<std::streamsize>(files[i].size()));
    const Decoded fromMemory = Decode(files[i]);
    auto fromFile = Bitmap::FromFile(path);
    ASSERT_EQ(fromFile.GetStatus(), fromMemory.status) << "file " << i;
    if (fromMemory.status != Status::Ok) continue;
    EXPECT_EQ(fromFile.Value()->Format(), fromMemory.pixels.Format()) << "file " << i;
    EXPECT_EQ(Colours(fromFile.Value()->Pixels()), Colours(fromMemory.pixels)) << "file " << i;
    EXPECT_EQ(fromFile.Value()->RawFormat(), kImageFormatBmp);
  }
}

TEST(BmpHostile, AbsurdSizesAreRefusedWithOutOfMemory) {
  for (int32_t height : {INT_MIN, INT_MAX, -INT_MAX, 1}) {
    Dib d(40, height == 1 ? INT_MAX : 4, height, 24);
    d.pixels.resize(16);
    EXPECT_EQ(Decode(MakeBmp(d)).status, Status::OutOfMemory) << height;
  }
  DecodeLimits small;
  small.maxSide = 100;
  EXPECT_EQ(Decode(MakeBmp(Dib(40, 101, 1, 24)), small).status, Status::OutOfMemory);
}

TEST(BmpHostile, OnlyPlausibleDataIsTakenForADib) {
  EXPECT_EQ(Decode({}).status, Status::UnknownImageFormat);
  EXPECT_EQ(Decode(Bytes(100, 0x28)).status, Status::UnknownImageFormat);
  Dib d(40, 1, 1, 24);
  d.pixels = {1, 2, 3, 0};
  Bytes dib = MakeDib(d);
  EXPECT_EQ(Decode(dib).status, Status::Ok);
  WriteU16(&dib[kInfoPlanes], 3);
  EXPECT_EQ(Decode(dib).status, Status::UnknownImageFormat);
  EXPECT_EQ(Decode(MakeDib(Dib(40, 1, 1, 3))).status, Status::UnknownImageFormat);
  EXPECT_EQ(Decode(MakeDib(Dib(44, 1, 1, 8))).status, Status::UnknownImageFormat);
  EXPECT_EQ(Decode(MakeBmp(Dib(124, 1, 1, 7))).status, Status::GenericError);
  EXPECT_EQ(Decode(Bytes{'B', 'M', 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 40, 0}).status, Status::GenericError);
}

TEST(BmpSuite, GoodFilesMatchImageMagick) {
  const auto dir = test::TestDataDir() / "bmp";
  if (test::TestDataDir().empty() || !test::HasImageMagick()) GTEST_SKIP() << "no data or tool";
  int compared = 0;
  for (const auto& entry : std::filesystem::directory_iterator(dir)) {
    if (entry.path().filename().string().rfind("bmpsuite-g-", 0) != 0) continue;
    SCOPED_TRACE(entry.path().filename().string());
    Decoded r = Decode(test::ReadFileBytes(entry.path()));
    ASSERT_EQ(r.status, Status::Ok);
    const Argbs expected = MagickColours(entry.path());
    if (expected.empty()) continue;
    EXPECT_EQ(Colours(r.pixels), expected);
    ++compared;
  }
  EXPECT_GT(compared, 10);
}

TEST(BmpSuite, HeaderVariantsGiveThePlainPicture) {
  const auto dir = test::TestDataDir() / "bmp";
  if (test::TestDataDir().empty()) GTEST_SKIP() << "no test data";
  const Argbs plain = Colours(Decode(test::ReadFileBytes(dir / "bmpsuite-g-pal8.bmp")).pixels);
  for (const char* name : {"g-pal8rle", "g-pal8topdown", "g-pal8v5", "q-pal8os2v2", "q-pal8os2v2-16", "q-pal8os2sp",
                           "q-pal8os2-sz", "q-pal8os2-hs", "q-pal8os2v2-sz", "q-pal8os2v2-40sz"}) {
    EXPECT_EQ(Colours(Decode(test::ReadFileBytes(dir / (std::string("bmpsuite-") + name + ".bmp"))).pixels), plain)
        << name;
  }
}

}  // namespace
}  // namespace tavlen::gfx
