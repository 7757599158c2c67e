// The control's automation interfaces _DTavlen (version 1) and _DTavlen2 (version 2) and their event
// interfaces: one static table each, the single source of Invoke, the type library and its IDL.
#pragma once

#include "control/control_version.h"
#include "platform/automation/dispatch_table.h"

namespace tavlen {

// Stock event identifiers of _DTavlenEvents.
inline constexpr ole::DISPID kDispidClick = -600;
inline constexpr ole::DISPID kDispidDblClick = -601;
inline constexpr ole::DISPID kDispidMouseDown = -605;
inline constexpr ole::DISPID kDispidMouseMove = -606;
inline constexpr ole::DISPID kDispidMouseUp = -607;
// Version 2's own event: the working image changed (edit, undo, redo, load).
inline constexpr ole::DISPID kDispidPictureChanged = 256;

// Bound to CTavlenCtrl: properties, methods, stock properties, AboutBox, in interface order.
const ole::DispatchTable& TavlenDispatchTable();
const ole::DispatchTable& TavlenEventTable();
// Version 2: every row of version 1, then the members from DISPID 256.
const ole::DispatchTable& Tavlen2DispatchTable();
const ole::DispatchTable& Tavlen2EventTable();

// The tables an object of that version answers with.
const ole::DispatchTable& DispatchTableOf(ControlVersion version);
const ole::DispatchTable& EventTableOf(ControlVersion version);

}  // namespace tavlen
