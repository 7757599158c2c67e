// Reading a control's type description: its dispatch interface, its class, and the class's event source.
#include "hosts/common/control_description.h"

#include <algorithm>
#include <cstdlib>
#include <optional>

#include "platform/automation/loader.h"
#include "platform/automation/ole_object.h"
#include "platform/automation/registry.h"

namespace tavlen::host {

namespace {

// Member names compare as automation compares them: ASCII letters without regard to case.
bool SameName(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    auto fold = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
    if (fold(a[i]) != fold(b[i])) return false;
  }
  return true;
}

template <class Entry, class Match>
const Entry* FindIn(const std::vector<Entry>& entries, Match match) {
  auto found = std::find_if(entries.begin(), entries.end(), match);
  return found == entries.end() ? nullptr : &*found;
}

void ReadMembers(ole::ITypeInfo* info, ControlDescription* description) {
  ole::TypeAttr attr;
  if (ole::FAILED(info->GetTypeAttr(&attr))) return;
  (void)info->GetDocumentation(ole::MEMBERID_NIL, &description->interfaceName, &description->help, nullptr);
  for (uint32_t i = 0; i < attr.funcCount; ++i) {
    ole::FuncDesc func;
    if (ole::FAILED(info->GetFuncDesc(i, &func))) continue;
    bool put = func.invokeKind == ole::INVOKE_PROPERTYPUT || func.invokeKind == ole::INVOKE_PROPERTYPUTREF;
    // A property described by accessor functions is one member, writable when it has a put accessor.
    if (func.invokeKind != ole::INVOKE_FUNC) {
      auto known = std::find_if(description->members.begin(), description->members.end(),
                                [&](const MemberDescription& m) { return m.dispid == func.memid; });
      if (known != description->members.end()) {
        if (put) known->readOnly = false;
        continue;
      }
    }
    MemberDescription member;
    member.name = std::move(func.name);
    member.dispid = func.memid;
    member.help = std::move(func.help);
    if (func.invokeKind == ole::INVOKE_FUNC) {
      member.params = std::move(func.params);
      member.type = std::move(func.result);
    } else {
      member.kind = MemberKind::Property;
      member.readOnly = !put;
      member.type = put && !func.params.empty() ? func.params.back().type : func.result;
    }
    description->members.push_back(std::move(member));
  }
  for (uint32_t i = 0; i < attr.varCount; ++i) {
    ole::VarDesc var;
    if (ole::FAILED(info->GetVarDesc(i, &var))) continue;
    MemberDescription member;
    member.name = var.name;
    member.dispid = var.memid;
    member.kind = MemberKind::Property;
    member.readOnly = (var.flags & ole::VARFLAG_FREADONLY) != 0;
    member.type = std::move(var.type);
    member.help = std::move(var.help);
    description->members.push_back(std::move(member));
  }
}

// The type library registered for a class (CLSID\{clsid}\TypeLib, any minor version of \Version's major).
ole::ComPtr<ole::ITypeLib> RegisteredTypeLib(const ole::CLSID& clsid) {
  ole::RegistryData data;
  if (ole::FAILED(ole::Registry::Default().Load(&data))) return nullptr;
  std::string classKey = "CLSID\\" + ole::FormatGuid(clsid);
  std::optional<std::string> libText = data.GetValue(classKey + "\\TypeLib");
  std::optional<ole::GUID> libid = libText ? ole::ParseGuid(*libText) : std::nullopt;
  if (!libid) return nullptr;
  uint16_t major = 1;
  if (std::optional<std::string> version = data.GetValue(classKey + "\\Version")) {
    major = static_cast<uint16_t>(std::strtoul(version->c_str(), nullptr, 16));
  }
  ole::ComPtr<ole::ITypeLib> lib;
  if (ole::FAILED(ole::LoadRegTypeLib(*libid, major, 0, 0, lib.Put()))) return nullptr;
  return lib;
}

}  // namespace

const MemberDescription* ControlDescription::FindMember(const std::string& name) const {
  return FindIn(members, [&](const MemberDescription& member) { return SameName(member.name, name); });
}

const MemberDescription* ControlDescription::FindMember(ole::DISPID dispid) const {
  return FindIn(members, [&](const MemberDescription& member) { return member.dispid == dispid; });
}

const EventDescription* ControlDescription::FindEvent(const std::string& name) const {
  return FindIn(events, [&](const EventDescription& event) { return SameName(event.name, name); });
}

const EventDescription* ControlDescription::FindEvent(ole::DISPID dispid) const {
  return FindIn(events, [&](const EventDescription& event) { return event.dispid == dispid; });
}

std::vector<EventDescription> DescribeEvents(ole::ITypeInfo* info) {
  std::vector<EventDescription> events;
  ole::TypeAttr attr;
  if (!info || ole::FAILED(info->GetTypeAttr(&attr))) return events;
  for (uint32_t i = 0; i < attr.funcCount; ++i) {
    ole::FuncDesc func;
    if (ole::SUCCEEDED(info->GetFuncDesc(i, &func))) events.push_back({func.name, func.memid, std::move(func.params)});
  }
  return events;
}

ControlDescription DescribeObject(ole::IDispatch* object, const ole::CLSID* clsid) {
  ControlDescription description;
  if (!object) return description;
  ole::ComPtr<ole::ITypeInfo> dispatchInfo;
  uint32_t count = 0;
  if (ole::SUCCEEDED(object->GetTypeInfoCount(&count)) && count > 0) {
    (void)object->GetTypeInfo(0, ole::LOCALE_USER_DEFAULT, dispatchInfo.Put());
  }
  ole::ComPtr<ole::ITypeLib> lib;
  uint32_t index = 0;
  if (dispatchInfo) (void)dispatchInfo->GetContainingTypeLib(lib.Put(), &index);
  ole::ComPtr<ole::ITypeInfo> classInfo;
  ole::ComPtr<ole::IProvideClassInfo> provide;
  if (ole::SUCCEEDED(object->QueryInterface(ole::IID_IProvideClassInfo, provide.PutVoid())) &&
      ole::SUCCEEDED(provide->GetClassInfo(classInfo.Put())) && !lib) {
    (void)classInfo->GetContainingTypeLib(lib.Put(), &index);
  }
  if (!lib && clsid) lib = RegisteredTypeLib(*clsid);
  if (!classInfo && lib && clsid) (void)lib->GetTypeInfoOfGuid(*clsid, classInfo.Put());

  ole::ComPtr<ole::ITypeInfo> eventInfo;
  ole::TypeAttr classAttr;
  if (classInfo && ole::SUCCEEDED(classInfo->GetTypeAttr(&classAttr)) && classAttr.kind == ole::TKIND_COCLASS) {
    for (uint32_t i = 0; i < classAttr.implTypeCount; ++i) {
      int32_t flags = 0;
      ole::ComPtr<ole::ITypeInfo> implemented;
      if (ole::FAILED(classInfo->GetImplType(i, &flags, implemented.Put()))) continue;
      if (!(flags & ole::IMPLTYPEFLAG_FDEFAULT)) continue;
      if (flags & ole::IMPLTYPEFLAG_FSOURCE) {
        eventInfo = implemented;
      } else if (!dispatchInfo) {
        dispatchInfo = implemented;
      }
    }
  }
  if (dispatchInfo) {
    ReadMembers(dispatchInfo.Get(), &description);
    description.described = true;
  }
  description.events = DescribeEvents(eventInfo.Get());
  description.typeLib = lib;
  return description;
}

std::string TypeName(const ole::ElemType& type) {
  if (!type.name.empty()) return type.name;
  return ole::VarTypeIdlName(type.vt);
}

}  // namespace tavlen::host
