// The published interface identifiers, their hashing, and HRESULT names.
#include "platform/automation/com_ids.h"

#include <gtest/gtest.h>

#include <unordered_set>

#include "platform/automation/connection_point.h"
#include "platform/automation/dispatch.h"
#include "platform/automation/hresult.h"

namespace tavlen::ole {
namespace {

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
