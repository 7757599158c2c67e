// The newer control's file operations: the extra extensions beside the eleven of old, saving and
// converting to WebP, and frames of the newer formats counted and exported when asked for.
#include <filesystem>

#include "files/convert_file.h"
#include "files/frames.h"
#include "files/picture_extensions.h"
#include "files/save_image.h"
#include "platform/graphics/codec_registry.h"
#include "tests/graphics/test_support.h"
#include "view/image_files.h"

namespace tavlen::files {
namespace {

using gfx::PixelFormat;
using gfx::test::TempDir;

constexpr gfx::DecodeOptions kExtra{.extraFormats = true};

TEST(PictureExtensions, ExtraListBesideTheElevenOfOld) {
  for (const char* path : {"a.webp", "b.AVIF", "c.avifs", "d.HeIc", "e.heif", "f.hif", "g.jxl", "dir.x/pic.WEBP"}) {
    EXPECT_TRUE(HasExtraPictureExtension(path)) << path;
    EXPECT_FALSE(IsAcceptedImagePath(path)) << path << ": the check of old stays as it was";
  }
  for (const char* path : {"a.jpg", "webp", "a.webp/photo", "a.webp.bak", "a.avi", ""}) {
    EXPECT_FALSE(HasExtraPictureExtension(path)) << path;
  }
  EXPECT_EQ(ExtraPictureExtensions().size(), 7u);
}

TEST(WebpFiles, SaveAndConvert) {
  TempDir dir;
  auto photo = gfx::test::MakePatternBitmap(40, 30, PixelFormat::ARGB32bpp);
  ASSERT_EQ(SaveImage(*photo, dir.File("lossless"), FileFormat::Webp, {.jpegQuality = 100, .tiffCompression = {}}),
            gfx::Status::Ok);
  const std::string written = dir.File("lossless.webp");
  ASSERT_TRUE(std::filesystem::exists(written));
  auto back = gfx::Bitmap::FromFile(written, gfx::kDefaultLimits, kExtra);
  ASSERT_TRUE(back.Ok());
  EXPECT_TRUE(gfx::test::SamePixels(*photo, *back.Value()));

  // A conversion reads its source with the options given: a WebP source only when asked.
  ASSERT_EQ(SaveImage(*photo, dir.File("source"), FileFormat::Png, {}), gfx::Status::Ok);
  EXPECT_EQ(ConvertFile(dir.File("source.png"), dir.File("converted"), FileFormat::Webp,
                        {.jpegQuality = 80, .tiffCompression = 0}),
            gfx::Status::Ok);
  EXPECT_TRUE(std::filesystem::exists(dir.File("converted.webp")));
  EXPECT_EQ(ConvertFile(written, dir.File("again"), FileFormat::Png, {}), gfx::Status::UnknownImageFormat);
  EXPECT_FALSE(std::filesystem::exists(dir.File("again.png")));
  EXPECT_EQ(ConvertFile(written, dir.File("again"), FileFormat::Png, {}, kExtra), gfx::Status::Ok);
  EXPECT_TRUE(std::filesystem::exists(dir.File("again.png")));
}

TEST(WebpFiles, NoExportTypeNamesWebp) {
  EXPECT_FALSE(FormatOfExportType("WEBP"));
  gfx::Guid clsid;
  EXPECT_EQ(LookupEncoder("image/webp", clsid), -1) << "the list of installed encoders stays as it was";
  EXPECT_TRUE(EncoderFor(FileFormat::Webp, clsid));
  EXPECT_EQ(clsid, gfx::kWebpEncoderClsid);
}

TEST(ExtraFormatFrames, CountedOpenedAndExported) {
  const auto data = gfx::test::TestDataDir();
  if (!std::filesystem::exists(data / "webp")) GTEST_SKIP() << "no shared test data";
  const std::string animation = (data / "webp" / "iss634.webp").string();
  const std::string sequence = (data / "avif" / "colors-animated-8bpc-alpha-exif-xmp.avif").string();
  EXPECT_EQ(CountFrames(animation), 0u) << "not read without the option";
  EXPECT_EQ(CountFrames(animation, kExtra), 42u);
  EXPECT_EQ(CountFrames(sequence, kExtra), 5u);
  EXPECT_EQ(CountFrames((data / "jxl" / "animation_icos4d.jxl").string(), kExtra), 48u);

  TempDir dir;
  EXPECT_EQ(ExportFrame(animation, dir.File("frame"), "PNG", 42, 90, false, kExtra), gfx::Status::Ok);
  auto exported = gfx::Bitmap::FromFile(dir.File("frame.png"));
  ASSERT_TRUE(exported.Ok());
  auto frame = OpenFrame(animation, 42, kExtra);
  ASSERT_TRUE(frame.Ok());
  EXPECT_TRUE(gfx::test::SamePixels(*exported.Value(), *frame.Value()));
  EXPECT_EQ(ExportFrame(animation, dir.File("beyond"), "PNG", 43, 90, false, kExtra), gfx::Status::InvalidParameter);
}

}  // namespace
}  // namespace tavlen::files
