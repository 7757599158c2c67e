// The control's window as its container drives it: size, paints, injected input, client pixels and
// the framework's reset. Hosts reach it with QueryInterface on a control; only the interface and
// plain types cross the module boundary. Message codes and key flags are the window system's
// published numbers (platform/window/win_types.h, plain constants).
#pragma once

#include <cstdint>
#include <string>

#include "platform/automation/unknown.h"
#include "platform/window/win_types.h"

namespace tavlen {

// The property bag value that IPersistPropertyBag reads and writes: the control's saved properties
// as one text (the framework's versioned property text, UTF-8).
inline constexpr const char* kPropertyBagValue = "TavlenProperties";

class IControlWindow : public ole::IUnknown {
 public:
  using Base = ole::IUnknown;
  // {78E78057-8D70-40E6-BB32-CE09D0E45FD4}
  static constexpr ole::IID kIid{0x78E78057, 0x8D70, 0x40E6, {0xBB, 0x32, 0xCE, 0x09, 0xD0, 0xE4, 0x5F, 0xD4}};

  // Sites the control in a headless window of this size (the client size while no scroll bar
  // shows), or resizes the window it has. E_INVALIDARG for a side outside 1 ... 32767.
  virtual ole::HRESULT CreateControlWindow(int32_t width, int32_t height) = 0;
  // Delivers pending paints; how many paints happened (0 without a window).
  virtual int32_t Pump() = 0;
  // E_UNEXPECTED without a window for every call below.
  virtual ole::HRESULT GetClientSize(int32_t* width, int32_t* height) = 0;
  virtual ole::HRESULT SetScrollBarThickness(int32_t pixels) = 0;
  virtual ole::HRESULT GetScrollBar(int32_t bar, win::ScrollBarState* state) = 0;
  // E_FAIL when the file cannot be written.
  virtual ole::HRESULT SaveClientPng(const std::string& path) = 0;
  // 0x00BBGGRR of the client framebuffer; CLR_INVALID outside the client area or without a window.
  virtual win::COLORREF GetClientPixel(int32_t x, int32_t y) = 0;
  // Input, delivered at once. `keys` holds MK_* flags; `message` a WM_*BUTTON* code.
  virtual ole::HRESULT MouseMove(uint32_t keys, int32_t x, int32_t y) = 0;
  virtual ole::HRESULT MouseButton(uint32_t message, uint32_t keys, int32_t x, int32_t y) = 0;
  virtual ole::HRESULT MouseWheel(uint32_t keys, int16_t delta, int32_t x, int32_t y, win::BOOL* handled) = 0;
  // bar SB_HORZ or SB_VERT, code SB_LINEUP ... SB_ENDSCROLL.
  virtual ole::HRESULT Scroll(int32_t bar, uint32_t code, uint32_t thumbPosition) = 0;
  virtual ole::HRESULT DestroyControlWindow() = 0;
  virtual ole::HRESULT RecreateControlWindow() = 0;
  // The framework's reset: persisted properties back to their defaults; picture and history stay.
  virtual ole::HRESULT ResetState() = 0;

 protected:
  ~IControlWindow() = default;
};

}  // namespace tavlen
