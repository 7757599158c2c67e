// Caller side of IDispatch: argument blocks in Invoke order and calls by name.
#include "platform/automation/dispatch.h"

#include <string>

namespace tavlen::ole {

DispArgs::DispArgs(std::initializer_list<Variant> args) : m_positional(args) {}

DispArgs DispArgs::ForPut(Variant value) {
  DispArgs args;
  args.AppendNamed(DISPID_PROPERTYPUT, std::move(value));
  return args;
}

void DispArgs::Append(Variant arg) { m_positional.push_back(std::move(arg)); }

void DispArgs::AppendNamed(DISPID id, Variant arg) {
  m_named.push_back(std::move(arg));
  m_namedIds.push_back(id);
}

DISPPARAMS* DispArgs::Params() {
  // Named arguments first, then the positional ones last-to-first.
  m_rgvarg.clear();
  m_rgvarg.reserve(Count());
  for (const Variant& v : m_named) m_rgvarg.push_back(v);
  for (auto it = m_positional.rbegin(); it != m_positional.rend(); ++it) m_rgvarg.push_back(*it);
  m_rgNamedIds = m_namedIds;
  m_params.rgvarg = m_rgvarg.empty() ? nullptr : m_rgvarg.data();
  m_params.cArgs = static_cast<uint32_t>(m_rgvarg.size());
  m_params.rgdispidNamedArgs = m_rgNamedIds.empty() ? nullptr : m_rgNamedIds.data();
  m_params.cNamedArgs = static_cast<uint32_t>(m_rgNamedIds.size());
  return &m_params;
}

HRESULT GetDispId(IDispatch* object, std::string_view name, DISPID* id) {
  if (!id) return E_POINTER;
  *id = DISPID_UNKNOWN;
  if (!object) return E_POINTER;
  std::string text(name);
  const char* names[] = {text.c_str()};
  return object->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, id);
}

HRESULT InvokeByName(IDispatch* object, std::string_view name, uint16_t flags, DispArgs& args, Variant* result,
                     uint32_t* argErr) {
  DISPID id = DISPID_UNKNOWN;
  HRESULT hr = GetDispId(object, name, &id);
  if (FAILED(hr)) return hr;
  DISPPARAMS* params = args.Params();
  uint32_t rgIndex = 0;
  hr = object->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, params, result, nullptr, &rgIndex);
  if (argErr && (hr == DISP_E_TYPEMISMATCH || hr == DISP_E_OVERFLOW || hr == DISP_E_PARAMNOTFOUND) &&
      rgIndex < params->cArgs) {
    // Back from rgvarg order to the order the caller wrote.
    uint32_t named = params->cNamedArgs;
    uint32_t positional = params->cArgs - named;
    *argErr = rgIndex < named ? positional + rgIndex : params->cArgs - 1 - rgIndex;
  }
  return hr;
}

HRESULT GetProperty(IDispatch* object, std::string_view name, Variant* value) {
  if (!value) return E_POINTER;
  DispArgs none;
  return InvokeByName(object, name, DISPATCH_PROPERTYGET | DISPATCH_METHOD, none, value);
}

HRESULT PutProperty(IDispatch* object, std::string_view name, Variant value) {
  DispArgs args = DispArgs::ForPut(std::move(value));
  return InvokeByName(object, name, DISPATCH_PROPERTYPUT, args, nullptr);
}

HRESULT CallMethod(IDispatch* object, std::string_view name, std::initializer_list<Variant> args, Variant* result,
                   uint32_t* argErr) {
  DispArgs block(args);
  return InvokeByName(object, name, DISPATCH_METHOD, block, result, argErr);
}

}  // namespace tavlen::ole
