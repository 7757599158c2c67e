// picture_pixels and set_picture_pixels of the native module: the control's B, G, R, A rows turned into
// R, G, B, A bytes and back. The package's Python layer shapes them as numpy arrays and checks them.
#include "hosts/python/picture_functions.h"

#include <cstdint>
#include <vector>

#include "hosts/python/com_error.h"
#include "hosts/python/py_control.h"

namespace tavlen::python {

namespace py = pybind11;

namespace {

// Swaps the first and third byte of each 4-byte pixel: BGRA to RGBA and back.
void CopySwappingRedBlue(const uint8_t* from, uint8_t* to, size_t pixels) {
  for (size_t x = 0; x < pixels; ++x, from += 4, to += 4) {
    to[0] = from[2];
    to[1] = from[1];
    to[2] = from[0];
    to[3] = from[3];
  }
}

// (width, height, bytearray of R, G, B, A rows), or None without a picture. The rows are read where
// the picture keeps them when it is held as 32-bit ARGB.
py::object PicturePixels(PyControl& control) {
  const std::string function = "picture_pixels";
  ole::ComPtr<IPicturePixels> source = control.PicturePixels(function);
  PixelRows rows;
  ole::HRESULT hr = source->LockPixels(&rows);
  if (hr != ole::S_OK) {
    control.Finish(function, hr);
    return py::none();
  }
  py::bytearray bytes(nullptr, 0);
  const size_t rowBytes = size_t{rows.width} * 4;
  if (PyByteArray_Resize(bytes.ptr(), static_cast<Py_ssize_t>(rowBytes * rows.height)) != 0) {
    (void)source->UnlockPixels();
    throw py::error_already_set();
  }
  auto* out = reinterpret_cast<uint8_t*>(PyByteArray_AsString(bytes.ptr()));
  for (uint32_t y = 0; y < rows.height; ++y) {
    CopySwappingRedBlue(rows.scan0 + static_cast<size_t>(y) * static_cast<size_t>(rows.stride), out + y * rowBytes,
                        rows.width);
  }
  control.Finish(function, source->UnlockPixels());
  return py::make_tuple(rows.width, rows.height, bytes);
}

// `pixels`: a C-contiguous buffer of height rows of width R, G, B, A bytes (checked by the caller).
void SetPicturePixels(PyControl& control, uint32_t width, uint32_t height, const py::buffer& pixels) {
  const std::string function = "set_picture_pixels";
  ole::ComPtr<IPicturePixels> target = control.PicturePixels(function);
  const py::buffer_info info = pixels.request();
  const size_t rowBytes = size_t{width} * 4;
  if (static_cast<size_t>(info.size * info.itemsize) != rowBytes * height) {
    throw py::value_error("the pixels do not fill width x height x 4 bytes");
  }
  std::vector<uint8_t> bgra;
  try {
    bgra.resize(rowBytes * height);
  } catch (const std::bad_alloc&) {
    ThrowComError(function, ole::E_OUTOFMEMORY);
  }
  CopySwappingRedBlue(static_cast<const uint8_t*>(info.ptr), bgra.data(), size_t{width} * height);
  const PixelRows rows{width, height, static_cast<int32_t>(rowBytes), bgra.data()};
  ole::HRESULT hr;
  {
    py::gil_scoped_release unlocked;
    hr = target->SetPixels(rows);
  }
  control.Finish(function, hr);
}

}  // namespace

void AddPictureFunctions(py::module_& module) {
  module.def("picture_pixels", &PicturePixels);
  module.def("set_picture_pixels", &SetPicturePixels);
}

}  // namespace tavlen::python
