// The host functions on a control's headless window and persistence (resize, pixels, input, dialogs,
// saved properties), as functions of the native module that tavlen's Python layer names and checks.
#pragma once

#include <pybind11/pybind11.h>

namespace tavlen::python {

void AddSiteFunctions(pybind11::module_& module);

}  // namespace tavlen::python
