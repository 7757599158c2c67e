// The Qt backend's client area: paint from the framebuffer, mouse, wheel and keys as window messages.
#include "platform/window/qt/client_area.h"

#include <QImage>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>
#include <algorithm>
#include <limits>

#include "platform/window/backend.h"
#include "platform/window/qt/input_flags.h"

namespace tavlen::win::qt {

namespace {

struct KeyCode {
  int qtKey;
  uint32_t virtualKey;
};
constexpr KeyCode kKeyCodes[] = {
    {Qt::Key_Backspace, 0x08}, {Qt::Key_Tab, 0x09},     {Qt::Key_Return, 0x0D},   {Qt::Key_Enter, 0x0D},
    {Qt::Key_Shift, 0x10},     {Qt::Key_Control, 0x11}, {Qt::Key_Alt, 0x12},      {Qt::Key_Escape, 0x1B},
    {Qt::Key_Space, 0x20},     {Qt::Key_PageUp, 0x21},  {Qt::Key_PageDown, 0x22}, {Qt::Key_End, 0x23},
    {Qt::Key_Home, 0x24},      {Qt::Key_Left, 0x25},    {Qt::Key_Up, 0x26},       {Qt::Key_Right, 0x27},
    {Qt::Key_Down, 0x28},      {Qt::Key_Insert, 0x2D},  {Qt::Key_Delete, 0x2E},   {Qt::Key_Plus, 0xBB},
    {Qt::Key_Minus, 0xBD},
};

// The virtual-key code of a Qt key; 0 for keys the window messages have no code for here.
uint32_t VirtualKeyOf(int qtKey) {
  if (qtKey >= Qt::Key_F1 && qtKey <= Qt::Key_F24) return VK_F1 + static_cast<uint32_t>(qtKey - Qt::Key_F1);
  if ((qtKey >= Qt::Key_A && qtKey <= Qt::Key_Z) || (qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9)) {
    return static_cast<uint32_t>(qtKey);  // Qt and the virtual keys share ASCII here
  }
  for (const KeyCode& code : kKeyCodes) {
    if (code.qtKey == qtKey) return code.virtualKey;
  }
  return 0;
}

uint32_t HotKeyModifiersOf(Qt::KeyboardModifiers modifiers) {
  uint32_t result = 0;
  if (modifiers & Qt::AltModifier) result |= MOD_ALT;
  if (modifiers & Qt::ControlModifier) result |= MOD_CONTROL;
  if (modifiers & Qt::ShiftModifier) result |= MOD_SHIFT;
  if (modifiers & Qt::MetaModifier) result |= MOD_WIN;
  return result;
}

POINT ClientPoint(const QPointF& position) {
  return {static_cast<int32_t>(position.x()), static_cast<int32_t>(position.y())};
}

}  // namespace

ClientArea::ClientArea(WindowPort& window, QWidget* parent) : QWidget(parent), m_window(window) {
  setObjectName(kClientWidgetName);
  setMouseTracking(true);  // moves without a button pressed are messages too
  setFocusPolicy(Qt::StrongFocus);
  // Every pixel comes from the framebuffer: nothing of Qt's background shows through.
  setAttribute(Qt::WA_OpaquePaintEvent);
}

void ClientArea::paintEvent(QPaintEvent* /*event*/) {
  // Paints still pending go into the framebuffer first, as a desktop window paints on exposure;
  // a host reading what is shown sees the last paint, as a screenshot would.
  if (!property(kPresentOnlyProperty).toBool()) (void)m_window.Pump();
  const RECT client = m_window.GetClientRect();
  const std::vector<uint32_t>& framebuffer = m_window.Framebuffer();
  if (client.IsEmpty() ||
      framebuffer.size() != static_cast<size_t>(client.right) * static_cast<size_t>(client.bottom)) {
    return;
  }
  // Framebuffer words are 0xFFRRGGBB, which is QImage's RGB32 layout; the image only borrows them.
  const QImage image(reinterpret_cast<const uchar*>(framebuffer.data()), client.right, client.bottom,
                     static_cast<qsizetype>(client.right) * 4, QImage::Format_RGB32);
  QPainter painter(this);
  // In logical pixels: a high-DPI screen scales the picture, the control's coordinates stay.
  painter.drawImage(QRect(0, 0, client.right, client.bottom), image);
}

void ClientArea::mouseMoveEvent(QMouseEvent* event) {
  m_window.InjectMouseMove(KeyFlags(event->buttons(), event->modifiers()), ClientPoint(event->position()));
}

void ClientArea::mousePressEvent(QMouseEvent* event) { Button(event, false); }

void ClientArea::mouseReleaseEvent(QMouseEvent* event) { Button(event, false); }

void ClientArea::mouseDoubleClickEvent(QMouseEvent* event) { Button(event, true); }

void ClientArea::Button(QMouseEvent* event, bool doubleClick) {
  const bool down = event->type() != QEvent::MouseButtonRelease;
  Message message;
  switch (event->button()) {
    case Qt::LeftButton:
      message = doubleClick ? WM_LBUTTONDBLCLK : (down ? WM_LBUTTONDOWN : WM_LBUTTONUP);
      break;
    case Qt::RightButton:
      message = down ? WM_RBUTTONDOWN : WM_RBUTTONUP;
      break;
    case Qt::MiddleButton:
      message = down ? WM_MBUTTONDOWN : WM_MBUTTONUP;
      break;
    default:
      event->ignore();
      return;
  }
  if (down) setFocus(Qt::MouseFocusReason);
  m_window.InjectMouseButton(message, KeyFlags(event->buttons(), event->modifiers()), ClientPoint(event->position()));
}

void ClientArea::wheelEvent(QWheelEvent* event) {
  // One notch is 120 in both worlds; horizontal wheels have no message of their own here.
  const int delta = std::clamp(event->angleDelta().y(), static_cast<int>(std::numeric_limits<int16_t>::min()),
                               static_cast<int>(std::numeric_limits<int16_t>::max()));
  if (delta == 0) {
    event->ignore();
    return;
  }
  const BOOL handled = m_window.InjectMouseWheel(KeyFlags(event->buttons(), event->modifiers()),
                                                 static_cast<int16_t>(delta), ClientPoint(event->position()));
  // What the window leaves unhandled goes on to the parent, as the default handling does.
  event->setAccepted(handled != FALSE);
}

void ClientArea::keyPressEvent(QKeyEvent* event) { Key(event, WM_KEYDOWN); }

void ClientArea::keyReleaseEvent(QKeyEvent* event) { Key(event, WM_KEYUP); }

void ClientArea::Key(QKeyEvent* event, Message message) {
  const uint32_t virtualKey = VirtualKeyOf(event->key());
  if (virtualKey == 0) {
    event->ignore();
    return;
  }
  // A thread hot key takes the press while the window has the focus; the thread's hot-key message
  // has no handler, so the key simply does not reach the window.
  if (!m_window.IsThreadHotKey(HotKeyModifiersOf(event->modifiers()), virtualKey))
    m_window.InjectKey(message, virtualKey);
  event->accept();
}

}  // namespace tavlen::win::qt
