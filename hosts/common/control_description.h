// A control's members and events as its type description gives them: names, DISPIDs, kinds,
// parameters, types and help strings, for hosts that list, document and call them by name.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "platform/automation/com_ids.h"
#include "platform/automation/com_ptr.h"
#include "platform/automation/dispatch.h"
#include "platform/automation/type_info.h"

namespace tavlen::host {

enum class MemberKind { Method, Property };

struct MemberDescription {
  std::string name;
  ole::DISPID dispid = 0;
  MemberKind kind = MemberKind::Method;
  bool readOnly = false;  // properties only
  std::vector<ole::ParamInfo> params;
  ole::ElemType type;  // a method's result, a property's value
  std::string help;
};

struct EventDescription {
  std::string name;
  ole::DISPID dispid = 0;
  std::vector<ole::ParamInfo> params;
};

struct ControlDescription {
  bool described = false;     // false when the object offers no type description at all
  std::string interfaceName;  // "_DTavlen"
  std::string help;
  std::vector<MemberDescription> members;  // in the order of the description
  std::vector<EventDescription> events;    // of the default source interface
  ole::ComPtr<ole::ITypeLib> typeLib;      // where a connection point's interface can be looked up

  // Case-insensitive; null when the description has no such member.
  const MemberDescription* FindMember(const std::string& name) const;
  const MemberDescription* FindMember(ole::DISPID dispid) const;
  const EventDescription* FindEvent(const std::string& name) const;
  const EventDescription* FindEvent(ole::DISPID dispid) const;
};

// Describes an object through IDispatch::GetTypeInfo, its class information (IProvideClassInfo) or,
// when `clsid` is given, the type library registered for that class. Never fails: what cannot be
// found stays empty.
ControlDescription DescribeObject(ole::IDispatch* object, const ole::CLSID* clsid);

// The events of an interface, for objects whose class information does not name its source.
std::vector<EventDescription> DescribeEvents(ole::ITypeInfo* info);

// "BSTR", "short", or the declared name ("OLE_COLOR", an enumeration's name) when there is one.
std::string TypeName(const ole::ElemType& type);

}  // namespace tavlen::host
