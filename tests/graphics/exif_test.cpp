// EXIF blocks: what is built reads back, both byte orders parse, and damaged blocks keep what is valid.
#include "platform/graphics/exif.h"

#include <gtest/gtest.h>

#include <cstring>

namespace tavlen::gfx {
namespace {

PropertyItem Ascii(uint32_t id, const std::string& text) {
  PropertyItem item{id, kPropertyTagTypeASCII, {}};
  item.value.assign(text.begin(), text.end());
  item.value.push_back(0);
  return item;
}

TEST(Exif, BuiltBlocksReadBackWithSubIfds) {
  std::vector<PropertyItem> items = {
      Ascii(0x013B, "Artist"), Ascii(0x8298, "Copyright holder"), Ascii(0x0132, "2026:12:07 10:00:00"),
      Ascii(0x010E, "A description long enough"), Ascii(0x010F, "Make"), Ascii(0x0110, "Model"),
      Ascii(0x0320, "Title"),
      PropertyItem{0x829A, kPropertyTagTypeRational, {1, 0, 0, 0, 125, 0, 0, 0}},  // exposure time, EXIF IFD
      PropertyItem{0x0001, kPropertyTagTypeASCII, {'N', 0}},                     // GPS latitude ref, GPS IFD
      PropertyItem{0x0112, kPropertyTagTypeShort, {6, 0}},
      PropertyItem{0x5100, kPropertyTagTypeLong, {10, 0, 0, 0}},  // the library's own id: not EXIF
  };
  const std::vector<uint8_t> block = BuildExif(items);
  ASSERT_FALSE(block.empty());
  std::vector<PropertyItem> back;
  ASSERT_TRUE(ParseExif(block, back));
  EXPECT_EQ(back.size(), items.size() - 1);
  for (size_t i = 0; i + 1 < items.size(); ++i) {
    auto it = std::find_if(back.begin(), back.end(), [&](const PropertyItem& p) { return p.id == items[i].id; });
    ASSERT_NE(it, back.end()) << std::hex << items[i].id;
    EXPECT_EQ(*it, items[i]);
  }
}

TEST(Exif, ReadsBigEndianBlocks) {
  // MM, IFD0 at 8 with two entries: Orientation SHORT 3 inline and Make ASCII "Cam" inline.
  const uint8_t block[] = {'M', 'M', 0, 42, 0, 0, 0, 8, 0, 2,  //
                           0x01, 0x12, 0, 3, 0, 0, 0, 1, 0, 3, 0, 0,     //
                           0x01, 0x0F, 0, 2, 0, 0, 0, 4, 'C', 'a', 'm', 0, 0, 0, 0, 0};
  std::vector<PropertyItem> items;
  ASSERT_TRUE(ParseExif(block, items));
  ASSERT_EQ(items.size(), 2u);
  EXPECT_EQ(items[0].value, (std::vector<uint8_t>{3, 0}));
  EXPECT_EQ(items[1].value, (std::vector<uint8_t>{'C', 'a', 'm', 0}));
}

TEST(Exif, DamagedBlocksKeepWhatIsValid) {
  std::vector<uint8_t> block = BuildExif(std::vector<PropertyItem>{Ascii(0x013B, "A long artist name"),
                                                                   Ascii(0x010F, "Mk")});
  // Entries are sorted: Make (inline) first, then Artist. Point Artist's value outside the block.
  block[8 + 2 + 12 + 8] = 0xFF;
  block[8 + 2 + 12 + 9] = 0xFF;
  std::vector<PropertyItem> items;
  ASSERT_TRUE(ParseExif(block, items));
  ASSERT_EQ(items.size(), 1u);
  EXPECT_EQ(items[0].id, 0x010Fu);

  std::vector<PropertyItem> none;
  const uint8_t notTiff[] = {'X', 'X', 42, 0, 8, 0, 0, 0};
  EXPECT_FALSE(ParseExif(notTiff, none));
  const uint8_t loop[] = {'I', 'I', 42, 0, 8, 0, 0, 0, 1, 0, 0x69, 0x87, 4, 0, 1, 0, 0, 0, 8, 0, 0, 0, 0, 0, 0, 0};
  EXPECT_TRUE(ParseExif(loop, none));  // an EXIF pointer back to IFD0 ends, it does not recurse forever
  EXPECT_TRUE(none.empty());
  for (size_t cut = 0; cut < block.size(); ++cut) {
    std::vector<PropertyItem> partial;
    ParseExif(std::span(block.data(), cut), partial);
  }
}

TEST(Exif, NothingToWriteGivesAnEmptyBlock) {
  EXPECT_TRUE(BuildExif({}).empty());
  EXPECT_TRUE(BuildExif(std::vector<PropertyItem>{{0x5100, kPropertyTagTypeLong, {1, 0, 0, 0}}}).empty());
}

}  // namespace
}  // namespace tavlen::gfx
