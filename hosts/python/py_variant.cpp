// Conversions between Python objects and variants.
#include "hosts/python/py_variant.h"

#include <cstdint>

namespace tavlen::python {

namespace py = pybind11;

ole::HRESULT ToVariant(py::handle value, const std::function<ole::IDispatch*(py::handle)>& dispatchOf,
                       ole::Variant* variant, std::string* why) {
  if (value.is_none()) {
    *variant = ole::Variant::Null();
  } else if (PyBool_Check(value.ptr())) {
    *variant = ole::Variant(value.ptr() == Py_True);
  } else if (PyLong_Check(value.ptr())) {
    int overflow = 0;
    long long number = PyLong_AsLongLongAndOverflow(value.ptr(), &overflow);
    if (overflow != 0) {
      *why = "an int beyond 64 bits";
      return ole::DISP_E_OVERFLOW;
    }
    if (number >= INT32_MIN && number <= INT32_MAX) {
      *variant = ole::Variant(static_cast<int32_t>(number));
    } else {
      *variant = ole::Variant(static_cast<int64_t>(number));
    }
  } else if (PyFloat_Check(value.ptr())) {
    *variant = ole::Variant(PyFloat_AsDouble(value.ptr()));
  } else if (PyUnicode_Check(value.ptr())) {
    Py_ssize_t length = 0;
    const char* text = PyUnicode_AsUTF8AndSize(value.ptr(), &length);
    if (!text) {
      PyErr_Clear();  // lone surrogates have no UTF-8 form
      *why = "a str that is not valid Unicode";
      return ole::DISP_E_TYPEMISMATCH;
    }
    *variant = ole::Variant(std::string(text, static_cast<size_t>(length)));
  } else if (ole::IDispatch* dispatch = dispatchOf ? dispatchOf(value) : nullptr) {
    *variant = ole::Variant(dispatch);
  } else {
    *why = std::string("a ") + Py_TYPE(value.ptr())->tp_name;
    return ole::DISP_E_TYPEMISMATCH;
  }
  return ole::S_OK;
}

py::object FromVariant(const ole::Variant& variant, const std::function<py::object(ole::IDispatch*)>& wrapObject) {
  if (variant.IsByRef()) return FromVariant(variant.Deref(), wrapObject);
  switch (variant.Type()) {
    case ole::VT_I1:
      return py::int_(variant.I1());
    case ole::VT_UI1:
      return py::int_(variant.UI1());
    case ole::VT_I2:
      return py::int_(variant.I2());
    case ole::VT_UI2:
      return py::int_(variant.UI2());
    case ole::VT_I4:
    case ole::VT_INT:
      return py::int_(variant.I4());
    case ole::VT_UI4:
    case ole::VT_UINT:
      return py::int_(variant.UI4());
    case ole::VT_I8:
      return py::int_(variant.I8());
    case ole::VT_UI8:
      return py::int_(variant.UI8());
    case ole::VT_ERROR:
      return py::int_(variant.ErrorCode());
    case ole::VT_R4:
      return py::float_(variant.R4());
    case ole::VT_R8:
    case ole::VT_DATE:
      return py::float_(variant.R8());
    case ole::VT_BOOL:
      return py::bool_(variant.BoolVal() != ole::VARIANT_FALSE);
    case ole::VT_BSTR:
      // Invalid UTF-8 from a callee comes through with replacement characters rather than failing the call.
      return py::reinterpret_steal<py::object>(
          PyUnicode_DecodeUTF8(variant.Bstr().data(), static_cast<Py_ssize_t>(variant.Bstr().size()), "replace"));
    case ole::VT_DISPATCH:
      if (variant.Dispatch() && wrapObject) return wrapObject(variant.Dispatch());
      return py::none();
    default:
      return py::none();
  }
}

}  // namespace tavlen::python
