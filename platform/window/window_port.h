// A window as a desktop backend in another module sees it: the reads and the input calls its widgets
// make, behind virtual calls, so that module runs none of the window system's own code.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/window/window.h"

namespace tavlen::win {

class WindowPort {
 public:
  virtual ~WindowPort() = default;

  virtual bool Exists() const = 0;
  virtual RECT GetClientRect() const = 0;
  virtual SIZE GetOuterSize() const = 0;
  virtual int32_t ScrollBarThickness() const = 0;
  virtual int32_t GetScrollPos(int32_t bar) const = 0;
  virtual ScrollBarState GetScrollBarState(int32_t bar) const = 0;
  virtual const std::vector<uint32_t>& Framebuffer() const = 0;
  // Whether a key press with these MOD_* modifiers is a hot key of the thread owning the window.
  virtual bool IsThreadHotKey(uint32_t modifiers, uint32_t virtualKey) const = 0;

  virtual int32_t Pump() = 0;
  virtual void Resize(int32_t width, int32_t height) = 0;
  virtual void DestroyWindow() = 0;
  virtual void InjectHScroll(uint32_t code, uint32_t thumbPosition) = 0;
  virtual void InjectVScroll(uint32_t code, uint32_t thumbPosition) = 0;
  virtual BOOL InjectMouseWheel(uint32_t flags, int16_t delta, POINT point) = 0;
  virtual void InjectMouseMove(uint32_t flags, POINT point) = 0;
  virtual void InjectMouseButton(Message message, uint32_t flags, POINT point) = 0;
  virtual void InjectKey(Message message, uint32_t virtualKey) = 0;
};

}  // namespace tavlen::win
