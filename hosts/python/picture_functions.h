// The working image's own pixels for Python: read and replaced through the control's pixel
// interface, not through automation.
#pragma once

#include <pybind11/pybind11.h>

namespace tavlen::python {

void AddPictureFunctions(pybind11::module_& module);

}  // namespace tavlen::python
