// Reading and writing the seven text tags in memory, and the copies of a picture that must keep them.
#include "metadata/image_tags.h"

#include <gtest/gtest.h>

#include "tests/graphics/test_support.h"

namespace tavlen::metadata {
namespace {

using gfx::Status;

gfx::Bitmap::Ptr Picture() { return gfx::test::MakePatternBitmap(16, 8, gfx::PixelFormat::RGB24bpp); }

const gfx::PropertyItem* Find(const gfx::Bitmap& picture, ImageTag tag) {
  for (const auto& item : picture.PropertyItems()) {
    if (item.id == static_cast<uint32_t>(tag)) return &item;
  }
  return nullptr;
}

void AddRaw(gfx::Bitmap& picture, ImageTag tag, uint16_t type, std::vector<uint8_t> value) {
  const gfx::PropertyItemRecord record{static_cast<uint32_t>(tag), static_cast<uint32_t>(value.size()), type,
                                       value.data()};
  ASSERT_EQ(picture.SetPropertyItem(record), Status::Ok);
}

TEST(ImageTags, IdsAreThePublishedOnes) {
  EXPECT_EQ(static_cast<uint32_t>(ImageTag::Artist), 315u);
  EXPECT_EQ(static_cast<uint32_t>(ImageTag::Copyright), 33432u);
  EXPECT_EQ(static_cast<uint32_t>(ImageTag::DateTime), 306u);
  EXPECT_EQ(static_cast<uint32_t>(ImageTag::Description), 270u);
  EXPECT_EQ(static_cast<uint32_t>(ImageTag::EquipMake), 271u);
  EXPECT_EQ(static_cast<uint32_t>(ImageTag::EquipModel), 272u);
  EXPECT_EQ(static_cast<uint32_t>(ImageTag::Title), 800u);
}

TEST(ImageTags, WrittenTextReadsBackAsAnAsciiItemWithItsNul) {
  auto picture = Picture();
  ASSERT_EQ(WriteImageTag(*picture, ImageTag::Artist, "Ann Artist"), Status::Ok);
  EXPECT_EQ(ReadImageTag(*picture, ImageTag::Artist), "Ann Artist");
  const gfx::PropertyItem* item = Find(*picture, ImageTag::Artist);
  ASSERT_NE(item, nullptr);
  EXPECT_EQ(item->type, gfx::kPropertyTagTypeASCII);
  EXPECT_EQ(item->value.size(), 11u);
  EXPECT_EQ(item->value.back(), 0);
  uint32_t size = 0;
  EXPECT_EQ(picture->GetPropertyItemSize(315, size), Status::Ok);
  EXPECT_EQ(size, sizeof(gfx::PropertyItemRecord) + 11);
}

TEST(ImageTags, WritingReplacesAndEmptyTextKeeps) {
  auto picture = Picture();
  ASSERT_EQ(WriteImageTag(*picture, ImageTag::Title, "first"), Status::Ok);
  ASSERT_EQ(WriteImageTag(*picture, ImageTag::Title, "second"), Status::Ok);
  EXPECT_EQ(ReadImageTag(*picture, ImageTag::Title), "second");
  EXPECT_EQ(WriteImageTag(*picture, ImageTag::Title, ""), Status::Ok);
  EXPECT_EQ(ReadImageTag(*picture, ImageTag::Title), "second");
  EXPECT_EQ(picture->PropertyItems().size(), 1u);
  // Empty text on a picture without the tag adds nothing either.
  EXPECT_EQ(WriteImageTag(*picture, ImageTag::Copyright, ""), Status::Ok);
  EXPECT_EQ(Find(*picture, ImageTag::Copyright), nullptr);
}

TEST(ImageTags, TextIsStoredUnchecked) {
  auto picture = Picture();
  const std::string notADate = "sometime last spring";
  ASSERT_EQ(WriteImageTag(*picture, ImageTag::DateTime, notADate), Status::Ok);
  EXPECT_EQ(ReadImageTag(*picture, ImageTag::DateTime), notADate);
  const std::string utf8 = "Zo\xC3\xAB \xE6\x9D\xB1\xE4\xBA\xAC \xF0\x9F\x93\xB7";  // Zoë, Tokyo, a camera
  ASSERT_EQ(WriteImageTag(*picture, ImageTag::Description, utf8), Status::Ok);
  EXPECT_EQ(ReadImageTag(*picture, ImageTag::Description), utf8);
  const std::string longText(70000, 'x');
  ASSERT_EQ(WriteImageTag(*picture, ImageTag::EquipModel, longText), Status::Ok);
  EXPECT_EQ(ReadImageTag(*picture, ImageTag::EquipModel), longText);
}

TEST(ImageTags, AbsentOrForeignItemsReadEmpty) {
  auto picture = Picture();
  for (ImageTag tag : {ImageTag::Artist, ImageTag::Copyright, ImageTag::DateTime, ImageTag::Description,
                       ImageTag::EquipMake, ImageTag::EquipModel, ImageTag::Title}) {
    EXPECT_EQ(ReadImageTag(*picture, tag), "");
  }
  AddRaw(*picture, ImageTag::EquipMake, gfx::kPropertyTagTypeShort, {'A', 'B', 'C', 0});
  EXPECT_EQ(ReadImageTag(*picture, ImageTag::EquipMake), "") << "only ASCII items are text";
  AddRaw(*picture, ImageTag::Artist, gfx::kPropertyTagTypeASCII, {});
  EXPECT_EQ(ReadImageTag(*picture, ImageTag::Artist), "");
}

TEST(ImageTags, ReadingStopsAtTheFirstNulOrTheItemsEnd) {
  auto picture = Picture();
  AddRaw(*picture, ImageTag::Copyright, gfx::kPropertyTagTypeASCII, {'a', 'b', 0, 'c', 0});
  EXPECT_EQ(ReadImageTag(*picture, ImageTag::Copyright), "ab");
  AddRaw(*picture, ImageTag::Artist, gfx::kPropertyTagTypeASCII, {'n', 'o', 'n', 'u', 'l'});
  EXPECT_EQ(ReadImageTag(*picture, ImageTag::Artist), "nonul");
}

TEST(ImageTags, TextThatIsNotUtf8IsReadAsLatin1) {
  auto picture = Picture();
  AddRaw(*picture, ImageTag::Artist, gfx::kPropertyTagTypeASCII, {'J', 0xF6, 'r', 'g', 0});  // "Jörg" in Latin-1
  EXPECT_EQ(ReadImageTag(*picture, ImageTag::Artist), "J\xC3\xB6rg");
  // Sequences that only look like UTF-8: a truncated one, an overlong one and a surrogate.
  AddRaw(*picture, ImageTag::Title, gfx::kPropertyTagTypeASCII, {'a', 0xE6, 0x9D, 0});
  EXPECT_EQ(ReadImageTag(*picture, ImageTag::Title), "a\xC3\xA6\xC2\x9D");
  AddRaw(*picture, ImageTag::EquipMake, gfx::kPropertyTagTypeASCII, {0xC0, 0xAF, 0});
  EXPECT_EQ(ReadImageTag(*picture, ImageTag::EquipMake), "\xC3\x80\xC2\xAF");
  AddRaw(*picture, ImageTag::EquipModel, gfx::kPropertyTagTypeASCII, {0xED, 0xA0, 0x80, 0});
  EXPECT_EQ(ReadImageTag(*picture, ImageTag::EquipModel), "\xC3\xAD\xC2\xA0\xC2\x80");
}

// Undo snapshots, the copy made at loading and the results of edits are all copies: tags follow them.
TEST(ImageTags, CopiesAndEditsKeepTheTags) {
  auto picture = Picture();
  ASSERT_EQ(WriteImageTag(*picture, ImageTag::Artist, "kept"), Status::Ok);
  auto clone = picture->Clone();
  ASSERT_TRUE(clone.Ok());
  EXPECT_EQ(ReadImageTag(*clone.Value(), ImageTag::Artist), "kept");
  auto area = picture->CloneArea(0, 0, 16, 8, gfx::PixelFormat::DontCare);
  ASSERT_TRUE(area.Ok());
  EXPECT_EQ(ReadImageTag(*area.Value(), ImageTag::Artist), "kept");
  auto converted = picture->CloneArea(0, 0, 16, 8, gfx::PixelFormat::ARGB32bpp);
  ASSERT_TRUE(converted.Ok());
  EXPECT_EQ(ReadImageTag(*converted.Value(), ImageTag::Artist), "kept");
  auto resampled = picture->GetThumbnail(5, 3);
  ASSERT_TRUE(resampled.Ok());
  EXPECT_EQ(ReadImageTag(*resampled.Value(), ImageTag::Artist), "kept");
  ASSERT_EQ(picture->RotateFlip(gfx::RotateFlipType::Rotate90FlipX), Status::Ok);
  EXPECT_EQ(ReadImageTag(*picture, ImageTag::Artist), "kept");
  // A copy is separate: changing it leaves the original's tag alone.
  ASSERT_EQ(WriteImageTag(*clone.Value(), ImageTag::Artist, "changed"), Status::Ok);
  EXPECT_EQ(ReadImageTag(*picture, ImageTag::Artist), "kept");
}

}  // namespace
}  // namespace tavlen::metadata
