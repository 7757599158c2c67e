// Qt's mouse buttons, keyboard modifiers and slider actions as the window messages' MK_* key-state
// flags and scroll codes: the Qt backend turns Qt events into messages.
#pragma once

#include <QAbstractSlider>
#include <Qt>
#include <cstdint>
#include <optional>

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

// The scroll codes a scroll bar's own actions send: arrows, troughs, Home/End and the dragged thumb
// (whose release sends SB_THUMBPOSITION and SB_ENDSCROLL besides).
struct ScrollAction {
  uint32_t code;
  QAbstractSlider::SliderAction action;
};
inline constexpr ScrollAction kScrollActions[] = {
    {SB_LINEUP, QAbstractSlider::SliderSingleStepSub}, {SB_LINEDOWN, QAbstractSlider::SliderSingleStepAdd},
    {SB_PAGEUP, QAbstractSlider::SliderPageStepSub},   {SB_PAGEDOWN, QAbstractSlider::SliderPageStepAdd},
    {SB_TOP, QAbstractSlider::SliderToMinimum},        {SB_BOTTOM, QAbstractSlider::SliderToMaximum},
    {SB_THUMBTRACK, QAbstractSlider::SliderMove}};

inline std::optional<uint32_t> ScrollCodeOf(int action) {
  for (const ScrollAction& entry : kScrollActions) {
    if (entry.action == action) return entry.code;
  }
  return std::nullopt;
}

}  // namespace tavlen::win::qt
