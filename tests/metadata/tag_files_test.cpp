// The seven tags through JPEG, TIFF and PNG files and back, and tags read from real-world files.
#include <gtest/gtest.h>

#include <array>
#include <filesystem>
#include <string>
#include <utility>

#include "metadata/image_tags.h"
#include "platform/graphics/codec_registry.h"
#include "tests/graphics/test_support.h"

namespace tavlen::metadata {
namespace {

using gfx::Status;

constexpr std::array<ImageTag, 7> kAllTags = {ImageTag::Artist,      ImageTag::Copyright, ImageTag::DateTime,
                                              ImageTag::Description, ImageTag::EquipMake, ImageTag::EquipModel,
                                              ImageTag::Title};

// Distinct text per tag: non-ASCII in every one, and one longer than 255 bytes.
std::string TextFor(ImageTag tag) {
  switch (tag) {
    case ImageTag::Artist:
      return "Bj\xC3\xB6rk Gu\xC3\xB0mundsd\xC3\xB3ttir";
    case ImageTag::Copyright:
      return "\xC2\xA9 2026 \xE6\x9D\xB1\xE4\xBA\xAC Studio";
    case ImageTag::DateTime:
      return "2026:12:08 04:30:00";
    case ImageTag::Description:
      return "Long caption \xE2\x80\x94 " + std::string(300, 'd') + " \xE2\x80\x94 end";
    case ImageTag::EquipMake:
      return "Ma\xC3\xB1" "ana Optics";
    case ImageTag::EquipModel:
      return "\xD0\x9A\xD0\xB0\xD0\xBC\xD0\xB5\xD1\x80\xD0\xB0 7";
    case ImageTag::Title:
      return "\xEC\x84\x9C\xEC\x9A\xB8\xEC\x9D\x98 \xEB\xB0\xA4";
  }
  return {};
}

class TagRoundTrip : public ::testing::TestWithParam<std::pair<const char*, gfx::Guid>> {};

TEST_P(TagRoundTrip, EveryTagReadsBackFromTheFile) {
  auto picture = gfx::test::MakePatternBitmap(24, 16, gfx::PixelFormat::RGB24bpp);
  for (ImageTag tag : kAllTags) ASSERT_EQ(WriteImageTag(*picture, tag, TextFor(tag)), Status::Ok);
  gfx::test::TempDir dir;
  const std::string path = dir.File(std::string("tags.") + GetParam().first);
  ASSERT_EQ(picture->Save(path, GetParam().second), Status::Ok);
  auto decoded = gfx::Bitmap::FromFile(path);
  ASSERT_TRUE(decoded.Ok());
  for (ImageTag tag : kAllTags) {
    EXPECT_EQ(ReadImageTag(*decoded.Value(), tag), TextFor(tag)) << "tag " << static_cast<uint32_t>(tag);
  }
}

INSTANTIATE_TEST_SUITE_P(Formats, TagRoundTrip,
                         ::testing::Values(std::make_pair("jpg", gfx::kJpegEncoderClsid),
                                           std::make_pair("tif", gfx::kTiffEncoderClsid),
                                           std::make_pair("png", gfx::kPngEncoderClsid)),
                         [](const auto& info) { return std::string(info.param.first); });

TEST(TagFiles, ChangedTagReplacesTheFilesOwnOnTheNextSave) {
  auto picture = gfx::test::MakePatternBitmap(8, 8, gfx::PixelFormat::RGB24bpp);
  gfx::test::TempDir dir;
  ASSERT_EQ(WriteImageTag(*picture, ImageTag::Artist, "before"), Status::Ok);
  ASSERT_EQ(picture->Save(dir.File("a.jpg"), gfx::kJpegEncoderClsid), Status::Ok);
  auto loaded = gfx::Bitmap::FromFile(dir.File("a.jpg"));
  ASSERT_TRUE(loaded.Ok());
  ASSERT_EQ(WriteImageTag(*loaded.Value(), ImageTag::Artist, "after"), Status::Ok);
  ASSERT_EQ(loaded.Value()->Save(dir.File("b.jpg"), gfx::kJpegEncoderClsid), Status::Ok);
  auto reloaded = gfx::Bitmap::FromFile(dir.File("b.jpg"));
  ASSERT_TRUE(reloaded.Ok());
  EXPECT_EQ(ReadImageTag(*reloaded.Value(), ImageTag::Artist), "after");
}

struct RealFile {
  const char* path;
  ImageTag tag;
  const char* text;
};

TEST(TagFiles, RealWorldFilesReadAsTheirMakersWrote) {
  const auto dir = gfx::test::TestDataDir();
  if (dir.empty()) GTEST_SKIP() << "../shared/testdata is absent";
  const RealFile cases[] = {
      {"jpeg/ExifTool.jpg", ImageTag::Artist, "Phil Harvey"},
      {"jpeg/ExifTool.jpg", ImageTag::Copyright, "Copyright 2004 Phil Harvey"},
      {"jpeg/ExifTool.jpg", ImageTag::Description, "A witty caption"},
      {"jpeg/ExifTool.jpg", ImageTag::EquipMake, "FUJIFILM"},
      {"jpeg/ExifTool.jpg", ImageTag::EquipModel, "FinePix2400Zoom"},
      {"jpeg/ExifTool.jpg", ImageTag::DateTime, "2004:02:26 09:36:46"},
      {"jpeg/ExifTool.jpg", ImageTag::Title, ""},
      {"tiff/ExifTool.tif", ImageTag::Description, "The picture caption"},
      {"tiff/ExifTool.tif", ImageTag::EquipMake, "Canon"},
      {"tiff/ExifTool.tif", ImageTag::EquipModel, "Canon EOS DIGITAL REBEL"},
      {"tiff/ExifTool.tif", ImageTag::DateTime, "2004:02:20 08:07:49"},
      {"tiff/ExifTool.tif", ImageTag::Copyright, ""},
      {"jpeg/hopper_orientation_2.jpg", ImageTag::Copyright, ""},
  };
  for (const RealFile& c : cases) {
    auto decoded = gfx::Bitmap::FromFile((dir / c.path).string());
    ASSERT_TRUE(decoded.Ok()) << c.path;
    EXPECT_EQ(ReadImageTag(*decoded.Value(), c.tag), c.text) << c.path << " tag " << static_cast<uint32_t>(c.tag);
  }
}

// Whatever bytes a camera wrote, the text handed on is valid UTF-8 and stops at the item's end.
TEST(TagFiles, EveryTagOfEveryRealJpegIsUtf8) {
  const auto dir = gfx::test::TestDataDir();
  if (dir.empty()) GTEST_SKIP() << "../shared/testdata is absent";
  int tagsSeen = 0;
  for (const auto& entry : std::filesystem::directory_iterator(dir / "jpeg")) {
    auto decoded = gfx::Bitmap::FromFile(entry.path().string());
    if (!decoded.Ok()) continue;
    for (ImageTag tag : kAllTags) {
      const std::string text = ReadImageTag(*decoded.Value(), tag);
      if (text.empty()) continue;
      ++tagsSeen;
      auto copy = gfx::test::MakePatternBitmap(2, 2, gfx::PixelFormat::RGB24bpp);
      // Written back and read again, valid UTF-8 comes back byte for byte; Latin-1 would be converted twice.
      ASSERT_EQ(WriteImageTag(*copy, tag, text), Status::Ok);
      EXPECT_EQ(ReadImageTag(*copy, tag), text) << entry.path();
    }
  }
  EXPECT_GT(tagsSeen, 10);
}

}  // namespace
}  // namespace tavlen::metadata
