// Name lookup, Invoke and the messages of failed calls, for the viewer's menus.
#include "hosts/viewer/automation_client.h"

#include <utility>

#include "hosts/common/member_call.h"
#include "platform/automation/hresult.h"

namespace tavlen::viewer {
namespace {

ole::Variant Converted(const ole::Variant& value, ole::VARTYPE type) {
  ole::Variant out;
  if (ole::FAILED(ole::VariantChangeType(&out, value, 0, type))) return ole::Variant();
  return out;
}

std::string FailureText(std::string_view name, ole::HRESULT hr, const ole::EXCEPINFO& info) {
  std::string text = std::string(name) + " failed: " + ole::HResultName(hr);
  if (hr == ole::DISP_E_EXCEPTION) {
    if (!info.description.empty()) text += " (" + info.description + ")";
    if (info.scode != 0) text += " [" + ole::HResultName(info.scode) + "]";
  }
  return text;
}

}  // namespace

bool CallOutcome::AsBool() const {
  ole::Variant v = Converted(value, ole::VT_BOOL);
  return v.Type() == ole::VT_BOOL && v.BoolVal() != ole::VARIANT_FALSE;
}

int32_t CallOutcome::AsInt() const {
  ole::Variant v = Converted(value, ole::VT_I4);
  return v.Type() == ole::VT_I4 ? v.I4() : 0;
}

uint32_t CallOutcome::AsUInt() const {
  ole::Variant v = Converted(value, ole::VT_UI4);
  return v.Type() == ole::VT_UI4 ? v.UI4() : static_cast<uint32_t>(AsInt());
}

double CallOutcome::AsDouble() const {
  ole::Variant v = Converted(value, ole::VT_R8);
  return v.Type() == ole::VT_R8 ? v.R8() : 0.0;
}

std::string CallOutcome::AsString() const {
  ole::Variant v = Converted(value, ole::VT_BSTR);
  return v.Type() == ole::VT_BSTR ? v.Bstr() : std::string();
}

AutomationClient::AutomationClient(ole::ComPtr<ole::IDispatch> object) : m_object(std::move(object)) {}

ole::DISPID AutomationClient::IdOf(std::string_view name) {
  if (auto found = m_ids.find(name); found != m_ids.end()) return found->second;
  ole::DISPID id = ole::DISPID_UNKNOWN;
  if (!m_object || ole::FAILED(ole::GetDispId(m_object.Get(), name, &id))) id = ole::DISPID_UNKNOWN;
  m_ids.emplace(std::string(name), id);
  return id;
}

bool AutomationClient::Has(std::string_view name) { return IdOf(name) != ole::DISPID_UNKNOWN; }

CallOutcome AutomationClient::Invoke(std::string_view name, uint16_t flags, ole::DispArgs& args) {
  CallOutcome outcome;
  const ole::DISPID id = IdOf(name);
  if (id == ole::DISPID_UNKNOWN) {
    outcome.hr = ole::DISP_E_UNKNOWNNAME;
    outcome.error = "The control has no member " + std::string(name) + ".";
    return outcome;
  }
  host::MemberCall call = host::InvokeMember(m_object.Get(), id, flags, args);
  outcome.hr = call.hr;
  outcome.value = std::move(call.result);
  if (!outcome.Ok()) outcome.error = FailureText(name, outcome.hr, call.exception);
  return outcome;
}

CallOutcome AutomationClient::Call(std::string_view method, std::initializer_list<ole::Variant> args) {
  ole::DispArgs block(args);
  return Invoke(method, ole::DISPATCH_METHOD, block);
}

CallOutcome AutomationClient::Get(std::string_view property) {
  ole::DispArgs none;
  return Invoke(property, ole::DISPATCH_PROPERTYGET, none);
}

CallOutcome AutomationClient::Put(std::string_view property, ole::Variant value) {
  ole::DispArgs args = ole::DispArgs::ForPut(std::move(value));
  return Invoke(property, ole::DISPATCH_PROPERTYPUT, args);
}

}  // namespace tavlen::viewer
