// The generic IDispatch over dispatch tables.
#include "platform/automation/dispatch_invoke.h"

#include <atomic>
#include <exception>
#include <new>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/base/ascii.h"

namespace tavlen::ole {

const DispatchMember* DispatchTable::FindId(DISPID id) const {
  for (const DispatchMember& m : members) {
    if (m.dispid == id) return &m;
  }
  return nullptr;
}

const DispatchMember* DispatchTable::FindName(std::string_view name) const {
  for (const DispatchMember& m : members) {
    if (base::EqualsNoCase(m.name, name)) return &m;
  }
  return nullptr;
}

HRESULT TableGetIDsOfNames(const DispatchTable& table, const char* const* names, uint32_t count, DISPID* ids) {
  if (!names || !ids) return E_POINTER;
  if (count == 0) return E_INVALIDARG;
  for (uint32_t i = 0; i < count; ++i) ids[i] = DISPID_UNKNOWN;
  if (!names[0]) return E_POINTER;
  const DispatchMember* member = table.FindName(names[0]);
  if (!member) return DISP_E_UNKNOWNNAME;
  ids[0] = member->dispid;
  HRESULT hr = S_OK;
  for (uint32_t i = 1; i < count; ++i) {
    std::span<const ParamDesc> params = member->Params();
    for (size_t p = 0; p < params.size() && names[i]; ++p) {
      if (detail::SameName(params[p].name, names[i])) ids[i] = static_cast<DISPID>(p);
    }
    if (ids[i] == DISPID_UNKNOWN) hr = DISP_E_UNKNOWNNAME;
  }
  return hr;
}

namespace {

// The module's note source; one per module, as every module has its own copy of this library.
std::atomic<CallNoteSource> g_callNoteSource{nullptr};

bool IsObjectType(VARTYPE vt) { return vt == VT_DISPATCH || vt == VT_UNKNOWN; }

// OLE_COLOR is unsigned, yet late-bound hosts pass system colours such as 0x8000000F as a signed
// long: a value that fits neither way overflows, one that fits as a long keeps its 32 bits.
HRESULT ToOleColor(const Variant& arg, Variant* out) {
  HRESULT hr = VariantChangeType(out, arg, 0, VT_UI4);
  Variant asLong;
  if (hr != DISP_E_OVERFLOW || FAILED(VariantChangeType(&asLong, arg, 0, VT_I4))) return hr;
  *out = Variant(static_cast<uint32_t>(asLong.I4()));
  return S_OK;
}

bool IsOleColor(const TypeRef& type) {
  return type.vt == VT_UI4 && type.name && std::string_view(type.name) == "OLE_COLOR";
}

// Converts `arg` to the declared type; on failure reports the rgvarg index.
HRESULT ConvertArgument(const Variant& arg, const TypeRef& declared, uint32_t rgIndex, Variant* out, uint32_t* argErr) {
  HRESULT hr = IsOleColor(declared) ? ToOleColor(arg, out) : VariantChangeType(out, arg, 0, declared.vt);
  if (FAILED(hr) && argErr) *argErr = rgIndex;
  return hr;
}

// Puts the arguments of a method call into declaration order, resolving named ones.
// `order[p]` receives the rgvarg index of parameter p.
HRESULT OrderArguments(const DispatchMember& member, const DISPPARAMS& params, std::vector<uint32_t>* order,
                       uint32_t* argErr) {
  size_t declared = member.paramCount;
  if (params.cArgs != declared) return DISP_E_BADPARAMCOUNT;
  if (params.cNamedArgs > params.cArgs) return E_INVALIDARG;
  if (params.cNamedArgs > 0 && !params.rgdispidNamedArgs) return E_INVALIDARG;
  constexpr uint32_t kUnset = UINT32_MAX;
  order->assign(declared, kUnset);
  uint32_t positional = params.cArgs - params.cNamedArgs;
  // Positional arguments are the last entries of rgvarg, the first parameter last.
  for (uint32_t p = 0; p < positional; ++p) (*order)[p] = params.cArgs - 1 - p;
  for (uint32_t n = 0; n < params.cNamedArgs; ++n) {
    DISPID id = params.rgdispidNamedArgs[n];
    if (id < 0 || static_cast<size_t>(id) >= declared) {
      if (argErr) *argErr = n;
      return id == DISPID_PROPERTYPUT ? DISP_E_NONAMEDARGS : DISP_E_PARAMNOTFOUND;
    }
    if ((*order)[static_cast<size_t>(id)] != kUnset) {
      if (argErr) *argErr = n;
      return DISP_E_PARAMNOTFOUND;
    }
    (*order)[static_cast<size_t>(id)] = n;
  }
  for (uint32_t index : *order) {
    if (index == kUnset) return DISP_E_PARAMNOTOPTIONAL;
  }
  return S_OK;
}

HRESULT CallMethod(const DispatchMember& member, void* self, const DISPPARAMS& params, Variant* result,
                   uint32_t* argErr) {
  std::vector<uint32_t> order;
  HRESULT hr = OrderArguments(member, params, &order, argErr);
  if (FAILED(hr)) return hr;
  std::vector<Variant> converted(member.paramCount);
  for (size_t p = 0; p < member.paramCount; ++p) {
    hr = ConvertArgument(params.rgvarg[order[p]], member.params[p].type, order[p], &converted[p], argErr);
    if (FAILED(hr)) return hr;
  }
  Variant value;
  member.method(self, converted.data(), &value, member.type.vt);
  if (result) *result = std::move(value);
  return S_OK;
}

HRESULT GetValue(const DispatchMember& member, void* self, const DISPPARAMS& params, Variant* result) {
  if (params.cArgs != 0) return DISP_E_BADPARAMCOUNT;
  Variant value;
  member.get(self, &value, member.type.vt);
  if (result) *result = std::move(value);
  return S_OK;
}

HRESULT PutValue(const DispatchMember& member, void* self, uint16_t flags, const DISPPARAMS& params, uint32_t* argErr) {
  if (!member.put) return DISP_E_MEMBERNOTFOUND;
  bool byRef = (flags & DISPATCH_PROPERTYPUT) == 0;
  if (byRef && !IsObjectType(member.type.vt)) return DISP_E_MEMBERNOTFOUND;
  if (params.cArgs != 1) return DISP_E_BADPARAMCOUNT;
  // The value is either named DISPID_PROPERTYPUT, as callers should pass it, or the lone positional argument.
  if (params.cNamedArgs > 1) return DISP_E_BADPARAMCOUNT;
  if (params.cNamedArgs == 1 && (!params.rgdispidNamedArgs || params.rgdispidNamedArgs[0] != DISPID_PROPERTYPUT)) {
    if (argErr) *argErr = 0;
    return DISP_E_PARAMNOTFOUND;
  }
  Variant value;
  HRESULT hr = ConvertArgument(params.rgvarg[0], member.type, 0, &value, argErr);
  if (FAILED(hr)) return hr;
  member.put(self, value);
  return S_OK;
}

HRESULT Dispatch(const DispatchMember& member, void* self, uint16_t flags, const DISPPARAMS& params, Variant* result,
                 uint32_t* argErr) {
  const uint16_t putFlags = DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF;
  if (!member.IsProperty()) {
    if (!member.method) return DISP_E_MEMBERNOTFOUND;  // an event row has no handler here
    if ((flags & putFlags) || !(flags & (DISPATCH_METHOD | DISPATCH_PROPERTYGET))) return DISP_E_MEMBERNOTFOUND;
    return CallMethod(member, self, params, result, argErr);
  }
  if (flags & putFlags) {
    if (flags & ~putFlags) return DISP_E_MEMBERNOTFOUND;
    return PutValue(member, self, flags, params, argErr);
  }
  if (flags & DISPATCH_PROPERTYGET) return GetValue(member, self, params, result);
  return DISP_E_MEMBERNOTFOUND;
}

}  // namespace

void SetCallNoteSource(CallNoteSource source) { g_callNoteSource.store(source); }

HRESULT TableInvoke(const DispatchTable& table, void* self, DISPID id, uint16_t flags, DISPPARAMS* params,
                    Variant* result, EXCEPINFO* excepInfo, uint32_t* argErr) {
  if (result) result->Clear();
  if (!params) return E_INVALIDARG;
  if (params->cArgs > 0 && !params->rgvarg) return E_INVALIDARG;
  const DispatchMember* member = table.FindId(id);
  if (!member || !self) return DISP_E_MEMBERNOTFOUND;
  const CallNoteSource notes = g_callNoteSource.load();
  // Handlers are the control's own code; nothing they throw may cross the automation edge.
  try {
    if (notes) notes();
    const HRESULT hr = Dispatch(*member, self, flags, *params, result, argErr);
    if (notes && hr == S_OK && excepInfo) {
      if (std::string note = notes(); !note.empty()) {
        *excepInfo = EXCEPINFO{};
        excepInfo->source = table.name ? table.name : "";
        excepInfo->description = std::move(note);
      }
    }
    return hr;
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  } catch (const std::exception& error) {
    if (excepInfo) {
      *excepInfo = EXCEPINFO{};
      excepInfo->source = table.name ? table.name : "";
      excepInfo->description = error.what();
      excepInfo->scode = E_FAIL;
    }
    return DISP_E_EXCEPTION;
  } catch (...) {
    if (excepInfo) {
      *excepInfo = EXCEPINFO{};
      excepInfo->source = table.name ? table.name : "";
      excepInfo->scode = E_UNEXPECTED;
    }
    return DISP_E_EXCEPTION;
  }
}

HRESULT TableDispatch::GetTypeInfoCount(uint32_t* count) {
  if (!count) return E_POINTER;
  *count = m_typeInfo ? 1 : 0;
  return S_OK;
}

HRESULT TableDispatch::GetTypeInfo(uint32_t index, LCID, ITypeInfo** info) {
  if (!info) return E_POINTER;
  *info = nullptr;
  if (index != 0 || !m_typeInfo) return DISP_E_BADINDEX;
  return m_typeInfo.CopyTo(info);
}

HRESULT TableDispatch::GetIDsOfNames(const IID& iid, const char* const* names, uint32_t count, LCID, DISPID* ids) {
  if (iid != IID_NULL) return DISP_E_UNKNOWNINTERFACE;
  return TableGetIDsOfNames(m_table, names, count, ids);
}

HRESULT TableDispatch::Invoke(DISPID id, const IID& iid, LCID, uint16_t flags, DISPPARAMS* params, Variant* result,
                              EXCEPINFO* excepInfo, uint32_t* argErr) {
  if (iid != IID_NULL) return DISP_E_UNKNOWNINTERFACE;
  if (!m_bound) return E_UNEXPECTED;
  return TableInvoke(m_table, m_self, id, flags, params, result, excepInfo, argErr);
}

}  // namespace tavlen::ole
