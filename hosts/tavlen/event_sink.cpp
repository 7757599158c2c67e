// Event sinks: a control's events reach the script's handlers as handler(name, args).
#include "hosts/tavlen/event_sink.h"

#include <vector>

#include "hosts/tavlen/control_proxy.h"
#include "hosts/tavlen/variant_js.h"

namespace tavlen::host {

namespace {

constexpr const char* kHandlersKey = DUK_HIDDEN_SYMBOL("tavlenHandlers");

// Receives a control's events and calls the script's handlers as handler(name, args).
class EventSink final : public EventSinkBase {
 public:
  EventSink(duk_context* ctx, int32_t controlId) : m_ctx(ctx), m_controlId(controlId) {}

  ole::HRESULT Invoke(ole::DISPID id, const ole::IID&, ole::LCID, uint16_t, ole::DISPPARAMS* params,
                      ole::Variant* result, ole::EXCEPINFO*, uint32_t*) override {
    if (result) result->Clear();
    Control* control = StateOf(m_ctx).controls->Find(m_controlId);
    if (!control) return ole::S_OK;
    const EventDescription* event = control->description.FindEvent(id);
    std::string name = event ? event->name : "Event" + std::to_string(id);
    std::vector<ole::Variant> args;
    if (params) {
      // rgvarg holds the last argument first; named arguments (first cNamedArgs entries) are not passed on.
      for (uint32_t i = params->cArgs; i > params->cNamedArgs; --i) args.push_back(params->rgvarg[i - 1]);
    }
    CallHandlers(name, args);
    return ole::S_OK;
  }

 private:
  void CallHandlers(const std::string& name, const std::vector<ole::Variant>& args) {
    duk_context* ctx = m_ctx;
    duk_push_global_stash(ctx);
    duk_get_prop_string(ctx, -1, kHandlersKey);
    duk_get_prop_index(ctx, -1, static_cast<duk_uarridx_t>(m_controlId));
    if (duk_is_array(ctx, -1)) {
      duk_size_t handlers = duk_get_length(ctx, -1);
      for (duk_size_t h = 0; h < handlers; ++h) {
        duk_get_prop_index(ctx, -1, static_cast<duk_uarridx_t>(h));
        duk_push_lstring(ctx, name.data(), name.size());
        duk_idx_t array = duk_push_array(ctx);
        for (size_t a = 0; a < args.size(); ++a) {
          PushVariant(ctx, args[a], PushReturnedObject(ctx, name));
          duk_put_prop_index(ctx, array, static_cast<duk_uarridx_t>(a));
        }
        if (duk_pcall(ctx, 2) != 0) {
          StashHandlerError(ctx);
        } else {
          duk_pop(ctx);
        }
      }
    }
    duk_pop_3(ctx);
  }

  duk_context* m_ctx;
  int32_t m_controlId;
};

}  // namespace

NativeResult AddEventHandler(duk_context* ctx, Control& control, duk_idx_t index, const std::string& caller) {
  index = duk_normalize_index(ctx, index);
  if (!control.events.Connected()) {
    auto sink = ole::MakeObject<EventSink>(ctx, control.id);
    if (!sink) return NativeResult::Failed(caller, ole::E_OUTOFMEMORY);
    ole::HRESULT hr = control.events.Connect(control.dispatch.Get(), sink.Get(), &control.description);
    if (hr == ole::E_NOINTERFACE) return NativeResult::Failed(caller, hr, "the control has no events");
    if (ole::FAILED(hr)) return NativeResult::Failed(caller, hr);
  }
  duk_push_global_stash(ctx);
  if (!duk_get_prop_string(ctx, -1, kHandlersKey)) {
    duk_pop(ctx);
    duk_push_object(ctx);
    duk_dup_top(ctx);
    duk_put_prop_string(ctx, -3, kHandlersKey);
  }
  if (!duk_get_prop_index(ctx, -1, static_cast<duk_uarridx_t>(control.id))) {
    duk_pop(ctx);
    duk_push_array(ctx);
    duk_dup_top(ctx);
    duk_put_prop_index(ctx, -3, static_cast<duk_uarridx_t>(control.id));
  }
  duk_dup(ctx, index);
  duk_put_prop_index(ctx, -2, static_cast<duk_uarridx_t>(duk_get_length(ctx, -2)));
  duk_pop_3(ctx);
  return NativeResult::None();
}

}  // namespace tavlen::host
