// The clipboard service on QClipboard: what the control sets goes to the desktop's clipboard, where
// other programs read a bitmap as image/png, image/bmp and Qt's image type, and text as text/plain.
#pragma once

#include <QImage>
#include <memory>

#include "platform/window/clipboard.h"

class QMimeData;

namespace tavlen::desktop {

// The bitmap as an opaque QImage (RGB32); a null image when it cannot be read.
QImage ToQImage(gfx::Bitmap& bitmap);
// The image as an RGB32 bitmap; null when it is empty or cannot be made.
gfx::Bitmap::Ptr FromQImage(const QImage& image);

class QtClipboard final : public win::ClipboardService {
 public:
  QtClipboard();
  ~QtClipboard() override;

  // The open/close protocol holds within the process; what other programs do is the desktop's.
  // FALSE while the host pretends that another program holds the clipboard (SetHeadlessClipboardBusy).
  win::BOOL Open(const win::Window* owner) override;
  win::BOOL Empty() override;
  win::BOOL SetData(uint32_t format, win::ClipboardData& data) override;
  // Hands what was set since Empty to the desktop's clipboard, which this process then owns for as
  // long as it runs its event loop.
  win::BOOL Close() override;

  std::vector<uint32_t> Formats() const override;
  gfx::Bitmap::Ptr CopyBitmap() const override;

 private:
  bool m_open = false;
  bool m_emptied = false;
  std::unique_ptr<QMimeData> m_pending;
};

}  // namespace tavlen::desktop
