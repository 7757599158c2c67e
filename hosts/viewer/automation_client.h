// The viewer's hold on the control: members looked up by name once and called through Invoke, as any
// late-binding host calls them, with every failure turned into text the window can show.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <map>
#include <string>
#include <string_view>

#include "platform/automation/com_ptr.h"
#include "platform/automation/dispatch.h"

namespace tavlen::viewer {

struct CallOutcome {
  ole::HRESULT hr = ole::S_OK;
  ole::Variant value;
  std::string error;  // empty on success; names the member and the failure otherwise

  bool Ok() const { return ole::SUCCEEDED(hr); }
  // The result converted as automation converts it; false, 0, 0.0 or "" when it cannot be.
  bool AsBool() const;
  int32_t AsInt() const;
  uint32_t AsUInt() const;  // OLE colours, whose system-colour values pass INT32_MAX
  double AsDouble() const;
  std::string AsString() const;
};

class AutomationClient {
 public:
  explicit AutomationClient(ole::ComPtr<ole::IDispatch> object);

  // Whether the object answers to `name`; the answer is looked up once and kept.
  bool Has(std::string_view name);

  CallOutcome Call(std::string_view method, std::initializer_list<ole::Variant> args = {});
  CallOutcome Get(std::string_view property);
  CallOutcome Put(std::string_view property, ole::Variant value);

  ole::IDispatch* Object() const { return m_object.Get(); }

 private:
  CallOutcome Invoke(std::string_view name, uint16_t flags, ole::DispArgs& args);
  ole::DISPID IdOf(std::string_view name);

  ole::ComPtr<ole::IDispatch> m_object;
  std::map<std::string, ole::DISPID, std::less<>> m_ids;  // DISPID_UNKNOWN: the object lacks the name
};

}  // namespace tavlen::viewer
