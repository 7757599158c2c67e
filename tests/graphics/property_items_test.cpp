// Property items in the flat layout callers allocate for.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "platform/graphics/bitmap.h"
#include "tests/graphics/test_support.h"

namespace tavlen::gfx {
namespace {

PropertyItemRecord Ascii(uint32_t id, const char* text) {
  return {id, static_cast<uint32_t>(std::strlen(text) + 1), kPropertyTagTypeASCII, const_cast<char*>(text)};
}

TEST(PropertyItems, SetAddsOrReplacesAndCopiesTheValue) {
  auto b = test::MakePatternBitmap(2, 2, PixelFormat::RGB24bpp);
  char text[] = "0123456789";
  ASSERT_EQ(b->SetPropertyItem(Ascii(kPropertyTagArtist, text)), Status::Ok);
  text[0] = 'X';  // the bitmap keeps its own copy
  ASSERT_EQ(b->SetPropertyItem(Ascii(kPropertyTagCopyright, "(c)")), Status::Ok);
  ASSERT_EQ(b->SetPropertyItem(Ascii(kPropertyTagCopyright, "(c) 2026")), Status::Ok);

  uint32_t size = 0;
  ASSERT_EQ(b->GetPropertyItemSize(kPropertyTagArtist, size), Status::Ok);
  std::vector<uint8_t> buffer(size);
  auto* item = reinterpret_cast<PropertyItemRecord*>(buffer.data());
  ASSERT_EQ(b->GetPropertyItem(kPropertyTagArtist, size, item), Status::Ok);
  EXPECT_EQ(item->length, 11u);
  EXPECT_EQ(item->type, kPropertyTagTypeASCII);
  EXPECT_STREQ(static_cast<const char*>(item->value), "0123456789");

  uint32_t total = 0, count = 0;
  b->GetPropertySize(total, count);
  EXPECT_EQ(count, 2u);
  std::vector<uint8_t> all(total);
  auto* items = reinterpret_cast<PropertyItemRecord*>(all.data());
  ASSERT_EQ(b->GetAllPropertyItems(total, count, items), Status::Ok);
  EXPECT_EQ(items[1].id, kPropertyTagCopyright);
  EXPECT_STREQ(static_cast<const char*>(items[1].value), "(c) 2026");
  // Values live inside the caller's buffer.
  EXPECT_GE(static_cast<uint8_t*>(items[1].value), all.data());
  EXPECT_LE(static_cast<uint8_t*>(items[1].value) + items[1].length, all.data() + all.size());
}

TEST(PropertyItems, MissingItemsAndWrongSizesAreRefused) {
  auto b = test::MakePatternBitmap(2, 2, PixelFormat::RGB24bpp);
  uint32_t size = 1234;
  EXPECT_EQ(b->GetPropertyItemSize(kPropertyTagArtist, size), Status::PropertyNotFound);
  EXPECT_EQ(size, 1234u);
  ASSERT_EQ(b->SetPropertyItem(Ascii(kPropertyTagArtist, "a")), Status::Ok);
  std::vector<uint8_t> small(sizeof(PropertyItemRecord));
  EXPECT_EQ(b->GetPropertyItem(kPropertyTagArtist, static_cast<uint32_t>(small.size()),
                               reinterpret_cast<PropertyItemRecord*>(small.data())),
            Status::InvalidParameter);
  uint32_t total = 0, count = 0;
  b->GetPropertySize(total, count);
  std::vector<uint8_t> all(total);
  EXPECT_EQ(b->GetAllPropertyItems(total - 1, count, reinterpret_cast<PropertyItemRecord*>(all.data())),
            Status::InvalidParameter);
  EXPECT_EQ(b->SetPropertyItem({kPropertyTagArtist, 5, kPropertyTagTypeASCII, nullptr}), Status::InvalidParameter);
  EXPECT_EQ(b->RemovePropertyItem(kPropertyTagArtist), Status::Ok);
  EXPECT_EQ(b->RemovePropertyItem(kPropertyTagArtist), Status::PropertyNotFound);
}

}  // namespace
}  // namespace tavlen::gfx
