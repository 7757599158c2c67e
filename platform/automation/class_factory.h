// The module side of object creation: class factories and the DllGetClassObject dispatch over them.
#pragma once

#include <atomic>
#include <new>
#include <span>

#include "platform/automation/com_object.h"
#include "platform/automation/entry_guard.h"
#include "platform/automation/module_state.h"
#include "platform/automation/unknown.h"

namespace tavlen::ole {

using CreateInstanceFn = HRESULT (*)(IUnknown* outer, const IID& iid, void** object);

// Creates a T (a ComObject) from the constant arguments `Args` and queries it for `iid`; aggregation is
// refused. Two factories can so make one class in two configurations.
template <class T, auto... Args>
HRESULT CreateInstanceOf(IUnknown* outer, const IID& iid, void** object) {
  if (!object) return E_POINTER;
  *object = nullptr;
  if (outer) return CLASS_E_NOAGGREGATION;
  ComPtr<T> instance = MakeObject<T>(Args...);
  if (!instance) return E_OUTOFMEMORY;
  return instance->QueryInterface(iid, object);
}

// A factory that lives as a static object of its module. Its references count as server locks, so
// the module stays loaded while a host holds the factory.
class ClassFactory final : public IClassFactory {
 public:
  constexpr ClassFactory(const CLSID& clsid, CreateInstanceFn create) : m_clsid(clsid), m_create(create) {}

  const CLSID& Clsid() const { return m_clsid; }

  HRESULT QueryInterface(const IID& iid, void** object) override {
    if (!object) return E_POINTER;
    *object = nullptr;
    if (!InterfaceChainHas<IClassFactory>(iid)) return E_NOINTERFACE;
    *object = static_cast<IClassFactory*>(this);
    AddRef();
    return S_OK;
  }
  ULONG AddRef() override {
    ModuleState::LockServer();
    return ++m_refs;
  }
  ULONG Release() override {
    ULONG left = --m_refs;
    ModuleState::UnlockServer();
    return left;
  }
  // E_OUTOFMEMORY, `*object` null, when the object's construction ran out of memory.
  HRESULT CreateInstance(IUnknown* outer, const IID& iid, void** object) override {
    const HRESULT hr = GuardedEntry([&] { return m_create(outer, iid, object); });
    if (FAILED(hr) && object) *object = nullptr;
    return hr;
  }
  HRESULT LockServer(BOOL lock) override {
    if (lock)
      ModuleState::LockServer();
    else
      ModuleState::UnlockServer();
    return S_OK;
  }

 private:
  CLSID m_clsid;
  CreateInstanceFn m_create;
  std::atomic<ULONG> m_refs{0};
};

// DllGetClassObject over a module's factories: CLASS_E_CLASSNOTAVAILABLE for a class none of them makes.
inline HRESULT GetClassObjectFrom(std::span<ClassFactory* const> factories, const CLSID& clsid, const IID& iid,
                                  void** object) {
  if (!object) return E_POINTER;
  *object = nullptr;
  for (ClassFactory* factory : factories) {
    if (factory->Clsid() == clsid) return factory->QueryInterface(iid, object);
  }
  return CLASS_E_CLASSNOTAVAILABLE;
}

}  // namespace tavlen::ole
