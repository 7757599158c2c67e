// The file formats the viewer saves and converts to: the control's method for each, the extension the
// control appends, and the option asked before the call.
#pragma once

#include <QString>
#include <QStringList>
#include <span>

namespace tavlen::viewer {

enum class FormatOption { None, JpegQuality, TiffCompression };

struct PictureFormat {
  const char* name;           // "JPEG"
  const char* saveMethod;     // "SaveAsJpg"
  const char* convertMethod;  // "ConvertToJpg"
  const char* extension;      // what the control appends: ".jpg"
  const char* patterns;       // for the file dialog: "*.jpg *.jpeg *.jpe"
  FormatOption option;
};

std::span<const PictureFormat> PictureFormats();

// "JPEG (*.jpg *.jpeg *.jpe)"
QString FilterOf(const PictureFormat& format);
// The name to hand the control, which appends the format's extension itself: a chosen name that ends in one
// of the format's own extensions loses it ("a.jpeg" -> "a"); any other name is kept whole ("a.old" -> "a.old").
QString BaseNameFor(const QString& chosen, const PictureFormat& format);

// The format one of whose extensions ends `name`, or null.
const PictureFormat* FormatOfName(const QString& name);

// The file names the control opens, for the open dialogs, and whether a path has one of them.
QString OpenFilter();
bool IsOpenablePicture(const QString& path);
// Whether the format named by the path's extension can hold several frames or pages.
bool MayHoldSeveralFrames(const QString& path);

}  // namespace tavlen::viewer
