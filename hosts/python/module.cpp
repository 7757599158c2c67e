// The native part of the tavlen package: automation objects by late binding, the exceptions, and
// the host functions. The package's Python layer gives it its public shape.
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include "hosts/common/control_description.h"
#include "hosts/python/com_error.h"
#include "hosts/python/picture_functions.h"
#include "hosts/python/py_control.h"
#include "hosts/python/site_functions.h"

namespace py = pybind11;
using tavlen::python::PyControl;

namespace {

py::list Parameters(const std::vector<tavlen::ole::ParamInfo>& params) {
  py::list list;
  for (const tavlen::ole::ParamInfo& param : params) {
    list.append(py::make_tuple(param.name, param.type.vt, tavlen::host::TypeName(param.type)));
  }
  return list;
}

// (name, kind, dispid, read_only, [(param, vt, type name)], vt, type name, help) for each member.
py::list Members(PyControl& control) {
  py::list list;
  for (const tavlen::host::MemberDescription& member : control.Description().members) {
    bool method = member.kind == tavlen::host::MemberKind::Method;
    list.append(py::make_tuple(member.name, method ? "method" : "property", member.dispid, member.readOnly,
                               Parameters(member.params), member.type.vt, tavlen::host::TypeName(member.type),
                               member.help));
  }
  return list;
}

// (name, [(param, vt, type name)]) for each event.
py::list Events(PyControl& control) {
  py::list list;
  for (const tavlen::host::EventDescription& event : control.Description().events) {
    list.append(py::make_tuple(event.name, Parameters(event.params)));
  }
  return list;
}

}  // namespace

PYBIND11_MODULE(_tavlen, module) {
  module.doc() = "Native part of tavlen: automation objects called by name.";
  tavlen::python::AddExceptionTypes(module);

  py::class_<PyControl, std::shared_ptr<PyControl>>(module, "Object")
      .def_property_readonly("name", &PyControl::Name)
      .def_property_readonly("released", &PyControl::Released)
      .def_property_readonly("sited", &PyControl::Sited)
      .def_property_readonly("interface_name", [](PyControl& control) { return control.Description().interfaceName; })
      .def_property_readonly("help", [](PyControl& control) { return control.Description().help; })
      .def("members", &Members)
      .def("events", &Events)
      .def("resolve", &PyControl::Resolve)
      .def("get", &PyControl::Get)
      .def("set", &PyControl::Set)
      .def("call", &PyControl::Call)
      .def("connect_events", &PyControl::ConnectEvents)
      .def("release", &PyControl::Release);

  module.def("create", &PyControl::Create, py::arg("prog_id_or_clsid"), py::arg("width"), py::arg("height"),
             py::arg("properties"), py::arg("dialog_answer"));
  tavlen::python::AddSiteFunctions(module);
  tavlen::python::AddPictureFunctions(module);
}
