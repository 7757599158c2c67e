// Tests of the format table, the encoder lookup, the TIFF compression choice and the name checks.
#include "files/file_formats.h"

#include <gtest/gtest.h>

#include "platform/graphics/codec_registry.h"

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
