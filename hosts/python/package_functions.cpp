// The atomic writer and the registry look-ups of the package, with the GIL released while they touch
// files.
#include "hosts/python/package_functions.h"

#include <cerrno>
#include <cstring>
#include <string>

#include "hosts/python/com_error.h"
#include "platform/automation/loader.h"
#include "platform/automation/registration.h"
#include "platform/base/file_io.h"

namespace tavlen::python {

namespace py = pybind11;

namespace {

// Writes through a temporary file renamed into place; OSError with the errno value on failure, and
// whatever was at `path` stays as it was.
void WriteFileAtomically(const std::string& path, const py::bytes& data) {
  std::string_view bytes = data;
  int error;
  {
    py::gil_scoped_release unlocked;
    error = base::WriteFileAtomically(path, bytes);
  }
  if (error != 0) {
    PyErr_SetObject(PyExc_OSError, py::make_tuple(error, std::strerror(error), path).ptr());
    throw py::error_already_set();
  }
}

// The module file registered for this ProgID in the registry in use (TAVLEN_REGISTRY, else the user's);
// None when the ProgID is not registered there.
py::object RegisteredModule(const std::string& progId) {
  std::string path;
  ole::HRESULT hr;
  {
    py::gil_scoped_release unlocked;
    ole::Registry registry = ole::Registry::Default();
    ole::CLSID clsid;
    hr = ole::CLSIDFromProgID(registry, progId, &clsid);
    if (ole::SUCCEEDED(hr)) hr = ole::InprocServerOfClass(registry, clsid, &path);
  }
  if (hr == ole::REGDB_E_CLASSNOTREG) return py::none();
  if (ole::FAILED(hr)) ThrowComError("registered_module", hr, ole::Registry::Default().Path());
  return py::str(path);
}

// The module's own registration (its DllRegisterServer) into the registry in use.
void RegisterModule(const std::string& modulePath) {
  ole::HRESULT hr;
  {
    py::gil_scoped_release unlocked;
    hr = ole::RegisterModule(modulePath);
  }
  if (ole::FAILED(hr)) ThrowCreationError("register " + modulePath, hr, ole::LastLoadError());
}

}  // namespace

void AddPackageFunctions(py::module_& module) {
  module.def("write_file_atomically", &WriteFileAtomically, py::arg("path"), py::arg("data"));
  module.def("registered_module", &RegisteredModule, py::arg("prog_id"));
  module.def("register_module", &RegisterModule, py::arg("module_path"));
}

}  // namespace tavlen::python
