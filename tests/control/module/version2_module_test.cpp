// Version 2 through the module, as hosts reach it: created by its ProgIDs, its own interfaces and
// events beside version 1's, its load settings saved, and the picture's pixels for in-process hosts.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "control/class_ids.h"
#include "include/tavlen/control_window.h"
#include "include/tavlen/picture_pixels.h"
#include "platform/automation/connection_point.h"
#include "platform/automation/registration.h"
#include "platform/framework/prop_exchange.h"
#include "tests/control/control_fixture.h"
#include "tests/control/module/module_fixture.h"

namespace tavlen {
namespace {

using ole::Variant;

class Version2Module : public test::RegisteredModuleTest {
 protected:
  std::string SavedText(ole::IDispatch* object) {
    auto bag = ole::MakeObject<test::MemoryPropertyBag>();
    ole::ComPtr<ole::IPersistPropertyBag> persist;
    EXPECT_EQ(ole::ComPtr<ole::IDispatch>(object).As(&persist), ole::S_OK);
    EXPECT_EQ(persist->Save(bag.Get(), ole::BOOL{1}, ole::BOOL{1}), ole::S_OK);
    return bag->values[kPropertyBagValue].Bstr();
  }

  gfx::test::TempDir files;
};

TEST_F(Version2Module, BothProgIdsOfVersion2MakeTheSecondClass) {
  for (const char* progId : {"TAVLEN.TavlenCtrl.2", "TAVLEN.TavlenCtrl"}) {
    SCOPED_TRACE(progId);
    ole::ComPtr<ole::IDispatch> control = Create(progId);
    ASSERT_TRUE(control);
    ole::ComPtr<ole::IOleObject> ole;
    ASSERT_EQ(control.As(&ole), ole::S_OK);
    ole::CLSID clsid;
    ASSERT_EQ(ole->GetUserClassID(&clsid), ole::S_OK);
    EXPECT_EQ(clsid, kTavlen2Clsid);
    Variant autoOrient;
    ASSERT_EQ(ole::GetProperty(control.Get(), "AutoOrient", &autoOrient), ole::S_OK);
    EXPECT_EQ(autoOrient, Variant(true));
    EXPECT_EQ(Call(control.Get(), "GetImageOrientation"), Variant(1));
    EXPECT_EQ(Call(control.Get(), "GetRedo"), Variant(0));
    for (const char* name : {"ColorManaged", "ExtraFormats"}) {
      Variant value;
      ASSERT_EQ(ole::GetProperty(control.Get(), name, &value), ole::S_OK);
      EXPECT_EQ(value, Variant(true)) << name;
    }
    // Version 2 answers for its own interface and for version 1's, whose rows it holds.
    ole::ComPtr<ole::IUnknown> unknown;
    EXPECT_EQ(control->QueryInterface(kDispatch2Iid, reinterpret_cast<void**>(unknown.Put())), ole::S_OK);
    EXPECT_EQ(control->QueryInterface(kDispatchIid, reinterpret_cast<void**>(unknown.Put())), ole::S_OK);
    ole::ComPtr<ole::IProvideClassInfo> info;
    ASSERT_EQ(control.As(&info), ole::S_OK);
    ole::ComPtr<ole::ITypeInfo> coclass;
    ASSERT_EQ(info->GetClassInfo(coclass.Put()), ole::S_OK);
    std::string name;
    ASSERT_EQ(coclass->GetDocumentation(ole::MEMBERID_NIL, &name, nullptr, nullptr), ole::S_OK);
    EXPECT_EQ(name, "Tavlen2");
  }
}

TEST_F(Version2Module, Version1KnowsNoneOfVersion2sMembersOrInterfaces) {
  ole::ComPtr<ole::IDispatch> control = Create("TAVLEN.TavlenCtrl.1");
  ASSERT_TRUE(control);
  for (const char* name : {"AutoOrient", "GetImageOrientation", "Redo", "GetRedo", "ColorManaged", "ExtraFormats",
                           "SaveAsWebp", "ConvertToWebp", "HasColorProfile", "GetImageTagText"}) {
    const char* names[] = {name};
    ole::DISPID id = 0;
    EXPECT_EQ(control->GetIDsOfNames(ole::IID_NULL, names, 1, 0, &id), ole::DISP_E_UNKNOWNNAME) << name;
  }
  ole::ComPtr<ole::IUnknown> unknown;
  EXPECT_EQ(control->QueryInterface(kDispatch2Iid, reinterpret_cast<void**>(unknown.Put())), ole::E_NOINTERFACE);
  ole::ComPtr<ole::IConnectionPointContainer> container;
  ASSERT_EQ(control.As(&container), ole::S_OK);
  ole::ComPtr<ole::IConnectionPoint> point;
  EXPECT_NE(container->FindConnectionPoint(kEvents2Iid, point.Put()), ole::S_OK);
  const std::string saved = SavedText(control.Get());
  for (const char* name : {"AutoOrient", "ColorManaged", "ExtraFormats"})
    EXPECT_EQ(saved.find(name), std::string::npos) << name;
}

TEST_F(Version2Module, FiresPictureChangedToItsSinksOnLoadEditUndoAndRedo) {
  ole::ComPtr<ole::IDispatch> control = Create("TAVLEN.TavlenCtrl");
  ASSERT_TRUE(control);
  ole::ComPtr<ole::IConnectionPointContainer> container;
  ASSERT_EQ(control.As(&container), ole::S_OK);
  ole::ComPtr<ole::IConnectionPoint> point;
  ASSERT_EQ(container->FindConnectionPoint(kEvents2Iid, point.Put()), ole::S_OK);
  auto sink = ole::MakeObject<test::RecordingSink>();
  ole::DWORD cookie = 0;
  ASSERT_EQ(point->Advise(sink.Get(), &cookie), ole::S_OK);

  Call(control.Get(), "LoadImage", {Variant(WritePatternPng(files, "p.png", 12, 8))});
  Call(control.Get(), "Rotate90");
  Call(control.Get(), "Undo");
  Call(control.Get(), "Redo");
  ASSERT_EQ(sink->calls.size(), 4u);
  for (const auto& call : sink->calls) {
    EXPECT_EQ(call.id, 256);
    EXPECT_TRUE(call.args.empty());
  }
  EXPECT_EQ(Call(control.Get(), "GetWidth"), Variant(8));
  ASSERT_EQ(point->Unadvise(cookie), ole::S_OK);
}

TEST_F(Version2Module, SavesItsLoadSettingsAndReadsThemBack) {
  ole::ComPtr<ole::IDispatch> control = Create("TAVLEN.TavlenCtrl.2");
  ASSERT_TRUE(control);
  const char* settings[] = {"AutoOrient", "ColorManaged", "ExtraFormats"};
  const std::string defaults = SavedText(control.Get());
  for (const char* name : settings) {
    EXPECT_NE(defaults.find("\"" + std::string(name) + "\": true"), std::string::npos) << defaults;
    ASSERT_EQ(ole::PutProperty(control.Get(), name, Variant(false)), ole::S_OK);
  }
  const std::string text = SavedText(control.Get());
  for (const char* name : settings)
    EXPECT_NE(text.find("\"" + std::string(name) + "\": false"), std::string::npos) << text;

  ole::ComPtr<ole::IDispatch> reloaded = Create("TAVLEN.TavlenCtrl.2");
  auto bag = ole::MakeObject<test::MemoryPropertyBag>();
  bag->values[kPropertyBagValue] = Variant(text);
  ole::ComPtr<ole::IPersistPropertyBag> persist;
  ASSERT_EQ(reloaded.As(&persist), ole::S_OK);
  ASSERT_EQ(persist->Load(bag.Get()), ole::S_OK);
  for (const char* name : settings) {
    Variant value;
    ASSERT_EQ(ole::GetProperty(reloaded.Get(), name, &value), ole::S_OK);
    EXPECT_EQ(value, Variant(false)) << name;
  }
}

class PicturePixelsTest : public Version2Module {
 protected:
  void SetUp() override {
    Version2Module::SetUp();
    control = Create("TAVLEN.TavlenCtrl");
    ASSERT_TRUE(control);
    ASSERT_EQ(control.As(&pixels), ole::S_OK);
  }
  ole::ComPtr<ole::IDispatch> control;
  ole::ComPtr<IPicturePixels> pixels;
};

TEST_F(PicturePixelsTest, ReadsTheWorkingImageAsBgraRows) {
  PixelRows rows;
  EXPECT_EQ(pixels->LockPixels(&rows), ole::S_FALSE) << "no picture yet";
  EXPECT_EQ(rows.scan0, nullptr);
  Call(control.Get(), "LoadImage", {Variant(WriteSolidPng(files, "g.png", 5, 3, 0xFF102030))});
  ASSERT_EQ(pixels->LockPixels(&rows), ole::S_OK);
  EXPECT_EQ(rows.width, 5u);
  EXPECT_EQ(rows.height, 3u);
  EXPECT_EQ(pixels->LockPixels(&rows), ole::E_UNEXPECTED) << "one lock at a time";
  ASSERT_EQ(pixels->LockPixels(&rows), ole::E_UNEXPECTED);
  ASSERT_EQ(pixels->UnlockPixels(), ole::S_OK);
  ASSERT_EQ(pixels->LockPixels(&rows), ole::S_OK);
  const uint8_t bgra[4] = {0x30, 0x20, 0x10, 0xFF};
  EXPECT_EQ(std::memcmp(rows.scan0 + 2 * rows.stride + 16, bgra, 4), 0);
  EXPECT_EQ(pixels->UnlockPixels(), ole::S_OK);
  EXPECT_EQ(pixels->UnlockPixels(), ole::E_UNEXPECTED);
}

TEST_F(PicturePixelsTest, ReplacesThePictureAsAnEditThatCanBeUndone) {
  Call(control.Get(), "LoadImage", {Variant(WriteSolidPng(files, "g.png", 5, 3, 0xFF102030))});
  std::vector<uint8_t> blue(2 * 4 * 4);
  for (size_t i = 0; i < blue.size(); i += 4) blue[i] = 0xFF, blue[i + 3] = 0xFF;
  ASSERT_EQ(pixels->SetPixels(PixelRows{2, 4, 8, blue.data()}), ole::S_OK);
  EXPECT_EQ(Call(control.Get(), "GetWidth"), Variant(2));
  EXPECT_EQ(Call(control.Get(), "GetUndo"), Variant(1));
  PixelRows rows;
  ASSERT_EQ(pixels->LockPixels(&rows), ole::S_OK);
  // A picture held as 32-bit ARGB is read where it lies: the same rows twice.
  const uint8_t* first = rows.scan0;
  EXPECT_EQ(std::memcmp(rows.scan0, blue.data(), 8), 0);
  ASSERT_EQ(pixels->UnlockPixels(), ole::S_OK);
  ASSERT_EQ(pixels->LockPixels(&rows), ole::S_OK);
  EXPECT_EQ(rows.scan0, first);
  ASSERT_EQ(pixels->UnlockPixels(), ole::S_OK);
  Call(control.Get(), "Undo");
  EXPECT_EQ(Call(control.Get(), "GetWidth"), Variant(5));
}

TEST_F(PicturePixelsTest, RefusesBadRowsAndKeepsThePicture) {
  Call(control.Get(), "LoadImage", {Variant(WriteSolidPng(files, "g.png", 5, 3, 0xFF102030))});
  std::vector<uint8_t> some(64);
  EXPECT_EQ(pixels->SetPixels(PixelRows{0, 4, 8, some.data()}), ole::E_INVALIDARG);
  EXPECT_EQ(pixels->SetPixels(PixelRows{2, 4, 7, some.data()}), ole::E_INVALIDARG);
  EXPECT_EQ(pixels->SetPixels(PixelRows{2, 4, 8, nullptr}), ole::E_INVALIDARG);
  EXPECT_EQ(pixels->SetPixels(PixelRows{1u << 20, 1u << 20, 1 << 22, some.data()}), ole::E_OUTOFMEMORY);
  EXPECT_EQ(Call(control.Get(), "GetWidth"), Variant(5));
  EXPECT_EQ(Call(control.Get(), "GetUndo"), Variant(0));
}

TEST_F(Version2Module, ReadsExposureTagsAsTextAndTellsWhetherAProfileCameWithThePicture) {
  const std::filesystem::path photo = gfx::test::TestDataDir() / "jpeg/Canon_40D.jpg";
  if (gfx::test::TestDataDir().empty()) GTEST_SKIP() << "the shared test pictures are not here";
  ole::ComPtr<ole::IDispatch> control = Create("TAVLEN.TavlenCtrl");
  ASSERT_TRUE(control);
  const auto tag = [&](int32_t id) { return Call(control.Get(), "GetImageTagText", {Variant(id)}); };
  // Nothing shown: nothing to read.
  EXPECT_EQ(tag(0x829A), Variant(std::string()));
  EXPECT_EQ(Call(control.Get(), "HasColorProfile"), Variant(false));

  Call(control.Get(), "LoadImage", {Variant(photo.string())});
  EXPECT_EQ(tag(0x829A), Variant(std::string("1/160")));                // exposure time, a rational as stored
  EXPECT_EQ(tag(0x829D), Variant(std::string("71/10")));                // f-number
  EXPECT_EQ(tag(0x8827), Variant(std::string("100")));                  // ISO, a short
  EXPECT_EQ(tag(0x920A), Variant(std::string("135/1")));                // focal length
  EXPECT_EQ(tag(0x9003), Variant(std::string("2008:05:30 15:56:01")));  // date taken, from the EXIF sub-IFD
  EXPECT_EQ(tag(0x0110), Call(control.Get(), "GetImageEquipModel"));    // the text tags read alike
  EXPECT_EQ(tag(0xA434), Variant(std::string()));                       // no lens model in this file
  EXPECT_EQ(tag(-1), Variant(std::string()));
  // Its embedded profile, converted to sRGB or kept as it is.
  EXPECT_EQ(Call(control.Get(), "HasColorProfile"), Variant(true));
  ASSERT_EQ(ole::PutProperty(control.Get(), "ColorManaged", Variant(false)), ole::S_OK);
  Call(control.Get(), "LoadImage", {Variant(photo.string())});
  EXPECT_EQ(Call(control.Get(), "HasColorProfile"), Variant(true));

  Call(control.Get(), "LoadImage", {Variant(WritePatternPng(files, "plain.png", 12, 8))});
  EXPECT_EQ(Call(control.Get(), "HasColorProfile"), Variant(false));
  EXPECT_EQ(tag(0x829A), Variant(std::string()));
}

}  // namespace
}  // namespace tavlen
