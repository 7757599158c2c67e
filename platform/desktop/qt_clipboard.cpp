// QClipboard behind the clipboard service: formats gathered while the clipboard is open and handed
// over together on close, so other programs never see half a change.
#include "platform/desktop/qt_clipboard.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <cstring>

#include "platform/graphics/codec_registry.h"

namespace tavlen::desktop {

namespace {

QClipboard* SystemClipboard() { return QGuiApplication::instance() ? QGuiApplication::clipboard() : nullptr; }

// The bitmap encoded by our own encoder, for the MIME types that other programs ask for by name.
QByteArray Encode(const gfx::Bitmap& bitmap, const gfx::Guid& encoder) {
  std::vector<uint8_t> bytes;
  if (bitmap.SaveToMemory(encoder, {}, bytes) != gfx::Status::Ok) return {};
  return QByteArray(reinterpret_cast<const char*>(bytes.data()), static_cast<qsizetype>(bytes.size()));
}

}  // namespace

QImage ToQImage(gfx::Bitmap& bitmap) {
  gfx::BitmapData data;
  if (bitmap.LockBits(nullptr, gfx::kImageLockModeRead, gfx::PixelFormat::ARGB32bpp, data) != gfx::Status::Ok) {
    return {};
  }
  QImage image(static_cast<int>(data.width), static_cast<int>(data.height), QImage::Format_RGB32);
  if (!image.isNull()) {
    for (uint32_t y = 0; y < data.height; ++y) {
      const auto* row = static_cast<const uint8_t*>(data.scan0) + static_cast<ptrdiff_t>(y) * data.stride;
      std::memcpy(image.scanLine(static_cast<int>(y)), row, size_t{data.width} * 4);
    }
  }
  (void)bitmap.UnlockBits(data);
  return image;
}

gfx::Bitmap::Ptr FromQImage(const QImage& image) {
  if (image.isNull()) return nullptr;
  const QImage opaque = image.convertToFormat(QImage::Format_RGB32);
  auto made = gfx::Bitmap::Create(static_cast<uint32_t>(opaque.width()), static_cast<uint32_t>(opaque.height()),
                                  win::kDisplayPixelFormat);
  if (!made.Ok()) return nullptr;
  gfx::Bitmap::Ptr bitmap = std::move(made).Value();
  gfx::BitmapData data;
  if (bitmap->LockBits(nullptr, gfx::kImageLockModeWrite, gfx::PixelFormat::ARGB32bpp, data) != gfx::Status::Ok) {
    return nullptr;
  }
  for (uint32_t y = 0; y < data.height; ++y) {
    auto* row = static_cast<uint8_t*>(data.scan0) + static_cast<ptrdiff_t>(y) * data.stride;
    std::memcpy(row, opaque.constScanLine(static_cast<int>(y)), size_t{data.width} * 4);
  }
  return bitmap->UnlockBits(data) == gfx::Status::Ok ? std::move(bitmap) : nullptr;
}

QtClipboard::QtClipboard() = default;
QtClipboard::~QtClipboard() = default;

win::BOOL QtClipboard::Open(const win::Window* /*owner*/) {
  // A scripting host's stand-in for another program holding the clipboard applies here too.
  if (m_open || !SystemClipboard() || win::IsHeadlessClipboardBusy()) return win::FALSE;
  m_open = true;
  m_emptied = false;
  m_pending = std::make_unique<QMimeData>();
  return win::TRUE;
}

win::BOOL QtClipboard::Empty() {
  if (!m_open) return win::FALSE;
  m_pending = std::make_unique<QMimeData>();
  m_emptied = true;
  return win::TRUE;
}

win::BOOL QtClipboard::SetData(uint32_t format, win::ClipboardData& data) {
  if (!m_open) return win::FALSE;
  if (format == win::CF_BITMAP && std::holds_alternative<gfx::Bitmap::Ptr>(data) && std::get<0>(data)) {
    gfx::Bitmap& bitmap = *std::get<gfx::Bitmap::Ptr>(data);
    const QImage image = ToQImage(bitmap);
    const QByteArray png = Encode(bitmap, gfx::kPngEncoderClsid);
    const QByteArray bmp = Encode(bitmap, gfx::kBmpEncoderClsid);
    if (image.isNull() || png.isEmpty() || bmp.isEmpty()) return win::FALSE;
    m_pending->setData(QStringLiteral("image/png"), png);
    m_pending->setData(QStringLiteral("image/bmp"), bmp);
    m_pending->setImageData(image);
    data = gfx::Bitmap::Ptr();  // the clipboard holds its own copies now
    return win::TRUE;
  }
  if ((format == win::CF_TEXT || format == win::CF_UNICODETEXT) && std::holds_alternative<std::string>(data)) {
    m_pending->setText(QString::fromStdString(std::get<std::string>(data)));
    data = std::string();
    return win::TRUE;
  }
  return win::FALSE;
}

win::BOOL QtClipboard::Close() {
  if (!m_open) return win::FALSE;
  m_open = false;
  QClipboard* clipboard = SystemClipboard();
  if (!clipboard) return win::FALSE;
  if (!m_pending->formats().isEmpty()) {
    clipboard->setMimeData(m_pending.release(), QClipboard::Clipboard);  // Qt owns it from here
  } else if (m_emptied) {
    clipboard->clear(QClipboard::Clipboard);
  }
  m_pending.reset();
  return win::TRUE;
}

std::vector<uint32_t> QtClipboard::Formats() const {
  std::vector<uint32_t> formats;
  QClipboard* clipboard = SystemClipboard();
  const QMimeData* data = clipboard ? clipboard->mimeData(QClipboard::Clipboard) : nullptr;
  if (!data) return formats;
  if (data->hasText()) formats.push_back(win::CF_TEXT);
  if (data->hasImage()) formats.push_back(win::CF_BITMAP);
  return formats;
}

gfx::Bitmap::Ptr QtClipboard::CopyBitmap() const {
  QClipboard* clipboard = SystemClipboard();
  return clipboard ? FromQImage(clipboard->image(QClipboard::Clipboard)) : nullptr;
}

}  // namespace tavlen::desktop
