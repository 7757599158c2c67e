// What a desktop host asks of a control created in the Qt backend: the QWidget of its window. Hosts
// reach it with QueryInterface; the widget crosses the module boundary as a pointer into the one
// Qt library that the host and the module share.
#pragma once

#include "platform/automation/unknown.h"

namespace tavlen {

class IDesktopWindow : public ole::IUnknown {
 public:
  using Base = ole::IUnknown;
  // {131C77B6-60AC-4161-8506-F1189B6C8E15}
  static constexpr ole::IID kIid{0x131C77B6, 0x60AC, 0x4161, {0x85, 0x06, 0xF1, 0x18, 0x9B, 0x6C, 0x8E, 0x15}};

  // The QWidget* of the control's window; null while the window is headless or not created.
  virtual void* NativeWidget() = 0;

 protected:
  ~IDesktopWindow() = default;
};

}  // namespace tavlen
