// Tests of the format table, the encoder lookup, the TIFF compression choice and the name checks.
#include "files/file_formats.h"

#include <gtest/gtest.h>

#include "platform/graphics/codec_registry.h"
#include "platform/graphics/encoder_parameters.h"

namespace tavlen::files {
namespace {

TEST(LookupEncoder, FindsEachFormatsEncoderByExactMimeType) {
  const std::pair<FileFormat, gfx::Guid> expected[] = {{FileFormat::Bmp, gfx::kBmpEncoderClsid},
                                                       {FileFormat::Gif, gfx::kGifEncoderClsid},
                                                       {FileFormat::Jpeg, gfx::kJpegEncoderClsid},
                                                       {FileFormat::Png, gfx::kPngEncoderClsid},
                                                       {FileFormat::Tiff, gfx::kTiffEncoderClsid}};
  for (const auto& [format, clsid] : expected) {
    gfx::Guid found;
    EXPECT_GE(LookupEncoder(InfoFor(format).mimeType, found), 0) << InfoFor(format).mimeType;
    EXPECT_EQ(found, clsid) << InfoFor(format).mimeType;
  }
  gfx::Guid first;
  EXPECT_EQ(LookupEncoder("image/bmp", first), 0) << "the index is the position in the list";

  const gfx::Guid sentinel{0x12345678, 1, 2, {3, 4, 5, 6, 7, 8, 9, 10}};
  for (const char* mime : {"IMAGE/PNG", "image/png ", "image/x-icon", ""}) {
    gfx::Guid untouched = sentinel;
    EXPECT_EQ(LookupEncoder(mime, untouched), -1) << mime;
    EXPECT_EQ(untouched, sentinel) << mime;
  }
}

TEST(FileFormats, ExtensionsAreLowerCaseWithTiffInFourLetters) {
  EXPECT_EQ(InfoFor(FileFormat::Bmp).extension, ".bmp");
  EXPECT_EQ(InfoFor(FileFormat::Jpeg).extension, ".jpg");
  EXPECT_EQ(InfoFor(FileFormat::Tiff).extension, ".tiff");
  EXPECT_EQ(InfoFor(FileFormat::Tiff).mimeType, "image/tiff");
}

TEST(ChooseTiffCompression, MapsTheSettingAndFallsBackToLzw) {
  struct Case {
    int32_t setting;
    uint32_t value;
    bool bilevel;
  };
  const Case cases[] = {
      {0, gfx::kEncoderValueCompressionLZW, false},        {1, gfx::kEncoderValueCompressionCCITT3, true},
      {2, gfx::kEncoderValueCompressionCCITT4, true},      {3, gfx::kEncoderValueCompressionRle, true},
      {4, gfx::kEncoderValueCompressionNone, false},       {5, gfx::kEncoderValueCompressionLZW, false},
      {100, gfx::kEncoderValueCompressionLZW, false},      {-1, gfx::kEncoderValueCompressionLZW, false},
      {INT32_MIN, gfx::kEncoderValueCompressionLZW, false}};
  for (const Case& c : cases) {
    const TiffCompressionChoice choice = ChooseTiffCompression(c.setting);
    EXPECT_EQ(choice.encoderValue, c.value) << c.setting;
    EXPECT_EQ(choice.bilevel, c.bilevel) << c.setting;
  }
}

TEST(FormatOfExportType, UpperCasesAndMatchesWholeNamesOnly) {
  EXPECT_EQ(FormatOfExportType("jpeg"), FileFormat::Jpeg);
  EXPECT_EQ(FormatOfExportType("Jpg"), FileFormat::Jpeg);
  EXPECT_EQ(FormatOfExportType("JPG"), FileFormat::Jpeg);
  EXPECT_EQ(FormatOfExportType("tif"), FileFormat::Tiff);
  EXPECT_EQ(FormatOfExportType("Tiff"), FileFormat::Tiff);
  EXPECT_EQ(FormatOfExportType("PNG"), FileFormat::Png);
  EXPECT_EQ(FormatOfExportType("bmp"), FileFormat::Bmp);
  EXPECT_EQ(FormatOfExportType("gif"), FileFormat::Gif);
  for (const char* type : {"BMPX", " BMP", "TIFF ", "JPEGS", "", "P", ".png"})
    EXPECT_FALSE(FormatOfExportType(type).has_value()) << "'" << type << "'";
}

TEST(IsTiffPath, LooksAtTheTextFromTheLastDot) {
  for (const char* path : {"scan.TIF", "scan.tiff", "a/b.c/scan.Tif", ".tif"}) EXPECT_TRUE(IsTiffPath(path)) << path;
  for (const char* path : {"anim.gif", "readme", "", "scan.tif.bak", "pics.tif/photo", "scan.", "scan.tiffx"})
    EXPECT_FALSE(IsTiffPath(path)) << path;
}

}  // namespace
}  // namespace tavlen::files
