// Identifiers: text form, parsing, hashing, and the published interface identifiers.
#include "platform/automation/guid.h"

#include <gtest/gtest.h>

#include <unordered_set>

#include "platform/automation/connection_point.h"
#include "platform/automation/dispatch.h"
#include "platform/automation/hresult.h"

namespace tavlen::ole {
namespace {

TEST(Guid, FormatsBracedUpperCase) {
  GUID g{0x0e1684f3, 0x1ea2, 0x4dd1, {0xbd, 0xae, 0x97, 0x76, 0xe4, 0x54, 0x76, 0xd6}};
  EXPECT_EQ(FormatGuid(g), "{0E1684F3-1EA2-4DD1-BDAE-9776E45476D6}");
}

TEST(Guid, ParsesEitherCaseAndRoundTrips) {
  std::optional<GUID> g = ParseGuid("{b196b284-bab4-101a-b69c-00aa00341d07}");
  ASSERT_TRUE(g);
  EXPECT_EQ(*g, IID_IConnectionPointContainer);
  EXPECT_EQ(ParseGuid(FormatGuid(*g)), g);
}

TEST(Guid, RejectsMalformedText) {
  for (const char* text : {"", "B196B284-BAB4-101A-B69C-00AA00341D07", "{B196B284-BAB4-101A-B69C-00AA00341D07",
                           "{B196B284-BAB4-101A-B69C-00AA00341D0G}", "{B196B284BAB4-101A-B69C-00AA00341D07A}",
                           " {B196B284-BAB4-101A-B69C-00AA00341D07}", "{B196B284-BAB4-101A-B69C-00AA00341D07} ",
                           "{B196B284-BAB4-101A-B69C-00AA00341D077}", "{+196B284-BAB4-101A-B69C-00AA00341D07}"}) {
    EXPECT_FALSE(ParseGuid(text)) << text;
  }
}

TEST(Guid, StandardInterfaceIdentifiers) {
  EXPECT_EQ(FormatGuid(IID_IUnknown), "{00000000-0000-0000-C000-000000000046}");
  EXPECT_EQ(FormatGuid(IID_IClassFactory), "{00000001-0000-0000-C000-000000000046}");
  EXPECT_EQ(FormatGuid(IID_IDispatch), "{00020400-0000-0000-C000-000000000046}");
  EXPECT_EQ(FormatGuid(IID_IConnectionPointContainer), "{B196B284-BAB4-101A-B69C-00AA00341D07}");
  EXPECT_EQ(FormatGuid(IID_IConnectionPoint), "{B196B286-BAB4-101A-B69C-00AA00341D07}");
}

TEST(Guid, HashSeparatesIdentifiersThatDifferInOneByte) {
  std::unordered_set<GUID, GuidHash> set = {IID_IUnknown, IID_IClassFactory, IID_IDispatch,
                                            IID_IConnectionPointContainer, IID_IConnectionPoint};
  EXPECT_EQ(set.size(), 5u);
  EXPECT_EQ(set.count(*ParseGuid("{00020400-0000-0000-C000-000000000046}")), 1u);
  EXPECT_NE(GuidHash{}(IID_IConnectionPoint), GuidHash{}(IID_IConnectionPointContainer));
}

TEST(HResult, NamesAndHexForMessages) {
  EXPECT_EQ(FormatHResult(DISP_E_UNKNOWNNAME), "0x80020006");
  EXPECT_EQ(HResultName(DISP_E_BADPARAMCOUNT), "DISP_E_BADPARAMCOUNT");
  EXPECT_EQ(HResultName(MakeHResult(0x80001234)), "0x80001234");
  EXPECT_TRUE(FAILED(REGDB_E_CLASSNOTREG));
  EXPECT_TRUE(SUCCEEDED(S_FALSE));
}

}  // namespace
}  // namespace tavlen::ole
