// Device contexts on a window's client area: solid fills, pixel reads and the painter's surface,
// all on the window's framebuffer and inside the context's clip.
#include <algorithm>

#include "platform/window/window_impl.h"

namespace tavlen::win {

DeviceContext::DeviceContext(Window* window, RECT clip) : m_window(window), m_clip(clip) {}

// What was drawn outside a paint must reach a desktop backend's screen too.
DeviceContext::~DeviceContext() { m_window->m_impl->NotifyFramebuffer(); }

int32_t DeviceContext::SetBkMode(int32_t mode) {
  if (mode != TRANSPARENT && mode != OPAQUE) return 0;
  int32_t previous = m_bkMode;
  m_bkMode = mode;
  return previous;
}

int32_t DeviceContext::GetBkMode() const { return m_bkMode; }

RECT DeviceContext::ClipBox() const {
  // The client area may have shrunk (a bar appeared) since the context was made.
  return IntersectRects(m_clip, m_window->GetClientRect());
}

BOOL DeviceContext::FillRect(const RECT& rect, COLORREF color) {
  // Palette-relative and system-colour references are not solid colours of a plain brush.
  if (color & 0xFF000000u) return FALSE;
  Window::Impl& w = *m_window->m_impl;
  RECT area = IntersectRects(rect, ClipBox());
  uint32_t argb = 0xFF000000u | (color & 0xFFu) << 16 | (color & 0xFF00u) | (color >> 16 & 0xFFu);
  for (int32_t y = area.top; y < area.bottom; ++y) {
    auto row = w.framebuffer.begin() + static_cast<ptrdiff_t>(y) * w.clientWidth;
    std::fill(row + area.left, row + area.right, argb);
  }
  return TRUE;
}

COLORREF DeviceContext::GetPixel(int32_t x, int32_t y) const {
  RECT clip = ClipBox();
  if (x < clip.left || x >= clip.right || y < clip.top || y >= clip.bottom) return CLR_INVALID;
  return m_window->GetPixel(x, y);
}

gfx::WindowSurface DeviceContext::Surface() const {
  Window::Impl& w = *m_window->m_impl;
  gfx::WindowSurface surface;
  if (!w.exists || w.framebuffer.empty()) return surface;
  surface.pixels = w.framebuffer.data();
  surface.stride = static_cast<size_t>(w.clientWidth) * sizeof(uint32_t);
  surface.width = static_cast<uint32_t>(w.clientWidth);
  surface.height = static_cast<uint32_t>(w.clientHeight);
  RECT clip = ClipBox();
  surface.clip = {clip.left, clip.top, clip.Width(), clip.Height()};
  return surface;
}

}  // namespace tavlen::win
