// Creating objects from registered modules: find the class in the registry, load its module with
// dlopen, ask its class factory for an instance; unload modules that report they are no longer used.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "platform/automation/com_ptr.h"
#include "platform/automation/registry.h"
#include "platform/automation/type_info.h"
#include "platform/automation/unknown.h"

namespace tavlen::ole {

// The exports a module offers, with the in-process server signatures.
using DllGetClassObjectFn = HRESULT (*)(const CLSID& clsid, const IID& iid, void** object);
using DllCanUnloadNowFn = HRESULT (*)();
using DllRegisterServerFn = HRESULT (*)();
using DllUnregisterServerFn = HRESULT (*)();
// The type library a module carries (its resource).
using DllGetTypeLibFn = HRESULT (*)(ITypeLib** lib);

// The class factory of a registered class. REGDB_E_CLASSNOTREG when the class is not registered,
// CO_E_DLLNOTFOUND when its module file is missing, CO_E_ERRORINDLL when dlopen fails or the module
// lacks DllGetClassObject (LastLoadError() then says why), else what DllGetClassObject returns
// (CLASS_E_CLASSNOTAVAILABLE for a class the module does not serve). REGDB_E_READREGDB for a damaged registry.
HRESULT CoGetClassObject(const Registry& registry, const CLSID& clsid, const IID& iid, void** object);

// A new instance of a registered class, through its factory; QueryInterface for `iid`.
HRESULT CoCreateInstance(const Registry& registry, const CLSID& clsid, IUnknown* outer, const IID& iid, void** object);
HRESULT CoCreateInstance(const CLSID& clsid, IUnknown* outer, const IID& iid, void** object);

// By ProgID or "{class identifier}" text (CO_E_CLASSSTRING when the braced text is malformed).
HRESULT CreateObject(const Registry& registry, std::string_view progIdOrClsid, const IID& iid, void** object);
HRESULT CreateObject(std::string_view progIdOrClsid, const IID& iid, void** object);

template <class T>
HRESULT CreateObject(std::string_view progIdOrClsid, ComPtr<T>* object) {
  if (!object) return E_POINTER;
  return CreateObject(progIdOrClsid, T::kIid, object->PutVoid());
}

// The type library a module carries (its DllGetTypeLib export): TYPE_E_CANTLOADLIBRARY when the
// module cannot be loaded or carries none.
HRESULT LoadTypeLibFromModule(const std::string& modulePath, ITypeLib** lib);
// The registered library of that version (see QueryPathOfRegTypeLib), loaded from its module.
HRESULT LoadRegTypeLib(const Registry& registry, const GUID& libid, uint16_t major, uint16_t minor, LCID lcid,
                       ITypeLib** lib);
HRESULT LoadRegTypeLib(const GUID& libid, uint16_t major, uint16_t minor, LCID lcid, ITypeLib** lib);

// Calls a module's DllRegisterServer or DllUnregisterServer: CO_E_DLLNOTFOUND / CO_E_ERRORINDLL when the
// module cannot be loaded or lacks the export, else what the export returns.
HRESULT RegisterModule(const std::string& modulePath);
HRESULT UnregisterModule(const std::string& modulePath);

// Why the last load on this thread failed (dlerror's text, or which export was missing); empty after success.
std::string LastLoadError();

// Unloading never runs inside a module's own code: a module only marks itself idle from the Release
// that ended its last object, and the host side acts on the mark afterwards.
// Asks every loaded module DllCanUnloadNow and unloads those that answer S_OK. The loader also does this
// by itself whenever a ComPtr drops the last reference to an object and a module has reported that it
// fell idle, and before it loads anything.
void CoFreeUnusedLibraries();

// Modules currently loaded by the loader, for diagnostics and tests.
size_t LoadedModuleCount();
bool IsModuleLoaded(const std::string& modulePath);

}  // namespace tavlen::ole
