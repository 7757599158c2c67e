// Event sinks: a control's events reach the script's handlers as handler(name, args).
#include "hosts/tavlen/event_sink.h"

#include <new>
#include <vector>

#include "hosts/tavlen/control_proxy.h"
#include "hosts/tavlen/type_description.h"
#include "hosts/tavlen/variant_js.h"
#include "platform/automation/com_object.h"

namespace tavlen::host {

namespace {

constexpr const char* kHandlersKey = DUK_HIDDEN_SYMBOL("tavlenHandlers");

// Receives a control's events and calls the script's handlers as handler(name, args).
class EventSink final : public ole::ComObject<ole::IDispatch> {
 public:
  EventSink(duk_context* ctx, int32_t controlId) : m_ctx(ctx), m_controlId(controlId) {}

  ole::HRESULT GetTypeInfoCount(uint32_t* count) override {
    if (!count) return ole::E_POINTER;
    *count = 0;
    return ole::S_OK;
  }
  ole::HRESULT GetTypeInfo(uint32_t, ole::LCID, ole::ITypeInfo** info) override {
    if (info) *info = nullptr;
    return ole::DISP_E_BADINDEX;
  }
  ole::HRESULT GetIDsOfNames(const ole::IID&, const char* const*, uint32_t count, ole::LCID,
                             ole::DISPID* ids) override {
    for (uint32_t i = 0; ids && i < count; ++i) ids[i] = ole::DISPID_UNKNOWN;
    return ole::DISP_E_UNKNOWNNAME;
  }
  ole::HRESULT Invoke(ole::DISPID id, const ole::IID&, ole::LCID, uint16_t, ole::DISPPARAMS* params,
                      ole::Variant* result, ole::EXCEPINFO*, uint32_t*) override {
    if (result) result->Clear();
    Control* control = StateOf(m_ctx).controls->Find(m_controlId);
    if (!control) return ole::S_OK;
    auto known = control->eventNames.find(id);
    std::string name = known != control->eventNames.end() ? known->second : "Event" + std::to_string(id);
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
  if (!control.eventPoint) {
    ole::ComPtr<ole::IConnectionPointContainer> container;
    ole::HRESULT hr = ole::ComPtr<ole::IDispatch>(control.dispatch).As(&container);
    if (ole::FAILED(hr)) return NativeResult::Failed(caller, hr, "the control has no events");
    ole::ComPtr<ole::IEnumConnectionPoints> points;
    ole::ComPtr<ole::IConnectionPoint> point;
    ole::ULONG fetched = 0;
    hr = container->EnumConnectionPoints(points.Put());
    if (ole::SUCCEEDED(hr)) hr = points->Next(1, point.Put(), &fetched);
    if (ole::FAILED(hr) || fetched != 1 || !point) {
      return NativeResult::Failed(caller, ole::FAILED(hr) ? hr : ole::CONNECT_E_NOCONNECTION);
    }
    ole::IID eventIid;
    if (control.eventNames.empty() && control.typeLib && ole::SUCCEEDED(point->GetConnectionInterface(&eventIid))) {
      ole::ComPtr<ole::ITypeInfo> info;
      if (ole::SUCCEEDED(control.typeLib->GetTypeInfoOfGuid(eventIid, info.Put()))) {
        ReadEventNames(info.Get(), &control.eventNames);
      }
    }
    auto sink = ole::ComPtr<ole::IDispatch>::Attach(new (std::nothrow) EventSink(ctx, control.id));
    if (!sink) return NativeResult::Failed(caller, ole::E_OUTOFMEMORY);
    ole::DWORD cookie = 0;
    hr = point->Advise(sink.Get(), &cookie);
    if (ole::FAILED(hr)) return NativeResult::Failed(caller, hr);
    control.eventPoint = point;
    control.eventSink = sink;
    control.eventCookie = cookie;
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
