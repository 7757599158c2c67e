// Tests of SaveImage: names, encoder parameters as the files show them, and failures that leave files alone.
#include "files/save_image.h"

#include <sys/stat.h>
#include <tiffio.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "platform/graphics/encoder_parameters.h"
#include "tests/files/file_inspection.h"
#include "tests/graphics/test_support.h"

namespace tavlen::files {
namespace {

namespace fs = std::filesystem;
using gfx::PixelFormat;
using gfx::test::TempDir;

gfx::Bitmap::Ptr Picture(PixelFormat format = PixelFormat::RGB24bpp) {
  return gfx::test::MakePatternBitmap(33, 17, format);
}

size_t EntriesIn(const fs::path& dir) {
  size_t n = 0;
  for ([[maybe_unused]] const auto& entry : fs::directory_iterator(dir)) ++n;
  return n;
}

TEST(SaveImage, JpegQualityReachesTheFileClampedByTheEncoder) {
  TempDir dir;
  auto picture = Picture();
  auto firstQuant = [&](int32_t quality) {
    EXPECT_EQ(SaveImage(*picture, dir.File("q"), FileFormat::Jpeg, {.jpegQuality = quality, .tiffCompression = {}}),
              gfx::Status::Ok);
    return test::JpegFirstQuantValue(dir.File("q.jpg"));
  };
  EXPECT_EQ(firstQuant(100), 1);
  EXPECT_EQ(firstQuant(150), 1) << "above 100 counts as 100";
  EXPECT_EQ(firstQuant(50), 16) << "the standard luminance table at 50";
  EXPECT_GT(firstQuant(-5), 16) << "a negative quality is the lowest";
  EXPECT_EQ(firstQuant(-5), firstQuant(0));
}

TEST(SaveImage, TiffCompressionAndBitDepthAsLibtiffReadsThem) {
  TempDir dir;
  auto colour = Picture();
  auto bilevel = Picture(PixelFormat::Indexed1bpp);
  struct Case {
    gfx::Bitmap* picture;
    std::optional<uint32_t> scheme;
    uint16_t compression;
    uint16_t bits;
  };
  const Case cases[] = {
      {colour.get(), gfx::kEncoderValueCompressionLZW, COMPRESSION_LZW, 8},
      {colour.get(), gfx::kEncoderValueCompressionNone, COMPRESSION_NONE, 8},
      {colour.get(), gfx::kEncoderValueCompressionRle, COMPRESSION_PACKBITS, 8},
      {bilevel.get(), gfx::kEncoderValueCompressionCCITT3, COMPRESSION_CCITTFAX3, 1},
      {bilevel.get(), gfx::kEncoderValueCompressionCCITT4, COMPRESSION_CCITTFAX4, 1},
      {colour.get(), std::nullopt, COMPRESSION_LZW, 8},
  };
  for (const Case& c : cases) {
    ASSERT_EQ(SaveImage(*c.picture, dir.File("t"), FileFormat::Tiff, {.jpegQuality = 100, .tiffCompression = c.scheme}),
              gfx::Status::Ok);
    const test::TiffTags tags = test::ReadTiffTags(dir.File("t.tiff"));
    ASSERT_TRUE(tags.readable);
    EXPECT_EQ(tags.compression, c.compression);
    EXPECT_EQ(tags.bitsPerSample, c.bits);
    EXPECT_EQ(tags.width, 33u);
  }
}

// The three ways a save can fail after the name is formed: the encoder refuses the picture, the
// folder cannot take a file, the name is a directory. None of them touches what is there.
TEST(SaveImage, AFailedSaveLeavesTheOldFileByteForByte) {
  TempDir dir;
  auto colour = Picture();
  ASSERT_EQ(SaveImage(*colour, dir.File("old"), FileFormat::Tiff, {}), gfx::Status::Ok);
  const auto before = gfx::test::ReadFileBytes(dir.File("old.tiff"));
  ASSERT_FALSE(before.empty());
  const EncodeOptions fax{.jpegQuality = 100, .tiffCompression = gfx::kEncoderValueCompressionCCITT4};
  EXPECT_EQ(SaveImage(*colour, dir.File("old"), FileFormat::Tiff, fax), gfx::Status::InvalidParameter)
      << "a bilevel scheme for a colour picture";
  EXPECT_EQ(gfx::test::ReadFileBytes(dir.File("old.tiff")), before);
  EXPECT_EQ(EntriesIn(dir.Path()), 1u);
}

TEST(SaveImage, UnwritablePlacesFailAndCreateNothing) {
  TempDir dir;
  auto picture = Picture();
  std::ofstream(dir.File("plain")) << "a file, not a folder";
  EXPECT_NE(SaveImage(*picture, dir.File("plain") + "/pic", FileFormat::Png, {}), gfx::Status::Ok)
      << "a folder that is a file";
  EXPECT_NE(SaveImage(*picture, dir.File("missing") + "/pic", FileFormat::Png, {}), gfx::Status::Ok);
  fs::create_directory(dir.File("album.png"));
  std::ofstream(dir.File("album.png") + "/inside") << "kept";
  EXPECT_NE(SaveImage(*picture, dir.File("album"), FileFormat::Png, {}), gfx::Status::Ok) << "onto a directory";
  EXPECT_TRUE(fs::is_directory(dir.File("album.png")));
  EXPECT_TRUE(fs::is_regular_file(dir.File("album.png") + "/inside"));
  EXPECT_EQ(EntriesIn(dir.Path()), 2u);
}

TEST(SaveImage, AFolderWithoutWritePermissionKeepsItsFile) {
  TempDir dir;
  auto picture = Picture();
  const std::string folder = dir.File("locked");
  fs::create_directory(folder);
  ASSERT_EQ(SaveImage(*picture, folder + "/pic", FileFormat::Png, {}), gfx::Status::Ok);
  const auto before = gfx::test::ReadFileBytes(folder + "/pic.png");
  ASSERT_EQ(::chmod(folder.c_str(), 0555), 0);
  if (::access(folder.c_str(), W_OK) == 0) {
    ::chmod(folder.c_str(), 0755);
    GTEST_SKIP() << "permissions do not stop this user (root); the other failure tests cover the same path";
  }
  auto other = gfx::test::MakePatternBitmap(5, 5, PixelFormat::RGB24bpp, 9);
  EXPECT_EQ(SaveImage(*other, folder + "/pic", FileFormat::Png, {}), gfx::Status::AccessDenied);
  ::chmod(folder.c_str(), 0755);
  EXPECT_EQ(gfx::test::ReadFileBytes(folder + "/pic.png"), before);
  EXPECT_EQ(EntriesIn(folder), 1u);
}

}  // namespace
}  // namespace tavlen::files
