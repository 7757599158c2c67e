// The clipboard service in front of the desktop's clipboard: the open/close protocol and the bitmap
// conversions run here, with our own encoders, and each closed session reaches the desktop whole.
#pragma once

#include "platform/desktop/desktop_port.h"
#include "platform/window/clipboard.h"

namespace tavlen::desktop {

// The bitmap's pixels as opaque words; nullopt when they cannot be read.
std::optional<Rgb32Image> ReadRgb32(gfx::Bitmap& bitmap);
// A bitmap of the display format holding `picture`; null when it is empty, inconsistent or cannot be made.
gfx::Bitmap::Ptr BitmapFromRgb32(const Rgb32Image& picture);

class DesktopClipboardService final : public win::ClipboardService {
 public:
  explicit DesktopClipboardService(DesktopClipboard& desktop) : m_desktop(desktop) {}

  // The open/close protocol holds within the process; what other programs do is the desktop's.
  // FALSE without a desktop clipboard, or while the host pretends that another program holds the
  // clipboard (SetHeadlessClipboardBusy).
  win::BOOL Open(const win::Window* owner) override;
  win::BOOL Empty() override;
  // Bitmaps (CF_BITMAP) and text (CF_TEXT, CF_UNICODETEXT); FALSE for anything else.
  win::BOOL SetData(uint32_t format, win::ClipboardData& data) override;
  // Hands what was set since Open to the desktop (or clears it after Empty with nothing set).
  win::BOOL Close() override;

  std::vector<uint32_t> Formats() const override;
  gfx::Bitmap::Ptr CopyBitmap() const override;

 private:
  DesktopClipboard& m_desktop;
  bool m_open = false;
  bool m_emptied = false;
  ClipboardContent m_pending;
};

}  // namespace tavlen::desktop
