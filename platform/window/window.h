// A window with a client framebuffer, an update region, standard scroll bars and a message queue.
// The headless backend is the default: its host creates windows, injects input and pumps messages.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/graphics/drawing/surface.h"
#include "platform/window/win_types.h"

namespace tavlen::win {

class DeviceContext;
class Window;

// What a window tells its owner. Handlers run inside Window::Pump (paint) or inside the Inject*
// calls (input), on the thread that owns the window.
class WindowOwner {
 public:
  virtual ~WindowOwner() = default;
  // The update region needs painting; `dc` draws into the framebuffer clipped to `invalid`.
  // `erase` tells whether an invalidation asked for the background to be erased.
  virtual void OnPaint(DeviceContext& dc, const RECT& invalid, bool erase) = 0;
  virtual void OnHScroll(uint32_t /*code*/, uint32_t /*position*/) {}
  virtual void OnVScroll(uint32_t /*code*/, uint32_t /*position*/) {}
  // Returns what the default handling returns (FALSE when nothing handled it).
  virtual BOOL OnMouseWheel(uint32_t /*flags*/, int16_t /*delta*/, POINT /*screenPoint*/) { return FALSE; }
  virtual void OnMouseMove(uint32_t /*flags*/, POINT /*point*/) {}
  virtual void OnMouseButton(Message /*message*/, uint32_t /*flags*/, POINT /*point*/) {}
  virtual void OnKey(Message /*message*/, uint32_t /*virtualKey*/) {}
  // The client size changed (outer size, or a scroll bar shown or hidden).
  virtual void OnSize(int32_t /*clientWidth*/, int32_t /*clientHeight*/) {}
  // The window is being destroyed (before its framebuffer goes) or was created again.
  virtual void OnDestroy() {}
  virtual void OnCreate() {}
};

// A desktop backend's view of a window: it presents the framebuffer and the scroll bars and feeds
// input back through the Inject* calls. The window tells it what changed; it never paints itself.
class WindowPresenter {
 public:
  virtual ~WindowPresenter() = default;
  // The framebuffer has new pixels, or pixels pending a paint: present them soon.
  virtual void FramebufferChanged() = 0;
  // The outer or client size, a bar's visibility, range, page or position, or the thickness changed.
  virtual void LayoutChanged() = 0;
  // The backend's widget for this window (a QWidget* in the Qt backend).
  virtual void* NativeWidget() const = 0;
};

// Makes the presenter of each window created from now on; it may return null (the window stays
// headless). Set once by a backend when its module starts; null removes it.
using WindowPresenterFactory = std::unique_ptr<WindowPresenter> (*)(Window& window);
void SetWindowPresenterFactory(WindowPresenterFactory factory);

class Window {
 public:
  // A headless window whose outer size is width x height; shown scroll bars take their
  // thickness from that, leaving the client area. The owner must outlive the window. Null for a
  // side outside 0 ... 32767 or a framebuffer over 1 GiB. The framebuffer starts white and the
  // whole client area invalid, so the first Pump paints it. Destroying the Window object does not
  // notify the owner (use DestroyWindow for that).
  static std::unique_ptr<Window> Create(WindowOwner* owner, int32_t width, int32_t height);
  ~Window();
  Window(const Window&) = delete;
  Window& operator=(const Window&) = delete;

  bool Exists() const;  // false between DestroyWindow and Recreate
  // The desktop backend's widget presenting this window; null for a headless window.
  void* NativeWidget() const;
  RECT GetClientRect() const;  // (0, 0, client width, client height); empty while destroyed
  SIZE GetOuterSize() const;

  // Adds a rectangle (null: the whole client area) to the update region; erase is remembered
  // until the paint. Nothing is drawn until Pump delivers the paint. The region is kept as the
  // bounding box of what was invalidated, clipped to the client area.
  void InvalidateRect(const RECT* rect, BOOL erase);
  bool NeedsPaint() const;
  // Moves what the client area shows by (dx, dy) and invalidates the strips it uncovers (with
  // erasing), so that the owner paints only those. A pending update region is invalidated where it
  // was and where its stale pixels went. A move of a whole client side or more invalidates all.
  void ScrollClient(int32_t dx, int32_t dy);

  // A device context for the client area, drawing into the same framebuffer as paints do. Never
  // null; while the window is destroyed its clip is empty and it draws nothing. A context must not
  // outlive its window, and a Surface() taken from it is valid until the client size changes.
  std::unique_ptr<DeviceContext> GetDC();

  // Standard scroll bars, with desktop semantics: positions clamp to min ... max - page + 1
  // (min ... max when page is 0). Return values as the desktop returns them (previous position
  // for SetScrollPos, the new position for SetScrollInfo). A change of range or page that leaves
  // nothing to scroll hides the bar (or disables it with SIF_DISABLENOSCROLL), and one that makes
  // it scrollable shows it, as standard bars do. All of them do nothing while the window is
  // destroyed.
  int32_t SetScrollInfo(int32_t bar, const SCROLLINFO& info, BOOL redraw);
  BOOL GetScrollInfo(int32_t bar, SCROLLINFO& info) const;
  int32_t SetScrollPos(int32_t bar, int32_t pos, BOOL redraw);
  int32_t GetScrollPos(int32_t bar) const;
  BOOL SetScrollRange(int32_t bar, int32_t min, int32_t max, BOOL redraw);
  BOOL ShowScrollBar(int32_t bar, BOOL show);
  ScrollBarState GetScrollBarState(int32_t bar) const;
  // Thickness of a shown bar in pixels (default 17; 0 makes bars take no room).
  void SetScrollBarThickness(int32_t pixels);
  int32_t ScrollBarThickness() const;

  // --- Host side: what a host (the script host, a test, a desktop backend) drives. ---

  // Delivers pending paints; returns how many paints happened (0 when nothing was invalid). A paint
  // handler that invalidates again gets another paint, up to 16 per Pump.
  int32_t Pump();
  // New outer size (ignored outside the limits of Create): OnSize, the whole client area invalid.
  void Resize(int32_t width, int32_t height);
  void DestroyWindow();  // OnDestroy, then the framebuffer goes
  // A new window in the same object: white framebuffer, bars hidden with empty ranges (the thickness
  // stays), OnCreate, the whole client area invalid.
  void Recreate();
  // Input, delivered to the owner at once. Scroll codes 0-8 with a thumb position; the wheel delta
  // in multiples of WHEEL_DELTA.
  void InjectHScroll(uint32_t code, uint32_t thumbPosition);
  void InjectVScroll(uint32_t code, uint32_t thumbPosition);
  BOOL InjectMouseWheel(uint32_t flags, int16_t delta, POINT point);
  void InjectMouseMove(uint32_t flags, POINT point);
  void InjectMouseButton(Message message, uint32_t flags, POINT point);
  // A key press for this window. Thread hot keys never take key presses from windows.
  void InjectKey(Message message, uint32_t virtualKey);

  // The client framebuffer (0xFFRRGGBB words, opaque), as a user would see it.
  COLORREF GetPixel(int32_t x, int32_t y) const;
  const std::vector<uint32_t>& Framebuffer() const;
  // Writes the client area as a PNG; false when it cannot be written.
  bool SaveClientPng(const std::string& path) const;

 private:
  struct Impl;
  explicit Window(std::unique_ptr<Impl> impl);
  friend class DeviceContext;
  std::unique_ptr<Impl> m_impl;
};

// A device context on a window's client area.
class DeviceContext {
 public:
  ~DeviceContext();
  DeviceContext(const DeviceContext&) = delete;
  DeviceContext& operator=(const DeviceContext&) = delete;

  int32_t SetBkMode(int32_t mode);  // returns the previous mode
  int32_t GetBkMode() const;
  // Fills with a solid colour (0x00BBGGRR); the clip applies. FALSE for an invalid colour.
  BOOL FillRect(const RECT& rect, COLORREF color);
  // CLR_INVALID outside the client area or the clip.
  COLORREF GetPixel(int32_t x, int32_t y) const;
  // The pixels for the painter, with this context's clip.
  gfx::WindowSurface Surface() const;
  RECT ClipBox() const;

 private:
  friend class Window;
  DeviceContext(Window* window, RECT clip);
  Window* m_window;
  RECT m_clip;
  int32_t m_bkMode = OPAQUE;
};

// The desktop's system colours, index 0-30 (COLOR_BTNFACE 15 is 0x00F0F0F0); 0 for other indices.
constexpr int32_t kSysColorCount = 31;
COLORREF GetSysColor(int32_t index);

// Process-wide atom table: counted strings, case-insensitive; atoms from 0xC000 up. 0 on failure.
uint16_t GlobalAddAtom(const std::string& name);
uint16_t GlobalFindAtom(const std::string& name);
// "#n" names the integer atom n (1 ... 0xBFFF), which is not counted.
uint16_t GlobalDeleteAtom(uint16_t atom);      // 0 when it succeeded, as on the desktop
std::string GlobalGetAtomName(uint16_t atom);  // empty for an unknown atom

// Thread hot keys: registered per thread under an identifier. A registered key is recorded and
// reported by IsHotKeyRegistered; it never takes key presses away from windows. Registering fails
// for an identifier the calling thread already holds for that window (null: the thread itself) and
// for a key combination registered anywhere in the process. Destroying a Window drops its keys.
BOOL RegisterHotKey(Window* window, int32_t id, uint32_t modifiers, uint32_t virtualKey);
BOOL UnregisterHotKey(Window* window, int32_t id);
bool IsHotKeyRegistered(int32_t id, uint32_t virtualKey);
// Whether a key press with these MOD_* modifiers is a hot key of the calling thread: a desktop
// backend then turns it into the thread's hot-key message instead of the window's key message.
bool IsThreadHotKey(uint32_t modifiers, uint32_t virtualKey);

}  // namespace tavlen::win
