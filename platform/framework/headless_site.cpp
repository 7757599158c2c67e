// The headless container's calls on a hosted control's window.
#include "platform/framework/headless_site.h"

#include "platform/framework/dialog.h"

namespace tavlen::fw {

using Outcome = HeadlessSite::Outcome;

Outcome HeadlessSite::CreateWindow(int32_t width, int32_t height) {
  if (width < 1 || height < 1 || width > kMaxSide || height > kMaxSide) return Outcome::BadArgument;
  m_control.CreateControlWindow(width, height);
  return LiveWindow() ? Outcome::Done : Outcome::Failed;
}

int32_t HeadlessSite::Pump() {
  win::Window* window = LiveWindow();
  return window ? window->Pump() : 0;
}

Outcome HeadlessSite::ClientSize(int32_t& width, int32_t& height) const {
  win::Window* window = LiveWindow();
  if (!window) return Outcome::NoWindow;
  const win::RECT client = window->GetClientRect();
  width = client.right - client.left;
  height = client.bottom - client.top;
  return Outcome::Done;
}

Outcome HeadlessSite::SetScrollBarThickness(int32_t pixels) {
  win::Window* window = LiveWindow();
  if (!window) return Outcome::NoWindow;
  if (pixels < 0) return Outcome::BadArgument;
  window->SetScrollBarThickness(pixels);
  return Outcome::Done;
}

Outcome HeadlessSite::ScrollBar(int32_t bar, win::ScrollBarState& state) const {
  win::Window* window = LiveWindow();
  if (!window) return Outcome::NoWindow;
  if (bar != win::SB_HORZ && bar != win::SB_VERT) return Outcome::BadArgument;
  state = window->GetScrollBarState(bar);
  return Outcome::Done;
}

Outcome HeadlessSite::SaveClientPng(const std::string& path) const {
  win::Window* window = LiveWindow();
  if (!window) return Outcome::NoWindow;
  return window->SaveClientPng(path) ? Outcome::Done : Outcome::Failed;
}

win::COLORREF HeadlessSite::ClientPixel(int32_t x, int32_t y) const {
  win::Window* window = LiveWindow();
  return window ? window->GetPixel(x, y) : win::CLR_INVALID;
}

Outcome HeadlessSite::MouseMove(uint32_t keys, int32_t x, int32_t y) {
  win::Window* window = LiveWindow();
  if (!window) return Outcome::NoWindow;
  window->InjectMouseMove(keys, {x, y});
  return Outcome::Done;
}

Outcome HeadlessSite::MouseButton(uint32_t message, uint32_t keys, int32_t x, int32_t y) {
  win::Window* window = LiveWindow();
  if (!window) return Outcome::NoWindow;
  switch (message) {
    case win::WM_LBUTTONDOWN:
    case win::WM_LBUTTONUP:
    case win::WM_LBUTTONDBLCLK:
    case win::WM_RBUTTONDOWN:
    case win::WM_RBUTTONUP:
    case win::WM_MBUTTONDOWN:
    case win::WM_MBUTTONUP:
      window->InjectMouseButton(static_cast<win::Message>(message), keys, {x, y});
      return Outcome::Done;
    default:
      return Outcome::BadArgument;
  }
}

Outcome HeadlessSite::MouseWheel(uint32_t keys, int16_t delta, int32_t x, int32_t y, win::BOOL& handled) {
  win::Window* window = LiveWindow();
  if (!window) return Outcome::NoWindow;
  handled = window->InjectMouseWheel(keys, delta, {x, y});
  return Outcome::Done;
}

Outcome HeadlessSite::Scroll(int32_t bar, uint32_t code, uint32_t thumbPosition) {
  win::Window* window = LiveWindow();
  if (!window) return Outcome::NoWindow;
  if (bar == win::SB_HORZ) {
    window->InjectHScroll(code, thumbPosition);
  } else if (bar == win::SB_VERT) {
    window->InjectVScroll(code, thumbPosition);
  } else {
    return Outcome::BadArgument;
  }
  return Outcome::Done;
}

Outcome HeadlessSite::DestroyWindow() {
  win::Window* window = LiveWindow();
  if (!window) return Outcome::NoWindow;
  if (window->Exists()) window->DestroyWindow();
  return Outcome::Done;
}

Outcome HeadlessSite::RecreateWindow() {
  win::Window* window = LiveWindow();
  if (!window) return Outcome::NoWindow;
  if (!window->Exists()) window->Recreate();
  return Outcome::Done;
}

Outcome HeadlessSite::AnswerDialogs(const std::string& answer) {
  DialogAnswer parsed;
  if (!ParseDialogAnswer(answer, &parsed)) return Outcome::BadArgument;
  SetDialogAnswer(parsed);
  return Outcome::Done;
}

}  // namespace tavlen::fw
