// A control created through the registry and Tavlen.ocx and driven by name, as hosts drive it:
// calls and argument conversion, stock events, persistence, the About box and the Properties verb.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "control/class_ids.h"
#include "include/tavlen/control_window.h"
#include "include/tavlen/module_services.h"
#include "platform/automation/connection_point.h"
#include "platform/automation/registration.h"
#include "tests/control/control_fixture.h"
#include "tests/control/module/module_fixture.h"

namespace tavlen {
namespace {

using ole::Variant;

class ControlThroughModule : public test::RegisteredModuleTest {
 protected:
  void SetUp() override {
    test::RegisteredModuleTest::SetUp();
    if (HasFatalFailure()) return;
    control = Create();
    ASSERT_TRUE(control);
    ASSERT_EQ(control.As(&host), ole::S_OK);
  }
  void TearDown() override {
    if (control) (void)Services()->SetDialogAnswer("ok");
    host.Reset();
    control.Reset();
    test::RegisteredModuleTest::TearDown();
  }

  // A fresh control in a 320 x 240 headless window, initialised as a new control, painted once.
  ole::ComPtr<ole::IDispatch> Create() {
    ole::ComPtr<ole::IDispatch> object;
    EXPECT_EQ(ole::CreateObject("TAVLEN.TavlenCtrl.1", &object), ole::S_OK) << ole::LastLoadError();
    if (!object) return object;
    ole::ComPtr<ole::IPersistPropertyBag> persist;
    ole::ComPtr<IControlWindow> window;
    EXPECT_EQ(object.As(&persist), ole::S_OK);
    EXPECT_EQ(object.As(&window), ole::S_OK);
    EXPECT_EQ(persist->InitNew(), ole::S_OK);
    EXPECT_EQ(window->CreateControlWindow(320, 240), ole::S_OK);
    window->Pump();
    return object;
  }

  Variant Get(ole::IDispatch* object, const char* name) {
    Variant value;
    EXPECT_EQ(ole::GetProperty(object, name, &value), ole::S_OK) << name;
    return value;
  }
  Variant Call(const char* name, std::initializer_list<Variant> args = {}) {
    Variant result;
    EXPECT_EQ(ole::CallMethod(control.Get(), name, args, &result), ole::S_OK) << name;
    return result;
  }
  ole::HRESULT Dirty(ole::IDispatch* object) {
    ole::ComPtr<ole::IOleObject> ole;
    EXPECT_EQ(ole::ComPtr<ole::IDispatch>(object).As(&ole), ole::S_OK);
    return ole->IsDirty();
  }

  gfx::test::TempDir files;
  ole::ComPtr<ole::IDispatch> control;
  // The module's services, from the control; held only while needed, as they keep the module loaded.
  ole::ComPtr<IModuleServices> Services() {
    ole::ComPtr<IModuleServices> services;
    EXPECT_EQ(control.As(&services), ole::S_OK);
    return services;
  }

  ole::ComPtr<IControlWindow> host;
};

TEST_F(ControlThroughModule, LoadsAPictureAndReportsItsSize) {
  const std::string png = WriteSolidPng(files, "green.png", 37, 23, 0xFF00C800);
  EXPECT_EQ(Call("LoadImage", {Variant(png)}).Type(), ole::VT_EMPTY);
  EXPECT_EQ(Call("GetWidth"), Variant(37));
  EXPECT_EQ(Call("getheight"), Variant(23));
  EXPECT_GT(host->Pump(), 0);
  // Top-left alignment by default, inside the one-pixel border.
  EXPECT_EQ(host->GetClientPixel(10, 10), win::RGB(0, 200, 0));
  EXPECT_EQ(host->GetClientPixel(-1, 0), win::CLR_INVALID);
  EXPECT_TRUE(ole::IsModuleLoaded(m_module));

  // The type description of the dispatch interface comes with the object.
  uint32_t count = 0;
  ASSERT_EQ(control->GetTypeInfoCount(&count), ole::S_OK);
  EXPECT_EQ(count, 1u);

  host.Reset();
  control.Reset();
  EXPECT_FALSE(ole::IsModuleLoaded(m_module));  // the module said it can unload
}

TEST_F(ControlThroughModule, ConvertsArgumentsAndReportsTheBadOne) {
  ASSERT_EQ(ole::PutProperty(control.Get(), "align", Variant("4")), ole::S_OK);
  EXPECT_EQ(Get(control.Get(), "Align"), Variant(int16_t{4}));

  ole::DispArgs put = ole::DispArgs::ForPut(Variant("abc"));
  uint32_t argErr = 99;
  EXPECT_EQ(control->Invoke(1, ole::IID_NULL, 0, ole::DISPATCH_PROPERTYPUT, put.Params(), nullptr, nullptr, &argErr),
            ole::DISP_E_TYPEMISMATCH);
  EXPECT_EQ(argErr, 0u);
  EXPECT_EQ(Get(control.Get(), "Align"), Variant(int16_t{4}));

  EXPECT_EQ(ole::PutProperty(control.Get(), "TextSize", Variant(70000)), ole::DISP_E_OVERFLOW);
  EXPECT_EQ(Get(control.Get(), "TextSize"), Variant(int16_t{10}));

  argErr = 99;
  EXPECT_EQ(ole::CallMethod(control.Get(), "MoveTo", {Variant(1), Variant("abc")}, nullptr, &argErr),
            ole::DISP_E_TYPEMISMATCH);
  EXPECT_EQ(argErr, 1u);
  argErr = 99;
  EXPECT_EQ(ole::CallMethod(control.Get(), "DrawText", {Variant(70000), Variant(0), Variant("t")}, nullptr, &argErr),
            ole::DISP_E_OVERFLOW);
  EXPECT_EQ(argErr, 0u);
  EXPECT_EQ(ole::CallMethod(control.Get(), "GetWidth", {Variant(1)}), ole::DISP_E_BADPARAMCOUNT);
  EXPECT_EQ(ole::CallMethod(control.Get(), "LoadPicture", {}), ole::DISP_E_UNKNOWNNAME);
}

TEST_F(ControlThroughModule, ColoursTakeTheSignedSpellingOfTheSameBits) {
  for (const char* name : {"BackColor", "ForeColor", "BorderColor", "TextColor"}) {
    // 0x8000000F, the button-face system colour, as a host passes it in a signed long.
    ASSERT_EQ(ole::PutProperty(control.Get(), name, Variant(int32_t{-2147483633})), ole::S_OK) << name;
    EXPECT_EQ(Get(control.Get(), name), Variant(0x8000000Fu)) << name;
    ASSERT_EQ(ole::PutProperty(control.Get(), name, Variant(-1.0)), ole::S_OK) << name;
    EXPECT_EQ(Get(control.Get(), name), Variant(0xFFFFFFFFu)) << name;
    ASSERT_EQ(ole::PutProperty(control.Get(), name, Variant(2147483663.0)), ole::S_OK) << name << " unsigned";
    EXPECT_EQ(Get(control.Get(), name), Variant(0x8000000Fu)) << name;
    // Beyond both spellings the value still overflows, and the colour stays.
    EXPECT_EQ(ole::PutProperty(control.Get(), name, Variant(-2147483649.0)), ole::DISP_E_OVERFLOW) << name;
    EXPECT_EQ(ole::PutProperty(control.Get(), name, Variant(4294967296.0)), ole::DISP_E_OVERFLOW) << name;
    EXPECT_EQ(Get(control.Get(), name), Variant(0x8000000Fu)) << name;
  }
  // Other unsigned and long values keep their ranges.
  EXPECT_EQ(ole::PutProperty(control.Get(), "JpgQuality", Variant(4294967295.0)), ole::DISP_E_OVERFLOW);
}

TEST_F(ControlThroughModule, PropertyPutsRunTheirNotification) {
  EXPECT_EQ(Dirty(control.Get()), ole::S_FALSE);
  ASSERT_EQ(ole::PutProperty(control.Get(), "JpgQuality", Variant("75")), ole::S_OK);
  EXPECT_EQ(Get(control.Get(), "JpgQuality"), Variant(75));
  EXPECT_EQ(Dirty(control.Get()), ole::S_OK);
  ASSERT_EQ(ole::PutProperty(control.Get(), "BackColor", Variant(0x000000FFu)), ole::S_OK);
  host->Pump();
  EXPECT_EQ(host->GetClientPixel(5, 5), win::RGB(255, 0, 0));
}

TEST_F(ControlThroughModule, OperationsNotYetAvailableReportNothing) {
  const std::string png = WriteSolidPng(files, "p.png", 8, 8, 0xFF00C800);
  Call("LoadImage", {Variant(png)});
  // Saving is built: a save through the module writes its file.
  EXPECT_EQ(Call("SaveAsPng", {Variant(files.File("out"))}), Variant(true));
  EXPECT_TRUE(std::filesystem::is_regular_file(files.File("out.png")));
  EXPECT_EQ(Call("PrintImage"), Variant(false));
}

TEST_F(ControlThroughModule, FontListAndTagsAnswerAsStrings) {
  EXPECT_NE(Call("GetTextFont", {Variant(int16_t{0})}), Variant(""));
  EXPECT_EQ(Call("GetTextFont", {Variant(int16_t{-1})}), Variant(""));
  Call("LoadImage", {Variant(WriteSolidPng(files, "p.png", 8, 8, 0xFF00C800))});
  EXPECT_EQ(Call("GetImageTitle"), Variant(""));
  Call("SetImageTitle", {Variant("Title \xC3\xA9t\xC3\xA9")});
  EXPECT_EQ(Call("GetImageTitle"), Variant("Title \xC3\xA9t\xC3\xA9"));
}

TEST_F(ControlThroughModule, FiresStockEventsFromMouseMessages) {
  ole::ComPtr<ole::IConnectionPointContainer> container;
  ASSERT_EQ(control.As(&container), ole::S_OK);
  ole::ComPtr<ole::IConnectionPoint> point;
  ASSERT_EQ(container->FindConnectionPoint(kEventsIid, point.Put()), ole::S_OK);
  auto sink = ole::MakeObject<test::RecordingSink>();
  ole::DWORD cookie = 0;
  ASSERT_EQ(point->Advise(sink.Get(), &cookie), ole::S_OK);

  ASSERT_EQ(host->MouseMove(win::MK_SHIFT, 10, 20), ole::S_OK);
  ASSERT_EQ(host->MouseButton(win::WM_LBUTTONDOWN, win::MK_LBUTTON | win::MK_CONTROL, 5, 6), ole::S_OK);
  ASSERT_EQ(host->MouseButton(win::WM_LBUTTONUP, win::MK_CONTROL, 5, 6), ole::S_OK);
  ASSERT_EQ(host->MouseButton(win::WM_LBUTTONDBLCLK, win::MK_LBUTTON, 5, 6), ole::S_OK);
  ASSERT_EQ(host->MouseButton(win::WM_RBUTTONDOWN, win::MK_RBUTTON, 7, 8), ole::S_OK);

  const std::vector<ole::DISPID> order = {-606, -605, -607, -600, -601, -605};
  ASSERT_EQ(sink->calls.size(), order.size());
  for (size_t i = 0; i < order.size(); ++i) EXPECT_EQ(sink->calls[i].id, order[i]) << i;
  const std::vector<Variant> move = {Variant(int16_t{0}), Variant(int16_t{1}), Variant(10), Variant(20)};
  EXPECT_EQ(sink->calls[0].args, move);
  const std::vector<Variant> down = {Variant(int16_t{1}), Variant(int16_t{2}), Variant(5), Variant(6)};
  EXPECT_EQ(sink->calls[1].args, down);
  EXPECT_TRUE(sink->calls[3].args.empty());
  EXPECT_EQ(sink->calls[5].args[0], Variant(int16_t{2}));

  ASSERT_EQ(point->Unadvise(cookie), ole::S_OK);
  ASSERT_EQ(host->MouseMove(0, 1, 1), ole::S_OK);
  EXPECT_EQ(sink->calls.size(), order.size());
}

TEST_F(ControlThroughModule, PersistsTheElevenExchangedProperties) {
  struct Setting {
    const char* name;
    Variant value;
  };
  const Setting settings[] = {
      {"Align", Variant(int16_t{4})},     {"BackStyle", Variant(int16_t{5})},    {"ShowBorder", Variant(false)},
      {"BorderWidth", Variant(2.5)},      {"BorderColor", Variant(0x00123456u)}, {"JpgQuality", Variant(70)},
      {"TextBold", Variant(true)},        {"TextFont", Variant("DejaVu Sans")},  {"TextItalic", Variant(true)},
      {"TextSize", Variant(int16_t{24})}, {"ZoomValue", Variant(1.5)},
  };
  for (const Setting& setting : settings)
    ASSERT_EQ(ole::PutProperty(control.Get(), setting.name, setting.value), ole::S_OK);
  ASSERT_EQ(ole::PutProperty(control.Get(), "TextColor", Variant(0x000000FFu)), ole::S_OK);
  ASSERT_EQ(ole::PutProperty(control.Get(), "TiffCompression", Variant(3)), ole::S_OK);
  ASSERT_EQ(ole::PutProperty(control.Get(), "BackColor", Variant(0x00ABCDEFu)), ole::S_OK);

  auto bag = ole::MakeObject<test::MemoryPropertyBag>();
  ole::ComPtr<ole::IPersistPropertyBag> persist;
  ASSERT_EQ(control.As(&persist), ole::S_OK);
  ASSERT_EQ(persist->Save(bag.Get(), ole::BOOL{1}, ole::BOOL{1}), ole::S_OK);
  EXPECT_EQ(Dirty(control.Get()), ole::S_FALSE);
  ASSERT_EQ(bag->values.count(kPropertyBagValue), 1u);

  ole::ComPtr<ole::IDispatch> reloaded;
  ASSERT_EQ(ole::CreateObject("TAVLEN.TavlenCtrl.1", &reloaded), ole::S_OK);
  ole::ComPtr<ole::IPersistPropertyBag> loader;
  ASSERT_EQ(reloaded.As(&loader), ole::S_OK);
  ASSERT_EQ(loader->Load(bag.Get()), ole::S_OK);
  for (const Setting& setting : settings) EXPECT_EQ(Get(reloaded.Get(), setting.name), setting.value) << setting.name;
  EXPECT_EQ(Get(reloaded.Get(), "BackColor"), Variant(0x00ABCDEFu));
  EXPECT_EQ(Get(reloaded.Get(), "TextColor"), Variant(0u));
  EXPECT_EQ(Get(reloaded.Get(), "TiffCompression"), Variant(0));
  EXPECT_EQ(Dirty(reloaded.Get()), ole::S_FALSE);

  // A bag without the control's value gives a fresh control.
  auto empty = ole::MakeObject<test::MemoryPropertyBag>();
  ASSERT_EQ(loader->Load(empty.Get()), ole::S_OK);
  EXPECT_EQ(Get(reloaded.Get(), "Align"), Variant(int16_t{2}));
  EXPECT_EQ(Get(reloaded.Get(), "TextFont"), Variant("Arial"));
}

TEST_F(ControlThroughModule, SavingWithoutClearingKeepsTheModifiedFlag) {
  ASSERT_EQ(ole::PutProperty(control.Get(), "ZoomValue", Variant(2.0)), ole::S_OK);
  auto bag = ole::MakeObject<test::MemoryPropertyBag>();
  ole::ComPtr<ole::IPersistPropertyBag> persist;
  ASSERT_EQ(control.As(&persist), ole::S_OK);
  ASSERT_EQ(persist->Save(bag.Get(), ole::BOOL{0}, ole::BOOL{1}), ole::S_OK);
  EXPECT_EQ(Dirty(control.Get()), ole::S_OK);
}

// Every property as automation reads it, to compare before and after.
std::vector<Variant> AllProperties(ole::IDispatch* object) {
  std::vector<Variant> values;
  for (const char* name : {"Align", "BackStyle", "BorderColor", "BorderWidth", "JpgQuality", "ShowBorder", "TextBold",
                           "TextColor", "TextFont", "TextItalic", "TextSize", "ZoomValue", "TiffCompression",
                           "Appearance", "BackColor", "Enabled", "ForeColor"}) {
    Variant value;
    EXPECT_EQ(ole::GetProperty(object, name, &value), ole::S_OK) << name;
    values.push_back(value);
  }
  return values;
}

TEST_F(ControlThroughModule, AboutBoxShowsDialogOneAndChangesNothing) {
  ASSERT_EQ(ole::PutProperty(control.Get(), "TextColor", Variant(0x00FF00u)), ole::S_OK);
  auto bag = ole::MakeObject<test::MemoryPropertyBag>();
  ole::ComPtr<ole::IPersistPropertyBag> persist;
  ASSERT_EQ(control.As(&persist), ole::S_OK);
  ASSERT_EQ(persist->Save(bag.Get(), ole::BOOL{1}, ole::BOOL{1}), ole::S_OK);
  const std::vector<Variant> before = AllProperties(control.Get());
  ASSERT_EQ(Services()->ClearShownDialogs(), ole::S_OK);

  for (const char* answer : {"ok", "Cancel", "escape"}) {
    ASSERT_EQ(Services()->SetDialogAnswer(answer), ole::S_OK);
    EXPECT_EQ(Call("AboutBox").Type(), ole::VT_EMPTY);
  }
  std::vector<ShownDialog> shown;
  ASSERT_EQ(Services()->GetShownDialogs(&shown), ole::S_OK);
  ASSERT_EQ(shown.size(), 3u);
  EXPECT_EQ(shown[0].caption, "About Tavlen ActiveX Control");
  EXPECT_EQ(shown[0].texts.back(), "OK");
  EXPECT_EQ(shown[0].result, "ok");
  EXPECT_EQ(shown[1].result, "cancel");
  EXPECT_EQ(shown[2].result, "escape");

  EXPECT_EQ(AllProperties(control.Get()), before);
  EXPECT_EQ(Dirty(control.Get()), ole::S_FALSE);
  EXPECT_EQ(Services()->SetDialogAnswer("maybe"), ole::E_INVALIDARG);
}

TEST_F(ControlThroughModule, PropertiesVerbShowsTheGeneralPageAndChangesNothing) {
  const std::vector<Variant> before = AllProperties(control.Get());
  ole::ComPtr<ole::IOleObject> ole;
  ASSERT_EQ(control.As(&ole), ole::S_OK);
  ASSERT_EQ(Services()->ClearShownDialogs(), ole::S_OK);
  for (const char* answer : {"ok", "cancel"}) {
    ASSERT_EQ(Services()->SetDialogAnswer(answer), ole::S_OK);
    EXPECT_EQ(ole->DoVerb(ole::OLEIVERB_PROPERTIES), ole::S_OK);
  }
  std::vector<ShownDialog> shown;
  ASSERT_EQ(Services()->GetShownDialogs(&shown), ole::S_OK);
  ASSERT_EQ(shown.size(), 2u);
  EXPECT_EQ(shown[0].caption, "Tavlen Control Properties");
  const std::vector<std::string> texts = {
      "General", "All Properties of Tavlen ActiveX Control show on the Appliction Properties Window!", "OK", "Cancel",
      "Apply"};
  EXPECT_EQ(shown[0].texts, texts);
  EXPECT_EQ(shown[1].result, "cancel");
  EXPECT_EQ(AllProperties(control.Get()), before);
  EXPECT_EQ(ole->IsDirty(), ole::S_FALSE);
}

TEST_F(ControlThroughModule, AnswersAsAnEmbeddedObject) {
  ole::ComPtr<ole::IOleObject> ole;
  ASSERT_EQ(control.As(&ole), ole::S_OK);
  ole::DWORD status = 0;
  ASSERT_EQ(ole->GetMiscStatus(ole::DVASPECT_CONTENT, &status), ole::S_OK);
  EXPECT_EQ(status, 0x30191u);
  ole::CLSID clsid;
  ASSERT_EQ(ole->GetUserClassID(&clsid), ole::S_OK);
  EXPECT_EQ(clsid, kTavlenClsid);
  EXPECT_EQ(ole->DoVerb(7), ole::OLEOBJ_E_INVALIDVERB);

  ole::ComPtr<ole::ISpecifyPropertyPages> pages;
  ASSERT_EQ(control.As(&pages), ole::S_OK);
  std::vector<ole::CLSID> ids;
  ASSERT_EQ(pages->GetPages(&ids), ole::S_OK);
  EXPECT_EQ(ids, std::vector<ole::CLSID>{kTavlenPropPageClsid});

  // The page class is served by the same module.
  ole::ComPtr<ole::IUnknown> page;
  EXPECT_EQ(ole::CoCreateInstance(kTavlenPropPageClsid, nullptr, ole::IID_IUnknown, page.PutVoid()), ole::S_OK);

  ole::ComPtr<ole::IProvideClassInfo> classInfo;
  ASSERT_EQ(control.As(&classInfo), ole::S_OK);
  ole::ComPtr<ole::ITypeInfo> coclass;
  ASSERT_EQ(classInfo->GetClassInfo(coclass.Put()), ole::S_OK);
  std::string name;
  ASSERT_EQ(coclass->GetDocumentation(ole::MEMBERID_NIL, &name, nullptr, nullptr), ole::S_OK);
  EXPECT_EQ(name, "Tavlen");
}

}  // namespace
}  // namespace tavlen
