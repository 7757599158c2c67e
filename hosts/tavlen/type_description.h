// What the host learns of a control from its type information: which members are methods and which are
// properties, and the names of its events.
#pragma once

#include <map>
#include <string>

#include "hosts/tavlen/control_table.h"
#include "platform/automation/guid.h"

namespace tavlen::host {

// Finds the control's type description (through IDispatch, its class information, or the type library
// registered for `clsid` when given) and fills its members, event names and type library.
void Describe(Control& control, const ole::CLSID* clsid);

// The names of the functions of an event interface by DISPID.
void ReadEventNames(ole::ITypeInfo* info, std::map<ole::DISPID, std::string>* names);

}  // namespace tavlen::host
