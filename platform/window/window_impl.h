// Internal state of a headless window, shared by the files that implement Window and DeviceContext.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include "platform/window/window.h"

namespace tavlen::win {

// Largest side and pixel memory of a client framebuffer: sizes beyond are refused, not allocated.
inline constexpr int32_t kMaxWindowSide = 32767;
inline constexpr uint64_t kMaxFramebufferBytes = 1ull << 30;
// A new framebuffer and newly uncovered client pixels start white (the window background of a
// fresh desktop window) until the owner paints them.
inline constexpr uint32_t kClearPixel = 0xFFFFFFFF;
inline constexpr int32_t kDefaultBarThickness = 17;

bool IsAcceptableWindowSize(int32_t width, int32_t height);
RECT IntersectRects(const RECT& a, const RECT& b);
RECT UnionRects(const RECT& a, const RECT& b);
// Drops the hot keys registered for a window that goes away, so no entry keeps a dangling pointer.
void ForgetHotKeysOf(const Window* window);

struct Window::Impl {
  WindowOwner* owner = nullptr;
  int32_t outerWidth = 0;
  int32_t outerHeight = 0;
  int32_t clientWidth = 0;
  int32_t clientHeight = 0;
  bool exists = true;
  std::vector<uint32_t> framebuffer;  // clientWidth x clientHeight, rows packed
  // The update region is kept as its bounding box: paints are clipped to a rectangle anyway.
  RECT update{};
  bool updatePending = false;
  bool erasePending = false;
  std::array<ScrollBarState, 2> bars{};
  int32_t barThickness = kDefaultBarThickness;
  std::unique_ptr<WindowPresenter> presenter;  // null for a headless window

  void NotifyFramebuffer() const {
    if (presenter) presenter->FramebufferChanged();
  }
  void NotifyLayout() const {
    if (presenter) presenter->LayoutChanged();
  }

  RECT ClientRect() const { return {0, 0, clientWidth, clientHeight}; }
  void Invalidate(const RECT* rect, bool erase);
  // Recomputes the client size from the outer size and the shown bars. When it changed, the
  // framebuffer keeps what stays visible, the owner hears OnSize and the whole client area becomes
  // invalid. Returns whether the client size changed.
  bool Relayout();
  // Fresh framebuffer of the current client size, cleared.
  void ResetFramebuffer();
};

}  // namespace tavlen::win
