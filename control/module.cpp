// The module Tavlen.ocx: its module object, the class factories of both versions of the control and of
// the property page, self-registration, and the in-process server exports.
#include "control/class_ids.h"
#include "control/prop_page.h"
#include "control/resources.h"
#include "control/tavlen_library.h"
#include "control/tavlen_object.h"
#include "platform/automation/class_factory.h"
#include "platform/automation/entry_guard.h"
#include "platform/automation/registration.h"

namespace tavlen {

namespace {

// The property page as an object of its own: what the page's factory makes for a property frame.
class CTavlenPropPageObject final : public ole::ComObject<ole::IUnknown> {
 public:
  const CTavlenPropPage& Page() const { return m_page; }

 private:
  CTavlenPropPage m_page;
};

// One factory of the module with its registry entry (the framework's UpdateRegistry).
struct FactoryEntry {
  ole::ClassFactory* factory;
  ole::HRESULT (*updateRegistry)(ole::Registry& registry, bool registering);
};

// Both versions register alike under their own class identifier and ProgID; the version-independent
// ProgID names version 2.
ole::HRESULT UpdateControlRegistry(ole::Registry& registry, bool registering, ControlVersion version) {
  const bool second = version == ControlVersion::Two;
  const ole::CLSID& clsid = second ? kTavlen2Clsid : kTavlenClsid;
  const char* progId = second ? kTavlen2ProgId : kTavlenProgId;
  if (!registering) return ole::UnregisterClass(registry, clsid, progId);
  ole::ClassRegistration info;
  info.clsid = clsid;
  info.progId = progId;
  if (second) info.versionIndependentProgId = kTavlenCurrentProgId;
  info.typeName = std::string(res::LoadString(res::IDS_TAVLEN)) + (second ? " 2" : "");
  info.modulePath = ole::ThisModulePath();
  info.threading = ole::ThreadingModel::Apartment;  // registration flags 2: apartment, not insertable
  info.control = true;
  info.insertable = false;
  info.miscStatus = 0x30191;
  info.toolboxBitmap = res::IDB_TAVLEN;
  info.libid = kTavlenLibId;
  info.majorVersion = kTavlenVersionMajor;
  info.minorVersion = kTavlenVersionMinor;
  return ole::RegisterClass(registry, info);
}

ole::HRESULT UpdateControl1Registry(ole::Registry& registry, bool registering) {
  return UpdateControlRegistry(registry, registering, ControlVersion::One);
}

ole::HRESULT UpdateControl2Registry(ole::Registry& registry, bool registering) {
  return UpdateControlRegistry(registry, registering, ControlVersion::Two);
}

// The page registers without ProgID and without threading model.
ole::HRESULT UpdatePropPageRegistry(ole::Registry& registry, bool registering) {
  if (!registering) return ole::UnregisterClass(registry, kTavlenPropPageClsid, "");
  ole::ClassRegistration info;
  info.clsid = kTavlenPropPageClsid;
  info.typeName = std::string(res::LoadString(res::IDS_TAVLEN_PPG));
  info.modulePath = ole::ThisModulePath();
  info.threading = ole::ThreadingModel::None;
  return ole::RegisterClass(registry, info);
}

// The module object. Every module carries its own copy of the object runtime, so its state is
// already this module's when an export runs: there is no state to switch to and back.
class CTavlenApp {
 public:
  // The type library first: when it fails no class is registered.
  ole::HRESULT RegisterServer(ole::Registry& registry) {
    const ole::RegistryData start = Snapshot(registry);
    ole::ComPtr<ole::ITypeLib> lib;
    if (ole::FAILED(ole::CreateTypeLib(TavlenTypeLib(), lib.Put())) ||
        ole::FAILED(ole::RegisterTypeLib(registry, lib.Get(), ole::ThisModulePath(), ""))) {
      return ole::SELFREG_E_TYPELIB;
    }
    m_typeLibChanged = !(Snapshot(registry) == start);
    return UpdateRegistryAll(registry, true) ? ole::S_OK : ole::SELFREG_E_CLASS;
  }

  // The type library first: when it fails the classes stay registered. The library is removed under
  // the locale it was registered with, which a lookup with locale 0 resolves to.
  ole::HRESULT UnregisterServer(ole::Registry& registry) {
    const ole::RegistryData start = Snapshot(registry);
    if (ole::FAILED(ole::UnregisterTypeLib(registry, kTavlenLibId, kTavlenVersionMajor, kTavlenVersionMinor,
                                           TavlenTypeLib().lcid))) {
      return ole::SELFREG_E_TYPELIB;
    }
    m_typeLibChanged = !(Snapshot(registry) == start);
    return UpdateRegistryAll(registry, false) ? ole::S_OK : ole::SELFREG_E_CLASS;
  }

  // Whether the last (un)registration's type library step changed the registry: when the one write
  // of a batched (un)registration fails, the failure is that step's if it changed anything, else the
  // classes'.
  bool TypeLibChanged() const { return m_typeLibChanged; }

  ole::HRESULT GetClassObject(const ole::CLSID& clsid, const ole::IID& iid, void** object) {
    ole::ClassFactory* const factories[] = {m_factories[0].factory, m_factories[1].factory, m_factories[2].factory};
    return ole::GetClassObjectFrom(factories, clsid, iid, object);
  }

 private:
  static ole::RegistryData Snapshot(const ole::Registry& registry) {
    ole::RegistryData data;
    (void)registry.Load(&data);
    return data;
  }

  // Every factory in turn; stops at the first that fails.
  bool UpdateRegistryAll(ole::Registry& registry, bool registering) {
    for (const FactoryEntry& entry : m_factories) {
      if (ole::FAILED(entry.updateRegistry(registry, registering))) return false;
    }
    return true;
  }

  // The factories are single-instance and live as long as the module. The control's two set its version.
  static inline constinit ole::ClassFactory s_controlFactory{
      kTavlenClsid, &ole::CreateInstanceOf<CTavlenObject, ControlVersion::One>};
  static inline constinit ole::ClassFactory s_control2Factory{
      kTavlen2Clsid, &ole::CreateInstanceOf<CTavlenObject, ControlVersion::Two>};
  static inline constinit ole::ClassFactory s_pageFactory{kTavlenPropPageClsid,
                                                          &ole::CreateInstanceOf<CTavlenPropPageObject>};
  FactoryEntry m_factories[3] = {{&s_controlFactory, &UpdateControl1Registry},
                                 {&s_control2Factory, &UpdateControl2Registry},
                                 {&s_pageFactory, &UpdatePropPageRegistry}};
  bool m_typeLibChanged = false;
};

CTavlenApp g_app;

}  // namespace

}  // namespace tavlen

using tavlen::g_app;
namespace ole = tavlen::ole;

namespace {

// The steps of a (un)registration as one change of the registry file, so that processes registering and
// unregistering at once leave the module wholly registered or wholly absent. A registry that cannot be
// read fails the first step, the type library's; one that cannot be written fails the first step that
// changed it.
ole::HRESULT AsOneChange(ole::HRESULT (tavlen::CTavlenApp::*steps)(ole::Registry&)) {
  ole::Registry registry = ole::Registry::Default();
  const ole::HRESULT hr = registry.Batch([&] { return (g_app.*steps)(registry); });
  if (hr == ole::REGDB_E_READREGDB) return ole::SELFREG_E_TYPELIB;
  if (hr == ole::REGDB_E_WRITEREGDB) return g_app.TypeLibChanged() ? ole::SELFREG_E_TYPELIB : ole::SELFREG_E_CLASS;
  return hr;
}

}  // namespace

// Every export runs behind the guard: registration and construction allocate, and no exception may reach
// the host that loaded the module.

TAVLEN_MODULE_EXPORT ole::HRESULT DllRegisterServer() {
  return ole::GuardedEntry([] { return AsOneChange(&tavlen::CTavlenApp::RegisterServer); });
}

TAVLEN_MODULE_EXPORT ole::HRESULT DllUnregisterServer() {
  return ole::GuardedEntry([] { return AsOneChange(&tavlen::CTavlenApp::UnregisterServer); });
}

TAVLEN_MODULE_EXPORT ole::HRESULT DllGetClassObject(const ole::CLSID& clsid, const ole::IID& iid, void** object) {
  return ole::GuardedEntry([&] { return g_app.GetClassObject(clsid, iid, object); });
}

TAVLEN_MODULE_EXPORT ole::HRESULT DllCanUnloadNow() { return ole::ModuleState::CanUnloadNow(); }

// The type library resource (TYPELIB 1).
TAVLEN_MODULE_EXPORT ole::HRESULT DllGetTypeLib(ole::ITypeLib** lib) {
  return ole::GuardedEntry([&] { return ole::CreateTypeLib(tavlen::TavlenTypeLib(), lib); });
}
