// Control proxies: the get/set/has traps and method functions that turn script property access into
// IDispatch calls by name (any case).
#include "hosts/tavlen/control_proxy.h"

#include <cstdio>

#include "hosts/common/member_call.h"
#include "hosts/tavlen/variant_js.h"

namespace tavlen::host {

namespace {

constexpr const char* kDispIdKey = DUK_HIDDEN_SYMBOL("tavlenDispId");
constexpr const char* kNameKey = DUK_HIDDEN_SYMBOL("tavlenName");

std::function<ole::IDispatch*(duk_idx_t)> DispatchOfArg(duk_context* ctx) {
  return [ctx](duk_idx_t index) -> ole::IDispatch* {
    Control* control = ControlAt(ctx, index);
    return control ? control->dispatch.Get() : nullptr;
  };
}

// Invokes a member and converts failures into a script error naming it.
NativeResult InvokeControlMember(Control* control, const std::string& name, ole::DISPID id, uint16_t flags,
                                 ole::DispArgs& args, ole::Variant* result) {
  ole::ComPtr<ole::IDispatch> keep = control->dispatch;  // a handler may release the control meanwhile
  MemberCall call = InvokeMember(keep.Get(), id, flags, args);
  if (call.Failed()) return NativeResult::Failed(name, call.hr, call.detail);
  // The call answered as it always does; why a file was refused goes to the error stream.
  if (!call.note.empty()) std::fprintf(stderr, "tavlen: %s: %s\n", name.c_str(), call.note.c_str());
  if (result) *result = std::move(call.result);
  return NativeResult::None();
}

Control* TargetControl(duk_context* ctx, const std::string& name, NativeResult* failure) {
  int32_t id = ControlIdAt(ctx, 0);
  Control* control = StateOf(ctx).controls->Find(id);
  if (!control) *failure = NativeResult::Fail(name + ": the control was released");
  return control;
}

NativeResult CallMethod(duk_context* ctx) {
  duk_push_current_function(ctx);
  duk_get_prop_string(ctx, -1, kControlIdKey);
  int32_t id = duk_get_int(ctx, -1);
  duk_get_prop_string(ctx, -2, kDispIdKey);
  ole::DISPID dispid = duk_get_int(ctx, -1);
  duk_get_prop_string(ctx, -3, kNameKey);
  std::string name = duk_get_string(ctx, -1) ? duk_get_string(ctx, -1) : "";
  duk_pop_n(ctx, 4);
  Control* control = StateOf(ctx).controls->Find(id);
  if (!control) return NativeResult::Fail(name + ": the control was released");

  ole::DispArgs args;
  duk_idx_t count = duk_get_top(ctx);
  for (duk_idx_t i = 0; i < count; ++i) {
    ole::Variant value;
    std::string why;
    if (!ToVariant(ctx, i, DispatchOfArg(ctx), &value, &why)) {
      return NativeResult::Type(name + ": argument " + std::to_string(i + 1) + " is " + why);
    }
    args.Append(std::move(value));
  }
  ole::Variant result;
  NativeResult outcome = InvokeControlMember(control, name, dispid, ole::DISPATCH_METHOD, args, &result);
  if (outcome.kind != NativeResult::Kind::Values) return FailControlCall(ctx, control, std::move(outcome));
  PushVariant(ctx, result, PushReturnedObject(ctx, name));
  return FinishControlCall(ctx, control, NativeResult::Values(1));
}

void PushMethod(duk_context* ctx, const Control& control, ole::DISPID dispid, const std::string& name) {
  duk_push_c_function(ctx, Native<CallMethod>, DUK_VARARGS);
  duk_push_int(ctx, control.id);
  duk_put_prop_string(ctx, -2, kControlIdKey);
  duk_push_int(ctx, dispid);
  duk_put_prop_string(ctx, -2, kDispIdKey);
  duk_push_lstring(ctx, name.data(), name.size());
  duk_put_prop_string(ctx, -2, kNameKey);
}

NativeResult DescribeControl(duk_context* ctx) {
  duk_push_this(ctx);
  Control* control = ControlAt(ctx, -1);
  std::string text = "[object " + (control ? control->name : std::string("released control")) + "]";
  duk_pop(ctx);
  duk_push_lstring(ctx, text.data(), text.size());
  return NativeResult::Values(1);
}

NativeResult GetTrap(duk_context* ctx) {
  if (!duk_is_string(ctx, 1) || duk_is_symbol(ctx, 1)) {
    duk_push_undefined(ctx);
    return NativeResult::Values(1);
  }
  std::string key = duk_get_string(ctx, 1);
  NativeResult failure;
  Control* control = TargetControl(ctx, key, &failure);
  if (!control) return failure;
  ole::DISPID id = ole::DISPID_UNKNOWN;
  ole::HRESULT hr = ole::GetDispId(control->dispatch.Get(), key, &id);
  if (ole::FAILED(hr)) {
    // Conversions the engine asks for on its own get the plain object behaviour.
    if (key == "toString") {
      duk_push_c_function(ctx, Native<DescribeControl>, 0);
      return NativeResult::Values(1);
    }
    if (key == "valueOf" || key == "toJSON") {
      duk_push_undefined(ctx);
      return NativeResult::Values(1);
    }
    return NativeResult::Failed(key, hr);
  }
  const MemberDescription* member = control->description.FindMember(id);
  if (member && member->kind == MemberKind::Method) {
    PushMethod(ctx, *control, id, key);
    return NativeResult::Values(1);
  }
  ole::DispArgs none;
  ole::ComPtr<ole::IDispatch> keep = control->dispatch;
  MemberCall call = InvokeMember(keep.Get(), id, ole::DISPATCH_PROPERTYGET, none);
  if (!member && IsMethodByPropertyGet(call.hr)) {
    PushMethod(ctx, *control, id, key);
    return NativeResult::Values(1);
  }
  if (call.Failed()) return FailControlCall(ctx, control, NativeResult::Failed(key, call.hr, call.detail));
  PushVariant(ctx, call.result, PushReturnedObject(ctx, key));
  return FinishControlCall(ctx, control, NativeResult::Values(1));
}

NativeResult SetTrap(duk_context* ctx) {
  if (!duk_is_string(ctx, 1) || duk_is_symbol(ctx, 1)) return NativeResult::Type("a control has no symbol properties");
  std::string key = duk_get_string(ctx, 1);
  NativeResult failure;
  Control* control = TargetControl(ctx, key, &failure);
  if (!control) return failure;
  ole::DISPID id = ole::DISPID_UNKNOWN;
  ole::HRESULT hr = ole::GetDispId(control->dispatch.Get(), key, &id);
  if (ole::FAILED(hr)) return NativeResult::Failed(key, hr);
  ole::Variant value;
  std::string why;
  if (!ToVariant(ctx, 2, DispatchOfArg(ctx), &value, &why)) return NativeResult::Type(key + ": the value is " + why);
  uint16_t flags = value.Type() == ole::VT_DISPATCH ? ole::DISPATCH_PROPERTYPUTREF : ole::DISPATCH_PROPERTYPUT;
  ole::DispArgs args = ole::DispArgs::ForPut(std::move(value));
  NativeResult outcome = InvokeControlMember(control, key, id, flags, args, nullptr);
  if (outcome.kind != NativeResult::Kind::Values) return FailControlCall(ctx, control, std::move(outcome));
  duk_push_true(ctx);
  return FinishControlCall(ctx, control, NativeResult::Values(1));
}

NativeResult HasTrap(duk_context* ctx) {
  bool found = false;
  if (duk_is_string(ctx, 1) && !duk_is_symbol(ctx, 1)) {
    std::string key = duk_get_string(ctx, 1);
    NativeResult failure;
    Control* control = TargetControl(ctx, key, &failure);
    if (!control) return failure;
    ole::DISPID id = ole::DISPID_UNKNOWN;
    found = ole::SUCCEEDED(ole::GetDispId(control->dispatch.Get(), key, &id));
  }
  duk_push_boolean(ctx, found);
  return NativeResult::Values(1);
}

}  // namespace

std::function<void(ole::IDispatch*)> PushReturnedObject(duk_context* ctx, const std::string& name) {
  return [ctx, name](ole::IDispatch* dispatch) {
    Control& added = StateOf(ctx).controls->Add(name, ole::ComPtr<ole::IDispatch>(dispatch));
    PushControl(ctx, added);
  };
}

void PushControl(duk_context* ctx, const Control& control) {
  duk_push_object(ctx);  // the target: holds only the id
  duk_push_int(ctx, control.id);
  duk_put_prop_string(ctx, -2, kControlIdKey);
  duk_push_object(ctx);
  duk_push_c_function(ctx, Native<GetTrap>, 3);
  duk_put_prop_string(ctx, -2, "get");
  duk_push_c_function(ctx, Native<SetTrap>, 4);
  duk_put_prop_string(ctx, -2, "set");
  duk_push_c_function(ctx, Native<HasTrap>, 2);
  duk_put_prop_string(ctx, -2, "has");
  duk_push_proxy(ctx, 0);
}

}  // namespace tavlen::host
