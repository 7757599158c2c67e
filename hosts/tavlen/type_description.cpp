// Type descriptions of controls: members told apart as methods and properties, and event names.
#include "hosts/tavlen/type_description.h"

#include <cstdlib>
#include <optional>

#include "platform/automation/loader.h"
#include "platform/automation/ole_object.h"
#include "platform/automation/registry.h"

namespace tavlen::host {

namespace {

// Methods and properties of a dispatch interface by DISPID.
void ReadMembers(ole::ITypeInfo* info, std::map<ole::DISPID, MemberKind>* members) {
  ole::TypeAttr attr;
  if (ole::FAILED(info->GetTypeAttr(&attr))) return;
  for (uint32_t i = 0; i < attr.funcCount; ++i) {
    ole::FuncDesc func;
    if (ole::FAILED(info->GetFuncDesc(i, &func))) continue;
    (*members)[func.memid] = func.invokeKind == ole::INVOKE_FUNC ? MemberKind::Method : MemberKind::Property;
  }
  for (uint32_t i = 0; i < attr.varCount; ++i) {
    ole::VarDesc var;
    if (ole::SUCCEEDED(info->GetVarDesc(i, &var))) (*members)[var.memid] = MemberKind::Property;
  }
}

// The type library registered for a class (CLSID\{clsid}\TypeLib and \Version).
ole::ComPtr<ole::ITypeLib> RegisteredTypeLib(const ole::CLSID& clsid) {
  ole::RegistryData data;
  if (ole::FAILED(ole::Registry::Default().Load(&data))) return nullptr;
  std::string classKey = "CLSID\\" + ole::FormatGuid(clsid);
  std::optional<std::string> libText = data.GetValue(classKey + "\\TypeLib");
  std::optional<ole::GUID> libid = libText ? ole::ParseGuid(*libText) : std::nullopt;
  if (!libid) return nullptr;
  // Any minor version of the registered major version will do.
  uint16_t major = 1;
  if (std::optional<std::string> version = data.GetValue(classKey + "\\Version")) {
    major = static_cast<uint16_t>(std::strtoul(version->c_str(), nullptr, 16));
  }
  ole::ComPtr<ole::ITypeLib> lib;
  if (ole::FAILED(ole::LoadRegTypeLib(*libid, major, 0, 0, lib.Put()))) return nullptr;
  return lib;
}

}  // namespace

void ReadEventNames(ole::ITypeInfo* info, std::map<ole::DISPID, std::string>* names) {
  ole::TypeAttr attr;
  if (ole::FAILED(info->GetTypeAttr(&attr))) return;
  for (uint32_t i = 0; i < attr.funcCount; ++i) {
    ole::FuncDesc func;
    if (ole::SUCCEEDED(info->GetFuncDesc(i, &func))) (*names)[func.memid] = func.name;
  }
}

// Finds the control's type description: through IDispatch, through its class information, or through
// the type library registered for its class.
void Describe(Control& control, const ole::CLSID* clsid) {
  ole::ComPtr<ole::ITypeInfo> dispatchInfo;
  uint32_t count = 0;
  if (ole::SUCCEEDED(control.dispatch->GetTypeInfoCount(&count)) && count > 0) {
    (void)control.dispatch->GetTypeInfo(0, ole::LOCALE_USER_DEFAULT, dispatchInfo.Put());
  }
  ole::ComPtr<ole::ITypeLib> lib;
  uint32_t index = 0;
  if (dispatchInfo) (void)dispatchInfo->GetContainingTypeLib(lib.Put(), &index);
  ole::ComPtr<ole::ITypeInfo> classInfo;
  ole::ComPtr<ole::IProvideClassInfo> provide;
  if (ole::SUCCEEDED(ole::ComPtr<ole::IDispatch>(control.dispatch).As(&provide)) &&
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
    ReadMembers(dispatchInfo.Get(), &control.members);
    control.described = true;
  }
  if (eventInfo) ReadEventNames(eventInfo.Get(), &control.eventNames);
  control.typeLib = lib;
}

}  // namespace tavlen::host
