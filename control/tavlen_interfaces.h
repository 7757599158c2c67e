// The control's automation interface _DTavlen and its event interface _DTavlenEvents: one static
// table each, the single source of Invoke, the type library and its IDL.
#pragma once

#include "platform/automation/dispatch_table.h"

namespace tavlen {

// Stock event identifiers of _DTavlenEvents.
inline constexpr ole::DISPID kDispidClick = -600;
inline constexpr ole::DISPID kDispidDblClick = -601;
inline constexpr ole::DISPID kDispidMouseDown = -605;
inline constexpr ole::DISPID kDispidMouseMove = -606;
inline constexpr ole::DISPID kDispidMouseUp = -607;

// Bound to CTavlenCtrl: properties, methods, stock properties, AboutBox, in interface order.
const ole::DispatchTable& TavlenDispatchTable();
const ole::DispatchTable& TavlenEventTable();

}  // namespace tavlen
