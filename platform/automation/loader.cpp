// The module cache: dlopen, the exports, idle notification and unloading.
#include "platform/automation/loader.h"

#include <dlfcn.h>
#include <sys/stat.h>

#include <atomic>
#include <climits>
#include <cstdlib>
#include <map>
#include <memory>
#include <mutex>

#include "platform/automation/registration.h"

namespace tavlen::ole {

namespace {

using SetIdleCallbackFn = void (*)(ModuleIdleCallback, void*);

struct Module {
  std::string path;
  void* handle = nullptr;
  DllGetClassObjectFn getClassObject = nullptr;
  DllCanUnloadNowFn canUnloadNow = nullptr;
  std::atomic<bool> idle{false};
};

thread_local std::string t_lastError;

std::mutex& CacheMutex() {
  static std::mutex mutex;
  return mutex;
}

// Keyed by resolved path; entries live until unloaded.
std::map<std::string, std::unique_ptr<Module>>& Cache() {
  static auto* cache = new std::map<std::string, std::unique_ptr<Module>>();  // outlives static destructors
  return *cache;
}

std::atomic<bool> g_anyIdle{false};

// Runs inside the module, from the Release that ended its last object: only marks the module.
void OnModuleIdle(void* context) {
  static_cast<Module*>(context)->idle.store(true);
  g_anyIdle.store(true);
}

std::string Resolve(const std::string& path) {
  char resolved[PATH_MAX];
  return ::realpath(path.c_str(), resolved) ? std::string(resolved) : path;
}

// Unloads modules that agree; `all` asks every module, otherwise only those marked idle. Cache lock held.
void FreeModulesLocked(bool all) {
  g_anyIdle.store(false);
  auto& cache = Cache();
  for (auto it = cache.begin(); it != cache.end();) {
    Module& module = *it->second;
    bool ask = all || module.idle.exchange(false);
    if (ask && module.canUnloadNow && module.canUnloadNow() == S_OK) {
      ::dlclose(module.handle);
      it = cache.erase(it);
    } else {
      ++it;
    }
  }
}

void FreeIdleModules() {
  if (!g_anyIdle.load()) return;
  std::lock_guard<std::mutex> lock(CacheMutex());
  FreeModulesLocked(false);
}

// Loads (or finds) a module. Cache lock held.
HRESULT LoadModuleLocked(const std::string& path, Module** out) {
  *out = nullptr;
  std::string key = Resolve(path);
  auto found = Cache().find(key);
  if (found != Cache().end()) {
    *out = found->second.get();
    return S_OK;
  }
  struct stat st;
  if (::stat(path.c_str(), &st) != 0) {
    t_lastError = path + ": no such module";
    return CO_E_DLLNOTFOUND;
  }
  ::dlerror();
  void* handle = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!handle) {
    const char* why = ::dlerror();
    t_lastError = why ? why : path + ": cannot be loaded";
    return CO_E_ERRORINDLL;
  }
  auto module = std::make_unique<Module>();
  module->path = key;
  module->handle = handle;
  module->getClassObject = reinterpret_cast<DllGetClassObjectFn>(::dlsym(handle, "DllGetClassObject"));
  module->canUnloadNow = reinterpret_cast<DllCanUnloadNowFn>(::dlsym(handle, "DllCanUnloadNow"));
  if (auto setIdle = reinterpret_cast<SetIdleCallbackFn>(::dlsym(handle, "TavlenSetModuleIdleCallback"))) {
    setIdle(&OnModuleIdle, module.get());
  }
  *out = module.get();
  Cache().emplace(key, std::move(module));
  // From now on, dropping the last reference to any object is a moment to look for idle modules.
  SetFinalReleaseHook(&FreeIdleModules);
  return S_OK;
}

// Resolves one export of a loaded (or newly loaded) module, without keeping a cache lock during the call.
template <class Fn>
HRESULT ModuleExport(const std::string& path, const char* name, Fn* fn) {
  *fn = nullptr;
  std::lock_guard<std::mutex> lock(CacheMutex());
  FreeModulesLocked(false);
  Module* module = nullptr;
  HRESULT hr = LoadModuleLocked(path, &module);
  if (FAILED(hr)) return hr;
  *fn = reinterpret_cast<Fn>(::dlsym(module->handle, name));
  if (!*fn) {
    t_lastError = module->path + ": does not export " + name;
    return CO_E_ERRORINDLL;
  }
  return S_OK;
}

}  // namespace

std::string LastLoadError() { return t_lastError; }

HRESULT CoGetClassObject(const Registry& registry, const CLSID& clsid, const IID& iid, void** object) {
  if (!object) return E_POINTER;
  *object = nullptr;
  t_lastError.clear();
  std::string path;
  HRESULT hr = InprocServerOfClass(registry, clsid, &path);
  if (FAILED(hr)) {
    t_lastError =
        FormatGuid(clsid) + ": " + (hr == REGDB_E_CLASSNOTREG ? "class not registered" : "registry unreadable");
    return hr;
  }
  DllGetClassObjectFn getClassObject = nullptr;
  hr = ModuleExport(path, "DllGetClassObject", &getClassObject);
  if (FAILED(hr)) return hr;
  hr = getClassObject(clsid, iid, object);
  if (FAILED(hr)) {
    *object = nullptr;
    t_lastError = path + ": DllGetClassObject failed for " + FormatGuid(clsid);
  }
  return hr;
}

HRESULT CoCreateInstance(const Registry& registry, const CLSID& clsid, IUnknown* outer, const IID& iid, void** object) {
  if (!object) return E_POINTER;
  *object = nullptr;
  ComPtr<IClassFactory> factory;
  HRESULT hr = CoGetClassObject(registry, clsid, IID_IClassFactory, factory.PutVoid());
  if (FAILED(hr)) return hr;
  hr = factory->CreateInstance(outer, iid, object);
  if (FAILED(hr)) *object = nullptr;
  return hr;
}

HRESULT CoCreateInstance(const CLSID& clsid, IUnknown* outer, const IID& iid, void** object) {
  return CoCreateInstance(Registry::Default(), clsid, outer, iid, object);
}

HRESULT CreateObject(const Registry& registry, std::string_view progIdOrClsid, const IID& iid, void** object) {
  if (!object) return E_POINTER;
  *object = nullptr;
  t_lastError.clear();
  CLSID clsid;
  HRESULT hr = CLSIDFromProgIDOrString(registry, progIdOrClsid, &clsid);
  if (FAILED(hr)) {
    const char* why = hr == CO_E_CLASSSTRING      ? "malformed class identifier"
                      : hr == REGDB_E_CLASSNOTREG ? "class not registered"
                                                  : "registry unreadable";
    t_lastError = std::string(progIdOrClsid) + ": " + why;
    return hr;
  }
  return CoCreateInstance(registry, clsid, nullptr, iid, object);
}

HRESULT CreateObject(std::string_view progIdOrClsid, const IID& iid, void** object) {
  return CreateObject(Registry::Default(), progIdOrClsid, iid, object);
}

HRESULT LoadTypeLibFromModule(const std::string& modulePath, ITypeLib** lib) {
  if (!lib) return E_POINTER;
  *lib = nullptr;
  t_lastError.clear();
  DllGetTypeLibFn getTypeLib = nullptr;
  if (FAILED(ModuleExport(modulePath, "DllGetTypeLib", &getTypeLib))) return TYPE_E_CANTLOADLIBRARY;
  HRESULT hr = getTypeLib(lib);
  if (FAILED(hr) || !*lib) {
    *lib = nullptr;
    t_lastError = modulePath + ": DllGetTypeLib failed";
    return TYPE_E_CANTLOADLIBRARY;
  }
  return S_OK;
}

HRESULT LoadRegTypeLib(const Registry& registry, const GUID& libid, uint16_t major, uint16_t minor, LCID lcid,
                       ITypeLib** lib) {
  if (!lib) return E_POINTER;
  *lib = nullptr;
  std::string path;
  HRESULT hr = QueryPathOfRegTypeLib(registry, libid, major, minor, lcid, &path);
  if (FAILED(hr)) return hr;
  return LoadTypeLibFromModule(path, lib);
}

HRESULT LoadRegTypeLib(const GUID& libid, uint16_t major, uint16_t minor, LCID lcid, ITypeLib** lib) {
  return LoadRegTypeLib(Registry::Default(), libid, major, minor, lcid, lib);
}

HRESULT RegisterModule(const std::string& modulePath) {
  t_lastError.clear();
  DllRegisterServerFn entry = nullptr;
  HRESULT hr = ModuleExport(modulePath, "DllRegisterServer", &entry);
  if (FAILED(hr)) return hr;
  hr = entry();
  // Registration creates no objects, so the module never reports falling idle: ask now.
  CoFreeUnusedLibraries();
  return hr;
}

HRESULT UnregisterModule(const std::string& modulePath) {
  t_lastError.clear();
  DllUnregisterServerFn entry = nullptr;
  HRESULT hr = ModuleExport(modulePath, "DllUnregisterServer", &entry);
  if (FAILED(hr)) return hr;
  hr = entry();
  // Registration creates no objects, so the module never reports falling idle: ask now.
  CoFreeUnusedLibraries();
  return hr;
}

void CoFreeUnusedLibraries() {
  std::lock_guard<std::mutex> lock(CacheMutex());
  FreeModulesLocked(true);
}

size_t LoadedModuleCount() {
  std::lock_guard<std::mutex> lock(CacheMutex());
  return Cache().size();
}

bool IsModuleLoaded(const std::string& modulePath) {
  std::lock_guard<std::mutex> lock(CacheMutex());
  return Cache().count(Resolve(modulePath)) != 0;
}

}  // namespace tavlen::ole
