// PNG codec: lossless round trips of every pixel format, the formats PNG files decode to, metadata and bad input.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <memory>
#include <random>
#include <string>

#include "platform/graphics/codecs/codec.h"
#include "platform/graphics/convert.h"
#include "tests/graphics/test_support.h"

namespace tavlen::gfx {
namespace {

// Random pixels; premultiplied formats get colours no larger than their alpha, indexed formats a palette
// of distinct colours (with varied alpha when asked).
PixelBuffer MakeImage(PixelFormat format, uint32_t w, uint32_t h, uint32_t seed, bool alphaPalette = false) {
  auto r = PixelBuffer::Allocate(format, w, h, PixelBuffer::Init::Zero);
  EXPECT_TRUE(r.Ok());
  PixelBuffer img = std::move(r).Value();
  std::mt19937 rng(seed);
  for (uint32_t y = 0; y < h; ++y) {
    uint8_t* row = img.Row(y);
    for (size_t i = 0; i < img.Stride(); ++i) row[i] = static_cast<uint8_t>(rng());
    if (format == PixelFormat::PARGB32bpp) {
      for (uint32_t x = 0; x < w; ++x)
        for (int c = 0; c < 3; ++c) row[4 * x + c] = static_cast<uint8_t>(row[4 * x + c] % (row[4 * x + 3] + 1));
    }
    if (format == PixelFormat::PARGB64bpp) {
      auto* words = reinterpret_cast<uint16_t*>(row);
      for (uint32_t x = 0; x < w; ++x)
        for (int c = 0; c < 3; ++c)
          words[4 * x + c] = static_cast<uint16_t>(words[4 * x + c] % (words[4 * x + 3] + 1u));
    }
  }
  if (IsIndexed(format)) {
    Palette& pal = img.GetPalette();
    pal.entries.clear();
    pal.flags = alphaPalette ? uint32_t{kPaletteHasAlpha} : 0u;
    const uint32_t n = 1u << BitsPerPixel(format);
    for (uint32_t i = 0; i < n; ++i) {
      const uint32_t alpha = alphaPalette ? (i * 97) % 256 : 255;
      pal.entries.push_back(alpha << 24 | ((i * 2654435761u) & 0xFFFFFF));
    }
  }
  return img;
}

uint32_t Argb(const PixelBuffer& img, uint32_t x, uint32_t y) {
  uint8_t p[4];
  RowToArgb32(img.Row(y), img.Format(), img.GetPalette(), x, 1, p);
  return uint32_t{p[3]} << 24 | uint32_t{p[2]} << 16 | uint32_t{p[1]} << 8 | p[0];
}

uint16_t Word(const PixelBuffer& img, uint32_t x, uint32_t y, uint32_t channel) {
  const uint32_t channels = BitsPerPixel(img.Format()) / 16;
  const uint8_t* p = img.Row(y) + 2 * (size_t{x} * channels + channel);
  return static_cast<uint16_t>(p[0] | p[1] << 8);
}

Bytes Encode(const PixelBuffer& img, std::span<const PropertyItem> props = {}) {
  Bytes file;
  EXPECT_EQ(EncodePng(img, props, {}, file), Status::Ok);
  return file;
}

Status Decode(const Bytes& file, DecodedFrame& frame, const DecodeLimits& limits = kDefaultLimits) {
  std::unique_ptr<ImageDecoder> decoder;
  if (Status s = OpenPngDecoder(std::make_shared<const Bytes>(file), limits, decoder); s != Status::Ok) return s;
  EXPECT_EQ(decoder->FrameCount(), 1u);
  return decoder->DecodeFrame(0, frame);
}

PixelBuffer RoundTrip(const PixelBuffer& img) {
  DecodedFrame frame;
  EXPECT_EQ(Decode(Encode(img), frame), Status::Ok);
  return std::move(frame.pixels);
}

::testing::AssertionResult SameArgb(const PixelBuffer& a, const PixelBuffer& b) {
  if (a.Width() != b.Width() || a.Height() != b.Height()) return ::testing::AssertionFailure() << "sizes differ";
  for (uint32_t y = 0; y < a.Height(); ++y)
    for (uint32_t x = 0; x < a.Width(); ++x)
      if (Argb(a, x, y) != Argb(b, x, y))
        return ::testing::AssertionFailure()
               << "pixel (" << x << "," << y << "): " << std::hex << Argb(a, x, y) << " became " << Argb(b, x, y);
  return ::testing::AssertionSuccess();
}

struct FormatCase {
  PixelFormat source;
  PixelFormat decoded;
};

class PngRoundTrip : public ::testing::TestWithParam<FormatCase> {};

TEST_P(PngRoundTrip, KeepsEveryPixel) {
  const auto [source, decoded] = GetParam();
  PixelBuffer img = MakeImage(source, 37, 11, 7);
  PixelBuffer back = RoundTrip(img);
  ASSERT_FALSE(back.Empty());
  EXPECT_EQ(back.Format(), decoded);
  EXPECT_TRUE(SameArgb(img, back));
  if (IsIndexed(source)) {
    EXPECT_EQ(back.GetPalette().entries, img.GetPalette().entries);
  }
}

INSTANTIATE_TEST_SUITE_P(Formats, PngRoundTrip,
                         ::testing::Values(FormatCase{PixelFormat::Indexed1bpp, PixelFormat::Indexed1bpp},
                                           FormatCase{PixelFormat::Indexed4bpp, PixelFormat::Indexed4bpp},
                                           FormatCase{PixelFormat::Indexed8bpp, PixelFormat::Indexed8bpp},
                                           FormatCase{PixelFormat::RGB24bpp, PixelFormat::RGB24bpp},
                                           FormatCase{PixelFormat::RGB32bpp, PixelFormat::RGB24bpp},
                                           FormatCase{PixelFormat::ARGB32bpp, PixelFormat::ARGB32bpp},
                                           FormatCase{PixelFormat::PARGB32bpp, PixelFormat::ARGB32bpp},
                                           FormatCase{PixelFormat::RGB555_16bpp, PixelFormat::RGB24bpp},
                                           FormatCase{PixelFormat::RGB565_16bpp, PixelFormat::RGB24bpp},
                                           FormatCase{PixelFormat::ARGB1555_16bpp, PixelFormat::ARGB32bpp}));

TEST(PngRoundTripPalette, KeepsAlphaPaletteAtEveryDepth) {
  for (PixelFormat f : {PixelFormat::Indexed1bpp, PixelFormat::Indexed4bpp, PixelFormat::Indexed8bpp}) {
    PixelBuffer img = MakeImage(f, 20, 9, 3, /*alphaPalette=*/true);
    PixelBuffer back = RoundTrip(img);
    ASSERT_EQ(back.Format(), f);
    EXPECT_EQ(back.GetPalette().entries, img.GetPalette().entries);
    EXPECT_NE(back.GetPalette().flags & kPaletteHasAlpha, 0u);
    EXPECT_TRUE(SameArgb(img, back));
  }
}

TEST(PngRoundTripPalette, GrayRampComesBackAsTheSameRamp) {
  PixelBuffer img = MakeImage(PixelFormat::Indexed8bpp, 16, 16, 5);
  img.GetPalette() = GrayPalette(8);
  Bytes file = Encode(img);
  ASSERT_GT(file.size(), 26u);
  EXPECT_EQ(file[25], 0);  // IHDR colour type: gray
  PixelBuffer back = RoundTrip(img);
  ASSERT_EQ(back.Format(), PixelFormat::Indexed8bpp);
  EXPECT_EQ(back.GetPalette().entries, img.GetPalette().entries);
  EXPECT_TRUE(SameArgb(img, back));
}

TEST(PngRoundTripPalette, IndicesBeyondAShortPaletteStillDecode) {
  PixelBuffer img = MakeImage(PixelFormat::Indexed8bpp, 8, 8, 9);
  img.GetPalette().entries.resize(3);
  PixelBuffer back = RoundTrip(img);
  ASSERT_EQ(back.Format(), PixelFormat::Indexed8bpp);
  EXPECT_GE(back.GetPalette().entries.size(), 3u);
  for (size_t i = 0; i < 3; ++i) EXPECT_EQ(back.GetPalette().entries[i], img.GetPalette().entries[i]);
  EXPECT_EQ(0, std::memcmp(back.Row(3), img.Row(3), 8));
}

TEST(PngRoundTripWide, Rgb48KeepsAllSixteenBits) {
  PixelBuffer img = MakeImage(PixelFormat::RGB48bpp, 13, 7, 11);
  PixelBuffer back = RoundTrip(img);
  ASSERT_EQ(back.Format(), PixelFormat::RGB48bpp);
  for (uint32_t y = 0; y < 7; ++y) EXPECT_EQ(0, std::memcmp(img.Row(y), back.Row(y), 13 * 6)) << "row " << y;
}

TEST(PngRoundTripWide, Argb64KeepsAllSixteenBits) {
  PixelBuffer img = MakeImage(PixelFormat::ARGB64bpp, 13, 7, 12);
  PixelBuffer back = RoundTrip(img);
  ASSERT_EQ(back.Format(), PixelFormat::ARGB64bpp);
  for (uint32_t y = 0; y < 7; ++y) EXPECT_EQ(0, std::memcmp(img.Row(y), back.Row(y), 13 * 8)) << "row " << y;
}

TEST(PngRoundTripWide, Gray16BecomesRgb48WithEqualChannels) {
  PixelBuffer img = MakeImage(PixelFormat::GrayScale16bpp, 9, 5, 13);
  PixelBuffer back = RoundTrip(img);
  ASSERT_EQ(back.Format(), PixelFormat::RGB48bpp);
  for (uint32_t y = 0; y < 5; ++y)
    for (uint32_t x = 0; x < 9; ++x) {
      const uint16_t g = Word(img, x, y, 0);
      EXPECT_EQ(Word(back, x, y, 0), g);
      EXPECT_EQ(Word(back, x, y, 1), g);
      EXPECT_EQ(Word(back, x, y, 2), g);
    }
}

TEST(PngRoundTripWide, Pargb64IsStoredStraight) {
  PixelBuffer img = MakeImage(PixelFormat::PARGB64bpp, 8, 4, 14);
  auto* px = reinterpret_cast<uint16_t*>(img.Row(0));
  px[0] = 1000, px[1] = 2000, px[2] = 3000, px[3] = 65535;  // opaque: unchanged
  px[4] = 16384, px[5] = 0, px[6] = 32768, px[7] = 32768;   // half alpha: channels doubled
  px[8] = 0, px[9] = 0, px[10] = 0, px[11] = 0;             // transparent
  PixelBuffer back = RoundTrip(img);
  ASSERT_EQ(back.Format(), PixelFormat::ARGB64bpp);
  EXPECT_EQ(Word(back, 0, 0, 0), 1000);
  EXPECT_EQ(Word(back, 0, 0, 2), 3000);
  EXPECT_EQ(Word(back, 1, 0, 0), 32768);
  EXPECT_EQ(Word(back, 1, 0, 1), 0);
  EXPECT_EQ(Word(back, 1, 0, 2), 65535);
  EXPECT_EQ(Word(back, 1, 0, 3), 32768);
  EXPECT_EQ(Word(back, 2, 0, 3), 0);
  for (uint32_t y = 0; y < 4; ++y)
    for (uint32_t x = 0; x < 8; ++x) EXPECT_NEAR(Argb(img, x, y) >> 24, Argb(back, x, y) >> 24, 1);
}

TEST(PngMetadata, ExifItemsSurvive) {
  const std::pair<uint32_t, std::string> tags[] = {
      {kPropertyTagImageDescription, "A lake"}, {kPropertyTagEquipMake, "Maker"},
      {kPropertyTagEquipModel, "Model 7"},      {kPropertyTagDateTime, "2024:01:02 03:04:05"},
      {kPropertyTagArtist, "Someone"},          {kPropertyTagImageTitle, "Title text"},
      {kPropertyTagCopyright, "(c) nobody"}};
  std::vector<PropertyItem> items;
  for (const auto& [id, text] : tags) {
    PropertyItem item{id, kPropertyTagTypeASCII, std::vector<uint8_t>(text.begin(), text.end())};
    item.value.push_back(0);
    items.push_back(item);
  }
  DecodedFrame frame;
  ASSERT_EQ(Decode(Encode(MakeImage(PixelFormat::RGB24bpp, 4, 4, 1), items), frame), Status::Ok);
  for (const auto& want : items) {
    auto it = std::find_if(frame.properties.begin(), frame.properties.end(),
                           [&](const PropertyItem& p) { return p.id == want.id; });
    ASSERT_NE(it, frame.properties.end()) << "tag " << std::hex << want.id;
    EXPECT_EQ(it->type, kPropertyTagTypeASCII);
    EXPECT_EQ(it->value, want.value) << "tag " << std::hex << want.id;
  }
}

TEST(PngEncoder, RefusesParametersAndEmptyImages) {
  PixelBuffer img = MakeImage(PixelFormat::RGB24bpp, 4, 4, 1);
  uint32_t quality = 50;
  EncoderParameter param{kEncoderQuality, 1, kEncoderParameterValueTypeLong, &quality};
  Bytes file = {1, 2, 3};
  EXPECT_EQ(EncodePng(img, {}, EncoderParameters(&param, 1), file), Status::InvalidParameter);
  EXPECT_EQ(EncodePng(PixelBuffer(), {}, {}, file), Status::InvalidParameter);
  EXPECT_EQ(file, (Bytes{1, 2, 3}));
}

TEST(PngDecoderErrors, NotAPngIsUnknownFormat) {
  std::unique_ptr<ImageDecoder> decoder;
  auto bytes = std::make_shared<const Bytes>(Bytes{'G', 'I', 'F', '8', '9', 'a', 0, 0, 0, 0});
  EXPECT_EQ(OpenPngDecoder(bytes, kDefaultLimits, decoder), Status::UnknownImageFormat);
  EXPECT_EQ(decoder, nullptr);
}

TEST(PngDecoderErrors, EveryTruncationFailsCleanly) {
  Bytes file = Encode(MakeImage(PixelFormat::ARGB32bpp, 40, 30, 2));
  // Without IEND the pixels are still whole; any cut into the image data must fail.
  const size_t idatEnd = file.size() - 12;
  for (size_t len = 0; len < idatEnd; len += 7) {
    Bytes cut(file.begin(), file.begin() + static_cast<std::ptrdiff_t>(len));
    DecodedFrame frame;
    EXPECT_NE(Decode(cut, frame), Status::Ok) << "length " << len;
  }
}

TEST(PngDecoderErrors, ImageOverTheLimitsIsRefusedBeforeDecoding) {
  Bytes file = Encode(MakeImage(PixelFormat::RGB24bpp, 300, 20, 2));
  DecodeLimits small;
  small.maxSide = 256;
  DecodedFrame frame;
  EXPECT_EQ(Decode(file, frame, small), Status::OutOfMemory);
  DecodeLimits fewBytes;
  fewBytes.maxPixelBytes = 300 * 3 * 10;
  EXPECT_EQ(Decode(file, frame, fewBytes), Status::OutOfMemory);
  EXPECT_TRUE(frame.pixels.Empty());
}

TEST(PngDecoderErrors, CorruptBitInImageDataFails) {
  Bytes file = Encode(MakeImage(PixelFormat::RGB24bpp, 30, 30, 4));
  file[file.size() - 30] ^= 0x10;  // inside IDAT: the CRC no longer matches
  DecodedFrame frame;
  EXPECT_NE(Decode(file, frame), Status::Ok);
}

// Files of the shared collection.
std::filesystem::path PngDir() {
  auto dir = test::TestDataDir();
  return dir.empty() ? dir : dir / "png";
}

TEST(PngSuite, DecodesToTheFormatThatKeepsTheSamples) {
  if (PngDir().empty()) GTEST_SKIP() << "no shared test data";
  const std::pair<const char*, PixelFormat> cases[] = {
      {"basn0g01", PixelFormat::Indexed1bpp}, {"basn0g02", PixelFormat::Indexed8bpp},
      {"basn0g04", PixelFormat::Indexed4bpp}, {"basi0g08", PixelFormat::Indexed8bpp},
      {"basi0g16", PixelFormat::RGB48bpp},    {"basn2c08", PixelFormat::RGB24bpp},
      {"basi2c16", PixelFormat::RGB48bpp},    {"basn3p01", PixelFormat::Indexed1bpp},
      {"basi3p02", PixelFormat::Indexed8bpp}, {"basn3p04", PixelFormat::Indexed4bpp},
      {"basn3p08", PixelFormat::Indexed8bpp}, {"basn4a08", PixelFormat::ARGB32bpp},
      {"basi4a16", PixelFormat::ARGB64bpp},   {"basi6a08", PixelFormat::ARGB32bpp},
      {"basn6a16", PixelFormat::ARGB64bpp},   {"tbbn0g04", PixelFormat::ARGB32bpp},
      {"tbbn2c16", PixelFormat::ARGB64bpp},   {"tbbn3p08", PixelFormat::Indexed8bpp},
  };
  for (const auto& [name, format] : cases) {
    auto path = PngDir() / (std::string("pngsuite-") + name + ".png");
    if (!std::filesystem::exists(path)) continue;
    DecodedFrame frame;
    ASSERT_EQ(Decode(test::ReadFileBytes(path), frame), Status::Ok) << name;
    EXPECT_EQ(frame.pixels.Format(), format) << name;
    EXPECT_EQ(frame.pixels.Width(), 32u) << name;
  }
}

// Our pixel as 16-bit R, G, B, A.
std::array<uint16_t, 4> Rgba16(const PixelBuffer& img, uint32_t x, uint32_t y) {
  switch (img.Format()) {
    case PixelFormat::RGB48bpp:
      return {Word(img, x, y, 2), Word(img, x, y, 1), Word(img, x, y, 0), 65535};
    case PixelFormat::ARGB64bpp:
      return {Word(img, x, y, 2), Word(img, x, y, 1), Word(img, x, y, 0), Word(img, x, y, 3)};
    default: {
      const uint32_t c = Argb(img, x, y);
      return {static_cast<uint16_t>((c >> 16 & 255) * 257), static_cast<uint16_t>((c >> 8 & 255) * 257),
              static_cast<uint16_t>((c & 255) * 257), static_cast<uint16_t>((c >> 24) * 257)};
    }
  }
}

TEST(PngSuite, PixelsMatchAnIndependentDecoder) {
  if (PngDir().empty()) GTEST_SKIP() << "no shared test data";
  if (!test::HasImageMagick()) GTEST_SKIP() << "no ImageMagick";
  int compared = 0;
  for (const auto& entry : std::filesystem::directory_iterator(PngDir())) {
    const std::string name = entry.path().filename().string();
    const bool basic = name.rfind("pngsuite-bas", 0) == 0 || name.rfind("pngsuite-bg", 0) == 0 ||
                       name.rfind("pngsuite-tb", 0) == 0 || name.rfind("pngsuite-tp", 0) == 0 ||
                       name.rfind("pngsuite-s", 0) == 0 || name.rfind("pngsuite-oi", 0) == 0;
    if (!basic) continue;
    DecodedFrame frame;
    ASSERT_EQ(Decode(test::ReadFileBytes(entry.path()), frame), Status::Ok) << name;
    const PixelBuffer& img = frame.pixels;
    const std::optional<test::MagickPicture> ref = test::ReadWithImageMagick(entry.path());
    ASSERT_TRUE(ref) << name;
    ASSERT_EQ(ref->width, img.Width()) << name;
    ASSERT_EQ(ref->height, img.Height()) << name;
    ASSERT_EQ(ref->Frames(), 1u) << name;
    for (uint32_t y = 0; y < img.Height(); ++y)
      for (uint32_t x = 0; x < img.Width(); ++x) {
        const auto ours = Rgba16(img, x, y);
        const std::array<uint16_t, 4>& theirs = ref->Rgba16(0, x, y);
        ASSERT_EQ(ours[3], theirs[3]) << name << " alpha at " << x << "," << y;
        if (ours[3] == 0) continue;  // the colour of a transparent pixel is not meaningful
        for (int c = 0; c < 3; ++c)
          ASSERT_EQ(ours[c], theirs[c]) << name << " channel " << c << " at " << x << "," << y;
      }
    ++compared;
  }
  EXPECT_GT(compared, 20);
}

TEST(PngSuite, CorruptFilesFail) {
  auto dir = test::TestDataDir();
  if (dir.empty()) GTEST_SKIP() << "no shared test data";
  int checked = 0;
  for (const auto& entry : std::filesystem::directory_iterator(dir / "bad")) {
    const std::string name = entry.path().filename().string();
    if (name.rfind("png-pngsuite-x", 0) != 0) continue;
    DecodedFrame frame;
    EXPECT_NE(Decode(test::ReadFileBytes(entry.path()), frame), Status::Ok) << name;
    ++checked;
  }
  EXPECT_GT(checked, 0);
}

TEST(PngSuite, HostileFilesNeverCrash) {
  auto dir = test::TestDataDir();
  if (dir.empty()) GTEST_SKIP() << "no shared test data";
  DecodeLimits limits;
  limits.maxPixelBytes = 64u << 20;
  for (const auto& entry : std::filesystem::directory_iterator(dir / "bad")) {
    if (entry.path().filename().string().rfind("png-", 0) != 0) continue;
    DecodedFrame frame;
    const Status s = Decode(test::ReadFileBytes(entry.path()), frame, limits);
    if (s == Status::Ok) {
      EXPECT_FALSE(frame.pixels.Empty());
    }
  }
}

}  // namespace
}  // namespace tavlen::gfx
