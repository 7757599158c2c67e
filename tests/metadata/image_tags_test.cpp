// The text tags in memory: the item a write makes, what a read hands on, and the copies that keep them.
#include "metadata/image_tags.h"

#include <gtest/gtest.h>

#include "tests/graphics/test_support.h"

namespace tavlen::metadata {
namespace {

using gfx::Status;

gfx::Bitmap::Ptr Picture() { return gfx::test::MakePatternBitmap(16, 8, gfx::PixelFormat::RGB24bpp); }

TEST(ImageTags, WriteMakesAnAsciiItemWithItsNulAndEmptyTextKeepsIt) {
  auto picture = Picture();
  ASSERT_EQ(WriteImageTag(*picture, ImageTag::Title, "first"), Status::Ok);
  ASSERT_EQ(WriteImageTag(*picture, ImageTag::Artist, "Ann Artist"), Status::Ok);
  uint32_t size = 0;
  ASSERT_EQ(picture->GetPropertyItemSize(315, size), Status::Ok);
  std::vector<gfx::PropertyItemRecord> buffer(2 + size / sizeof(gfx::PropertyItemRecord));
  ASSERT_EQ(picture->GetPropertyItem(315, size, buffer.data()), Status::Ok);
  EXPECT_EQ(buffer[0].length, 11u);
  EXPECT_EQ(buffer[0].type, gfx::kPropertyTagTypeASCII);
  EXPECT_EQ(static_cast<const char*>(buffer[0].value), std::string("Ann Artist"));
  EXPECT_EQ(WriteImageTag(*picture, ImageTag::Title, ""), Status::Ok);
  EXPECT_EQ(WriteImageTag(*picture, ImageTag::Copyright, ""), Status::Ok);
  EXPECT_EQ(ReadImageTag(*picture, ImageTag::Title), "first");
  EXPECT_EQ(picture->PropertyItems().size(), 2u) << "empty text adds nothing";
}

// What the file or another program stored, and the UTF-8 text a read hands on.
TEST(ImageTags, ReadStopsAtNulOrItemEndAndTurnsLatin1IntoUtf8) {
  const struct {
    uint16_t type;
    std::vector<uint8_t> stored;
    std::string read;
  } cases[] = {
      {gfx::kPropertyTagTypeASCII, {'a', 'b', 0, 'c', 0}, "ab"},
      {gfx::kPropertyTagTypeASCII, {'n', 'o', 'n', 'u', 'l'}, "nonul"},
      {gfx::kPropertyTagTypeASCII, {}, ""},
      {gfx::kPropertyTagTypeShort, {'A', 'B', 0, 0}, ""},
      {gfx::kPropertyTagTypeASCII, {'Z', 'o', 0xC3, 0xAB, 0}, "Zo\xC3\xAB"},
      {gfx::kPropertyTagTypeASCII, {0xF0, 0x9F, 0x93, 0xB7, 0}, "\xF0\x9F\x93\xB7"},
      {gfx::kPropertyTagTypeASCII, {'J', 0xF6, 'r', 'g', 0}, "J\xC3\xB6rg"},            // Latin-1
      {gfx::kPropertyTagTypeASCII, {'a', 0xE6, 0x9D, 0}, "a\xC3\xA6\xC2\x9D"},          // cut short
      {gfx::kPropertyTagTypeASCII, {0xC0, 0xAF, 0}, "\xC3\x80\xC2\xAF"},                // overlong
      {gfx::kPropertyTagTypeASCII, {0xED, 0xA0, 0x80, 0}, "\xC3\xAD\xC2\xA0\xC2\x80"},  // surrogate
  };
  for (const auto& c : cases) {
    auto picture = Picture();
    std::vector<uint8_t> value = c.stored;
    ASSERT_EQ(picture->SetPropertyItem({315, static_cast<uint32_t>(value.size()), c.type, value.data()}), Status::Ok);
    EXPECT_EQ(ReadImageTag(*picture, ImageTag::Artist), c.read);
  }
}

// Any tag as text: numbers from their bytes in little-endian order, rationals as stored, and nothing for
// what is too short, over zero or of no stated meaning.
TEST(ImageTags, AnyTagReadsAsTextFromItsFirstValue) {
  const struct {
    uint16_t type;
    std::vector<uint8_t> stored;
    std::string read;
  } cases[] = {
      {gfx::kPropertyTagTypeRational, {1, 0, 0, 0, 160, 0, 0, 0}, "1/160"},
      {gfx::kPropertyTagTypeRational, {0x10, 0x27, 0, 0, 0xE8, 0x03, 0, 0, 9, 9, 9, 9}, "10000/1000"},
      {gfx::kPropertyTagTypeSRational, {0xFF, 0xFF, 0xFF, 0xFF, 3, 0, 0, 0}, "-1/3"},
      {gfx::kPropertyTagTypeRational, {7, 0, 0, 0, 0, 0, 0, 0}, ""},  // over zero
      {gfx::kPropertyTagTypeRational, {7, 0, 0, 0, 1, 0}, ""},        // cut short
      {gfx::kPropertyTagTypeShort, {0x90, 0x01, 0x20, 0x03}, "400"},  // the first of two
      {gfx::kPropertyTagTypeShort, {0x90}, ""},
      {gfx::kPropertyTagTypeLong, {0x00, 0x00, 0x00, 0x80}, "2147483648"},
      {gfx::kPropertyTagTypeSLONG, {0x00, 0x00, 0x00, 0x80}, "-2147483648"},
      {gfx::kPropertyTagTypeByte, {200, 1}, "200"},
      {gfx::kPropertyTagTypeASCII, {'J', 0xF6, 'r', 'g', 0}, "J\xC3\xB6rg"},
      {gfx::kPropertyTagTypeUndefined, {'0', '2', '3', '0'}, ""},
  };
  for (const auto& c : cases) {
    auto picture = Picture();
    std::vector<uint8_t> value = c.stored;
    ASSERT_EQ(picture->SetPropertyItem({0x829A, static_cast<uint32_t>(value.size()), c.type, value.data()}),
              Status::Ok);
    EXPECT_EQ(ReadTagText(*picture, 0x829A), c.read) << c.read;
    EXPECT_EQ(ReadTagText(*picture, 0x829D), "") << "another tag";
  }
}

// The copy made at loading, undo snapshots and the results of edits all keep the tags.
TEST(ImageTags, CopiesAndEditsKeepTheTags) {
  auto picture = Picture();
  ASSERT_EQ(WriteImageTag(*picture, ImageTag::Artist, "kept"), Status::Ok);
  EXPECT_EQ(ReadImageTag(*picture->Clone().Value(), ImageTag::Artist), "kept");
  EXPECT_EQ(ReadImageTag(*picture->CloneArea(0, 0, 16, 8, gfx::PixelFormat::DontCare).Value(), ImageTag::Artist),
            "kept");
  EXPECT_EQ(ReadImageTag(*picture->CloneArea(0, 0, 16, 8, gfx::PixelFormat::ARGB32bpp).Value(), ImageTag::Artist),
            "kept");
  EXPECT_EQ(ReadImageTag(*picture->GetThumbnail(5, 3).Value(), ImageTag::Artist), "kept");
  ASSERT_EQ(picture->RotateFlip(gfx::RotateFlipType::Rotate90FlipX), Status::Ok);
  EXPECT_EQ(ReadImageTag(*picture, ImageTag::Artist), "kept");
}

}  // namespace
}  // namespace tavlen::metadata
