// Identifiers: the braced text form, parsing that accepts nothing else, and hashing.
#include "platform/base/guid.h"

#include <gtest/gtest.h>

#include <unordered_set>

namespace tavlen::base {
namespace {

constexpr Guid kConnectionPointContainer{0xb196b284, 0xbab4, 0x101a, {0xb6, 0x9c, 0x00, 0xaa, 0x00, 0x34, 0x1d, 0x07}};

TEST(Guid, FormatsBracedUpperCase) {
  Guid g{0x0e1684f3, 0x1ea2, 0x4dd1, {0xbd, 0xae, 0x97, 0x76, 0xe4, 0x54, 0x76, 0xd6}};
  EXPECT_EQ(FormatGuid(g), "{0E1684F3-1EA2-4DD1-BDAE-9776E45476D6}");
  EXPECT_EQ(FormatGuid(Guid{}), "{00000000-0000-0000-0000-000000000000}");
}

TEST(Guid, ParsesEitherCaseAndRoundTrips) {
  std::optional<Guid> g = ParseGuid("{b196b284-bab4-101a-b69c-00aa00341d07}");
  ASSERT_TRUE(g);
  EXPECT_EQ(*g, kConnectionPointContainer);
  EXPECT_EQ(ParseGuid(FormatGuid(*g)), g);
  EXPECT_EQ(ParseGuid("{FFFFFFFF-FFFF-FFFF-FFFF-FFFFFFFFFFFF}")->data1, 0xFFFFFFFFu);
}

TEST(Guid, RejectsMalformedText) {
  for (const char* text : {"", "B196B284-BAB4-101A-B69C-00AA00341D07", "{B196B284-BAB4-101A-B69C-00AA00341D07",
                           "{B196B284-BAB4-101A-B69C-00AA00341D0G}", "{B196B284BAB4-101A-B69C-00AA00341D07A}",
                           " {B196B284-BAB4-101A-B69C-00AA00341D07}", "{B196B284-BAB4-101A-B69C-00AA00341D07} ",
                           "{B196B284-BAB4-101A-B69C-00AA00341D077}", "{+196B284-BAB4-101A-B69C-00AA00341D07}"}) {
    EXPECT_FALSE(ParseGuid(text)) << text;
  }
}

TEST(Guid, HashTellsApartIdentifiersThatDifferInTheLastByte) {
  Guid other = kConnectionPointContainer;
  other.data4[7] ^= 1;
  std::unordered_set<Guid, GuidHash> set = {kConnectionPointContainer, other, Guid{}};
  EXPECT_EQ(set.size(), 3u);
  EXPECT_NE(GuidHash{}(kConnectionPointContainer), GuidHash{}(other));
}

}  // namespace
}  // namespace tavlen::base
