// The host's live objects: each control (or object a control returned) the script holds, by id, and
// what happens around every call into one (pumping its window, handing back a handler's error).
#pragma once

#include <duktape.h>

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "hosts/common/control_description.h"
#include "hosts/common/event_connection.h"
#include "hosts/common/module_services_link.h"
#include "hosts/tavlen/script_runtime.h"
#include "include/tavlen/control_window.h"
#include "platform/automation/com_ptr.h"
#include "platform/automation/dispatch.h"

namespace tavlen::host {

// Where a proxy's target and a method function keep the id of their control; hidden symbols bypass
// proxy traps.
inline constexpr const char* kControlIdKey = DUK_HIDDEN_SYMBOL("tavlenControlId");

// One object the script holds: a created control (with its site) or an object a control returned.
struct Control {
  int32_t id = 0;
  std::string name;  // ProgID or class identifier it was created by; the method's name for returned objects
  ole::ComPtr<ole::IDispatch> dispatch;
  ole::ComPtr<IControlWindow> site;  // null for objects that are not controls in a headless window
  int32_t paintCount = 0;            // paints delivered by the host's pumps
  ControlDescription description;    // members and event names; empty for objects without a description
  bool released = false;
  bool linked = false;     // to the module's services (see ControlTable::Services)
  EventConnection events;  // connected by the first event handler
};

class ControlTable {
 public:
  Control& Add(std::string name, ole::ComPtr<ole::IDispatch> dispatch);
  // Null once released (or for an id never given out). Released entries stay until ReleaseAll, so a
  // pointer taken before a call into a control survives an event handler that releases it.
  Control* Find(int32_t id);
  // Disconnects its events and drops the host's references.
  void Release(int32_t id);
  void ReleaseAll();
  std::vector<Control*> Live();
  // The module's services, linked by each control the host creates and let go with the last.
  ModuleServicesLink& Services() { return m_services; }

 private:
  ModuleServicesLink m_services;
  std::map<int32_t, std::unique_ptr<Control>> m_controls;
  int32_t m_nextId = 1;
};

// The id kept by the proxy or method function at `index`; 0 for any other value.
int32_t ControlIdAt(duk_context* ctx, duk_idx_t index);
// The control the value at `index` stands for; null for any other value and for released controls.
Control* ControlAt(duk_context* ctx, duk_idx_t index);
// True when the value at `index` is a control proxy (released or not).
bool IsControlValue(duk_context* ctx, duk_idx_t index);

// Delivers the control's pending paints and counts them; 0 for objects without a window.
int32_t PumpControl(Control& control);

// After a call into a control: pumps its window when Host.AutoPump is on and hands back an event
// handler's error (pushed) as a Rethrow; otherwise `success`.
NativeResult FinishControlCall(duk_context* ctx, Control* control, NativeResult success);

// The end of a call into a control that failed: the window is still pumped, and the failure is what the
// script sees (a handler's error raised on the way is less telling than the failure itself).
NativeResult FailControlCall(duk_context* ctx, Control* control, NativeResult failure);

}  // namespace tavlen::host
