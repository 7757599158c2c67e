// The headless window: client size, framebuffer, update region, paint pump, resize, destroy and input.
#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "platform/window/window_impl.h"

namespace tavlen::win {

namespace {

// A paint handler that invalidates in every paint would keep a desktop loop busy forever; one
// Pump delivers at most this many paints and leaves the rest pending for the next.
constexpr int32_t kMaxPaintsPerPump = 16;

// Process-wide, as a desktop's window classes are: set by a backend when its module starts.
WindowPresenterFactory g_presenterFactory = nullptr;

}  // namespace

void SetWindowPresenterFactory(WindowPresenterFactory factory) { g_presenterFactory = factory; }

bool IsAcceptableWindowSize(int32_t width, int32_t height) {
  if (width < 0 || height < 0 || width > kMaxWindowSide || height > kMaxWindowSide) return false;
  return static_cast<uint64_t>(width) * static_cast<uint64_t>(height) * 4u <= kMaxFramebufferBytes;
}

RECT IntersectRects(const RECT& a, const RECT& b) {
  RECT r{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right), std::min(a.bottom, b.bottom)};
  if (r.IsEmpty()) return {};
  return r;
}

RECT UnionRects(const RECT& a, const RECT& b) {
  if (a.IsEmpty()) return b;
  if (b.IsEmpty()) return a;
  return {std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right), std::max(a.bottom, b.bottom)};
}

void Window::Impl::Invalidate(const RECT* rect, bool erase) {
  if (!exists) return;
  RECT r = IntersectRects(rect ? *rect : ClientRect(), ClientRect());
  if (r.IsEmpty()) return;
  update = updatePending ? UnionRects(update, r) : r;
  updatePending = true;
  erasePending = erasePending || erase;
  NotifyFramebuffer();
}

void Window::Impl::ResetFramebuffer() {
  framebuffer.assign(static_cast<size_t>(clientWidth) * static_cast<size_t>(clientHeight), kClearPixel);
}

bool Window::Impl::Relayout() {
  int32_t thickness = std::max(barThickness, 0);
  int32_t newWidth = std::max(outerWidth - (bars[SB_VERT].shown ? thickness : 0), 0);
  int32_t newHeight = std::max(outerHeight - (bars[SB_HORZ].shown ? thickness : 0), 0);
  if (newWidth == clientWidth && newHeight == clientHeight) return false;
  std::vector<uint32_t> resized(static_cast<size_t>(newWidth) * static_cast<size_t>(newHeight), kClearPixel);
  int32_t keepWidth = std::min(newWidth, clientWidth);
  int32_t keepHeight = std::min(newHeight, clientHeight);
  for (int32_t y = 0; y < keepHeight; ++y) {
    auto from = framebuffer.begin() + static_cast<ptrdiff_t>(y) * clientWidth;
    std::copy(from, from + keepWidth, resized.begin() + static_cast<ptrdiff_t>(y) * newWidth);
  }
  framebuffer.swap(resized);
  clientWidth = newWidth;
  clientHeight = newHeight;
  // The old update box may reach outside the smaller client area.
  if (updatePending) {
    update = IntersectRects(update, ClientRect());
    updatePending = !update.IsEmpty();
  }
  if (owner) owner->OnSize(clientWidth, clientHeight);
  Invalidate(nullptr, true);
  NotifyLayout();
  return true;
}

std::unique_ptr<Window> Window::Create(WindowOwner* owner, int32_t width, int32_t height) {
  if (!IsAcceptableWindowSize(width, height)) return nullptr;
  auto impl = std::make_unique<Impl>();
  impl->owner = owner;
  impl->outerWidth = width;
  impl->outerHeight = height;
  impl->clientWidth = width;
  impl->clientHeight = height;
  impl->ResetFramebuffer();
  impl->Invalidate(nullptr, true);
  std::unique_ptr<Window> window(new Window(std::move(impl)));
  if (g_presenterFactory) window->m_impl->presenter = g_presenterFactory(*window);
  return window;
}

Window::Window(std::unique_ptr<Impl> impl) : m_impl(std::move(impl)) {}

Window::~Window() {
  // The presenter's widget goes first, while the window it presents is still whole.
  m_impl->presenter.reset();
  ForgetHotKeysOf(this);
}

bool Window::Exists() const { return m_impl->exists; }

void* Window::NativeWidget() const { return m_impl->presenter ? m_impl->presenter->NativeWidget() : nullptr; }

RECT Window::GetClientRect() const { return m_impl->exists ? m_impl->ClientRect() : RECT{}; }

SIZE Window::GetOuterSize() const { return {m_impl->outerWidth, m_impl->outerHeight}; }

void Window::InvalidateRect(const RECT* rect, BOOL erase) { m_impl->Invalidate(rect, erase != FALSE); }

bool Window::NeedsPaint() const { return m_impl->exists && m_impl->updatePending; }

void Window::ScrollClient(int32_t dx, int32_t dy) {
  Impl& w = *m_impl;
  if (!w.exists || (dx == 0 && dy == 0)) return;
  const int64_t width = w.clientWidth, height = w.clientHeight;
  if (std::llabs(dx) >= width || std::llabs(dy) >= height) {
    w.Invalidate(nullptr, true);
    return;
  }
  if (w.updatePending) {
    const RECT moved{w.update.left + dx, w.update.top + dy, w.update.right + dx, w.update.bottom + dy};
    w.Invalidate(&moved, w.erasePending);
  }
  // Rows are copied in the order that never reads a row already overwritten.
  const size_t keep = static_cast<size_t>(width - std::llabs(dx)) * sizeof(uint32_t);
  const int64_t fromX = dx < 0 ? -int64_t{dx} : 0, toX = dx > 0 ? dx : 0;
  auto moveRow = [&](int64_t y) {
    uint32_t* rows = w.framebuffer.data();
    std::memmove(rows + (y * width + toX), rows + ((y - dy) * width + fromX), keep);
  };
  if (dy > 0) {
    for (int64_t y = height - 1; y >= dy; --y) moveRow(y);
  } else {
    for (int64_t y = 0; y < height + dy; ++y) moveRow(y);
  }
  const int32_t cw = w.clientWidth, ch = w.clientHeight;
  const RECT columns = dx > 0 ? RECT{0, 0, dx, ch} : RECT{cw + dx, 0, cw, ch};
  const RECT rows = dy > 0 ? RECT{0, 0, cw, dy} : RECT{0, ch + dy, cw, ch};
  if (dx != 0) w.Invalidate(&columns, true);
  if (dy != 0) w.Invalidate(&rows, true);
}

std::unique_ptr<DeviceContext> Window::GetDC() {
  return std::unique_ptr<DeviceContext>(new DeviceContext(this, GetClientRect()));
}

int32_t Window::Pump() {
  int32_t paints = 0;
  while (m_impl->exists && m_impl->updatePending && paints < kMaxPaintsPerPump) {
    // The region is validated before the handler runs, so invalidations made while painting
    // schedule a further paint, as on the desktop.
    RECT invalid = m_impl->update;
    bool erase = m_impl->erasePending;
    m_impl->updatePending = false;
    m_impl->erasePending = false;
    m_impl->update = {};
    if (!m_impl->owner) continue;
    DeviceContext dc(this, invalid);
    m_impl->owner->OnPaint(dc, invalid, erase);
    ++paints;
  }
  if (paints > 0) m_impl->NotifyFramebuffer();
  return paints;
}

void Window::Resize(int32_t width, int32_t height) {
  if (!IsAcceptableWindowSize(width, height)) return;
  m_impl->outerWidth = width;
  m_impl->outerHeight = height;
  if (!m_impl->exists) return;
  if (!m_impl->Relayout()) {
    // Same client size: a desktop window still hears about the move and repaints.
    if (m_impl->owner) m_impl->owner->OnSize(m_impl->clientWidth, m_impl->clientHeight);
    m_impl->Invalidate(nullptr, true);
    m_impl->NotifyLayout();
  }
}

void Window::DestroyWindow() {
  if (!m_impl->exists) return;
  if (m_impl->owner) m_impl->owner->OnDestroy();
  m_impl->exists = false;
  m_impl->updatePending = false;
  m_impl->erasePending = false;
  m_impl->update = {};
  m_impl->framebuffer.clear();
  m_impl->framebuffer.shrink_to_fit();
  m_impl->clientWidth = 0;
  m_impl->clientHeight = 0;
  m_impl->NotifyLayout();
}

void Window::Recreate() {
  DestroyWindow();
  // A new window: bars hidden with empty ranges; the thickness is the host's setting and stays.
  m_impl->bars = {};
  m_impl->exists = true;
  m_impl->clientWidth = m_impl->outerWidth;
  m_impl->clientHeight = m_impl->outerHeight;
  m_impl->ResetFramebuffer();
  if (m_impl->owner) m_impl->owner->OnCreate();
  m_impl->Invalidate(nullptr, true);
  m_impl->NotifyLayout();
}

namespace {

// While the thumb is dragged the bar reports the drag position as its tracking position.
void NoteThumb(ScrollBarState& bar, uint32_t code, uint32_t thumbPosition) {
  if (code == SB_THUMBTRACK || code == SB_THUMBPOSITION) bar.trackPos = static_cast<int32_t>(thumbPosition);
}

}  // namespace

void Window::InjectHScroll(uint32_t code, uint32_t thumbPosition) {
  if (!m_impl->exists) return;
  NoteThumb(m_impl->bars[SB_HORZ], code, thumbPosition);
  if (m_impl->owner) m_impl->owner->OnHScroll(code, thumbPosition);
}

void Window::InjectVScroll(uint32_t code, uint32_t thumbPosition) {
  if (!m_impl->exists) return;
  NoteThumb(m_impl->bars[SB_VERT], code, thumbPosition);
  if (m_impl->owner) m_impl->owner->OnVScroll(code, thumbPosition);
}

BOOL Window::InjectMouseWheel(uint32_t flags, int16_t delta, POINT point) {
  if (!m_impl->exists || !m_impl->owner) return FALSE;
  return m_impl->owner->OnMouseWheel(flags, delta, point);
}

void Window::InjectMouseMove(uint32_t flags, POINT point) {
  if (m_impl->exists && m_impl->owner) m_impl->owner->OnMouseMove(flags, point);
}

void Window::InjectMouseButton(Message message, uint32_t flags, POINT point) {
  if (m_impl->exists && m_impl->owner) m_impl->owner->OnMouseButton(message, flags, point);
}

void Window::InjectKey(Message message, uint32_t virtualKey) {
  if (m_impl->exists && m_impl->owner) m_impl->owner->OnKey(message, virtualKey);
}

COLORREF Window::GetPixel(int32_t x, int32_t y) const {
  const Impl& w = *m_impl;
  if (!w.exists || x < 0 || y < 0 || x >= w.clientWidth || y >= w.clientHeight) return CLR_INVALID;
  uint32_t argb = w.framebuffer[static_cast<size_t>(y) * static_cast<size_t>(w.clientWidth) + static_cast<size_t>(x)];
  return RGB(static_cast<uint8_t>(argb >> 16), static_cast<uint8_t>(argb >> 8), static_cast<uint8_t>(argb));
}

const std::vector<uint32_t>& Window::Framebuffer() const { return m_impl->framebuffer; }

void Window::SetScrollBarThickness(int32_t pixels) {
  m_impl->barThickness = std::clamp(pixels, 0, kMaxWindowSide);
  if (m_impl->exists) m_impl->Relayout();
  m_impl->NotifyLayout();
}

int32_t Window::ScrollBarThickness() const { return m_impl->barThickness; }

}  // namespace tavlen::win
