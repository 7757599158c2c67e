// The one argument checker of the host's function tables, and their installation on script objects.
#include "hosts/tavlen/host_function_table.h"

#include "hosts/tavlen/script_text.h"
#include "hosts/tavlen/variant_js.h"

namespace tavlen::host {

namespace {

constexpr const char* kRowKey = DUK_HIDDEN_SYMBOL("tavlenHostFunction");
constexpr const char* kObjectKey = DUK_HIDDEN_SYMBOL("tavlenHostObject");

std::string StringAt(duk_context* ctx, duk_idx_t index) {
  duk_size_t length = 0;
  const char* text = duk_get_lstring(ctx, index, &length);
  return text ? FromScriptText(std::string_view(text, length)) : std::string();
}

bool IntAt(duk_context* ctx, duk_idx_t index, int32_t* value) {
  if (!duk_is_number(ctx, index)) return false;
  const double number = duk_get_number(ctx, index);
  if (!IsInt32(number)) return false;
  *value = static_cast<int32_t>(number);
  return true;
}

// The row and qualified name ("Host.Resize") of the running function.
const HostFunction* RunningFunction(duk_context* ctx, std::string* qualified) {
  duk_push_current_function(ctx);
  duk_get_prop_string(ctx, -1, kRowKey);
  const auto* row = static_cast<const HostFunction*>(duk_get_pointer(ctx, -1));
  duk_get_prop_string(ctx, -2, kObjectKey);
  const char* object = static_cast<const char*>(duk_get_pointer(ctx, -1));
  duk_pop_3(ctx);
  *qualified = object && *object ? std::string(object) + "." : std::string();
  if (row) *qualified += row->name;
  return row;
}

// Reads argument `index` as `spec` says; false when it is not what the spec asks for.
bool ReadArg(duk_context* ctx, duk_idx_t index, const ArgSpec& spec, HostArgs& args, const std::string& function,
             NativeResult* failure) {
  const auto i = static_cast<size_t>(index);
  switch (spec.kind) {
    case ArgKind::SitedControl: {
      Control* control = ControlAt(ctx, index);
      if (!control) {
        if (!IsControlValue(ctx, index)) return false;
        *failure = NativeResult::Fail(function + ": the control was released");
        return false;
      }
      if (!control->site) {
        *failure =
            NativeResult::Failed(function, ole::E_NOINTERFACE, "the object is not a control in a headless window");
        return false;
      }
      args.sited = {control, control->site};
      return true;
    }
    case ArgKind::LiveControl:
      args.controls[i] = ControlAt(ctx, index);
      return args.controls[i] != nullptr;
    case ArgKind::AnyControl:
      args.controls[i] = ControlAt(ctx, index);
      return IsControlValue(ctx, index);
    case ArgKind::OptionalInt:
      if (duk_is_undefined(ctx, index)) {
        args.numbers[i] = spec.fallback;
        return true;
      }
      [[fallthrough]];
    case ArgKind::Int:
      return IntAt(ctx, index, &args.numbers[i]) && args.numbers[i] >= spec.min && args.numbers[i] <= spec.max;
    case ArgKind::OptionalString:
      if (duk_is_undefined(ctx, index) || duk_is_null(ctx, index)) return true;
      [[fallthrough]];
    case ArgKind::String:
      if (!duk_is_string(ctx, index)) return false;
      args.texts[i] = StringAt(ctx, index);
      return true;
    case ArgKind::Named:
      if (duk_is_string(ctx, index)) {
        std::optional<int32_t> value = ParseNamedValue(*spec.names, StringAt(ctx, index));
        if (value) args.numbers[i] = *value;
        return value.has_value();
      }
      return IntAt(ctx, index, &args.numbers[i]) && AcceptsNumber(*spec.names, args.numbers[i]);
    case ArgKind::Function:
      return duk_is_function(ctx, index) != 0;
  }
  return false;
}

}  // namespace

bool CheckHostArgs(duk_context* ctx, HostArgs& args, NativeResult* failure) {
  std::string function;
  const HostFunction* row = RunningFunction(ctx, &function);
  if (!row) {
    *failure = NativeResult::Fail(function + ": not a host function");
    return false;
  }
  for (uint8_t i = 0; i < row->argCount; ++i) {
    const ArgSpec& spec = row->args[i];
    *failure = NativeResult::None();
    if (ReadArg(ctx, i, spec, args, function, failure)) continue;
    if (failure->kind == NativeResult::Kind::Values) {
      *failure = NativeResult::Type(function + ": argument " + std::to_string(i + 1) + " must be " + spec.expected);
    }
    return false;
  }
  return true;
}

void PushHostFunction(duk_context* ctx, const char* objectName, const HostFunction& row) {
  duk_push_c_function(ctx, row.function, row.StackArgs());
  duk_push_pointer(ctx, const_cast<HostFunction*>(&row));
  duk_put_prop_string(ctx, -2, kRowKey);
  duk_push_pointer(ctx, const_cast<char*>(objectName));
  duk_put_prop_string(ctx, -2, kObjectKey);
}

void InstallFunctions(duk_context* ctx, duk_idx_t object, const char* objectName,
                      std::span<const HostFunction> functions) {
  object = duk_normalize_index(ctx, object);
  for (const HostFunction& row : functions) {
    PushHostFunction(ctx, objectName, row);
    duk_put_prop_string(ctx, object, row.name);
  }
}

}  // namespace tavlen::host
