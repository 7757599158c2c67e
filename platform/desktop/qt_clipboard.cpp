// QClipboard behind the desktop clipboard: every format of a change is handed over in one QMimeData,
// so other programs never see half a change.
#include "platform/desktop/qt_clipboard.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <cstring>
#include <memory>

namespace tavlen::desktop {

namespace {

QClipboard* SystemClipboard() { return QGuiApplication::instance() ? QGuiApplication::clipboard() : nullptr; }

QByteArray Bytes(const std::vector<uint8_t>& bytes) {
  return QByteArray(reinterpret_cast<const char*>(bytes.data()), static_cast<qsizetype>(bytes.size()));
}

const QMimeData* Contents() {
  QClipboard* clipboard = SystemClipboard();
  return clipboard ? clipboard->mimeData(QClipboard::Clipboard) : nullptr;
}

}  // namespace

QImage ToQImage(const Rgb32Image& picture) {
  if (picture.width <= 0 || picture.height <= 0 ||
      picture.pixels.size() != static_cast<size_t>(picture.width) * static_cast<size_t>(picture.height)) {
    return {};
  }
  QImage image(picture.width, picture.height, QImage::Format_RGB32);
  if (image.isNull()) return {};
  for (int32_t y = 0; y < picture.height; ++y) {
    std::memcpy(image.scanLine(y), picture.pixels.data() + static_cast<size_t>(y) * static_cast<size_t>(picture.width),
                static_cast<size_t>(picture.width) * 4);
  }
  return image;
}

std::optional<Rgb32Image> FromQImage(const QImage& image) {
  if (image.isNull()) return std::nullopt;
  const QImage opaque = image.convertToFormat(QImage::Format_RGB32);
  Rgb32Image picture;
  picture.width = opaque.width();
  picture.height = opaque.height();
  picture.pixels.resize(static_cast<size_t>(picture.width) * static_cast<size_t>(picture.height));
  for (int32_t y = 0; y < picture.height; ++y) {
    std::memcpy(picture.pixels.data() + static_cast<size_t>(y) * static_cast<size_t>(picture.width),
                opaque.constScanLine(y), static_cast<size_t>(picture.width) * 4);
  }
  return picture;
}

bool QtClipboard::Available() const { return SystemClipboard() != nullptr; }

bool QtClipboard::Publish(ClipboardContent content) {
  QClipboard* clipboard = SystemClipboard();
  if (!clipboard) return false;
  auto data = std::make_unique<QMimeData>();
  if (content.image) {
    const QImage image = ToQImage(*content.image);
    if (image.isNull() || content.png.empty() || content.bmp.empty()) return false;
    data->setData(QStringLiteral("image/png"), Bytes(content.png));
    data->setData(QStringLiteral("image/bmp"), Bytes(content.bmp));
    data->setImageData(image);
  }
  if (content.text) data->setText(QString::fromStdString(*content.text));
  if (data->formats().isEmpty()) {
    clipboard->clear(QClipboard::Clipboard);
  } else {
    clipboard->setMimeData(data.release(), QClipboard::Clipboard);  // Qt owns it from here
  }
  return true;
}

bool QtClipboard::HasText() const {
  const QMimeData* data = Contents();
  return data && data->hasText();
}

bool QtClipboard::HasImage() const {
  const QMimeData* data = Contents();
  return data && data->hasImage();
}

std::optional<Rgb32Image> QtClipboard::Image() const {
  QClipboard* clipboard = SystemClipboard();
  return clipboard ? FromQImage(clipboard->image(QClipboard::Clipboard)) : std::nullopt;
}

}  // namespace tavlen::desktop
