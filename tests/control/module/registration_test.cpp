// Self-registration of Tavlen.ocx: what DllRegisterServer writes and DllUnregisterServer removes, and
// the order of the steps when the registry refuses a write.
#include "platform/automation/registration.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <string>

#include "control/class_ids.h"
#include "platform/automation/loader.h"
#include "tests/control/module/module_fixture.h"

namespace tavlen {
namespace {

namespace fs = std::filesystem;

const std::string kControlKey = "CLSID\\" + ole::FormatGuid(kTavlenClsid);
const std::string kControl2Key = "CLSID\\" + ole::FormatGuid(kTavlen2Clsid);
const std::string kPageKey = "CLSID\\" + ole::FormatGuid(kTavlenPropPageClsid);
const std::string kLibKey = "TypeLib\\" + ole::FormatGuid(kTavlenLibId);

class RegistrationTest : public test::RegistryTest {
 protected:
  ole::RegistryData Snapshot() const {
    ole::RegistryData data;
    EXPECT_EQ(CurrentRegistry().Load(&data), ole::S_OK);
    return data;
  }
  std::string ModuleFile() const { return fs::canonical(m_module).string(); }

  // A registry that can be read but never written: until the test ends, no file of this process may grow
  // past 0 bytes (a file size limit, its signal ignored), so every write of an update fails. Only updates
  // that change nothing succeed, as they write nothing. (Output redirected to a file is cut meanwhile.)
  std::string ReadOnlyRegistryCopy() {
    std::string path = m_dir + "/read-only-registry";
    if (fs::exists(m_registryPath)) fs::copy_file(m_registryPath, path);
    if (::getrlimit(RLIMIT_FSIZE, &m_savedLimit) != 0) return {};
    rlimit limit = m_savedLimit;
    limit.rlim_cur = 0;
    std::signal(SIGXFSZ, SIG_IGN);
    if (::setrlimit(RLIMIT_FSIZE, &limit) != 0) return {};
    m_limited = true;
    return path;
  }
  void TearDown() override {
    if (m_limited) {
      ::setrlimit(RLIMIT_FSIZE, &m_savedLimit);
      std::signal(SIGXFSZ, SIG_DFL);
    }
    test::RegistryTest::TearDown();
  }

  rlimit m_savedLimit{};
  bool m_limited = false;
};

TEST_F(RegistrationTest, WritesTheControlClassWithItsParameters) {
  ASSERT_EQ(ole::RegisterModule(m_module), ole::S_OK) << ole::LastLoadError();
  const ole::RegistryData data = Snapshot();
  EXPECT_EQ(data.GetValue(kControlKey), "Tavlen Control");
  EXPECT_EQ(data.GetValue(kControlKey + "\\InprocServer32"), ModuleFile());
  EXPECT_EQ(data.GetValue(kControlKey + "\\InprocServer32", "ThreadingModel"), "Apartment");
  EXPECT_EQ(data.GetValue(kControlKey + "\\ProgID"), "TAVLEN.TavlenCtrl.1");
  EXPECT_TRUE(data.HasKey(kControlKey + "\\Control"));
  EXPECT_FALSE(data.HasKey(kControlKey + "\\Insertable"));
  EXPECT_EQ(data.GetValue(kControlKey + "\\MiscStatus\\1"), std::to_string(0x30191));
  EXPECT_EQ(data.GetValue(kControlKey + "\\ToolboxBitmap32"), ModuleFile() + ", 1");
  EXPECT_EQ(data.GetValue(kControlKey + "\\TypeLib"), ole::FormatGuid(kTavlenLibId));
  EXPECT_EQ(data.GetValue(kControlKey + "\\Version"), "1.0");

  ole::CLSID found;
  ASSERT_EQ(ole::CLSIDFromProgID(CurrentRegistry(), "TAVLEN.TavlenCtrl.1", &found), ole::S_OK);
  EXPECT_EQ(found, kTavlenClsid);
}

TEST_F(RegistrationTest, WritesVersion2WithItsProgIdAndTheVersionIndependentOne) {
  ASSERT_EQ(ole::RegisterModule(m_module), ole::S_OK) << ole::LastLoadError();
  const ole::RegistryData data = Snapshot();
  EXPECT_EQ(data.GetValue(kControl2Key), "Tavlen Control 2");
  EXPECT_EQ(data.GetValue(kControl2Key + "\\InprocServer32"), ModuleFile());
  EXPECT_EQ(data.GetValue(kControl2Key + "\\ProgID"), "TAVLEN.TavlenCtrl.2");
  EXPECT_EQ(data.GetValue(kControl2Key + "\\VersionIndependentProgID"), "TAVLEN.TavlenCtrl");
  EXPECT_TRUE(data.HasKey(kControl2Key + "\\Control"));
  EXPECT_EQ(data.GetValue("TAVLEN.TavlenCtrl\\CurVer"), "TAVLEN.TavlenCtrl.2");
  EXPECT_EQ(data.GetValue("Interface\\" + ole::FormatGuid(kDispatch2Iid)), "_DTavlen2");
  EXPECT_EQ(data.GetValue("Interface\\" + ole::FormatGuid(kEvents2Iid)), "_DTavlen2Events");
  // Version 1 names no version-independent ProgID: that one is version 2's.
  EXPECT_FALSE(data.HasKey(kControlKey + "\\VersionIndependentProgID"));

  for (const char* progId : {"TAVLEN.TavlenCtrl.2", "TAVLEN.TavlenCtrl"}) {
    ole::CLSID found;
    ASSERT_EQ(ole::CLSIDFromProgID(CurrentRegistry(), progId, &found), ole::S_OK) << progId;
    EXPECT_EQ(found, kTavlen2Clsid) << progId;
  }
}

TEST_F(RegistrationTest, UnregisterRemovesBothVersionsButNotAProgIdTakenByAnotherClass) {
  ASSERT_EQ(ole::RegisterModule(m_module), ole::S_OK);
  ASSERT_EQ(ole::UnregisterModule(m_module), ole::S_OK);
  ole::RegistryData data = Snapshot();
  for (const std::string& key : {kControlKey, kControl2Key, std::string("TAVLEN.TavlenCtrl.1"),
                                 std::string("TAVLEN.TavlenCtrl.2"), std::string("TAVLEN.TavlenCtrl")}) {
    EXPECT_FALSE(data.HasKey(key)) << key;
  }

  ASSERT_EQ(ole::RegisterModule(m_module), ole::S_OK);
  const std::string other = "{11111111-2222-3333-4444-555555555555}";
  ASSERT_EQ(CurrentRegistry().SetValue("TAVLEN.TavlenCtrl\\CLSID", "", other), ole::S_OK);
  ASSERT_EQ(ole::UnregisterModule(m_module), ole::S_OK);
  data = Snapshot();
  EXPECT_FALSE(data.HasKey(kControl2Key));
  EXPECT_EQ(data.GetValue("TAVLEN.TavlenCtrl\\CLSID"), other);
}

TEST_F(RegistrationTest, WritesThePropertyPageWithoutProgIdOrThreading) {
  ASSERT_EQ(ole::RegisterModule(m_module), ole::S_OK);
  const ole::RegistryData data = Snapshot();
  EXPECT_EQ(data.GetValue(kPageKey), "Tavlen Property Page");
  EXPECT_EQ(data.GetValue(kPageKey + "\\InprocServer32"), ModuleFile());
  EXPECT_EQ(data.GetValue(kPageKey + "\\InprocServer32", "ThreadingModel"), std::nullopt);
  EXPECT_FALSE(data.HasKey(kPageKey + "\\ProgID"));
  EXPECT_FALSE(data.HasKey("TAVLEN.TavlenPropPage.1"));
  ole::CLSID found;
  EXPECT_EQ(ole::CLSIDFromProgID(CurrentRegistry(), "TAVLEN.TavlenPropPage.1", &found), ole::REGDB_E_CLASSNOTREG);
}

TEST_F(RegistrationTest, WritesTheTypeLibraryAndItsInterfaces) {
  ASSERT_EQ(ole::RegisterModule(m_module), ole::S_OK);
  const ole::RegistryData data = Snapshot();
  EXPECT_EQ(data.GetValue(kLibKey + "\\1.0"), "Tavlen ActiveX Control module");
  EXPECT_EQ(data.GetValue(kLibKey + "\\1.0\\409\\linux"), ModuleFile());
  EXPECT_EQ(data.GetValue("Interface\\" + ole::FormatGuid(kDispatchIid)), "_DTavlen");
  EXPECT_EQ(data.GetValue("Interface\\" + ole::FormatGuid(kEventsIid)), "_DTavlenEvents");

  ole::ComPtr<ole::ITypeLib> lib;
  ASSERT_EQ(ole::LoadRegTypeLib(CurrentRegistry(), kTavlenLibId, 1, 0, 0, lib.Put()), ole::S_OK);
  std::string name;
  ASSERT_EQ(lib->GetDocumentation(-1, &name, nullptr, nullptr), ole::S_OK);
  EXPECT_EQ(name, "ZORARUZuv");
}

TEST_F(RegistrationTest, RegisteringAgainWritesTheSameEntries) {
  ASSERT_EQ(ole::RegisterModule(m_module), ole::S_OK);
  const ole::RegistryData first = Snapshot();
  ASSERT_EQ(ole::RegisterModule(m_module), ole::S_OK);
  EXPECT_EQ(Snapshot(), first);
}

TEST_F(RegistrationTest, UnregisterRemovesEverythingItWrote) {
  ASSERT_EQ(CurrentRegistry().SetValue("Other\\Key", "", "kept"), ole::S_OK);
  ASSERT_EQ(ole::RegisterModule(m_module), ole::S_OK);
  ASSERT_EQ(ole::UnregisterModule(m_module), ole::S_OK);
  const ole::RegistryData data = Snapshot();
  EXPECT_FALSE(data.HasKey(kControlKey));
  EXPECT_FALSE(data.HasKey(kPageKey));
  EXPECT_FALSE(data.HasKey("TAVLEN.TavlenCtrl.1"));
  EXPECT_FALSE(data.HasKey(kLibKey));
  EXPECT_FALSE(data.HasKey("Interface\\" + ole::FormatGuid(kDispatchIid)));
  EXPECT_EQ(data.GetValue("Other\\Key"), "kept");
  // Unregistering what is not registered is no failure.
  EXPECT_EQ(ole::UnregisterModule(m_module), ole::S_OK);
}

TEST_F(RegistrationTest, TypeLibraryFailureStopsBeforeAnyClass) {
  const std::string readOnly = ReadOnlyRegistryCopy();
  if (readOnly.empty()) GTEST_SKIP() << "no file size limit can be set";
  UseRegistry(readOnly);
  ASSERT_EQ(CurrentRegistry().SetValue("Probe", "", "x"), ole::REGDB_E_WRITEREGDB);  // the injection works

  EXPECT_EQ(ole::RegisterModule(m_module), ole::SELFREG_E_TYPELIB);
  const ole::RegistryData data = Snapshot();
  EXPECT_FALSE(data.HasKey(kControlKey));
  EXPECT_FALSE(data.HasKey(kPageKey));
}

TEST_F(RegistrationTest, ClassFailureAfterTheTypeLibraryReportsTheClassCode) {
  // The type library is already registered, so its step changes nothing and succeeds; the class
  // step then needs a write that the registry refuses.
  ASSERT_EQ(ole::RegisterModule(m_module), ole::S_OK);
  ole::Registry full = CurrentRegistry();
  ASSERT_EQ(ole::UnregisterClass(full, kTavlenClsid, kTavlenProgId), ole::S_OK);
  ASSERT_EQ(ole::UnregisterClass(full, kTavlenPropPageClsid, ""), ole::S_OK);
  const std::string readOnly = ReadOnlyRegistryCopy();
  if (readOnly.empty()) GTEST_SKIP() << "no file size limit can be set";
  UseRegistry(readOnly);

  EXPECT_EQ(ole::RegisterModule(m_module), ole::SELFREG_E_CLASS);
  const ole::RegistryData data = Snapshot();
  EXPECT_TRUE(data.HasKey(kLibKey + "\\1.0"));  // not rolled back
  EXPECT_FALSE(data.HasKey(kControlKey));
}

TEST_F(RegistrationTest, TypeLibraryUnregisterFailureKeepsBothClasses) {
  ASSERT_EQ(ole::RegisterModule(m_module), ole::S_OK);
  const std::string readOnly = ReadOnlyRegistryCopy();
  if (readOnly.empty()) GTEST_SKIP() << "no file size limit can be set";
  UseRegistry(readOnly);

  EXPECT_EQ(ole::UnregisterModule(m_module), ole::SELFREG_E_TYPELIB);
  const ole::RegistryData data = Snapshot();
  EXPECT_TRUE(data.HasKey(kControlKey));
  EXPECT_TRUE(data.HasKey(kPageKey));
}

TEST_F(RegistrationTest, ClassUnregisterFailureAfterTheTypeLibraryReportsTheClassCode) {
  ASSERT_EQ(ole::RegisterModule(m_module), ole::S_OK);
  ole::Registry full = CurrentRegistry();
  ASSERT_EQ(ole::UnregisterTypeLib(full, kTavlenLibId, 1, 0, 0x409), ole::S_OK);
  const std::string readOnly = ReadOnlyRegistryCopy();
  if (readOnly.empty()) GTEST_SKIP() << "no file size limit can be set";
  UseRegistry(readOnly);

  EXPECT_EQ(ole::UnregisterModule(m_module), ole::SELFREG_E_CLASS);
}

TEST_F(RegistrationTest, DamagedRegistryFailsAtTheTypeLibrary) {
  {
    std::ofstream damaged(m_registryPath);
    damaged << "this is not a registry\n[unterminated";
  }
  EXPECT_EQ(ole::RegisterModule(m_module), ole::SELFREG_E_TYPELIB);
}

}  // namespace
}  // namespace tavlen
