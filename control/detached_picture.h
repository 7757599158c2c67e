// The object that carries a detached picture from one control to another (see include/tavlen/picture_handover.h).
// Its interface is the module's own: only controls of the same module open it.
#pragma once

#include "control/tavlen_ctrl.h"
#include "platform/automation/com_object.h"

namespace tavlen {

class IDetachedPicture : public ole::IUnknown {
 public:
  using Base = ole::IUnknown;
  // {27D7731E-2FE5-4E14-B4A1-5C3310572802}
  static constexpr ole::IID kIid{0x27D7731E, 0x2FE5, 0x4E14, {0xB4, 0xA1, 0x5C, 0x33, 0x10, 0x57, 0x28, 0x02}};

  virtual CTavlenCtrl::LoadedPicture& Contents() = 0;

 protected:
  ~IDetachedPicture() = default;
};

class DetachedPicture final : public ole::ComObject<IDetachedPicture> {
 public:
  CTavlenCtrl::LoadedPicture& Contents() override { return m_contents; }

 private:
  CTavlenCtrl::LoadedPicture m_contents;
};

}  // namespace tavlen
