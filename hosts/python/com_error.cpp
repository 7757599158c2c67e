// The exception classes and how automation failures become them.
#include "hosts/python/com_error.h"

namespace tavlen::python {

namespace py = pybind11;

namespace {

// Created once at import and never freed: they must outlive every object that may still raise them
// while the interpreter shuts down.
PyObject* g_comError = nullptr;
PyObject* g_creationError = nullptr;
PyObject* g_refusalWarning = nullptr;

[[noreturn]] void Throw(PyObject* type, const std::string& member, ole::HRESULT hr, const std::string& detail) {
  std::string message = member + ": " + ole::HResultName(hr);
  if (ole::HResultName(hr) != ole::FormatHResult(hr)) message += " " + ole::FormatHResult(hr);
  if (!detail.empty()) message += " (" + detail + ")";
  py::object error = py::reinterpret_borrow<py::object>(type)(message);
  error.attr("hresult") = py::int_(static_cast<uint32_t>(hr));
  error.attr("member") = py::str(member);
  PyErr_SetObject(type, error.ptr());
  throw py::error_already_set();
}

}  // namespace

void AddExceptionTypes(py::module_& module) {
  g_comError =
      PyErr_NewExceptionWithDoc("tavlen.ComError",
                                "A failed call into an automation object. `hresult` is the HRESULT as an unsigned int "
                                "(0x80020005 for a type mismatch), `member` the name that was called.",
                                PyExc_Exception, nullptr);
  if (!g_comError) throw py::error_already_set();
  py::tuple bases = py::make_tuple(py::handle(g_comError), py::handle(PyExc_OSError));
  g_creationError = PyErr_NewExceptionWithDoc(
      "tavlen.CreationError",
      "A class that cannot be created: not registered, a malformed class identifier, or a module that "
      "is missing or cannot be loaded. Both a ComError and an OSError.",
      bases.ptr(), nullptr);
  if (!g_creationError) throw py::error_already_set();
  g_refusalWarning = PyErr_NewExceptionWithDoc(
      "tavlen.RefusalWarning",
      "A call that answered as it always does (False, or nothing) because a decode limit refused a file; "
      "the message names the limit and how to raise it. warnings.simplefilter('error', tavlen.RefusalWarning) "
      "makes it an exception.",
      PyExc_UserWarning, nullptr);
  if (!g_refusalWarning) throw py::error_already_set();
  module.attr("ComError") = py::handle(g_comError);
  module.attr("RefusalWarning") = py::handle(g_refusalWarning);
  module.attr("CreationError") = py::handle(g_creationError);
}

void ThrowComError(const std::string& member, ole::HRESULT hr, const std::string& detail) {
  Throw(g_comError, member, hr, detail);
}

void WarnOfRefusal(const std::string& member, const std::string& note) {
  const std::string message = member + ": " + note;
  if (PyErr_WarnEx(g_refusalWarning, message.c_str(), 1) != 0) throw py::error_already_set();
}

void ThrowCreationError(const std::string& what, ole::HRESULT hr, const std::string& detail) {
  Throw(g_creationError, what, hr, detail);
}

}  // namespace tavlen::python
