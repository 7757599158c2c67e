// The input a script sends to a control's window (MK_* key flags, WM_*BUTTON* messages, scroll
// codes: the window system's published numbers) as the Qt events a user would cause, so that a
// desktop host drives the widget the way a user does.
#pragma once

#include <QAbstractSlider>
#include <QEvent>
#include <Qt>
#include <cstdint>
#include <optional>

namespace tavlen::host {

Qt::MouseButtons ButtonsOf(uint32_t keys);
Qt::KeyboardModifiers ModifiersOf(uint32_t keys);

// The mouse event and button of a WM_*BUTTON* message; nullopt for another message.
std::optional<QEvent::Type> MouseEventOf(uint32_t message, Qt::MouseButton* button);

// The scroll bar action of a scroll code; nullopt for the codes that carry a thumb position (a bar
// cannot be told where a thumb goes without a drag) and for SB_ENDSCROLL.
std::optional<QAbstractSlider::SliderAction> SliderActionOf(uint32_t code);

}  // namespace tavlen::host
