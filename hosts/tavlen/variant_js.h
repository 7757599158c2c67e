// Conversions between JavaScript values on the duktape stack and automation variants.
#pragma once

#include <duktape.h>

#include <functional>
#include <string>

#include "platform/automation/dispatch.h"
#include "platform/automation/variant.h"

namespace tavlen::host {

// The automation value of the JavaScript value at `index`, without calling into script (no getters, no
// toString): undefined is VT_EMPTY, null VT_NULL, a boolean VT_BOOL, an integral number in the 32-bit
// range VT_I4 and any other number VT_R8, a string VT_BSTR (UTF-8). `dispatchOf` answers for objects (a
// control gives its IDispatch); any other value fails with a description in *why.
bool ToVariant(duk_context* ctx, duk_idx_t index, const std::function<ole::IDispatch*(duk_idx_t)>& dispatchOf,
               ole::Variant* value, std::string* why);

// Pushes the JavaScript form of `value` (a reference is followed): numbers of every width, booleans,
// strings, undefined for VT_EMPTY and null for VT_NULL; an object is pushed by `pushObject`.
void PushVariant(duk_context* ctx, const ole::Variant& value, const std::function<void(ole::IDispatch*)>& pushObject);

// True when the number is integral and fits a 32-bit signed integer (so it travels as VT_I4).
bool IsInt32(double number);

}  // namespace tavlen::host
