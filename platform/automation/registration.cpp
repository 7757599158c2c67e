// Registry entries of classes and type libraries, and the lookups that find them again.
#include "platform/automation/registration.h"

#include <dlfcn.h>

#include <cstdio>
#include <cstdlib>
#include <vector>

#include "platform/automation/com_ptr.h"

namespace tavlen::ole {

namespace {

// The standard marshaller for dispatch interfaces, which desktop registrations name.
constexpr const char* kDispatchProxyStub = "{00020420-0000-0000-C000-000000000046}";

std::string VersionText(uint16_t major, uint16_t minor) {
  char text[16];
  std::snprintf(text, sizeof text, "%x.%x", major, minor);
  return text;
}

std::string LcidText(LCID lcid) {
  char text[16];
  std::snprintf(text, sizeof text, "%x", lcid);
  return text;
}

const char* ThreadingText(ThreadingModel model) {
  switch (model) {
    case ThreadingModel::Apartment:
      return "Apartment";
    case ThreadingModel::Free:
      return "Free";
    case ThreadingModel::Both:
      return "Both";
    case ThreadingModel::None:
      break;
  }
  return nullptr;
}

std::string FolderOf(std::string_view path) {
  size_t slash = path.find_last_of('/');
  return slash == std::string_view::npos ? std::string(".") : std::string(path.substr(0, slash == 0 ? 1 : slash));
}

bool ParseVersion(std::string_view text, uint16_t* major, uint16_t* minor) {
  unsigned maj = 0, min = 0;
  char tail = 0;
  std::string s(text);
  if (std::sscanf(s.c_str(), "%x.%x%c", &maj, &min, &tail) != 2 || maj > 0xFFFF || min > 0xFFFF) return false;
  *major = static_cast<uint16_t>(maj);
  *minor = static_cast<uint16_t>(min);
  return true;
}

// Applies edits in order and stops at the first failure.
class Edits {
 public:
  explicit Edits(RegistryData& data) : m_data(data) {}
  void Set(const std::string& key, std::string_view name, std::string_view value) {
    if (SUCCEEDED(m_hr)) m_hr = m_data.SetValue(key, name, value);
  }
  void Key(const std::string& key) {
    if (SUCCEEDED(m_hr)) m_hr = m_data.CreateKey(key);
  }
  HRESULT Result() const { return m_hr; }

 private:
  RegistryData& m_data;
  HRESULT m_hr = S_OK;
};

}  // namespace

HRESULT RegisterClass(Registry& registry, const ClassRegistration& info) {
  if (info.modulePath.empty()) return E_INVALIDARG;
  std::string clsidText = FormatGuid(info.clsid);
  std::string classKey = "CLSID\\" + clsidText;
  if (!info.progId.empty() && !RegistryData::ValidKey(info.progId)) return E_INVALIDARG;
  const std::string& current = info.versionIndependentProgId;
  if (!current.empty() && (info.progId.empty() || !RegistryData::ValidKey(current))) return E_INVALIDARG;
  return registry.Update([&](RegistryData& data) {
    data.DeleteTree(classKey);
    Edits edits(data);
    edits.Set(classKey, "", info.typeName);
    std::string server = classKey + "\\InprocServer32";
    edits.Set(server, "", info.modulePath);
    if (const char* threading = ThreadingText(info.threading)) edits.Set(server, "ThreadingModel", threading);
    if (!info.progId.empty()) {
      edits.Set(classKey + "\\ProgID", "", info.progId);
      data.DeleteTree(info.progId);
      edits.Set(info.progId, "", info.typeName);
      edits.Set(info.progId + "\\CLSID", "", clsidText);
    }
    if (!current.empty()) {
      edits.Set(classKey + "\\VersionIndependentProgID", "", current);
      data.DeleteTree(current);
      edits.Set(current, "", info.typeName);
      edits.Set(current + "\\CLSID", "", clsidText);
      edits.Set(current + "\\CurVer", "", info.progId);
    }
    if (info.control) edits.Key(classKey + "\\Control");
    if (info.insertable) edits.Key(classKey + "\\Insertable");
    if (info.miscStatus) {
      edits.Set(classKey + "\\MiscStatus", "", "0");
      edits.Set(classKey + "\\MiscStatus\\1", "", std::to_string(*info.miscStatus));
    }
    if (info.toolboxBitmap != 0) {
      edits.Set(classKey + "\\ToolboxBitmap32", "", info.modulePath + ", " + std::to_string(info.toolboxBitmap));
    }
    if (info.libid) {
      edits.Set(classKey + "\\TypeLib", "", FormatGuid(*info.libid));
      edits.Set(classKey + "\\Version", "", VersionText(info.majorVersion, info.minorVersion));
    }
    return edits.Result();
  });
}

HRESULT UnregisterClass(Registry& registry, const CLSID& clsid, std::string_view progId) {
  std::string clsidText = FormatGuid(clsid);
  return registry.Update([&](RegistryData& data) {
    std::string classKey = "CLSID\\" + clsidText;
    const std::string current = data.GetValue(classKey + "\\VersionIndependentProgID").value_or("");
    size_t removed = data.DeleteTree(classKey);
    data.RemoveEmptyParents(classKey);
    // A ProgID is removed only while it still names this class: another class may have taken it.
    for (std::string_view name : {progId, std::string_view(current)}) {
      if (name.empty() || !RegistryData::ValidKey(name)) continue;
      std::optional<std::string> owner = data.GetValue(std::string(name) + "\\CLSID");
      std::optional<GUID> ownerId = owner ? ParseGuid(*owner) : std::nullopt;
      if (ownerId && *ownerId == clsid) {
        removed += data.DeleteTree(name);
        data.RemoveEmptyParents(name);
      }
    }
    return removed ? S_OK : S_FALSE;
  });
}

HRESULT RegisterTypeLib(Registry& registry, ITypeLib* lib, std::string_view modulePath, std::string_view helpDir) {
  if (!lib) return E_POINTER;
  if (modulePath.empty()) return E_INVALIDARG;
  LibAttr attr;
  HRESULT hr = lib->GetLibAttr(&attr);
  if (FAILED(hr)) return hr;
  std::string name, help;
  hr = lib->GetDocumentation(-1, &name, &help, nullptr);
  if (FAILED(hr)) return hr;
  std::string libidText = FormatGuid(attr.guid);
  std::string version = VersionText(attr.majorVersion, attr.minorVersion);

  // Collect the interfaces before taking the registry lock.
  struct InterfaceEntry {
    std::string iid;
    std::string name;
  };
  std::vector<InterfaceEntry> interfaces;
  for (uint32_t i = 0; i < lib->GetTypeInfoCount(); ++i) {
    ComPtr<ITypeInfo> info;
    hr = lib->GetTypeInfo(i, info.Put());
    if (FAILED(hr)) return hr;
    TypeAttr typeAttr;
    hr = info->GetTypeAttr(&typeAttr);
    if (FAILED(hr)) return hr;
    if (typeAttr.kind != TKIND_DISPATCH) continue;
    std::string interfaceName;
    hr = info->GetDocumentation(MEMBERID_NIL, &interfaceName, nullptr, nullptr);
    if (FAILED(hr)) return hr;
    interfaces.push_back({FormatGuid(typeAttr.guid), interfaceName});
  }

  return registry.Update([&](RegistryData& data) {
    Edits edits(data);
    std::string versionKey = "TypeLib\\" + libidText + "\\" + version;
    edits.Set(versionKey, "", help.empty() ? name : help);
    edits.Set(versionKey + "\\" + LcidText(attr.lcid) + "\\linux", "", modulePath);
    edits.Set(versionKey + "\\FLAGS", "", std::to_string(attr.flags));
    edits.Set(versionKey + "\\HELPDIR", "", helpDir.empty() ? FolderOf(modulePath) : std::string(helpDir));
    for (const InterfaceEntry& entry : interfaces) {
      std::string key = "Interface\\" + entry.iid;
      data.DeleteTree(key);
      edits.Set(key, "", entry.name);
      edits.Set(key + "\\ProxyStubClsid32", "", kDispatchProxyStub);
      edits.Set(key + "\\TypeLib", "", libidText);
      edits.Set(key + "\\TypeLib", "Version", version);
    }
    return edits.Result();
  });
}

HRESULT UnregisterTypeLib(Registry& registry, const GUID& libid, uint16_t major, uint16_t minor, LCID lcid) {
  std::string libidText = FormatGuid(libid);
  std::string version = VersionText(major, minor);
  std::string libKey = "TypeLib\\" + libidText;
  std::string versionKey = libKey + "\\" + version;
  return registry.Update([&](RegistryData& data) {
    if (!data.HasKey(versionKey)) return S_FALSE;
    // Interfaces that this library version registered.
    for (const std::string& iid : data.SubKeys("Interface")) {
      std::string key = "Interface\\" + iid + "\\TypeLib";
      std::optional<std::string> owner = data.GetValue(key);
      std::optional<std::string> ownerVersion = data.GetValue(key, "Version");
      std::optional<GUID> ownerId = owner ? ParseGuid(*owner) : std::nullopt;
      if (ownerId && *ownerId == libid && ownerVersion && *ownerVersion == version) {
        data.DeleteTree("Interface\\" + iid);
        data.RemoveEmptyParents("Interface\\" + iid);
      }
    }
    data.DeleteTree(versionKey + "\\" + LcidText(lcid));
    bool otherLocale = false;
    for (const std::string& sub : data.SubKeys(versionKey)) {
      if (sub != "FLAGS" && sub != "HELPDIR") otherLocale = true;
    }
    if (!otherLocale) data.DeleteTree(versionKey);
    data.RemoveEmptyParents(versionKey + "\\" + LcidText(lcid));
    return S_OK;
  });
}

HRESULT QueryPathOfRegTypeLib(const Registry& registry, const GUID& libid, uint16_t major, uint16_t minor, LCID lcid,
                              std::string* path) {
  if (!path) return E_POINTER;
  path->clear();
  RegistryData data;
  HRESULT hr = registry.Load(&data);
  if (FAILED(hr)) return hr;
  std::string libKey = "TypeLib\\" + FormatGuid(libid);
  std::string best;
  uint16_t bestMinor = 0;
  for (const std::string& sub : data.SubKeys(libKey)) {
    uint16_t maj = 0, min = 0;
    if (!ParseVersion(sub, &maj, &min) || maj != major || min < minor) continue;
    if (best.empty() || min > bestMinor) {
      best = sub;
      bestMinor = min;
    }
  }
  if (best.empty()) return TYPE_E_LIBNOTREGISTERED;
  std::string versionKey = libKey + "\\" + best;
  std::vector<std::string> locales = {LcidText(lcid), LcidText(lcid & 0x3FF), "0"};
  for (const std::string& sub : data.SubKeys(versionKey)) locales.push_back(sub);
  for (const std::string& locale : locales) {
    if (std::optional<std::string> found = data.GetValue(versionKey + "\\" + locale + "\\linux")) {
      if (found->empty()) continue;
      *path = *found;
      return S_OK;
    }
  }
  return TYPE_E_LIBNOTREGISTERED;
}

HRESULT CLSIDFromString(std::string_view text, CLSID* clsid) {
  if (!clsid) return E_POINTER;
  std::optional<GUID> parsed = ParseGuid(text);
  if (!parsed) return CO_E_CLASSSTRING;
  *clsid = *parsed;
  return S_OK;
}

HRESULT CLSIDFromProgID(const Registry& registry, std::string_view progId, CLSID* clsid) {
  if (!clsid) return E_POINTER;
  if (!RegistryData::ValidKey(progId) || progId.find('\\') != std::string_view::npos) return REGDB_E_CLASSNOTREG;
  RegistryData data;
  HRESULT hr = registry.Load(&data);
  if (FAILED(hr)) return hr;
  std::optional<std::string> text = data.GetValue(std::string(progId) + "\\CLSID");
  std::optional<GUID> parsed = text ? ParseGuid(*text) : std::nullopt;
  if (!parsed) return REGDB_E_CLASSNOTREG;
  *clsid = *parsed;
  return S_OK;
}

HRESULT CLSIDFromProgIDOrString(const Registry& registry, std::string_view text, CLSID* clsid) {
  if (!text.empty() && text.front() == '{') return CLSIDFromString(text, clsid);
  return CLSIDFromProgID(registry, text, clsid);
}

HRESULT InprocServerOfClass(const Registry& registry, const CLSID& clsid, std::string* path) {
  if (!path) return E_POINTER;
  path->clear();
  RegistryData data;
  HRESULT hr = registry.Load(&data);
  if (FAILED(hr)) return hr;
  std::optional<std::string> found = data.GetValue("CLSID\\" + FormatGuid(clsid) + "\\InprocServer32");
  if (!found || found->empty()) return REGDB_E_CLASSNOTREG;
  *path = *found;
  return S_OK;
}

std::string ThisModulePath() {
  Dl_info info{};
  if (::dladdr(reinterpret_cast<const void*>(&ThisModulePath), &info) == 0 || !info.dli_fname) return {};
  char resolved[4096];
  if (::realpath(info.dli_fname, resolved)) return resolved;
  return info.dli_fname;
}

}  // namespace tavlen::ole
