// Host functions: each takes the control, calls its headless site with the GIL released, pumps, and
// raises ComError naming the function when the site fails.
#include "hosts/python/site_functions.h"

#include <pybind11/stl.h>

#include <cstdint>
#include <vector>

#include "hosts/common/named_values.h"
#include "hosts/common/sited_control.h"
#include "hosts/python/com_error.h"
#include "hosts/python/py_control.h"

namespace tavlen::python {

namespace py = pybind11;

namespace {

// A site call without the GIL, then the common end of a call: pump, raise.
template <class Call>
void CallSite(PyControl& control, const std::string& function, Call&& call) {
  IControlWindow& site = control.Site(function);
  ole::HRESULT hr;
  {
    py::gil_scoped_release unlocked;
    hr = call(site);
  }
  control.Finish(function, hr);
}

py::tuple ClientSize(PyControl& control) {
  int32_t width = 0;
  int32_t height = 0;
  CallSite(control, "client_size", [&](IControlWindow& site) { return site.GetClientSize(&width, &height); });
  return py::make_tuple(width, height);
}

// The client area as rows of R, G, B, 255 bytes; with its width and height.
py::tuple ClientPixels(PyControl& control) {
  int32_t width = 0;
  int32_t height = 0;
  std::vector<uint8_t> pixels;
  CallSite(control, "client_pixels", [&](IControlWindow& site) {
    ole::HRESULT hr = site.GetClientSize(&width, &height);
    if (ole::FAILED(hr)) return hr;
    pixels.resize(static_cast<size_t>(width) * static_cast<size_t>(height) * 4);
    uint8_t* out = pixels.data();
    for (int32_t y = 0; y < height; ++y) {
      for (int32_t x = 0; x < width; ++x, out += 4) {
        win::COLORREF color = site.GetClientPixel(x, y);  // 0x00BBGGRR
        out[0] = static_cast<uint8_t>(color & 0xFF);
        out[1] = static_cast<uint8_t>((color >> 8) & 0xFF);
        out[2] = static_cast<uint8_t>((color >> 16) & 0xFF);
        out[3] = 0xFF;
      }
    }
    return ole::S_OK;
  });
  py::bytearray bytes(reinterpret_cast<const char*>(pixels.data()), pixels.size());
  return py::make_tuple(width, height, bytes);
}

int32_t ClientPixel(PyControl& control, int32_t x, int32_t y) {
  win::COLORREF color = win::CLR_INVALID;
  CallSite(control, "client_pixel", [&](IControlWindow& site) {
    color = site.GetClientPixel(x, y);
    return ole::S_OK;
  });
  return color == win::CLR_INVALID ? -1 : static_cast<int32_t>(color & 0x00FFFFFFu);
}

void Resize(PyControl& control, int32_t width, int32_t height) {
  CallSite(control, "resize", [&](IControlWindow& site) {
    // Only a window that exists is resized: CreateControlWindow would bring a destroyed one back.
    int32_t oldWidth = 0;
    int32_t oldHeight = 0;
    ole::HRESULT hr = site.GetClientSize(&oldWidth, &oldHeight);
    if (ole::SUCCEEDED(hr) && oldWidth == 0 && oldHeight == 0) hr = ole::E_UNEXPECTED;
    return ole::SUCCEEDED(hr) ? site.CreateControlWindow(width, height) : hr;
  });
}

void SaveClientArea(PyControl& control, const std::string& path) {
  CallSite(control, "save_client_area", [&](IControlWindow& site) { return site.SaveClientPng(path); });
}

void MouseMove(PyControl& control, int32_t x, int32_t y, uint32_t keys) {
  CallSite(control, "mouse_move", [&](IControlWindow& site) { return site.MouseMove(keys, x, y); });
}

// `button` 1 left, 2 right, 4 middle, as the stock mouse events number them.
void MouseButton(PyControl& control, int32_t button, bool down, int32_t x, int32_t y, uint32_t keys) {
  const char* function = down ? "mouse_down" : "mouse_up";
  static constexpr struct {
    int32_t button;
    uint32_t down;
    uint32_t up;
  } kButtons[] = {{1, win::WM_LBUTTONDOWN, win::WM_LBUTTONUP},
                  {2, win::WM_RBUTTONDOWN, win::WM_RBUTTONUP},
                  {4, win::WM_MBUTTONDOWN, win::WM_MBUTTONUP}};
  uint32_t message = 0;
  for (const auto& entry : kButtons) {
    if (entry.button == button) message = down ? entry.down : entry.up;
  }
  if (message == 0) ThrowComError(function, ole::E_INVALIDARG, "a button is 1 left, 2 right or 4 middle");
  CallSite(control, function, [&](IControlWindow& site) { return site.MouseButton(message, keys, x, y); });
}

bool Wheel(PyControl& control, int16_t delta, int32_t x, int32_t y, uint32_t keys) {
  win::BOOL handled = win::FALSE;
  CallSite(control, "wheel", [&](IControlWindow& site) { return site.MouseWheel(keys, delta, x, y, &handled); });
  return handled != win::FALSE;
}

void Scroll(PyControl& control, int32_t bar, uint32_t code, uint32_t thumb) {
  CallSite(control, "scroll", [&](IControlWindow& site) { return site.Scroll(bar, code, thumb); });
}

py::dict ScrollBar(PyControl& control, int32_t bar) {
  win::ScrollBarState state;
  CallSite(control, "scroll_bar", [&](IControlWindow& site) { return site.GetScrollBar(bar, &state); });
  py::dict result;
  result["shown"] = state.shown;
  result["min"] = state.min;
  result["max"] = state.max;
  result["page"] = state.page;
  result["pos"] = state.pos;
  return result;
}

// The saved properties as text; the caller writes the file, then asks again to clear the modified flag.
std::string SaveProperties(PyControl& control, bool clearModified) {
  host::ModifiedFlag flag = clearModified ? host::ModifiedFlag::Clear : host::ModifiedFlag::Keep;
  std::string text;
  ole::IDispatch* dispatch = control.Dispatch();  // CallSite refuses a released control first
  CallSite(control, "save_properties",
           [&](IControlWindow&) { return host::SaveControlProperties(dispatch, flag, &text); });
  return text;
}

bool IsModified(PyControl& control) {
  bool modified = false;
  ole::IDispatch* dispatch = control.Dispatch();
  CallSite(control, "is_modified", [&](IControlWindow&) { return host::IsControlModified(dispatch, &modified); });
  return modified;
}

int32_t PumpAll() {
  int32_t paints = 0;
  for (const std::shared_ptr<PyControl>& control : PyControl::LiveOnThisThread()) paints += control->Pump();
  return paints;
}

// The answer to every dialog that follows, kept for the controls still to come; E_INVALIDARG from
// the module for an answer it does not know.
void SetDialogAnswer(const std::string& answer) {
  ole::HRESULT hr;
  {
    py::gil_scoped_release unlocked;
    hr = PyControl::Services().SetDialogAnswer(answer);
  }
  if (ole::FAILED(hr)) ThrowComError("dialog_response", hr);
}

// The dialogs shown so far; once no control is left, the list last seen.
py::list ShownDialogs() {
  std::vector<ShownDialog> dialogs;
  {
    py::gil_scoped_release unlocked;
    dialogs = PyControl::Services().ShownDialogs();
  }
  py::list result;
  for (const ShownDialog& dialog : dialogs) {
    py::dict entry;
    entry["caption"] = dialog.caption;
    entry["texts"] = dialog.texts;
    entry["result"] = dialog.result;
    result.append(entry);
  }
  return result;
}

// The names the host functions take in place of numbers, from the tables the script host reads:
// {"bars": {name: number}, "scroll_codes": ..., "buttons": ...}, each in the table's order.
py::dict NamedValues() {
  auto names = [](const host::NamedValueSet& set) {
    py::dict values;
    for (const host::NamedValue& entry : set.names) values[py::str(entry.name.data(), entry.name.size())] = entry.value;
    return values;
  };
  py::dict tables;
  tables["bars"] = names(host::kScrollBars);
  tables["scroll_codes"] = names(host::kScrollCodes);
  tables["buttons"] = names(host::kMouseButtons);
  return tables;
}

}  // namespace

void AddSiteFunctions(py::module_& module) {
  module.def("pump", &PumpAll);
  module.def("resize", &Resize);
  module.def("client_size", &ClientSize);
  module.def("client_pixel", &ClientPixel);
  module.def("client_pixels", &ClientPixels);
  module.def("save_client_area", &SaveClientArea);
  module.def("mouse_move", &MouseMove);
  module.def("mouse_button", &MouseButton);
  module.def("wheel", &Wheel);
  module.def("scroll", &Scroll);
  module.def("scroll_bar", &ScrollBar);
  module.def("save_properties", &SaveProperties);
  module.def("is_modified", &IsModified);
  module.def("set_dialog_answer", &SetDialogAnswer);
  module.def("shown_dialogs", &ShownDialogs);
  module.def("named_values", &NamedValues);
}

}  // namespace tavlen::python
