// The table of the host's live objects and the end of every call into one.
#include "hosts/tavlen/control_table.h"

#include "platform/automation/loader.h"

namespace tavlen::host {

Control& ControlTable::Add(std::string name, ole::ComPtr<ole::IDispatch> dispatch) {
  auto control = std::make_unique<Control>();
  control->id = m_nextId++;
  control->name = std::move(name);
  control->dispatch = std::move(dispatch);
  Control& added = *control;
  m_controls.emplace(added.id, std::move(control));
  return added;
}

Control* ControlTable::Find(int32_t id) {
  auto found = m_controls.find(id);
  return found == m_controls.end() || found->second->released ? nullptr : found->second.get();
}

void ControlTable::Release(int32_t id) {
  Control* control = Find(id);
  if (!control) return;
  control->released = true;
  control->events.Disconnect();
  control->description.typeLib.Reset();
  control->site.Reset();
  if (control->linked) m_services.Unlink();
  control->dispatch.Reset();
}

void ControlTable::ReleaseAll() {
  // Newest first: an object a control returned goes before the control.
  for (auto it = m_controls.rbegin(); it != m_controls.rend(); ++it) Release(it->first);
  m_controls.clear();
  ole::CoFreeUnusedLibraries();
}

std::vector<Control*> ControlTable::Live() {
  std::vector<Control*> live;
  for (auto& [id, control] : m_controls) {
    if (!control->released) live.push_back(control.get());
  }
  return live;
}

int32_t ControlIdAt(duk_context* ctx, duk_idx_t index) {
  if (!duk_is_object(ctx, index)) return 0;
  duk_get_prop_string(ctx, index, kControlIdKey);
  int32_t id = duk_is_number(ctx, -1) ? duk_get_int(ctx, -1) : 0;
  duk_pop(ctx);
  return id;
}

Control* ControlAt(duk_context* ctx, duk_idx_t index) { return StateOf(ctx).controls->Find(ControlIdAt(ctx, index)); }

bool IsControlValue(duk_context* ctx, duk_idx_t index) { return ControlIdAt(ctx, index) != 0; }

int32_t PumpControl(Control& control) {
  if (!control.site) return 0;
  ole::ComPtr<IControlWindow> site = control.site;
  int32_t paints = site->Pump();
  control.paintCount += paints;
  return paints;
}

NativeResult FinishControlCall(duk_context* ctx, Control* control, NativeResult success) {
  HostState& state = StateOf(ctx);
  if (state.autoPump && control && !control->released) (void)PumpControl(*control);
  NativeResult pending;
  if (TakePendingError(ctx, &pending)) return pending;
  return success;
}

NativeResult FailControlCall(duk_context* ctx, Control* control, NativeResult failure) {
  NativeResult pending = FinishControlCall(ctx, control, NativeResult::None());
  if (pending.kind == NativeResult::Kind::Rethrow) duk_pop(ctx);
  return failure;
}

}  // namespace tavlen::host
