// Script input as Qt events: tables of the published codes against Qt's buttons and actions.
#include "hosts/common/qt_input.h"

#include "platform/window/win_types.h"

namespace tavlen::host {

namespace {

// The extra buttons' MK_ flags, which the control's messages never carry.
constexpr uint32_t kMkXButton1 = 0x0020;
constexpr uint32_t kMkXButton2 = 0x0040;

struct ButtonFlag {
  uint32_t flag;
  Qt::MouseButton button;
};
constexpr ButtonFlag kButtonFlags[] = {{win::MK_LBUTTON, Qt::LeftButton},
                                       {win::MK_RBUTTON, Qt::RightButton},
                                       {win::MK_MBUTTON, Qt::MiddleButton},
                                       {kMkXButton1, Qt::BackButton},
                                       {kMkXButton2, Qt::ForwardButton}};

struct ButtonMessage {
  uint32_t message;
  QEvent::Type type;
  Qt::MouseButton button;
};
constexpr ButtonMessage kButtonMessages[] = {{win::WM_LBUTTONDOWN, QEvent::MouseButtonPress, Qt::LeftButton},
                                             {win::WM_LBUTTONUP, QEvent::MouseButtonRelease, Qt::LeftButton},
                                             {win::WM_LBUTTONDBLCLK, QEvent::MouseButtonDblClick, Qt::LeftButton},
                                             {win::WM_RBUTTONDOWN, QEvent::MouseButtonPress, Qt::RightButton},
                                             {win::WM_RBUTTONUP, QEvent::MouseButtonRelease, Qt::RightButton},
                                             {win::WM_MBUTTONDOWN, QEvent::MouseButtonPress, Qt::MiddleButton},
                                             {win::WM_MBUTTONUP, QEvent::MouseButtonRelease, Qt::MiddleButton}};

struct ScrollAction {
  uint32_t code;
  QAbstractSlider::SliderAction action;
};
constexpr ScrollAction kScrollActions[] = {
    {win::SB_LINEUP, QAbstractSlider::SliderSingleStepSub}, {win::SB_LINEDOWN, QAbstractSlider::SliderSingleStepAdd},
    {win::SB_PAGEUP, QAbstractSlider::SliderPageStepSub},   {win::SB_PAGEDOWN, QAbstractSlider::SliderPageStepAdd},
    {win::SB_TOP, QAbstractSlider::SliderToMinimum},        {win::SB_BOTTOM, QAbstractSlider::SliderToMaximum}};

}  // namespace

Qt::MouseButtons ButtonsOf(uint32_t keys) {
  Qt::MouseButtons buttons;
  for (const ButtonFlag& bit : kButtonFlags) {
    if (keys & bit.flag) buttons |= bit.button;
  }
  return buttons;
}

Qt::KeyboardModifiers ModifiersOf(uint32_t keys) {
  Qt::KeyboardModifiers modifiers;
  if (keys & win::MK_SHIFT) modifiers |= Qt::ShiftModifier;
  if (keys & win::MK_CONTROL) modifiers |= Qt::ControlModifier;
  return modifiers;
}

std::optional<QEvent::Type> MouseEventOf(uint32_t message, Qt::MouseButton* button) {
  for (const ButtonMessage& entry : kButtonMessages) {
    if (entry.message != message) continue;
    *button = entry.button;
    return entry.type;
  }
  return std::nullopt;
}

std::optional<QAbstractSlider::SliderAction> SliderActionOf(uint32_t code) {
  for (const ScrollAction& entry : kScrollActions) {
    if (entry.code == code) return entry.action;
  }
  return std::nullopt;
}

}  // namespace tavlen::host
