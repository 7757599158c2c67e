// The control base class: window ownership, stock properties, persistence through DoPropExchange,
// and the default handling of paint and mouse messages.
#include "platform/framework/ole_control.h"

namespace tavlen::fw {

namespace {

constexpr OLE_COLOR kDefaultBackColor = 0x80000000 | win::COLOR_BTNFACE;
constexpr OLE_COLOR kDefaultForeColor = 0x80000000 | win::COLOR_BTNTEXT;
constexpr int16_t kDefaultAppearance = 0;

// HIMETRIC units per inch over the 96 pixels per inch of the headless window.
constexpr int64_t kHimetricPerInch = 2540;
constexpr int64_t kPixelsPerInch = 96;

int32_t PixelsToHimetric(int32_t pixels) {
  return static_cast<int32_t>((static_cast<int64_t>(pixels) * kHimetricPerInch + kPixelsPerInch / 2) / kPixelsPerInch);
}

// Stock-event arguments: button 1 left, 2 right, 4 middle; shift 1 Shift, 2 Ctrl.
int16_t ButtonsOf(uint32_t flags) {
  return static_cast<int16_t>(((flags & win::MK_LBUTTON) ? 1 : 0) | ((flags & win::MK_RBUTTON) ? 2 : 0) |
                              ((flags & win::MK_MBUTTON) ? 4 : 0));
}

int16_t ShiftOf(uint32_t flags) {
  return static_cast<int16_t>(((flags & win::MK_SHIFT) ? 1 : 0) | ((flags & win::MK_CONTROL) ? 2 : 0));
}

}  // namespace

win::COLORREF TranslateOleColor(OLE_COLOR color) {
  if (color & 0x80000000u) return win::GetSysColor(static_cast<int32_t>(color & 0xFFu));
  return color & 0x00FFFFFFu;
}

COleControl::COleControl() = default;

// The window goes with the control; its owner is being torn down, so no OnDestroy reaches it.
COleControl::~COleControl() = default;

void COleControl::CreateControlWindow(int32_t width, int32_t height) {
  if (!m_window) {
    m_window = win::Window::Create(this, width, height);
    return;
  }
  m_window->Resize(width, height);
  if (!m_window->Exists()) m_window->Recreate();
}

void COleControl::InitNew() {
  OnResetState();
  m_modified = false;
}

void COleControl::Load(const PropertyBag& bag) {
  // The exchanger only reads from the bag in the load direction.
  CPropExchange px(ExchangeDirection::Load, const_cast<PropertyBag*>(&bag));
  DoPropExchange(&px);
  m_modified = false;
  InvalidateControl();
}

void COleControl::Save(PropertyBag& bag) {
  CPropExchange px(ExchangeDirection::Save, &bag);
  DoPropExchange(&px);
  m_modified = false;
}

void COleControl::DoPropExchange(CPropExchange* pPX) {
  // The extent is the host's layout, not a property: a reset leaves it alone.
  if (pPX->Direction() == ExchangeDirection::Save && m_window) {
    win::SIZE outer = m_window->GetOuterSize();
    m_extent = {PixelsToHimetric(outer.cx), PixelsToHimetric(outer.cy)};
  }
  if (pPX->Direction() != ExchangeDirection::Reset) {
    PX_Long(pPX, "_ExtentX", m_extent.cx, m_extent.cx);
    PX_Long(pPX, "_ExtentY", m_extent.cy, m_extent.cy);
  }
  PX_Color(pPX, "BackColor", m_backColor, kDefaultBackColor);
  PX_Color(pPX, "ForeColor", m_foreColor, kDefaultForeColor);
  PX_Short(pPX, "Appearance", m_appearance, kDefaultAppearance);
  PX_Bool(pPX, "Enabled", m_enabled, win::TRUE);
}

void COleControl::OnResetState() {
  CPropExchange px(ExchangeDirection::Reset, nullptr);
  DoPropExchange(&px);
  InvalidateControl();
}

void COleControl::SetBackColor(OLE_COLOR color) {
  m_backColor = color;
  SetModifiedFlag();
  InvalidateControl();
}

void COleControl::SetForeColor(OLE_COLOR color) {
  m_foreColor = color;
  SetModifiedFlag();
  InvalidateControl();
}

void COleControl::SetAppearance(int16_t appearance) {
  m_appearance = appearance;
  SetModifiedFlag();
  InvalidateControl();
}

void COleControl::SetEnabled(BOOL enabled) {
  m_enabled = enabled != win::FALSE ? win::TRUE : win::FALSE;
  SetModifiedFlag();
  InvalidateControl();
}

void COleControl::InitializeIIDs(const base::Guid* dispatch, const base::Guid* events) {
  m_dispatchIid = dispatch;
  m_eventsIid = events;
}

void COleControl::OnPaint(win::DeviceContext& dc, const RECT& invalid, bool /*erase*/) {
  RECT bounds = m_window ? m_window->GetClientRect() : invalid;
  OnDraw(&dc, bounds, invalid);
}

void COleControl::OnMouseMove(uint32_t flags, POINT point) {
  FireMouseMove(ButtonsOf(flags), ShiftOf(flags), point.x, point.y);
}

void COleControl::OnMouseButton(win::Message message, uint32_t flags, POINT point) {
  int16_t shift = ShiftOf(flags);
  auto press = [&](uint32_t bit, int16_t button) {
    m_buttonsDown |= bit;
    FireMouseDown(button, shift, point.x, point.y);
  };
  auto release = [&](uint32_t bit, int16_t button) {
    bool wasDown = (m_buttonsDown & bit) != 0;
    m_buttonsDown &= ~bit;
    FireMouseUp(button, shift, point.x, point.y);
    if (bit == win::MK_LBUTTON && wasDown && !m_suppressClick) FireClick();
    if (bit == win::MK_LBUTTON) m_suppressClick = false;
  };
  switch (message) {
    case win::WM_LBUTTONDOWN:
      press(win::MK_LBUTTON, 1);
      break;
    case win::WM_RBUTTONDOWN:
      press(win::MK_RBUTTON, 2);
      break;
    case win::WM_MBUTTONDOWN:
      press(win::MK_MBUTTON, 4);
      break;
    case win::WM_LBUTTONUP:
      release(win::MK_LBUTTON, 1);
      break;
    case win::WM_RBUTTONUP:
      release(win::MK_RBUTTON, 2);
      break;
    case win::WM_MBUTTONUP:
      release(win::MK_MBUTTON, 4);
      break;
    case win::WM_LBUTTONDBLCLK:
      m_buttonsDown |= win::MK_LBUTTON;
      m_suppressClick = true;
      FireDblClick();
      break;
    default:
      break;
  }
}

void COleControl::InvalidateRect(const RECT* rect, BOOL erase) {
  if (m_window) m_window->InvalidateRect(rect, erase);
}

std::unique_ptr<win::DeviceContext> COleControl::GetDC() { return m_window ? m_window->GetDC() : nullptr; }

void COleControl::ScrollWindow(int32_t dx, int32_t dy) {
  if (m_window) m_window->ScrollClient(dx, dy);
}

int32_t COleControl::SetScrollInfo(int32_t bar, win::SCROLLINFO& info, BOOL redraw) {
  info.cbSize = sizeof(win::SCROLLINFO);
  return m_window ? m_window->SetScrollInfo(bar, info, redraw) : 0;
}

int32_t COleControl::GetScrollPos(int32_t bar) const { return m_window ? m_window->GetScrollPos(bar) : 0; }

int32_t COleControl::SetScrollPos(int32_t bar, int32_t pos, BOOL redraw) {
  return m_window ? m_window->SetScrollPos(bar, pos, redraw) : 0;
}

void COleControl::SetScrollRange(int32_t bar, int32_t min, int32_t max, BOOL redraw) {
  if (m_window) m_window->SetScrollRange(bar, min, max, redraw);
}

void COleControl::ShowScrollBar(int32_t bar, BOOL show) {
  if (m_window) m_window->ShowScrollBar(bar, show);
}

}  // namespace tavlen::fw
