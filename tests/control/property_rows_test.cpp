// The property rows as a host meets them: the interface of each version, what a change repaints,
// what a reset restores and what is saved, in which order.
#include "control/property_rows.h"

#include <algorithm>
#include <string>
#include <vector>

#include "platform/framework/prop_exchange.h"
#include "tests/control/control_fixture.h"

namespace tavlen {
namespace {

// A value of the property's own type that differs from its default.
ole::Variant OtherValue(const ole::DispatchMember& member, const ole::Variant& current) {
  switch (member.type.vt) {
    case ole::VT_I2:
      return int16_t{1};
    case ole::VT_I4:
      return int32_t{1};
    case ole::VT_UI4:
      return 0x00123456u;
    case ole::VT_R8:
      return 2.5;
    case ole::VT_BOOL:
      return current.BoolVal() == 0;
    default:
      return "DejaVu Sans";
  }
}

ole::Variant Get(CTavlenCtrl& ctrl, const ole::DispatchMember& member) {
  ole::Variant value;
  member.get(&ctrl, &value, member.type.vt);
  return value;
}

const ole::DispatchMember& MemberOf(const PropertyRow& row) { return *Tavlen2DispatchTable().FindName(row.name); }

TEST(PropertyRows, AreTheNotifyingPropertiesOfEachVersionsInterface) {
  for (ControlVersion version : {ControlVersion::One, ControlVersion::Two}) {
    std::vector<std::string> dispatched, rows;
    for (const ole::DispatchMember& member : DispatchTableOf(version).members) {
      if (member.kind == ole::MemberKind::PropertyNotify) dispatched.push_back(member.name);
    }
    for (const PropertyRow& row : kPropertyRows) {
      if (row.ExistsIn(version)) rows.push_back(row.name);
    }
    std::sort(dispatched.begin(), dispatched.end());
    std::sort(rows.begin(), rows.end());
    EXPECT_EQ(dispatched, rows) << "version " << static_cast<int>(version);
  }
}

TEST(PropertyRows, EachVersionSavesItsPersistedPropertiesInRowOrderAndNoOthers) {
  for (ControlVersion version : {ControlVersion::One, ControlVersion::Two}) {
    CTavlenCtrl ctrl(version);
    ctrl.InitNew();
    fw::PropertyBag bag;
    ctrl.Save(bag);
    const std::string text = bag.ToText();
    size_t previous = 0;
    for (const PropertyRow& row : kPropertyRows) {
      const size_t at = text.find("\"" + std::string(row.name) + "\":");
      if (!row.persisted || !row.ExistsIn(version)) {
        EXPECT_EQ(at, std::string::npos) << row.name << " is saved in " << text;
        continue;
      }
      ASSERT_NE(at, std::string::npos) << row.name << " is missing from " << text;
      EXPECT_GT(at, previous) << row.name << " is out of order in " << text;
      previous = at;
    }
  }
}

class PropertyRowsTest : public ControlTest {
 protected:
  PropertyRowsTest() : ControlTest(ControlVersion::Two) {}
};

// Every change marks the control modified; only the background, the border and Align are seen at
// once, so only they paint again.
TEST_F(PropertyRowsTest, OnlyChangesThatShowRepaint) {
  const std::vector<std::string> repainting = {"Align", "BackStyle", "BorderColor", "BorderWidth", "ShowBorder"};
  LoadSolid(300, 200);
  for (const PropertyRow& row : kPropertyRows) {
    const ole::DispatchMember& member = MemberOf(row);
    Paint();
    ctrl.SetModifiedFlag(win::FALSE);
    SetProperty(ctrl, row.name, OtherValue(member, Get(ctrl, member)));
    EXPECT_TRUE(ctrl.IsModified()) << row.name;
    const bool repaints = std::find(repainting.begin(), repainting.end(), row.name) != repainting.end();
    EXPECT_EQ(Paint() > 0, repaints) << row.name;
  }
}

// A reset restores what is saved and keeps what is not (TextColor, TiffCompression).
TEST_F(PropertyRowsTest, ResetRestoresTheSavedPropertiesOnly) {
  CTavlenCtrl fresh(ControlVersion::Two);
  for (const PropertyRow& row : kPropertyRows) {
    const ole::DispatchMember& member = MemberOf(row);
    SetProperty(ctrl, row.name, OtherValue(member, Get(ctrl, member)));
  }
  std::vector<ole::Variant> set;
  for (const PropertyRow& row : kPropertyRows) set.push_back(Get(ctrl, MemberOf(row)));
  ctrl.OnResetState();
  for (size_t i = 0; i < kPropertyRows.size(); ++i) {
    const ole::DispatchMember& member = MemberOf(kPropertyRows[i]);
    EXPECT_EQ(Get(ctrl, member), kPropertyRows[i].persisted ? Get(fresh, member) : set[i]) << member.name;
    EXPECT_NE(set[i], Get(fresh, member)) << member.name << " was not changed by the test";
  }
}

}  // namespace
}  // namespace tavlen
