// End to end through a real module: self-registration, creation by ProgID and class identifier, calls,
// events and the type library across the module boundary, unloading, and every failure a host can meet.
#include "platform/automation/loader.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "platform/automation/registration.h"
#include "tests/automation/sample_object.h"

namespace tavlen::ole {
namespace {

namespace fs = std::filesystem;

// Each test gets its own registry through TAVLEN_REGISTRY, as a user's session would.
class ModuleTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "tavlen-loader-XXXXXX").string();
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    m_dir = pattern;
    if (const char* saved = std::getenv("TAVLEN_REGISTRY")) m_saved = saved;
    UseRegistry(m_dir + "/registry");
  }
  void TearDown() override {
    CoFreeUnusedLibraries();
    if (m_saved)
      ::setenv("TAVLEN_REGISTRY", m_saved->c_str(), 1);
    else
      ::unsetenv("TAVLEN_REGISTRY");
    std::error_code ignored;
    fs::remove_all(m_dir, ignored);
  }
  void UseRegistry(const std::string& path) { ::setenv("TAVLEN_REGISTRY", path.c_str(), 1); }

  std::string m_dir;
  std::optional<std::string> m_saved;
  const std::string m_module = TAVLEN_TEST_MODULE;
};

TEST_F(ModuleTest, RegisterCreateByProgIdCallAndUnload) {
  ASSERT_EQ(RegisterModule(m_module), S_OK) << LastLoadError();
  EXPECT_FALSE(IsModuleLoaded(m_module));  // registration keeps nothing loaded

  ComPtr<IDispatch> object;
  ASSERT_EQ(CreateObject("TAVLEN.SAMPLE.1", &object), S_OK) << LastLoadError();
  EXPECT_TRUE(IsModuleLoaded(m_module));
  EXPECT_EQ(test::CSample::Instances(), 0);  // the object lives in the module, not in this binary

  Variant result;
  ASSERT_EQ(CallMethod(object.Get(), "add", {Variant("5")}, &result), S_OK);
  EXPECT_EQ(result, Variant(5));
  ASSERT_EQ(PutProperty(object.Get(), "Label", Variant("remote")), S_OK);
  ASSERT_EQ(CallMethod(object.Get(), "Describe", {}, &result), S_OK);
  EXPECT_EQ(result, Variant("remote x0"));
  uint32_t argErr = 9;
  EXPECT_EQ(CallMethod(object.Get(), "Scale", {Variant(1.0), Variant("many")}, nullptr, &argErr), DISP_E_TYPEMISMATCH);
  EXPECT_EQ(argErr, 1u);

  object.Reset();
  EXPECT_FALSE(IsModuleLoaded(m_module));  // DllCanUnloadNow said yes once the last object went
}

TEST_F(ModuleTest, CreateByClassIdentifierTextAndKeepLoadedWhileObjectsLive) {
  ASSERT_EQ(RegisterModule(m_module), S_OK);
  ComPtr<IDispatch> first;
  ComPtr<IDispatch> second;
  ASSERT_EQ(CreateObject("{0e1684f3-1ea2-4dd1-bdae-9776e45476d6}", &first), S_OK);
  ASSERT_EQ(CreateObject(test::kSampleProgId, &second), S_OK);
  EXPECT_NE(first.Get(), second.Get());
  first.Reset();
  EXPECT_TRUE(IsModuleLoaded(m_module));
  Variant total;
  ASSERT_EQ(GetProperty(second.Get(), "Total", &total), S_OK);
  second.Reset();
  EXPECT_FALSE(IsModuleLoaded(m_module));
}

TEST_F(ModuleTest, TypeLibraryLoadsByLibraryIdentifier) {
  ASSERT_EQ(RegisterModule(m_module), S_OK);
  ComPtr<ITypeLib> lib;
  ASSERT_EQ(LoadRegTypeLib(test::kSampleLibId, 1, 0, 0x409, lib.Put()), S_OK) << LastLoadError();
  std::string loaded;
  ASSERT_EQ(FormatIdl(lib.Get(), &loaded), S_OK);
  ComPtr<ITypeLib> local;
  ASSERT_EQ(CreateTypeLib(test::SampleTypeLib(), local.Put()), S_OK);
  std::string expected;
  ASSERT_EQ(FormatIdl(local.Get(), &expected), S_OK);
  EXPECT_EQ(loaded, expected);
  EXPECT_TRUE(IsModuleLoaded(m_module));  // the library object lives in the module
  lib.Reset();
  EXPECT_FALSE(IsModuleLoaded(m_module));
  EXPECT_EQ(LoadRegTypeLib(test::kSampleLibId, 2, 0, 0, lib.Put()), TYPE_E_LIBNOTREGISTERED);
}

class EventCounter final : public ComObject<IDispatch> {
 public:
  int pings = 0;
  Variant last;
  HRESULT GetTypeInfoCount(uint32_t* count) override {
    *count = 0;
    return S_OK;
  }
  HRESULT GetTypeInfo(uint32_t, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  HRESULT GetIDsOfNames(const IID&, const char* const*, uint32_t, LCID, DISPID*) override { return E_NOTIMPL; }
  HRESULT Invoke(DISPID id, const IID&, LCID, uint16_t, DISPPARAMS* params, Variant*, EXCEPINFO*, uint32_t*) override {
    if (id != 1 || params->cArgs != 1) return DISP_E_MEMBERNOTFOUND;
    ++pings;
    last = params->rgvarg[0];
    return S_OK;
  }
};

TEST_F(ModuleTest, EventsReachSinksInTheHost) {
  ASSERT_EQ(RegisterModule(m_module), S_OK);
  ComPtr<IDispatch> object;
  ASSERT_EQ(CreateObject(test::kSampleProgId, &object), S_OK);
  ComPtr<IConnectionPointContainer> container;
  ASSERT_EQ(object.As(&container), S_OK);
  ComPtr<IConnectionPoint> point;
  ASSERT_EQ(container->FindConnectionPoint(test::kSampleEventsIid, point.Put()), S_OK);
  ComPtr<EventCounter> sink = MakeObject<EventCounter>();
  DWORD cookie = 0;
  ASSERT_EQ(point->Advise(sink.Get(), &cookie), S_OK);
  ASSERT_EQ(CallMethod(object.Get(), "Ping", {Variant(int16_t{21})}), S_OK);
  EXPECT_EQ(sink->pings, 1);
  EXPECT_EQ(sink->last, Variant(21));
  ASSERT_EQ(point->Unadvise(cookie), S_OK);
  point.Reset();
  container.Reset();
  object.Reset();
  EXPECT_FALSE(IsModuleLoaded(m_module));
}

TEST_F(ModuleTest, UnregisterRemovesEverything) {
  ASSERT_EQ(RegisterModule(m_module), S_OK);
  ASSERT_EQ(UnregisterModule(m_module), S_OK);
  RegistryData data;
  ASSERT_EQ(Registry::Default().Load(&data), S_OK);
  EXPECT_TRUE(data.Empty()) << data.Serialize();
  ComPtr<IDispatch> object;
  EXPECT_EQ(CreateObject(test::kSampleProgId, &object), REGDB_E_CLASSNOTREG);
  EXPECT_EQ(CreateObject("{0E1684F3-1EA2-4DD1-BDAE-9776E45476D6}", &object), REGDB_E_CLASSNOTREG);
}

TEST_F(ModuleTest, RegistrationFailsFirstAtTheTypeLibraryWhenTheRegistryIsUnwritable) {
  UseRegistry("/dev/null/registry");
  EXPECT_EQ(RegisterModule(m_module), SELFREG_E_TYPELIB);
}

TEST_F(ModuleTest, ClassTextAndRegistrationFailures) {
  ComPtr<IDispatch> object;
  EXPECT_EQ(CreateObject("Nobody.Here.1", &object), REGDB_E_CLASSNOTREG);
  EXPECT_FALSE(object);
  EXPECT_EQ(CreateObject("{not-a-guid}", &object), CO_E_CLASSSTRING);
  EXPECT_FALSE(LastLoadError().empty());
  EXPECT_EQ(CreateObject("", &object), REGDB_E_CLASSNOTREG);
}

TEST_F(ModuleTest, ModuleFailuresAreReportedWithTheirReason) {
  Registry registry = Registry::Default();
  ClassRegistration info;
  info.progId = "Broken.Missing.1";
  info.clsid = *ParseGuid("{E950C2A0-0E21-40A0-A037-75275993C850}");
  info.modulePath = m_dir + "/missing.so";
  ASSERT_EQ(RegisterClass(registry, info), S_OK);
  ComPtr<IDispatch> object;
  EXPECT_EQ(CreateObject("Broken.Missing.1", &object), CO_E_DLLNOTFOUND);

  std::string notElf = m_dir + "/text.so";
  std::ofstream(notElf) << "this is not a shared object";
  info.progId = "Broken.NotElf.1";
  info.modulePath = notElf;
  ASSERT_EQ(RegisterClass(registry, info), S_OK);
  EXPECT_EQ(CreateObject("Broken.NotElf.1", &object), CO_E_ERRORINDLL);
  EXPECT_NE(LastLoadError().find("text.so"), std::string::npos) << LastLoadError();

  // A real module that does not make this class.
  info.progId = "Broken.WrongClass.1";
  info.modulePath = m_module;
  ASSERT_EQ(RegisterClass(registry, info), S_OK);
  EXPECT_EQ(CreateObject("Broken.WrongClass.1", &object), CLASS_E_CLASSNOTAVAILABLE);
  EXPECT_FALSE(object);
  CoFreeUnusedLibraries();
  EXPECT_FALSE(IsModuleLoaded(m_module));

  ComPtr<ITypeLib> lib;
  EXPECT_EQ(LoadTypeLibFromModule(notElf, lib.Put()), TYPE_E_CANTLOADLIBRARY);
  EXPECT_EQ(RegisterModule(m_dir + "/missing.so"), CO_E_DLLNOTFOUND);
}

TEST_F(ModuleTest, DamagedRegistryIsAClearError) {
  std::ofstream(m_dir + "/registry") << "TAVLEN REGISTRY 1\n[CLSID\n";
  ComPtr<IDispatch> object;
  EXPECT_EQ(CreateObject(test::kSampleProgId, &object), REGDB_E_READREGDB);
  EXPECT_EQ(CreateObject("{0E1684F3-1EA2-4DD1-BDAE-9776E45476D6}", &object), REGDB_E_READREGDB);
  EXPECT_EQ(RegisterModule(m_module), SELFREG_E_TYPELIB);
}

}  // namespace
}  // namespace tavlen::ole
