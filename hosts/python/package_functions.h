// What the package needs below the control: the project's atomic file writer, and registering the
// control module the package carries in the registry it uses.
#pragma once

#include <pybind11/pybind11.h>

namespace tavlen::python {

void AddPackageFunctions(pybind11::module_& module);

}  // namespace tavlen::python
