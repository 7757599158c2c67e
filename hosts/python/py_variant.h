// Python values to automation variants and back. Arguments go over in their natural variant type and
// the callee's runtime coerces them (DISP_E_OVERFLOW, DISP_E_TYPEMISMATCH come from there).
#pragma once

#include <pybind11/pybind11.h>

#include <functional>
#include <string>

#include "platform/automation/dispatch.h"

namespace tavlen::python {

// bool -> VT_BOOL; int -> VT_I4, VT_I8 past 32 bits (DISP_E_OVERFLOW past 64); float -> VT_R8;
// str -> VT_BSTR (UTF-8); None -> VT_NULL; an automation object (`dispatchOf` gives its interface)
// -> VT_DISPATCH. DISP_E_TYPEMISMATCH for anything else; *why then names the Python type.
ole::HRESULT ToVariant(pybind11::handle value, const std::function<ole::IDispatch*(pybind11::handle)>& dispatchOf,
                       ole::Variant* variant, std::string* why);

// Numbers as int or float, VT_BOOL as bool, strings as str, VT_EMPTY and VT_NULL as None, objects
// through `wrapObject` (None for a null interface); references are followed.
pybind11::object FromVariant(const ole::Variant& variant,
                             const std::function<pybind11::object(ole::IDispatch*)>& wrapObject);

}  // namespace tavlen::python
