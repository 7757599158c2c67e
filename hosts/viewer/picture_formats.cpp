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

// The extensions the control (version 2) accepts for loading, and whether their format can hold several
// frames (animated GIF, PNG, WebP, AVIF and JPEG XL, pages of TIFF, images of HEIF).
struct Openable {
  const char* extension;
  bool severalFrames;
};
constexpr Openable kOpenable[] = {{"bmp", false}, {"dib", false},  {"gif", true},  {"png", true},   {"jpg", false},
                                  {"jpe", false}, {"jpeg", false}, {"tif", true},  {"tiff", true},  {"wmf", false},
                                  {"emf", false}, {"webp", true},  {"avif", true}, {"avifs", true}, {"heic", true},
                                  {"heif", true}, {"hif", true},   {"jxl", true}};

const Openable* OpenableOf(const QString& path) {
  const QString suffix = QFileInfo(path).suffix();
  for (const Openable& openable : kOpenable) {
    if (suffix.compare(QString::fromUtf8(openable.extension), Qt::CaseInsensitive) == 0) return &openable;
  }
  return nullptr;
}

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
  for (const Openable& openable : kOpenable) patterns << QStringLiteral("*.") + QString::fromUtf8(openable.extension);
  return QObject::tr("Pictures (%1);;All files (*)").arg(patterns.join(' '));
}

bool IsOpenablePicture(const QString& path) { return OpenableOf(path) != nullptr; }

bool MayHoldSeveralFrames(const QString& path) {
  const Openable* openable = OpenableOf(path);
  return openable != nullptr && openable->severalFrames;
}

}  // namespace tavlen::viewer
