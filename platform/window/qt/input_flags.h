// The window messages' MK_* key-state flags and Qt's mouse buttons and keyboard modifiers, both ways:
// the Qt backend turns Qt events into flags, and desktop hosts turn a script's flags into Qt events.
#pragma once

#include <Qt>
#include <cstdint>

#include "platform/window/win_types.h"

namespace tavlen::win::qt {

inline constexpr uint32_t kMkXButton1 = 0x0020;
inline constexpr uint32_t kMkXButton2 = 0x0040;

struct FlagBit {
  uint32_t flag;
  Qt::MouseButton button;
};
inline constexpr FlagBit kButtonFlags[] = {{MK_LBUTTON, Qt::LeftButton},
                                           {MK_RBUTTON, Qt::RightButton},
                                           {MK_MBUTTON, Qt::MiddleButton},
                                           {kMkXButton1, Qt::BackButton},
                                           {kMkXButton2, Qt::ForwardButton}};

inline uint32_t KeyFlags(Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers) {
  uint32_t flags = 0;
  for (const FlagBit& bit : kButtonFlags) {
    if (buttons & bit.button) flags |= bit.flag;
  }
  if (modifiers & Qt::ShiftModifier) flags |= MK_SHIFT;
  if (modifiers & Qt::ControlModifier) flags |= MK_CONTROL;
  return flags;
}

inline Qt::MouseButtons ButtonsOf(uint32_t flags) {
  Qt::MouseButtons buttons;
  for (const FlagBit& bit : kButtonFlags) {
    if (flags & bit.flag) buttons |= bit.button;
  }
  return buttons;
}

inline Qt::KeyboardModifiers ModifiersOf(uint32_t flags) {
  Qt::KeyboardModifiers modifiers;
  if (flags & MK_SHIFT) modifiers |= Qt::ShiftModifier;
  if (flags & MK_CONTROL) modifiers |= Qt::ControlModifier;
  return modifiers;
}

}  // namespace tavlen::win::qt
