// The window system behind the companion's presenters, call for call.
#include "platform/desktop/window_port_adapter.h"

namespace tavlen::desktop {

namespace {

class WindowPortAdapter final : public win::WindowPort {
 public:
  explicit WindowPortAdapter(win::Window& window) : m_window(window) {}

  bool Exists() const override { return m_window.Exists(); }
  win::RECT GetClientRect() const override { return m_window.GetClientRect(); }
  win::SIZE GetOuterSize() const override { return m_window.GetOuterSize(); }
  int32_t ScrollBarThickness() const override { return m_window.ScrollBarThickness(); }
  int32_t GetScrollPos(int32_t bar) const override { return m_window.GetScrollPos(bar); }
  win::ScrollBarState GetScrollBarState(int32_t bar) const override { return m_window.GetScrollBarState(bar); }
  const std::vector<uint32_t>& Framebuffer() const override { return m_window.Framebuffer(); }
  bool IsThreadHotKey(uint32_t modifiers, uint32_t virtualKey) const override {
    return win::IsThreadHotKey(modifiers, virtualKey);
  }

  int32_t Pump() override { return m_window.Pump(); }
  void Resize(int32_t width, int32_t height) override { m_window.Resize(width, height); }
  void DestroyWindow() override { m_window.DestroyWindow(); }
  void InjectHScroll(uint32_t code, uint32_t thumbPosition) override { m_window.InjectHScroll(code, thumbPosition); }
  void InjectVScroll(uint32_t code, uint32_t thumbPosition) override { m_window.InjectVScroll(code, thumbPosition); }
  win::BOOL InjectMouseWheel(uint32_t flags, int16_t delta, win::POINT point) override {
    return m_window.InjectMouseWheel(flags, delta, point);
  }
  void InjectMouseMove(uint32_t flags, win::POINT point) override { m_window.InjectMouseMove(flags, point); }
  void InjectMouseButton(win::Message message, uint32_t flags, win::POINT point) override {
    m_window.InjectMouseButton(message, flags, point);
  }
  void InjectKey(win::Message message, uint32_t virtualKey) override { m_window.InjectKey(message, virtualKey); }

 private:
  win::Window& m_window;
};

// The companion's presenter goes first: its widget may still call the port while it is deleted.
class PortedPresenter final : public win::WindowPresenter {
 public:
  PortedPresenter(std::unique_ptr<win::WindowPort> port, std::unique_ptr<win::WindowPresenter> inner)
      : m_port(std::move(port)), m_inner(std::move(inner)) {}

  void FramebufferChanged() override { m_inner->FramebufferChanged(); }
  void LayoutChanged() override { m_inner->LayoutChanged(); }
  void* NativeWidget() const override { return m_inner->NativeWidget(); }

 private:
  std::unique_ptr<win::WindowPort> m_port;
  std::unique_ptr<win::WindowPresenter> m_inner;
};

}  // namespace

std::unique_ptr<win::WindowPort> MakeWindowPort(win::Window& window) {
  return std::make_unique<WindowPortAdapter>(window);
}

std::unique_ptr<win::WindowPresenter> MakePresenterThrough(DesktopModule& module, win::Window& window) {
  std::unique_ptr<win::WindowPort> port = MakeWindowPort(window);
  std::unique_ptr<win::WindowPresenter> inner = module.MakePresenter(*port);
  if (!inner) return nullptr;
  return std::make_unique<PortedPresenter>(std::move(port), std::move(inner));
}

}  // namespace tavlen::desktop
