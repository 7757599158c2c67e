// Conversions between JavaScript values and automation variants, in both directions.
#include "hosts/tavlen/variant_js.h"

#include <cmath>
#include <cstdint>
#include <string>

#include "hosts/tavlen/script_text.h"

namespace tavlen::host {

bool IsInt32(double number) {
  return std::isfinite(number) && std::trunc(number) == number && number >= INT32_MIN && number <= INT32_MAX;
}

bool ToVariant(duk_context* ctx, duk_idx_t index, const std::function<ole::IDispatch*(duk_idx_t)>& dispatchOf,
               ole::Variant* value, std::string* why) {
  switch (duk_get_type(ctx, index)) {
    case DUK_TYPE_NONE:
    case DUK_TYPE_UNDEFINED:
      *value = ole::Variant();
      return true;
    case DUK_TYPE_NULL:
      *value = ole::Variant::Null();
      return true;
    case DUK_TYPE_BOOLEAN:
      *value = ole::Variant(duk_get_boolean(ctx, index) != 0);
      return true;
    case DUK_TYPE_NUMBER: {
      double number = duk_get_number(ctx, index);
      if (IsInt32(number)) {
        *value = ole::Variant(static_cast<int32_t>(number));
      } else {
        *value = ole::Variant(number);
      }
      return true;
    }
    case DUK_TYPE_STRING: {
      duk_size_t length = 0;
      const char* text = duk_get_lstring(ctx, index, &length);
      *value = ole::Variant(FromScriptText(std::string_view(text, length)));
      return true;
    }
    case DUK_TYPE_OBJECT:
      if (ole::IDispatch* dispatch = dispatchOf ? dispatchOf(index) : nullptr) {
        *value = ole::Variant(dispatch);
        return true;
      }
      *why = duk_is_function(ctx, index) ? "a function" : "an object that is not a control";
      return false;
    default:
      *why = "a value of a type automation does not carry";
      return false;
  }
}

void PushVariant(duk_context* ctx, const ole::Variant& value, const std::function<void(ole::IDispatch*)>& pushObject) {
  if (value.IsByRef()) {
    PushVariant(ctx, value.Deref(), pushObject);
    return;
  }
  switch (value.Type()) {
    case ole::VT_NULL:
      duk_push_null(ctx);
      return;
    case ole::VT_I1:
      duk_push_int(ctx, value.I1());
      return;
    case ole::VT_UI1:
      duk_push_uint(ctx, value.UI1());
      return;
    case ole::VT_I2:
      duk_push_int(ctx, value.I2());
      return;
    case ole::VT_UI2:
      duk_push_uint(ctx, value.UI2());
      return;
    case ole::VT_I4:
    case ole::VT_INT:
      duk_push_int(ctx, value.I4());
      return;
    case ole::VT_UI4:
    case ole::VT_UINT:
      duk_push_uint(ctx, value.UI4());
      return;
    case ole::VT_I8:
      duk_push_number(ctx, static_cast<double>(value.I8()));
      return;
    case ole::VT_UI8:
      duk_push_number(ctx, static_cast<double>(value.UI8()));
      return;
    case ole::VT_R4:
      duk_push_number(ctx, value.R4());
      return;
    case ole::VT_R8:
    case ole::VT_DATE:
      duk_push_number(ctx, value.R8());
      return;
    case ole::VT_ERROR:
      duk_push_int(ctx, value.ErrorCode());
      return;
    case ole::VT_BOOL:
      duk_push_boolean(ctx, value.BoolVal() != ole::VARIANT_FALSE);
      return;
    case ole::VT_BSTR: {
      const std::string text = ToScriptText(value.Bstr());
      duk_push_lstring(ctx, text.data(), text.size());
      return;
    }
    case ole::VT_DISPATCH:
      if (value.Dispatch() && pushObject) {
        pushObject(value.Dispatch());
      } else {
        duk_push_null(ctx);
      }
      return;
    default:
      duk_push_undefined(ctx);
      return;
  }
}

}  // namespace tavlen::host
