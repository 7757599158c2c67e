// The module's one service object and the hosts' end of it, and the hosts' one way to invoke a
// member, against the control module and the runtime's sample module.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "hosts/common/member_call.h"
#include "hosts/common/module_services_link.h"
#include "hosts/common/sited_control.h"
#include "platform/automation/com_object.h"
#include "platform/automation/loader.h"
#include "tests/control/module/module_fixture.h"

namespace tavlen::host {
namespace {

class ModuleServicesTest : public test::RegistryTest {
 protected:
  void SetUp() override {
    test::RegistryTest::SetUp();
    ASSERT_EQ(ole::RegisterModule(m_module), ole::S_OK) << ole::LastLoadError();
    ASSERT_EQ(ole::RegisterModule(TAVLEN_SAMPLE_MODULE), ole::S_OK) << ole::LastLoadError();
  }
  void TearDown() override {
    // The module keeps its services process-wide: the next test starts from the defaults.
    SitedControl control = Create("TAVLEN.TavlenCtrl.1");
    ole::ComPtr<IModuleServices> services;
    if (control.dispatch && ole::SUCCEEDED(control.dispatch.As(&services))) {
      (void)services->SetDialogAnswer("ok");
      (void)services->SetClipboardBusy(win::FALSE);
      (void)services->ClearShownDialogs();
    }
    test::RegistryTest::TearDown();
  }

  static SitedControl Create(const char* progId) {
    SitedControl created;
    std::string why;
    EXPECT_EQ(CreateSitedControl(progId, 40, 30, "", "", &created, &why), ole::S_OK) << why;
    return created;
  }
};

TEST_F(ModuleServicesTest, EveryControlHandsOutTheOneObjectAndHoldingItKeepsTheModule) {
  SitedControl first = Create("TAVLEN.TavlenCtrl.1");
  SitedControl second = Create("TAVLEN.TavlenCtrl.2");
  ole::ComPtr<IModuleServices> a;
  ole::ComPtr<IModuleServices> b;
  ASSERT_EQ(first.dispatch.As(&a), ole::S_OK);
  ASSERT_EQ(second.dispatch.As(&b), ole::S_OK);
  EXPECT_EQ(a.Get(), b.Get());
  ole::ComPtr<IModuleServices> again;
  ASSERT_EQ(a->QueryInterface(IModuleServices::kIid, again.PutVoid()), ole::S_OK);
  EXPECT_EQ(again.Get(), a.Get());
  again.Reset();
  b.Reset();

  first = SitedControl();
  second = SitedControl();
  ole::CoFreeUnusedLibraries();
  EXPECT_TRUE(ole::IsModuleLoaded(m_module));
  a.Reset();
  ole::CoFreeUnusedLibraries();
  EXPECT_FALSE(ole::IsModuleLoaded(m_module));
}

TEST_F(ModuleServicesTest, AnswerIsCheckedAndTheDialogListIsTheModules) {
  SitedControl control = Create("TAVLEN.TavlenCtrl.1");
  ole::ComPtr<IModuleServices> services;
  ASSERT_EQ(control.dispatch.As(&services), ole::S_OK);
  ASSERT_EQ(services->ClearShownDialogs(), ole::S_OK);
  EXPECT_EQ(services->SetDialogAnswer("maybe"), ole::E_INVALIDARG);
  ASSERT_EQ(services->SetDialogAnswer("CANCEL"), ole::S_OK);
  ole::Variant ignored;
  ASSERT_EQ(ole::CallMethod(control.dispatch.Get(), "AboutBox", {}, &ignored), ole::S_OK);
  std::vector<ShownDialog> shown;
  ASSERT_EQ(services->GetShownDialogs(&shown), ole::S_OK);
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0].result, "cancel");
  EXPECT_EQ(services->GetShownDialogs(nullptr), ole::E_POINTER);
}

TEST_F(ModuleServicesTest, LinkWithoutControlKeepsSettingsAndAnswersEmpty) {
  ModuleServicesLink link;
  EXPECT_FALSE(link.Linked());
  EXPECT_EQ(link.Printer(), "");
  EXPECT_TRUE(link.ShownDialogs().empty());
  std::vector<uint32_t> formats{7};
  EXPECT_EQ(link.ClipboardFormats(&formats), ole::S_OK);
  EXPECT_TRUE(formats.empty());
  EXPECT_EQ(link.SaveClipboardPng(m_dir + "/none.png"), ole::S_FALSE);
  EXPECT_EQ(link.SetClipboardText("x"), ole::E_UNEXPECTED);
  EXPECT_EQ(link.SetPrinter("file:" + m_dir + "/page.pdf"), ole::S_OK);
  EXPECT_EQ(link.Printer(), "file:" + m_dir + "/page.pdf");
  EXPECT_EQ(link.SetClipboardBusy(true), ole::S_OK);
  EXPECT_TRUE(link.ClipboardBusy());
}

TEST_F(ModuleServicesTest, LinkingHandsTheSettingsToTheModule) {
  ModuleServicesLink link;
  ASSERT_EQ(link.SetPrinter("file:" + m_dir + "/page.pdf"), ole::S_OK);
  ASSERT_EQ(link.SetClipboardBusy(true), ole::S_OK);
  ASSERT_EQ(link.SetDialogAnswer("escape"), ole::S_OK);
  SitedControl control = Create("TAVLEN.TavlenCtrl.1");
  bool linked = false;
  ASSERT_EQ(link.Link(control.dispatch.Get(), &linked), ole::S_OK);
  ASSERT_TRUE(linked);
  EXPECT_TRUE(link.Linked());

  ole::ComPtr<IModuleServices> services;
  ASSERT_EQ(control.dispatch.As(&services), ole::S_OK);
  std::string printer;
  ASSERT_EQ(services->GetPrinter(&printer), ole::S_OK);
  EXPECT_EQ(printer, "file:" + m_dir + "/page.pdf");
  EXPECT_EQ(link.SetClipboardText("busy"), ole::S_FALSE);  // busy was handed over
  ASSERT_EQ(link.SetClipboardBusy(false), ole::S_OK);
  EXPECT_EQ(link.SetClipboardText("free"), ole::S_OK);
  std::vector<uint32_t> formats;
  ASSERT_EQ(link.ClipboardFormats(&formats), ole::S_OK);
  EXPECT_FALSE(formats.empty());

  ole::Variant ignored;
  ASSERT_EQ(ole::CallMethod(control.dispatch.Get(), "AboutBox", {}, &ignored), ole::S_OK);
  ASSERT_EQ(link.ShownDialogs().size(), 1u);
  EXPECT_EQ(link.ShownDialogs()[0].result, "escape");
  EXPECT_EQ(link.SetDialogAnswer("maybe"), ole::E_INVALIDARG);
  EXPECT_EQ(link.DialogAnswer(), "escape");
  link.Unlink();
}

TEST_F(ModuleServicesTest, DialogsLastSeenOutliveTheLastControl) {
  ModuleServicesLink link;
  SitedControl first = Create("TAVLEN.TavlenCtrl.1");
  SitedControl second = Create("TAVLEN.TavlenCtrl.1");
  bool linked = false;
  ASSERT_EQ(link.Link(first.dispatch.Get(), &linked), ole::S_OK);
  ASSERT_EQ(link.Link(second.dispatch.Get(), &linked), ole::S_OK);
  ASSERT_EQ(link.SetDialogAnswer("ok"), ole::S_OK);
  ole::ComPtr<IModuleServices> services;
  ASSERT_EQ(first.dispatch.As(&services), ole::S_OK);
  ASSERT_EQ(services->ClearShownDialogs(), ole::S_OK);
  services.Reset();
  ole::Variant ignored;
  ASSERT_EQ(ole::CallMethod(first.dispatch.Get(), "AboutBox", {}, &ignored), ole::S_OK);

  link.Unlink();
  first = SitedControl();
  EXPECT_TRUE(link.Linked());  // the second control still holds it
  link.Unlink();
  second = SitedControl();
  EXPECT_FALSE(link.Linked());
  ole::CoFreeUnusedLibraries();
  EXPECT_FALSE(ole::IsModuleLoaded(m_module));
  ASSERT_EQ(link.ShownDialogs().size(), 1u);
  EXPECT_EQ(link.ShownDialogs()[0].caption, "About Tavlen ActiveX Control");
  link.Unlink();  // one too many changes nothing
  EXPECT_EQ(link.ShownDialogs().size(), 1u);
}

TEST_F(ModuleServicesTest, LinkRefusesAnAnswerTheModuleDoesNotKnowAndSkipsOtherObjects) {
  ModuleServicesLink link;
  ASSERT_EQ(link.SetDialogAnswer("maybe"), ole::S_OK);  // unchecked without a module
  SitedControl control = Create("TAVLEN.TavlenCtrl.1");
  bool linked = true;
  EXPECT_EQ(link.Link(control.dispatch.Get(), &linked), ole::E_INVALIDARG);
  EXPECT_FALSE(linked);
  EXPECT_FALSE(link.Linked());

  ModuleServicesLink plain;
  SitedControl sample = Create("Tavlen.Sample.1");
  EXPECT_EQ(plain.Link(sample.dispatch.Get(), &linked), ole::S_OK);
  EXPECT_FALSE(linked);
  EXPECT_FALSE(plain.Linked());
}

// --- InvokeMember ---

ole::DISPID IdOf(ole::IDispatch* object, const char* name) {
  ole::DISPID id = ole::DISPID_UNKNOWN;
  EXPECT_EQ(ole::GetDispId(object, name, &id), ole::S_OK) << name;
  return id;
}

TEST_F(ModuleServicesTest, InvokeMemberReturnsTheResultOrNamesTheRefusedArgument) {
  SitedControl sample = Create("Tavlen.Sample.1");
  ole::IDispatch* object = sample.dispatch.Get();
  ole::DispArgs joined{ole::Variant(std::string("ab")), ole::Variant(std::string("cd"))};
  MemberCall call = InvokeMember(object, IdOf(object, "Join"), ole::DISPATCH_METHOD, joined);
  ASSERT_EQ(call.hr, ole::S_OK);
  EXPECT_EQ(call.result.Bstr(), "abcd");
  EXPECT_TRUE(call.detail.empty());
  EXPECT_TRUE(call.note.empty());

  // Arguments count from the first the caller wrote, whichever of them is refused.
  ole::DispArgs badFirst{ole::Variant(std::string("not a number")), ole::Variant(int16_t{2})};
  call = InvokeMember(object, IdOf(object, "Scale"), ole::DISPATCH_METHOD, badFirst);
  EXPECT_EQ(call.hr, ole::DISP_E_TYPEMISMATCH);
  EXPECT_EQ(call.detail, "argument 1");
  EXPECT_EQ(call.result.Type(), ole::VT_EMPTY);
  ole::DispArgs badSecond{ole::Variant(2.0), ole::Variant(std::string("not a number"))};
  call = InvokeMember(object, IdOf(object, "Scale"), ole::DISPATCH_METHOD, badSecond);
  EXPECT_EQ(call.detail, "argument 2");
  // A property put names no argument: there is only the value.
  ole::DispArgs put = ole::DispArgs::ForPut(ole::Variant(std::string("not a number")));
  call = InvokeMember(object, IdOf(object, "Add"), ole::DISPATCH_PROPERTYPUT, put);
  EXPECT_TRUE(call.Failed());
  EXPECT_TRUE(call.detail.empty());
}

TEST_F(ModuleServicesTest, InvokeMemberByNameLooksTheNameUpInAnyCase) {
  SitedControl sample = Create("Tavlen.Sample.1");
  ole::DispArgs joined{ole::Variant(std::string("x")), ole::Variant(std::string("y"))};
  MemberCall call = InvokeMemberByName(sample.dispatch.Get(), "JOIN", ole::DISPATCH_METHOD, joined);
  ASSERT_EQ(call.hr, ole::S_OK);
  EXPECT_EQ(call.result.Bstr(), "xy");
  call = InvokeMemberByName(sample.dispatch.Get(), "NoSuchMember", ole::DISPATCH_METHOD, joined);
  EXPECT_EQ(call.hr, ole::DISP_E_UNKNOWNNAME);
  EXPECT_TRUE(call.detail.empty());
  EXPECT_EQ(call.result.Type(), ole::VT_EMPTY);
}

TEST_F(ModuleServicesTest, PropertyGetOfAMethodWithArgumentsTakesItForAMethod) {
  SitedControl sample = Create("Tavlen.Sample.1");
  ole::IDispatch* object = sample.dispatch.Get();
  ole::DispArgs none;
  MemberCall call = InvokeMember(object, IdOf(object, "Add"), ole::DISPATCH_PROPERTYGET, none);
  EXPECT_TRUE(call.Failed());
  EXPECT_TRUE(IsMethodByPropertyGet(call.hr));
  EXPECT_FALSE(IsMethodByPropertyGet(ole::DISP_E_TYPEMISMATCH));
  EXPECT_FALSE(IsMethodByPropertyGet(ole::S_OK));
}

// An object whose one member raises what it is told to.
class RaisingObject final : public ole::ComObject<ole::IDispatch> {
 public:
  explicit RaisingObject(ole::HRESULT hr, ole::EXCEPINFO raised) : m_hr(hr), m_raised(std::move(raised)) {}
  ole::HRESULT GetTypeInfoCount(uint32_t* count) override {
    *count = 0;
    return ole::S_OK;
  }
  ole::HRESULT GetTypeInfo(uint32_t, ole::LCID, ole::ITypeInfo**) override { return ole::E_NOTIMPL; }
  ole::HRESULT GetIDsOfNames(const ole::IID&, const char* const*, uint32_t, ole::LCID, ole::DISPID*) override {
    return ole::E_NOTIMPL;
  }
  ole::HRESULT Invoke(ole::DISPID, const ole::IID&, ole::LCID, uint16_t, ole::DISPPARAMS*, ole::Variant* result,
                      ole::EXCEPINFO* excepInfo, uint32_t*) override {
    *result = ole::Variant(int32_t{7});
    *excepInfo = m_raised;
    return m_hr;
  }

 private:
  ole::HRESULT m_hr;
  ole::EXCEPINFO m_raised;
};

TEST(InvokeMember, ExceptionTextIsTheDescriptionElseTheCodeAndASuccessKeepsItsNote) {
  ole::EXCEPINFO described;
  described.description = "the file is too large";
  described.scode = ole::E_FAIL;
  ole::DispArgs none;
  auto raising = ole::MakeObject<RaisingObject>(ole::DISP_E_EXCEPTION, described);
  MemberCall call = InvokeMember(raising.Get(), 1, ole::DISPATCH_METHOD, none);
  EXPECT_EQ(call.detail, "the file is too large");
  EXPECT_EQ(call.result.Type(), ole::VT_EMPTY);  // nothing of a failed call is kept

  ole::EXCEPINFO bare;
  bare.scode = ole::E_UNEXPECTED;
  raising = ole::MakeObject<RaisingObject>(ole::DISP_E_EXCEPTION, bare);
  call = InvokeMember(raising.Get(), 1, ole::DISPATCH_PROPERTYGET, none);
  EXPECT_EQ(call.detail, ole::FormatHResult(ole::E_UNEXPECTED));

  auto noting = ole::MakeObject<RaisingObject>(ole::S_OK, described);
  call = InvokeMember(noting.Get(), 1, ole::DISPATCH_METHOD, none);
  EXPECT_EQ(call.note, "the file is too large");
  EXPECT_TRUE(call.detail.empty());
  EXPECT_EQ(call.result.I4(), 7);
}

}  // namespace
}  // namespace tavlen::host
