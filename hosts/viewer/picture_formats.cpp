// The viewer's table of output formats and of the extensions the control opens.
#include "hosts/viewer/picture_formats.h"

#include <QFileInfo>

namespace tavlen::viewer {
namespace {

constexpr PictureFormat kFormats[] = {
    {"PNG", "SaveAsPng", "ConvertToPng", ".png", "*.png", FormatOption::None},
    {"JPEG", "SaveAsJpg", "ConvertToJpg", ".jpg", "*.jpg *.jpeg *.jpe", FormatOption::JpegQuality},
    {"TIFF", "SaveAsTif", "ConvertToTif", ".tiff", "*.tiff *.tif", FormatOption::TiffCompression},
    {"BMP", "SaveAsBmp", "ConvertToBmp", ".bmp", "*.bmp", FormatOption::None},
    {"GIF", "SaveAsGif", "ConvertToGif", ".gif", "*.gif", FormatOption::None},
};

// The extensions the control accepts for loading.
constexpr const char* kOpenable[] = {"bmp", "dib", "gif", "png", "jpg", "jpe", "jpeg", "tif", "tiff", "wmf", "emf"};

}  // namespace

std::span<const PictureFormat> PictureFormats() { return kFormats; }

QString FilterOf(const PictureFormat& format) {
  return QStringLiteral("%1 (%2)").arg(QString::fromUtf8(format.name), QString::fromUtf8(format.patterns));
}

// The length of the format's extension that ends `name`, or 0.
qsizetype ExtensionLength(const QString& name, const PictureFormat& format) {
  for (const QString& pattern : QString::fromUtf8(format.patterns).split(' ')) {
    const QString extension = pattern.mid(1);  // "*.jpg" -> ".jpg"
    if (name.size() > extension.size() && name.endsWith(extension, Qt::CaseInsensitive)) return extension.size();
  }
  return 0;
}

QString BaseNameFor(const QString& chosen, const PictureFormat& format) {
  return chosen.left(chosen.size() - ExtensionLength(chosen, format));
}

const PictureFormat* FormatOfName(const QString& name) {
  for (const PictureFormat& format : kFormats) {
    if (ExtensionLength(name, format) > 0) return &format;
  }
  return nullptr;
}

QString OpenFilter() {
  QStringList patterns;
  for (const char* extension : kOpenable) patterns << QStringLiteral("*.") + QString::fromUtf8(extension);
  return QObject::tr("Pictures (%1);;All files (*)").arg(patterns.join(' '));
}

bool IsOpenablePicture(const QString& path) {
  const QString suffix = QFileInfo(path).suffix();
  for (const char* extension : kOpenable) {
    if (suffix.compare(QString::fromUtf8(extension), Qt::CaseInsensitive) == 0) return true;
  }
  return false;
}

}  // namespace tavlen::viewer
