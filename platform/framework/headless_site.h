// What a headless container does with a control it hosts: gives it a window of a size, delivers
// paints, reads the client area, injects input and answers the process's dialogs. Any control
// built on COleControl can be driven this way; the control's own object only maps the outcomes
// onto its interface's results.
#pragma once

#include <cstdint>
#include <string>

#include "platform/framework/ole_control.h"
#include "platform/window/window.h"

namespace tavlen::fw {

class HeadlessSite {
 public:
  // How a call ended. NoWindow: the control has no window yet (or it was never created).
  enum class Outcome { Done, NoWindow, BadArgument, Failed };

  static constexpr int32_t kMaxSide = 32767;

  explicit HeadlessSite(COleControl& control) : m_control(control) {}

  // Sites the control in a window of this size, or resizes the one it has. BadArgument for a side
  // outside 1 ... kMaxSide; Failed when no window could be made.
  Outcome CreateWindow(int32_t width, int32_t height);
  // Delivers pending paints; how many happened (0 without a window).
  int32_t Pump();
  Outcome ClientSize(int32_t& width, int32_t& height) const;
  // BadArgument for a negative thickness.
  Outcome SetScrollBarThickness(int32_t pixels);
  // BadArgument for a bar other than SB_HORZ and SB_VERT.
  Outcome ScrollBar(int32_t bar, win::ScrollBarState& state) const;
  // Failed when the file cannot be written.
  Outcome SaveClientPng(const std::string& path) const;
  // CLR_INVALID outside the client area or without a window.
  win::COLORREF ClientPixel(int32_t x, int32_t y) const;

  // Input, delivered at once. `keys` holds MK_* flags; `message` a WM_*BUTTON* code (others are
  // BadArgument); `bar` SB_HORZ or SB_VERT.
  Outcome MouseMove(uint32_t keys, int32_t x, int32_t y);
  Outcome MouseButton(uint32_t message, uint32_t keys, int32_t x, int32_t y);
  Outcome MouseWheel(uint32_t keys, int16_t delta, int32_t x, int32_t y, win::BOOL& handled);
  Outcome Scroll(int32_t bar, uint32_t code, uint32_t thumbPosition);

  // Each does nothing (but is Done) when the window is already gone, or already there.
  Outcome DestroyWindow();
  Outcome RecreateWindow();

  // "ok", "cancel" or "escape" (any case) closes every following dialog of the process;
  // BadArgument for another answer.
  static Outcome AnswerDialogs(const std::string& answer);

 private:
  win::Window* LiveWindow() const { return m_control.GetWindow(); }

  COleControl& m_control;
};

}  // namespace tavlen::fw
