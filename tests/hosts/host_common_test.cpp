// The hosts' shared part against real modules: creation in a headless window and its failures, saved
// properties and the modified flag, type descriptions, and event connections.
#include <gtest/gtest.h>

#include <vector>

#include "hosts/common/control_description.h"
#include "hosts/common/event_connection.h"
#include "hosts/common/sited_control.h"
#include "platform/automation/com_object.h"
#include "platform/automation/loader.h"
#include "tests/control/module/module_fixture.h"
#include "tests/hosts/sited_size_check.h"

namespace tavlen::host {
namespace {

using test::RecordingSink;

// The control module (TAVLEN_MODULE_PATH) and the runtime's sample module registered in the test's own registry.
class HostCommonTest : public test::RegistryTest {
 protected:
  void SetUp() override {
    test::RegistryTest::SetUp();
    ASSERT_EQ(ole::RegisterModule(m_module), ole::S_OK) << ole::LastLoadError();
    ASSERT_EQ(ole::RegisterModule(TAVLEN_SAMPLE_MODULE), ole::S_OK) << ole::LastLoadError();
  }
};

std::vector<int32_t> PingedValues(const RecordingSink& sink) {
  std::vector<int32_t> values;
  for (const RecordingSink::Call& call : sink.calls) values.push_back(call.args.at(0).I4());
  return values;
}

TEST_F(HostCommonTest, ControlIsSitedInAWindowOfTheAskedSize) { test::ExpectSitedAtSize(120, 90); }

TEST_F(HostCommonTest, CreationFailuresLeaveNothingBehind) {
  SitedControl created;
  std::string why;
  EXPECT_EQ(CreateSitedControl("TAVLEN.TavlenCtrl.1", 0, 90, "", "ok", &created, &why), ole::E_INVALIDARG);
  EXPECT_EQ(CreateSitedControl("TAVLEN.TavlenCtrl.1", 10, kMaxClientSide + 1, "", "ok", &created, &why),
            ole::E_INVALIDARG);
  EXPECT_EQ(CreateSitedControl("No.Such.Class", 10, 10, "", "ok", &created, &why), ole::REGDB_E_CLASSNOTREG);
  EXPECT_TRUE(IsClassMissing(ole::REGDB_E_CLASSNOTREG));
  EXPECT_FALSE(IsClassMissing(ole::E_INVALIDARG));
  // The sample has no headless window and no property persistence.
  EXPECT_EQ(CreateSitedControl("Tavlen.Sample.1", 10, 10, "{}", "ok", &created, &why), ole::E_NOINTERFACE);
  EXPECT_FALSE(created.dispatch);
  ASSERT_EQ(CreateSitedControl("Tavlen.Sample.1", 10, 10, "", "ok", &created, &why), ole::S_OK);
  EXPECT_TRUE(created.dispatch);
  EXPECT_FALSE(created.site);
}

TEST_F(HostCommonTest, SavedPropertiesKeepOrClearTheModifiedFlagAndComeBack) {
  SitedControl first;
  ASSERT_EQ(CreateSitedControl("TAVLEN.TavlenCtrl.1", 50, 50, "", "ok", &first, nullptr), ole::S_OK);
  bool modified = true;
  ASSERT_EQ(IsControlModified(first.dispatch.Get(), &modified), ole::S_OK);
  EXPECT_FALSE(modified);
  ASSERT_EQ(ole::PutProperty(first.dispatch.Get(), "Align", ole::Variant(int32_t{4})), ole::S_OK);
  ASSERT_EQ(IsControlModified(first.dispatch.Get(), &modified), ole::S_OK);
  EXPECT_TRUE(modified);

  std::string text;
  ASSERT_EQ(SaveControlProperties(first.dispatch.Get(), ModifiedFlag::Keep, &text), ole::S_OK);
  EXPECT_FALSE(text.empty());
  ASSERT_EQ(IsControlModified(first.dispatch.Get(), &modified), ole::S_OK);
  EXPECT_TRUE(modified);
  std::string again;
  ASSERT_EQ(SaveControlProperties(first.dispatch.Get(), ModifiedFlag::Clear, &again), ole::S_OK);
  EXPECT_EQ(again, text);
  ASSERT_EQ(IsControlModified(first.dispatch.Get(), &modified), ole::S_OK);
  EXPECT_FALSE(modified);

  SitedControl second;
  ASSERT_EQ(CreateSitedControl("TAVLEN.TavlenCtrl.1", 50, 50, text, "ok", &second, nullptr), ole::S_OK);
  ole::Variant align;
  ASSERT_EQ(ole::GetProperty(second.dispatch.Get(), "Align", &align), ole::S_OK);
  EXPECT_EQ(align.I2(), 4);

  SitedControl sample;
  ASSERT_EQ(CreateSitedControl("Tavlen.Sample.1", 10, 10, "", "ok", &sample, nullptr), ole::S_OK);
  EXPECT_EQ(SaveControlProperties(sample.dispatch.Get(), ModifiedFlag::Keep, &text), ole::E_NOINTERFACE);
}

TEST_F(HostCommonTest, DescriptionListsMembersWithTheirSignaturesAndEvents) {
  SitedControl sample;
  ASSERT_EQ(CreateSitedControl("Tavlen.Sample.1", 10, 10, "", "ok", &sample, nullptr), ole::S_OK);
  ControlDescription description = DescribeObject(sample.dispatch.Get(), &sample.clsid);
  ASSERT_TRUE(description.described);

  const MemberDescription* add = description.FindMember("ADD");
  ASSERT_NE(add, nullptr);
  EXPECT_EQ(add->name, "Add");
  EXPECT_EQ(add->kind, MemberKind::Method);
  ASSERT_EQ(add->params.size(), 1u);
  EXPECT_EQ(add->params[0].name, "Amount");
  EXPECT_EQ(TypeName(add->params[0].type), "long");
  EXPECT_EQ(add->help, "Adds to the total");

  const MemberDescription* total = description.FindMember("total");
  ASSERT_NE(total, nullptr);
  EXPECT_EQ(total->kind, MemberKind::Property);
  EXPECT_TRUE(total->readOnly);
  const MemberDescription* shade = description.FindMember("Shade");
  ASSERT_NE(shade, nullptr);
  EXPECT_FALSE(shade->readOnly);
  EXPECT_EQ(TypeName(shade->type), "ShadeKind");
  EXPECT_EQ(description.FindMember("Nothing"), nullptr);

  const EventDescription* pinged = description.FindEvent("pinged");
  ASSERT_NE(pinged, nullptr);
  EXPECT_EQ(description.FindEvent(pinged->dispid), pinged);
  ASSERT_EQ(pinged->params.size(), 1u);
  EXPECT_EQ(pinged->params[0].name, "Value");
}

TEST_F(HostCommonTest, EventsReachTheSinkUntilDisconnected) {
  SitedControl sample;
  ASSERT_EQ(CreateSitedControl("Tavlen.Sample.1", 10, 10, "", "ok", &sample, nullptr), ole::S_OK);
  ControlDescription description = DescribeObject(sample.dispatch.Get(), &sample.clsid);
  auto sink = ole::MakeObject<RecordingSink>();
  EventConnection connection;
  ASSERT_EQ(connection.Connect(sample.dispatch.Get(), sink.Get(), &description), ole::S_OK);
  EXPECT_EQ(connection.Connect(sample.dispatch.Get(), sink.Get(), &description), ole::E_UNEXPECTED);
  ASSERT_EQ(ole::CallMethod(sample.dispatch.Get(), "Ping", {ole::Variant(int32_t{7})}), ole::S_OK);
  EXPECT_EQ(PingedValues(*sink), std::vector<int32_t>{7});
  connection.Disconnect();
  EXPECT_FALSE(connection.Connected());
  ASSERT_EQ(ole::CallMethod(sample.dispatch.Get(), "Ping", {ole::Variant(int32_t{8})}), ole::S_OK);
  EXPECT_EQ(PingedValues(*sink), std::vector<int32_t>{7});

  SitedControl control;
  ASSERT_EQ(CreateSitedControl("TAVLEN.TavlenCtrl.1", 10, 10, "", "ok", &control, nullptr), ole::S_OK);
  ControlDescription none;  // no description yet: the events are read from the type library
  none.typeLib = DescribeObject(control.dispatch.Get(), &control.clsid).typeLib;
  EventConnection controlEvents;
  ASSERT_EQ(controlEvents.Connect(control.dispatch.Get(), sink.Get(), &none), ole::S_OK);
  EXPECT_NE(none.FindEvent("Click"), nullptr);
}

}  // namespace
}  // namespace tavlen::host
