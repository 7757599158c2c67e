// Tests of the TIFF decoder and encoder: lossless round trips, files written with libtiff, metadata, hostile input.
#include <tiffio.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include "platform/graphics/codecs/codec.h"
#include "platform/graphics/convert.h"
#include "tests/graphics/test_support.h"

namespace tavlen::gfx {
namespace {

Status Decode(const Bytes& bytes, DecodedFrame& frame, uint32_t index = 0,
              const DecodeLimits& limits = kDefaultLimits) {
  std::unique_ptr<ImageDecoder> decoder;
  if (Status s = OpenTiffDecoder(std::make_shared<const Bytes>(bytes), limits, decoder); s != Status::Ok) return s;
  return decoder->DecodeFrame(index, frame);
}

EncoderParameter CompressionParameter(const uint32_t& value) {
  return {kEncoderCompression, 1, kEncoderParameterValueTypeLong, &value};
}

Status Encode(const PixelBuffer& pixels, uint32_t scheme, Bytes& out, std::span<const PropertyItem> items = {}) {
  const EncoderParameter p = CompressionParameter(scheme);
  return EncodeTiff(pixels, items, EncoderParameters(&p, 1), out);
}

// Tags of an encoded file, read back with libtiff through a temporary file.
struct FileTags {
  uint16_t compression = 0, photometric = 0, bits = 0, samples = 0, extraCount = 0, extra = 0;
  uint16_t predictor = 0;
};

FileTags TagsOf(const Bytes& bytes) {
  test::TempDir dir;
  const std::string path = dir.File("t.tif");
  std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), bytes.size());
  FileTags tags;
  TIFF* tif = TIFFOpen(path.c_str(), "r");
  if (tif == nullptr) return tags;
  TIFFGetField(tif, TIFFTAG_COMPRESSION, &tags.compression);
  TIFFGetField(tif, TIFFTAG_PHOTOMETRIC, &tags.photometric);
  TIFFGetFieldDefaulted(tif, TIFFTAG_PREDICTOR, &tags.predictor);
  TIFFGetFieldDefaulted(tif, TIFFTAG_BITSPERSAMPLE, &tags.bits);
  TIFFGetFieldDefaulted(tif, TIFFTAG_SAMPLESPERPIXEL, &tags.samples);
  const uint16_t* extras = nullptr;
  TIFFGetFieldDefaulted(tif, TIFFTAG_EXTRASAMPLES, &tags.extraCount, &extras);
  if (tags.extraCount > 0) tags.extra = extras[0];
  TIFFClose(tif);
  return tags;
}

// A file written with libtiff itself; `page` sets the fields and writes the rows of each page.
template <typename WritePages>
Bytes WriteWithLibtiff(WritePages&& writePages) {
  test::TempDir dir;
  const std::string path = dir.File("w.tif");
  TIFF* tif = TIFFOpen(path.c_str(), "w");
  if (tif == nullptr) return {};
  writePages(tif);
  TIFFClose(tif);
  return test::ReadFileBytes(path);
}

void SetBasicFields(TIFF* tif, uint32_t w, uint32_t h, uint16_t bits, uint16_t samples, uint16_t photometric) {
  TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, w);
  TIFFSetField(tif, TIFFTAG_IMAGELENGTH, h);
  TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, bits);
  TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, samples);
  TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, photometric);
  TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
  TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, 4);
}

uint32_t ColourOf(const DecodedFrame& frame, uint32_t x, uint32_t y) {
  uint8_t bgra[4];
  RowToArgb32(frame.pixels.Row(y), frame.pixels.Format(), frame.pixels.GetPalette(), x, 1, bgra);
  return uint32_t{bgra[3]} << 24 | uint32_t{bgra[2]} << 16 | uint32_t{bgra[1]} << 8 | bgra[0];
}

// --- Round trips ------------------------------------------------------------------------------

struct FormatCase {
  PixelFormat format;
  PixelFormat decoded;
};

constexpr FormatCase kFormats[] = {
    {PixelFormat::Indexed1bpp, PixelFormat::Indexed1bpp}, {PixelFormat::Indexed4bpp, PixelFormat::Indexed4bpp},
    {PixelFormat::Indexed8bpp, PixelFormat::Indexed8bpp}, {PixelFormat::RGB555_16bpp, PixelFormat::RGB24bpp},
    {PixelFormat::RGB565_16bpp, PixelFormat::RGB24bpp},   {PixelFormat::ARGB1555_16bpp, PixelFormat::ARGB32bpp},
    {PixelFormat::RGB24bpp, PixelFormat::RGB24bpp},       {PixelFormat::RGB32bpp, PixelFormat::RGB24bpp},
    {PixelFormat::ARGB32bpp, PixelFormat::ARGB32bpp},     {PixelFormat::PARGB32bpp, PixelFormat::PARGB32bpp},
    {PixelFormat::RGB48bpp, PixelFormat::RGB48bpp},       {PixelFormat::ARGB64bpp, PixelFormat::ARGB64bpp},
    {PixelFormat::PARGB64bpp, PixelFormat::PARGB64bpp},   {PixelFormat::GrayScale16bpp, PixelFormat::RGB48bpp},
};

TEST(TiffRoundTrip, EveryFormatWithEveryCompressionIsExact) {
  for (const FormatCase& c : kFormats) {
    std::vector<uint32_t> schemes = {kEncoderValueCompressionLZW, kEncoderValueCompressionDeflate,
                                     kEncoderValueCompressionRle, kEncoderValueCompressionNone};
    if (c.format == PixelFormat::Indexed1bpp) {
      schemes.push_back(kEncoderValueCompressionCCITT3);
      schemes.push_back(kEncoderValueCompressionCCITT4);
    }
    for (uint32_t scheme : schemes) {
      SCOPED_TRACE(testing::Message() << "format " << std::hex << static_cast<uint32_t>(c.format) << " scheme "
                                      << scheme);
      auto source = test::MakePatternBitmap(37, 23, c.format, 7);
      ASSERT_TRUE(source);
      Bytes file;
      ASSERT_EQ(Encode(source->Pixels(), scheme, file), Status::Ok);
      DecodedFrame frame;
      ASSERT_EQ(Decode(file, frame), Status::Ok);
      EXPECT_EQ(frame.pixels.Format(), c.decoded);
      auto decoded = Bitmap::FromPixels(std::move(frame.pixels));
      EXPECT_TRUE(test::SamePixels(*source, *decoded));
      if (c.decoded == c.format) {
        EXPECT_EQ(test::OwnFormatBytes(*source), test::OwnFormatBytes(*decoded));
      }
    }
  }
}

TEST(TiffRoundTrip, WideImageWithManyStripsIsExact) {
  auto source = test::MakePatternBitmap(1500, 70, PixelFormat::RGB24bpp, 3);
  Bytes file;
  ASSERT_EQ(Encode(source->Pixels(), kEncoderValueCompressionLZW, file), Status::Ok);
  DecodedFrame frame;
  ASSERT_EQ(Decode(file, frame), Status::Ok);
  auto decoded = Bitmap::FromPixels(std::move(frame.pixels));
  EXPECT_TRUE(test::SamePixels(*source, *decoded));
}

TEST(TiffRoundTrip, GrayRampPaletteIsStoredAsGrayLevels) {
  auto pixels = PixelBuffer::Allocate(PixelFormat::Indexed8bpp, 16, 16, PixelBuffer::Init::Zero);
  ASSERT_TRUE(pixels.Ok());
  pixels.Value().GetPalette() = GrayPalette(8);
  for (uint32_t y = 0; y < 16; ++y)
    for (uint32_t x = 0; x < 16; ++x) pixels.Value().Row(y)[x] = static_cast<uint8_t>(y * 16 + x);
  Bytes file;
  ASSERT_EQ(Encode(pixels.Value(), kEncoderValueCompressionLZW, file), Status::Ok);
  EXPECT_EQ(TagsOf(file).photometric, PHOTOMETRIC_MINISBLACK);
  DecodedFrame frame;
  ASSERT_EQ(Decode(file, frame), Status::Ok);
  ASSERT_EQ(frame.pixels.Format(), PixelFormat::Indexed8bpp);
  EXPECT_EQ(frame.pixels.GetPalette().entries, GrayPalette(8).entries);
  EXPECT_EQ(frame.pixels.Row(5)[7], 5 * 16 + 7);
}

TEST(TiffRoundTrip, ColourPaletteIsStoredAsColourMap) {
  auto source = test::MakePatternBitmap(8, 8, PixelFormat::Indexed4bpp, 2);
  Bytes file;
  ASSERT_EQ(Encode(source->Pixels(), kEncoderValueCompressionNone, file), Status::Ok);
  const FileTags tags = TagsOf(file);
  EXPECT_EQ(tags.photometric, PHOTOMETRIC_PALETTE);
  EXPECT_EQ(tags.bits, 4);
}

// --- The encoder's parameters and layouts ----------------------------------------------------

TEST(TiffEncoder, SchemesMapToTiffCompressions) {
  auto rgb = test::MakePatternBitmap(9, 9, PixelFormat::RGB24bpp);
  auto bilevel = test::MakePatternBitmap(9, 9, PixelFormat::Indexed1bpp);
  Bytes file;
  ASSERT_EQ(EncodeTiff(rgb->Pixels(), {}, {}, file), Status::Ok);
  EXPECT_EQ(TagsOf(file).compression, COMPRESSION_LZW);
  // The dictionary coders store colour levels as differences from the left neighbour.
  const std::tuple<uint32_t, uint16_t, bool> cases[] = {
      {kEncoderValueCompressionLZW, COMPRESSION_LZW, true},
      {kEncoderValueCompressionDeflate, COMPRESSION_ADOBE_DEFLATE, true},
      {kEncoderValueCompressionRle, COMPRESSION_PACKBITS, false},
      {kEncoderValueCompressionNone, COMPRESSION_NONE, false}};
  for (auto [scheme, expected, predicted] : cases) {
    ASSERT_EQ(Encode(rgb->Pixels(), scheme, file), Status::Ok);
    EXPECT_EQ(TagsOf(file).compression, expected);
    EXPECT_EQ(TagsOf(file).predictor == PREDICTOR_HORIZONTAL, predicted);
  }
  ASSERT_EQ(Encode(bilevel->Pixels(), kEncoderValueCompressionCCITT3, file), Status::Ok);
  EXPECT_EQ(TagsOf(file).compression, COMPRESSION_CCITTFAX3);
  ASSERT_EQ(Encode(bilevel->Pixels(), kEncoderValueCompressionCCITT4, file), Status::Ok);
  EXPECT_EQ(TagsOf(file).compression, COMPRESSION_CCITTFAX4);
}

TEST(TiffEncoder, BilevelSchemeOnColourImageIsRefusedAndWritesNothing) {
  auto rgb = test::MakePatternBitmap(9, 9, PixelFormat::RGB24bpp);
  auto gray = test::MakePatternBitmap(9, 9, PixelFormat::Indexed8bpp);
  for (uint32_t scheme : {kEncoderValueCompressionCCITT3, kEncoderValueCompressionCCITT4}) {
    Bytes file;
    EXPECT_EQ(Encode(rgb->Pixels(), scheme, file), Status::InvalidParameter);
    EXPECT_TRUE(file.empty());
    EXPECT_EQ(Encode(gray->Pixels(), scheme, file), Status::InvalidParameter);
    EXPECT_TRUE(file.empty());
  }
}

TEST(TiffEncoder, MalformedParametersAreRefusedAndLeaveOutputAlone) {
  auto rgb = test::MakePatternBitmap(9, 9, PixelFormat::RGB24bpp);
  const uint32_t lzw = kEncoderValueCompressionLZW;
  const uint32_t two[2] = {2, 2};
  const EncoderParameter bad[] = {
      {kEncoderCompression, 1, kEncoderParameterValueTypeShort, &lzw},
      {kEncoderCompression, 2, kEncoderParameterValueTypeLong, two},
      {kEncoderCompression, 1, kEncoderParameterValueTypeLong, nullptr},
      {kEncoderQuality, 1, kEncoderParameterValueTypeLong, &lzw},
  };
  for (const EncoderParameter& p : bad) {
    Bytes file = {1, 2, 3};
    EXPECT_EQ(EncodeTiff(rgb->Pixels(), {}, EncoderParameters(&p, 1), file), Status::InvalidParameter);
    EXPECT_EQ(file, (Bytes{1, 2, 3}));
  }
  for (uint32_t value : {0u, 1u, 7u, 0xFFFFFFFFu}) {
    Bytes file;
    EXPECT_EQ(Encode(rgb->Pixels(), value, file), Status::InvalidParameter) << value;
  }
}

TEST(TiffEncoder, AlphaKindFollowsPremultiplication) {
  Bytes file;
  ASSERT_EQ(Encode(test::MakePatternBitmap(4, 4, PixelFormat::ARGB32bpp)->Pixels(), 6, file), Status::Ok);
  EXPECT_EQ(TagsOf(file).extra, EXTRASAMPLE_UNASSALPHA);
  ASSERT_EQ(Encode(test::MakePatternBitmap(4, 4, PixelFormat::PARGB64bpp)->Pixels(), 6, file), Status::Ok);
  const FileTags tags = TagsOf(file);
  EXPECT_EQ(tags.extra, EXTRASAMPLE_ASSOCALPHA);
  EXPECT_EQ(tags.bits, 16);
  EXPECT_EQ(tags.samples, 4);
}

TEST(TiffEncoder, FaxPagesAreMinIsWhiteAndDecodeToTheSameBits) {
  auto source = test::MakePatternBitmap(61, 17, PixelFormat::Indexed1bpp, 5);  // black, white palette
  Bytes file;
  ASSERT_EQ(Encode(source->Pixels(), kEncoderValueCompressionCCITT4, file), Status::Ok);
  EXPECT_EQ(TagsOf(file).photometric, PHOTOMETRIC_MINISWHITE);
  DecodedFrame frame;
  ASSERT_EQ(Decode(file, frame), Status::Ok);
  EXPECT_EQ(frame.pixels.GetPalette().entries, (std::vector<uint32_t>{0xFF000000, 0xFFFFFFFF}));
  auto decoded = Bitmap::FromPixels(std::move(frame.pixels));
  EXPECT_EQ(test::OwnFormatBytes(*source), test::OwnFormatBytes(*decoded));
}

TEST(TiffEncoder, ColouredBilevelPaletteSurvives) {
  auto source = test::MakePatternBitmap(20, 5, PixelFormat::Indexed1bpp, 5);
  ASSERT_EQ(source->SetPalette(Palette{0, {0xFF102030, 0xFFF0E0D0}}), Status::Ok);
  Bytes file;
  ASSERT_EQ(Encode(source->Pixels(), kEncoderValueCompressionCCITT3, file), Status::Ok);
  DecodedFrame frame;
  ASSERT_EQ(Decode(file, frame), Status::Ok);
  EXPECT_EQ(frame.pixels.GetPalette().entries, (std::vector<uint32_t>{0xFF102030, 0xFFF0E0D0}));
  auto decoded = Bitmap::FromPixels(std::move(frame.pixels));
  EXPECT_TRUE(test::SamePixels(*source, *decoded));
}

// --- Metadata --------------------------------------------------------------------------------

PropertyItem Text(uint32_t id, const std::string& text) {
  PropertyItem item{id, kPropertyTagTypeASCII, std::vector<uint8_t>(text.begin(), text.end())};
  item.value.push_back(0);
  return item;
}

TEST(TiffMetadata, SevenTextTagsSurviveIncludingTitle) {
  const std::vector<PropertyItem> items = {
      Text(kPropertyTagArtist, "A. Painter"),
      Text(kPropertyTagCopyright, "(c) nobody"),
      Text(kPropertyTagDateTime, "2024:01:02 03:04:05"),
      Text(kPropertyTagImageDescription, "a test picture"),
      Text(kPropertyTagEquipMake, "Maker"),
      Text(kPropertyTagEquipModel, "Model 7"),
      Text(kPropertyTagImageTitle, "The Title"),
  };
  const PropertyItem ignored{0x5090, kPropertyTagTypeShort, {1, 0}};
  std::vector<PropertyItem> all = items;
  all.push_back(ignored);
  auto source = test::MakePatternBitmap(5, 5, PixelFormat::RGB24bpp);
  Bytes file;
  ASSERT_EQ(Encode(source->Pixels(), kEncoderValueCompressionLZW, file, all), Status::Ok);
  DecodedFrame frame;
  ASSERT_EQ(Decode(file, frame), Status::Ok);
  for (const PropertyItem& item : items) {
    EXPECT_NE(std::find(frame.properties.begin(), frame.properties.end(), item), frame.properties.end())
        << "tag " << item.id;
  }
  for (const PropertyItem& item : frame.properties) EXPECT_NE(item.id, ignored.id);
}

TEST(TiffMetadata, TextWithoutTerminatorGetsOne) {
  PropertyItem artist{kPropertyTagArtist, kPropertyTagTypeASCII, {'X', 'Y'}};
  auto source = test::MakePatternBitmap(5, 5, PixelFormat::Indexed8bpp);
  Bytes file;
  ASSERT_EQ(Encode(source->Pixels(), kEncoderValueCompressionNone, file, std::span(&artist, 1)), Status::Ok);
  DecodedFrame frame;
  ASSERT_EQ(Decode(file, frame), Status::Ok);
  ASSERT_EQ(frame.properties.size(), 1u);
  EXPECT_EQ(frame.properties[0].value, (std::vector<uint8_t>{'X', 'Y', 0}));
}

// --- Files written with libtiff --------------------------------------------------------------

TEST(TiffDecoder, PagesOfAMultiPageFile) {
  const Bytes file = WriteWithLibtiff([](TIFF* tif) {
    for (uint32_t page = 0; page < 3; ++page) {
      const uint32_t w = 10 + page, h = 6;
      SetBasicFields(tif, w, h, 8, 3, PHOTOMETRIC_RGB);
      std::vector<uint8_t> row(w * 3);
      for (uint32_t x = 0; x < w; ++x) row[x * 3] = 40 * page, row[x * 3 + 1] = x, row[x * 3 + 2] = 200;
      for (uint32_t y = 0; y < h; ++y) TIFFWriteScanline(tif, row.data(), y, 0);
      TIFFWriteDirectory(tif);
    }
  });
  std::unique_ptr<ImageDecoder> decoder;
  ASSERT_EQ(OpenTiffDecoder(std::make_shared<const Bytes>(file), kDefaultLimits, decoder), Status::Ok);
  EXPECT_EQ(decoder->FrameDimension(), kFrameDimensionPage);
  ASSERT_EQ(decoder->FrameCount(), 3u);
  for (uint32_t page : {2u, 0u, 1u}) {
    DecodedFrame frame;
    ASSERT_EQ(decoder->DecodeFrame(page, frame), Status::Ok);
    EXPECT_EQ(frame.pixels.Width(), 10 + page);
    EXPECT_EQ(ColourOf(frame, 3, 4), 0xFF000000u | (40 * page) << 16 | 3 << 8 | 200);
  }
  DecodedFrame frame;
  EXPECT_EQ(decoder->DecodeFrame(3, frame), Status::InvalidParameter);
  EXPECT_TRUE(frame.pixels.Empty());
}

TEST(TiffDecoder, MinIsWhiteBilevelReadsTheRightWayRound) {
  const Bytes file = WriteWithLibtiff([](TIFF* tif) {
    SetBasicFields(tif, 16, 2, 1, 1, PHOTOMETRIC_MINISWHITE);
    const uint8_t rows[2][2] = {{0xF0, 0x00}, {0x0F, 0xFF}};  // 1 bits are black here
    TIFFWriteScanline(tif, const_cast<uint8_t*>(rows[0]), 0, 0);
    TIFFWriteScanline(tif, const_cast<uint8_t*>(rows[1]), 1, 0);
  });
  DecodedFrame frame;
  ASSERT_EQ(Decode(file, frame), Status::Ok);
  ASSERT_EQ(frame.pixels.Format(), PixelFormat::Indexed1bpp);
  EXPECT_EQ(ColourOf(frame, 0, 0), 0xFF000000u);
  EXPECT_EQ(ColourOf(frame, 4, 0), 0xFFFFFFFFu);
  EXPECT_EQ(ColourOf(frame, 0, 1), 0xFFFFFFFFu);
  EXPECT_EQ(ColourOf(frame, 15, 1), 0xFF000000u);
}

TEST(TiffDecoder, MinIsWhiteGrayLevelsAreInverted) {
  const Bytes file = WriteWithLibtiff([](TIFF* tif) {
    SetBasicFields(tif, 4, 1, 8, 1, PHOTOMETRIC_MINISWHITE);
    uint8_t row[4] = {0, 64, 200, 255};
    TIFFWriteScanline(tif, row, 0, 0);
  });
  DecodedFrame frame;
  ASSERT_EQ(Decode(file, frame), Status::Ok);
  EXPECT_EQ(ColourOf(frame, 0, 0), 0xFFFFFFFFu);
  EXPECT_EQ(ColourOf(frame, 1, 0), 0xFFBFBFBFu);
  EXPECT_EQ(ColourOf(frame, 3, 0), 0xFF000000u);
}

TEST(TiffDecoder, EightBitValuesInColourMapAreTakenAsSuch) {
  const Bytes file = WriteWithLibtiff([](TIFF* tif) {
    SetBasicFields(tif, 2, 1, 1, 1, PHOTOMETRIC_PALETTE);
    uint16_t r[2] = {255, 0}, g[2] = {0, 128}, b[2] = {0, 255};
    TIFFSetField(tif, TIFFTAG_COLORMAP, r, g, b);
    uint8_t row[1] = {0x40};
    TIFFWriteScanline(tif, row, 0, 0);
  });
  DecodedFrame frame;
  ASSERT_EQ(Decode(file, frame), Status::Ok);
  EXPECT_EQ(ColourOf(frame, 0, 0), 0xFFFF0000u);
  EXPECT_EQ(ColourOf(frame, 1, 0), 0xFF0080FFu);
}

TEST(TiffDecoder, TiledPagesWithPartialTiles) {
  constexpr uint32_t kW = 40, kH = 20;
  auto value = [](uint32_t x, uint32_t y, uint32_t c) { return static_cast<uint8_t>(x * 5 + y * 11 + c * 70); };
  const Bytes file = WriteWithLibtiff([&](TIFF* tif) {
    TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, kW);
    TIFFSetField(tif, TIFFTAG_IMAGELENGTH, kH);
    TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, 8);
    TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, 3);
    TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB);
    TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    TIFFSetField(tif, TIFFTAG_COMPRESSION, COMPRESSION_ADOBE_DEFLATE);
    TIFFSetField(tif, TIFFTAG_TILEWIDTH, 16);
    TIFFSetField(tif, TIFFTAG_TILELENGTH, 16);
    std::vector<uint8_t> tile(16 * 16 * 3);
    for (uint32_t ty = 0; ty < kH; ty += 16) {
      for (uint32_t tx = 0; tx < kW; tx += 16) {
        for (uint32_t y = 0; y < 16; ++y)
          for (uint32_t x = 0; x < 16; ++x)
            for (uint32_t c = 0; c < 3; ++c) tile[(y * 16 + x) * 3 + c] = value(tx + x, ty + y, c);
        TIFFWriteTile(tif, tile.data(), tx, ty, 0, 0);
      }
    }
  });
  DecodedFrame frame;
  ASSERT_EQ(Decode(file, frame), Status::Ok);
  ASSERT_EQ(frame.pixels.Format(), PixelFormat::RGB24bpp);
  for (uint32_t y = 0; y < kH; ++y) {
    for (uint32_t x = 0; x < kW; ++x) {
      const uint8_t* p = frame.pixels.Row(y) + x * 3;
      ASSERT_EQ(p[2], value(x, y, 0)) << x << "," << y;
      ASSERT_EQ(p[1], value(x, y, 1));
      ASSERT_EQ(p[0], value(x, y, 2));
    }
  }
}

// Planar RGB goes through libtiff's RGBA reader, which also applies the orientation.
TEST(TiffDecoder, PlanarPageWithBottomUpOrientation) {
  const Bytes file = WriteWithLibtiff([](TIFF* tif) {
    SetBasicFields(tif, 3, 2, 8, 3, PHOTOMETRIC_RGB);
    TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_SEPARATE);
    TIFFSetField(tif, TIFFTAG_ORIENTATION, ORIENTATION_BOTLEFT);
    for (uint16_t plane = 0; plane < 3; ++plane) {
      for (uint32_t y = 0; y < 2; ++y) {
        uint8_t row[3] = {static_cast<uint8_t>(y * 100 + plane), 7, static_cast<uint8_t>(plane * 50)};
        TIFFWriteScanline(tif, row, y, plane);
      }
    }
  });
  DecodedFrame frame;
  ASSERT_EQ(Decode(file, frame), Status::Ok);
  ASSERT_EQ(frame.pixels.Format(), PixelFormat::RGB24bpp);
  EXPECT_EQ(ColourOf(frame, 0, 0), 0xFF646566u);  // the file's last row is the picture's top
  EXPECT_EQ(ColourOf(frame, 0, 1), 0xFF000102u);
  EXPECT_EQ(ColourOf(frame, 2, 1), 0xFF003264u);
}

TEST(TiffDecoder, DirectPageHonoursOrientation) {
  const Bytes file = WriteWithLibtiff([](TIFF* tif) {
    SetBasicFields(tif, 3, 2, 4, 1, PHOTOMETRIC_MINISBLACK);
    TIFFSetField(tif, TIFFTAG_ORIENTATION, ORIENTATION_BOTRIGHT);
    uint8_t rows[2][2] = {{0x12, 0x30}, {0x45, 0x60}};
    TIFFWriteScanline(tif, rows[0], 0, 0);
    TIFFWriteScanline(tif, rows[1], 1, 0);
  });
  DecodedFrame frame;
  ASSERT_EQ(Decode(file, frame), Status::Ok);
  ASSERT_EQ(frame.pixels.Format(), PixelFormat::Indexed4bpp);
  EXPECT_EQ(frame.pixels.Row(0)[0], 0x65);  // rotated half a turn
  EXPECT_EQ(frame.pixels.Row(0)[1] & 0xF0, 0x40);
  EXPECT_EQ(frame.pixels.Row(1)[0], 0x32);
  EXPECT_EQ(frame.pixels.Row(1)[1] & 0xF0, 0x10);
}

TEST(TiffDecoder, GrayWithAlphaKeepsAlpha) {
  const Bytes file = WriteWithLibtiff([](TIFF* tif) {
    SetBasicFields(tif, 2, 1, 8, 2, PHOTOMETRIC_MINISBLACK);
    const uint16_t extra = EXTRASAMPLE_UNASSALPHA;
    TIFFSetField(tif, TIFFTAG_EXTRASAMPLES, 1, &extra);
    uint8_t row[4] = {100, 255, 30, 0x80};
    TIFFWriteScanline(tif, row, 0, 0);
  });
  DecodedFrame frame;
  ASSERT_EQ(Decode(file, frame), Status::Ok);
  EXPECT_EQ(frame.pixels.Format(), PixelFormat::ARGB32bpp);
  EXPECT_EQ(ColourOf(frame, 0, 0), 0xFF646464u);
  EXPECT_EQ(ColourOf(frame, 1, 0), 0x801E1E1Eu);
}

// --- Refusals --------------------------------------------------------------------------------

TEST(TiffDecoder, RefusesWhatIsNotTiffAndWhatIsTooLarge) {
  std::unique_ptr<ImageDecoder> decoder;
  EXPECT_EQ(OpenTiffDecoder(std::make_shared<const Bytes>(Bytes{'G', 'I', 'F', '8', '9', 'a', 0, 0}), kDefaultLimits,
                            decoder),
            Status::UnknownImageFormat);
  EXPECT_EQ(OpenTiffDecoder(std::make_shared<const Bytes>(Bytes{'I', 'I', 42, 0, 8, 0, 0, 0}), kDefaultLimits, decoder),
            Status::GenericError);
  EXPECT_FALSE(decoder);

  Bytes file;
  ASSERT_EQ(Encode(test::MakePatternBitmap(64, 8, PixelFormat::RGB24bpp)->Pixels(), 6, file), Status::Ok);
  DecodeLimits narrow;
  narrow.maxSide = 32;
  DecodedFrame frame;
  EXPECT_EQ(Decode(file, frame, 0, narrow), Status::OutOfMemory);
  EXPECT_TRUE(frame.pixels.Empty());
}

// A page past 64 MiB of samples decodes when its strips hold it, and is refused when they cannot, even
// when the rest of the file is large enough.
TEST(TiffDecoder, LargePagesNeedStripsThatCanHoldThem) {
  constexpr uint32_t kSide = 8200;  // 8-bit gray: just over 64 MiB
  const Bytes whole = WriteWithLibtiff([&](TIFF* tif) {
    SetBasicFields(tif, kSide, kSide, 8, 1, PHOTOMETRIC_MINISBLACK);
    TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, 512);
    std::vector<uint8_t> row(kSide, 0x40);
    for (uint32_t y = 0; y < kSide; ++y) {
      row[y] = 0xC0;
      TIFFWriteScanline(tif, row.data(), y, 0);
      row[y] = 0x40;
    }
  });
  DecodedFrame frame;
  ASSERT_EQ(Decode(whole, frame), Status::Ok);
  EXPECT_EQ(ColourOf(frame, kSide - 1, kSide - 1), 0xFFC0C0C0u);
  EXPECT_EQ(ColourOf(frame, 0, kSide - 1), 0xFF404040u);
  frame = {};

  // Page 1 is 512 KiB of noise; page 2 claims the large page with deflated strips of one row only.
  const Bytes shortStrips = WriteWithLibtiff([&](TIFF* tif) {
    SetBasicFields(tif, 512, 1024, 8, 1, PHOTOMETRIC_MINISBLACK);
    std::vector<uint8_t> row(512);
    for (uint32_t y = 0; y < 1024; ++y) {
      for (uint32_t x = 0; x < 512; ++x) row[x] = static_cast<uint8_t>((x * 7919u + y * 104729u) >> 3);
      TIFFWriteScanline(tif, row.data(), y, 0);
    }
    TIFFWriteDirectory(tif);
    SetBasicFields(tif, kSide, kSide, 8, 1, PHOTOMETRIC_MINISBLACK);
    TIFFSetField(tif, TIFFTAG_COMPRESSION, COMPRESSION_ADOBE_DEFLATE);
    std::vector<uint8_t> wide(kSide, 0x80);
    TIFFWriteScanline(tif, wide.data(), 0, 0);
  });
  ASSERT_GT(shortStrips.size(), 512u * 1024);
  EXPECT_EQ(Decode(shortStrips, frame, 1), Status::OutOfMemory);
  EXPECT_TRUE(frame.pixels.Empty());
  EXPECT_EQ(Decode(shortStrips, frame, 0), Status::Ok);
}

// Points the values of a LONG tag of IFD0 (little-endian classic TIFF) at `value`; `count` of them.
bool PatchLongs(Bytes& file, uint16_t tag, uint32_t value, uint32_t count) {
  auto u16 = [&](size_t at) { return static_cast<uint32_t>(file[at] | file[at + 1] << 8); };
  auto u32 = [&](size_t at) { return u16(at) | u16(at + 2) << 16; };
  const size_t ifd = u32(4);
  for (uint32_t i = 0; i < u16(ifd); ++i) {
    const size_t entry = ifd + 2 + 12 * i;
    if (u16(entry) != tag || u16(entry + 2) != TIFF_LONG) continue;
    const size_t at = u32(entry + 4) == 1 ? entry + 8 : u32(entry + 8);
    for (uint32_t v = 0; v < count && v < u32(entry + 4); ++v)
      for (int b = 0; b < 4; ++b) file[at + 4 * v + b] = static_cast<uint8_t>(value >> (8 * b));
    return true;
  }
  return false;
}

TEST(TiffDecoder, DamagedStripIsLeftBlankAndTheRestKept) {
  auto source = test::MakePatternBitmap(64, 256, PixelFormat::Indexed8bpp);  // 16 KiB: 2 strips of 128 rows
  Bytes file;
  ASSERT_EQ(Encode(source->Pixels(), kEncoderValueCompressionNone, file), Status::Ok);
  Bytes damaged = file;
  ASSERT_TRUE(PatchLongs(damaged, TIFFTAG_STRIPOFFSETS, 0x7FFFFF00, 1));
  DecodedFrame frame;
  ASSERT_EQ(Decode(damaged, frame), Status::Ok);
  EXPECT_EQ(frame.pixels.Row(0)[0], 0);
  EXPECT_EQ(frame.pixels.Row(127)[63], 0);
  EXPECT_EQ(std::memcmp(frame.pixels.Row(128), source->Pixels().Row(128), 64), 0);
  EXPECT_EQ(std::memcmp(frame.pixels.Row(255), source->Pixels().Row(255), 64), 0);

  ASSERT_TRUE(PatchLongs(damaged, TIFFTAG_STRIPOFFSETS, 0x7FFFFF00, 100));
  DecodedFrame none;
  EXPECT_EQ(Decode(damaged, none), Status::GenericError);
  EXPECT_TRUE(none.pixels.Empty());
}

TEST(TiffDecoder, HostileFilesFailCleanly) {
  const auto dir = test::TestDataDir();
  if (dir.empty()) GTEST_SKIP() << "no shared test data";
  DecodeLimits limits;
  limits.maxPixelBytes = 256u << 20;
  int files = 0;
  for (const auto& entry : std::filesystem::directory_iterator(dir / "bad")) {
    const std::string name = entry.path().filename().string();
    if (name.rfind("tiff-", 0) != 0) continue;
    ++files;
    SCOPED_TRACE(name);
    std::unique_ptr<ImageDecoder> decoder;
    if (OpenTiffDecoder(std::make_shared<const Bytes>(test::ReadFileBytes(entry.path())), limits, decoder) !=
        Status::Ok) {
      EXPECT_FALSE(decoder);
      continue;
    }
    for (uint32_t i = 0; i < decoder->FrameCount() && i < 8; ++i) {
      DecodedFrame frame;
      if (decoder->DecodeFrame(i, frame) == Status::Ok) {
        EXPECT_FALSE(frame.pixels.Empty());
      } else {
        EXPECT_TRUE(frame.pixels.Empty());
      }
    }
  }
  EXPECT_GT(files, 10);
}

// --- Against an independent decoder -----------------------------------------------------------

TEST(TiffDecoder, SampleFilesMatchImageMagick) {
  const auto dir = test::TestDataDir();
  if (dir.empty()) GTEST_SKIP() << "no shared test data";
  if (!test::HasImageMagick()) GTEST_SKIP() << "ImageMagick is not installed";
  // Files ImageMagick reads the same way: no orientation flips, no colour management, 8-bit-or-less sources
  // or 16-bit ones whose rounding both sides agree on.
  const char* files[] = {
      "cramps.tif",
      "g3test.tif",
      "jim___ah.tif",
      "jim___cg.tif",
      "oxford.tif",
      "quad-tile.tif",
      "flower-palette-02.tif",
      "miniswhite-1c-1b.tiff",
      "palette-1c-1b.tiff",
      "palette-1c-8b.tiff",
      "lzw-single-strip.tiff",
      "multipage.tiff",
      "hopper_g4.tif",
      "hopper4R.tif",
      "capitol2.tif",
      "seq-1c-4b-palette-85108c5a.tiff",
      "seq-4c-8b-rgba-unassoc-50969cda.tiff",
      "1pagefax.tif",
      "imagemagick_group4.tiff",
      "tiled-gray-i1.tif",
      "ccitt-CCITT_T.6.tiff",
      "flower-minisblack-06.tif",
      "flower-rgb-contig-16.tif",
      "quad-jpeg.tif",
      "DudleyLeavittUtah.tiff",
  };
  int compared = 0;
  for (const char* name : files) {
    const auto path = dir / "tiff" / name;
    if (!std::filesystem::exists(path)) continue;
    SCOPED_TRACE(name);
    DecodedFrame frame;
    if (Decode(test::ReadFileBytes(path), frame) != Status::Ok) {
      ADD_FAILURE() << "does not decode";
      continue;
    }
    const std::optional<test::MagickPicture> reference = test::ReadWithImageMagick(path, {.frame = 0});
    const uint32_t w = frame.pixels.Width(), h = frame.pixels.Height();
    if (!reference || reference->width != w || reference->height != h || reference->Frames() != 1) {
      ADD_FAILURE() << "ImageMagick gave another picture";
      continue;
    }
    ++compared;
    int worst = 0;
    std::vector<uint8_t> bgra(size_t{w} * 4);
    for (uint32_t y = 0; y < h; ++y) {
      RowToArgb32(frame.pixels.Row(y), frame.pixels.Format(), frame.pixels.GetPalette(), 0, w, bgra.data());
      for (uint32_t x = 0; x < w; ++x) {
        const uint32_t theirs = reference->Argb(0, x, y);
        const uint8_t ref[4] = {static_cast<uint8_t>(theirs >> 16), static_cast<uint8_t>(theirs >> 8),
                                static_cast<uint8_t>(theirs), static_cast<uint8_t>(theirs >> 24)};
        const uint8_t* ours = &bgra[size_t{x} * 4];
        worst = std::max(worst, std::abs(ours[3] - ref[3]));
        if (ref[3] == 0) continue;  // colour of a transparent pixel is not defined
        worst = std::max({worst, std::abs(ours[2] - ref[0]), std::abs(ours[1] - ref[1]), std::abs(ours[0] - ref[2])});
      }
    }
    EXPECT_LE(worst, 2);
  }
  EXPECT_GT(compared, 10);
}

}  // namespace
}  // namespace tavlen::gfx

// --- Strips compressed on two cores ----------------------------------------------------------

namespace tavlen::gfx {
namespace {

// Every strip's compressed bytes, read raw with libtiff.
std::vector<Bytes> RawStrips(TIFF* tif) {
  std::vector<Bytes> strips(TIFFNumberOfStrips(tif));
  for (uint32_t s = 0; s < strips.size(); ++s) {
    strips[s].resize(static_cast<size_t>(TIFFRawStripSize(tif, s)));
    if (TIFFReadRawStrip(tif, s, strips[s].data(), static_cast<tmsize_t>(strips[s].size())) < 0) return {};
  }
  return strips;
}

// The samples of `file` written again by one libtiff handle, a scanline at a time, with the file's own
// shape, compression, predictor and strip height; then both files' strips.
void StripsOfFileAndOfOneHandle(const Bytes& file, uint16_t compression, std::vector<Bytes>& ours,
                                std::vector<Bytes>& sequential) {
  test::TempDir dir;
  const std::string path = dir.File("ours.tif");
  std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(file.data()), file.size());
  TIFF* in = TIFFOpen(path.c_str(), "r");
  ASSERT_NE(in, nullptr);
  uint32_t w = 0, h = 0, rowsPerStrip = 0;
  uint16_t bits = 0, samples = 0, photometric = 0, predictor = 0, extraCount = 0;
  const uint16_t* extras = nullptr;
  TIFFGetField(in, TIFFTAG_IMAGEWIDTH, &w), TIFFGetField(in, TIFFTAG_IMAGELENGTH, &h);
  TIFFGetField(in, TIFFTAG_BITSPERSAMPLE, &bits), TIFFGetField(in, TIFFTAG_SAMPLESPERPIXEL, &samples);
  TIFFGetField(in, TIFFTAG_PHOTOMETRIC, &photometric), TIFFGetField(in, TIFFTAG_ROWSPERSTRIP, &rowsPerStrip);
  TIFFGetFieldDefaulted(in, TIFFTAG_PREDICTOR, &predictor);
  TIFFGetFieldDefaulted(in, TIFFTAG_EXTRASAMPLES, &extraCount, &extras);
  ours = RawStrips(in);
  std::vector<Bytes> rows(h, Bytes(static_cast<size_t>(TIFFScanlineSize(in))));
  for (uint32_t y = 0; y < h; ++y) ASSERT_GE(TIFFReadScanline(in, rows[y].data(), y, 0), 0);
  const std::vector<uint16_t> extraCopy(extras, extras + extraCount);
  TIFFClose(in);

  const Bytes reference = WriteWithLibtiff([&](TIFF* tif) {
    SetBasicFields(tif, w, h, bits, samples, photometric);
    TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, rowsPerStrip);
    TIFFSetField(tif, TIFFTAG_COMPRESSION, compression);
    TIFFSetField(tif, TIFFTAG_PREDICTOR, predictor);
    if (!extraCopy.empty()) TIFFSetField(tif, TIFFTAG_EXTRASAMPLES, extraCopy.size(), extraCopy.data());
    for (uint32_t y = 0; y < h; ++y) TIFFWriteScanline(tif, rows[y].data(), y, 0);
  });
  const std::string refPath = dir.File("reference.tif");
  std::ofstream(refPath, std::ios::binary).write(reinterpret_cast<const char*>(reference.data()), reference.size());
  TIFF* ref = TIFFOpen(refPath.c_str(), "r");
  ASSERT_NE(ref, nullptr);
  sequential = RawStrips(ref);
  TIFFClose(ref);
}

TEST(TiffStrips, TwoCoreLzwAndDeflateStripsEqualOneHandlesByteForByte) {
  // Over 4 MiB of pixels each, so that the strips are compressed in two halves at once.
  const std::tuple<PixelFormat, uint32_t, uint32_t> cases[] = {{PixelFormat::RGB24bpp, 1500, 1001},
                                                               {PixelFormat::ARGB32bpp, 1100, 999},
                                                               {PixelFormat::Indexed8bpp, 2100, 2011},
                                                               {PixelFormat::RGB48bpp, 700, 1003}};
  const std::pair<uint32_t, uint16_t> schemes[] = {{kEncoderValueCompressionLZW, COMPRESSION_LZW},
                                                   {kEncoderValueCompressionDeflate, COMPRESSION_ADOBE_DEFLATE}};
  for (const auto& [format, w, h] : cases)
    for (const auto& [scheme, compression] : schemes) {
      SCOPED_TRACE(testing::Message() << static_cast<int>(format) << " compression " << compression);
      auto source = test::MakePatternBitmap(w, h, format, 5);
      Bytes file;
      ASSERT_EQ(Encode(source->Pixels(), scheme, file), Status::Ok);
      std::vector<Bytes> ours, sequential;
      StripsOfFileAndOfOneHandle(file, compression, ours, sequential);
      ASSERT_GT(ours.size(), 2u);
      EXPECT_TRUE(ours == sequential);
      DecodedFrame frame;
      ASSERT_EQ(Decode(file, frame), Status::Ok);
      auto decoded = Bitmap::FromPixels(std::move(frame.pixels));
      EXPECT_TRUE(test::SamePixels(*source, *decoded));
    }
}

}  // namespace
}  // namespace tavlen::gfx
