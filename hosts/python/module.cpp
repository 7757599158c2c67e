// The native part of the tavlen package: automation objects by late binding, the exceptions, and
// the host functions. The package's Python layer gives it its public shape.
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include "hosts/common/control_description.h"
#include "hosts/common/member_call.h"
#include "hosts/python/com_error.h"
#include "hosts/python/package_functions.h"
#include "hosts/python/picture_functions.h"
#include "hosts/python/py_control.h"
#include "hosts/python/site_functions.h"

namespace py = pybind11;
using tavlen::python::PyControl;

namespace {

// Named records for the descriptions, made once at import: tavlen.Member, tavlen.Parameter and
// tavlen.Event are namedtuples, so they read by field and still compare and hash as tuples.
struct RecordTypes {
  py::object parameter;
  py::object member;
  py::object event;
};

RecordTypes& Records() {
  static RecordTypes* records = nullptr;  // never freed: records may outlive the module at shutdown
  if (!records) {
    py::object namedtuple = py::module_::import("collections").attr("namedtuple");
    records = new RecordTypes{
        namedtuple("Parameter", py::make_tuple("name", "vt", "type_name"), py::arg("module") = "tavlen"),
        namedtuple("Member", py::make_tuple("name", "kind", "dispid", "read_only", "params", "vt", "type_name", "help"),
                   py::arg("module") = "tavlen"),
        namedtuple("Event", py::make_tuple("name", "params"), py::arg("module") = "tavlen"),
    };
  }
  return *records;
}

py::tuple Parameters(const std::vector<tavlen::ole::ParamInfo>& params) {
  py::tuple tuple(params.size());
  for (size_t i = 0; i < params.size(); ++i) {
    tuple[i] = Records().parameter(params[i].name, params[i].type.vt, tavlen::host::TypeName(params[i].type));
  }
  return tuple;
}

py::list Members(PyControl& control) {
  py::list list;
  for (const tavlen::host::MemberDescription& member : control.Description().members) {
    bool method = member.kind == tavlen::host::MemberKind::Method;
    list.append(Records().member(member.name, method ? "method" : "property", member.dispid, member.readOnly,
                                 Parameters(member.params), member.type.vt, tavlen::host::TypeName(member.type),
                                 member.help));
  }
  return list;
}

py::list Events(PyControl& control) {
  py::list list;
  for (const tavlen::host::EventDescription& event : control.Description().events) {
    list.append(Records().event(event.name, Parameters(event.params)));
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
  // The script host's rule for a member without a description, so both hosts take the same names for
  // methods.
  module.def("is_method_by_property_get", [](uint32_t hresult) {
    return tavlen::host::IsMethodByPropertyGet(static_cast<tavlen::ole::HRESULT>(hresult));
  });
  module.attr("Parameter") = Records().parameter;
  module.attr("Member") = Records().member;
  module.attr("Event") = Records().event;
  tavlen::python::AddSiteFunctions(module);
  tavlen::python::AddPictureFunctions(module);
  tavlen::python::AddPackageFunctions(module);
}
