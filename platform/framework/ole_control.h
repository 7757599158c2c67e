// The control framework's base class: it owns the control's window, keeps the stock properties,
// persists properties through DoPropExchange, tracks the modified flag and routes window messages
// to virtual handlers.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "platform/base/guid.h"
#include "platform/framework/prop_exchange.h"
#include "platform/window/window.h"

namespace tavlen::fw {

using win::BOOL;
using win::POINT;
using win::RECT;

// OLE colours: 0x00BBGGRR, or a system colour with bit 31 set and the index in the low byte.
win::COLORREF TranslateOleColor(OLE_COLOR color);

class COleControl : public win::WindowOwner {
 public:
  COleControl();
  ~COleControl() override;

  // --- Host side ---
  // Creates (or re-creates) the control's window with the given outer size. The first paint
  // follows the next Pump.
  void CreateControlWindow(int32_t width, int32_t height);
  win::Window* GetWindow() const { return m_window.get(); }
  // Persistence: a fresh control (defaults), loading a host's saved bag, saving into one.
  // Loading a damaged bag loads what is valid and defaults the rest. Each leaves the control
  // unmodified; InitNew and Load repaint it. The base exchange also keeps the control's extent
  // ("_ExtentX", "_ExtentY", HIMETRIC, from the window's outer size when saving).
  void InitNew();
  void Load(const PropertyBag& bag);
  void Save(PropertyBag& bag);
  // The Properties verb; the default shows nothing.
  virtual void OnProperties() {}
  // The extent last saved or loaded, in HIMETRIC (0.01 mm); (0, 0) before either.
  win::SIZE GetExtent() const { return m_extent; }

  // --- Stock properties (stored, persisted, and repainting on change) ---
  OLE_COLOR GetBackColor() const { return m_backColor; }
  void SetBackColor(OLE_COLOR color);
  OLE_COLOR GetForeColor() const { return m_foreColor; }
  void SetForeColor(OLE_COLOR color);
  int16_t GetAppearance() const { return m_appearance; }
  void SetAppearance(int16_t appearance);
  BOOL GetEnabled() const { return m_enabled; }
  void SetEnabled(BOOL enabled);

  win::COLORREF TranslateColor(OLE_COLOR color) const { return TranslateOleColor(color); }
  void SetModifiedFlag(BOOL modified = win::TRUE) { m_modified = modified != win::FALSE; }
  BOOL IsModified() const { return m_modified ? win::TRUE : win::FALSE; }

  void InitializeIIDs(const base::Guid* dispatch, const base::Guid* events);
  void EnableSimpleFrame() { m_simpleFrame = true; }
  bool IsSimpleFrame() const { return m_simpleFrame; }
  const base::Guid* DispatchIID() const { return m_dispatchIid; }
  const base::Guid* EventsIID() const { return m_eventsIid; }

 protected:
  // --- What the control overrides ---
  // `bounds` is the client rectangle (0, 0, width, height); `invalid` the part to repaint.
  virtual void OnDraw(win::DeviceContext* /*dc*/, const RECT& /*bounds*/, const RECT& /*invalid*/) {}
  virtual void DoPropExchange(CPropExchange* pPX);  // exchanges the stock properties
  virtual void OnResetState();  // DoPropExchange in reset direction, then the whole control repaints
  // Window-message handlers; the base versions are the framework's default handling.
  void OnDestroy() override {}
  void OnMouseMove(uint32_t flags, POINT point) override;  // fires the stock MouseMove event
  void OnHScroll(uint32_t /*code*/, uint32_t /*position*/) override {}
  void OnVScroll(uint32_t /*code*/, uint32_t /*position*/) override {}
  BOOL OnMouseWheel(uint32_t /*flags*/, int16_t /*delta*/, POINT /*point*/) override { return Default(); }
  BOOL Default() { return win::FALSE; }

  // --- Window services the control calls (do nothing without a window; GetDC is null then) ---
  void InvalidateRect(const RECT* rect, BOOL erase);
  void InvalidateControl() { InvalidateRect(nullptr, win::TRUE); }
  std::unique_ptr<win::DeviceContext> GetDC();
  void ScrollWindow(int32_t dx, int32_t dy);
  int32_t SetScrollInfo(int32_t bar, win::SCROLLINFO& info, BOOL redraw);
  int32_t GetScrollPos(int32_t bar) const;
  int32_t SetScrollPos(int32_t bar, int32_t pos, BOOL redraw);
  void SetScrollRange(int32_t bar, int32_t min, int32_t max, BOOL redraw);
  void ShowScrollBar(int32_t bar, BOOL show);

  // Stock events; the automation layer connects them to the host's sinks. `button` holds 1 left,
  // 2 right, 4 middle; `shift` 1 Shift, 2 Ctrl. A left press and release fire Click; a double
  // click fires DblClick, and its release no Click.
  virtual void FireMouseMove(int16_t /*button*/, int16_t /*shift*/, int32_t /*x*/, int32_t /*y*/) {}
  virtual void FireMouseDown(int16_t /*button*/, int16_t /*shift*/, int32_t /*x*/, int32_t /*y*/) {}
  virtual void FireMouseUp(int16_t /*button*/, int16_t /*shift*/, int32_t /*x*/, int32_t /*y*/) {}
  virtual void FireClick() {}
  virtual void FireDblClick() {}

 private:
  void OnPaint(win::DeviceContext& dc, const RECT& invalid, bool erase) final;
  void OnMouseButton(win::Message message, uint32_t flags, POINT point) override;

  std::unique_ptr<win::Window> m_window;
  OLE_COLOR m_backColor = 0x8000000F;  // button face
  OLE_COLOR m_foreColor = 0x80000012;  // button text
  int16_t m_appearance = 0;
  BOOL m_enabled = win::TRUE;
  bool m_modified = false;
  bool m_simpleFrame = false;
  const base::Guid* m_dispatchIid = nullptr;
  const base::Guid* m_eventsIid = nullptr;
  win::SIZE m_extent;
  uint32_t m_buttonsDown = 0;    // MK_ button bits pressed inside the window
  bool m_suppressClick = false;  // the left release that ends a double click fires no Click
};

}  // namespace tavlen::fw
