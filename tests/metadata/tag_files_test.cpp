// The seven tags through JPEG, TIFF and PNG files and back. Tags of real-world files are read end to end
// (tests/e2e/metadata_tags.js).
#include <gtest/gtest.h>

#include <array>
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
      return "Ma\xC3\xB1"
             "ana Optics";
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

}  // namespace
}  // namespace tavlen::metadata
