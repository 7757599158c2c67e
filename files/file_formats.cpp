// The format table, the encoder lookup and the small choices made from the control's settings.
#include "files/file_formats.h"

#include <array>
#include <memory>
#include <new>
#include <string>

#include "files/tiff_compression.h"
#include "platform/base/ascii.h"
#include "platform/graphics/codec_registry.h"
#include "platform/graphics/encoder_parameters.h"

namespace tavlen::files {
namespace {

constexpr std::array<FileFormatInfo, 6> kFormats = {{
    {"image/bmp", ".bmp"},
    {"image/gif", ".gif"},
    {"image/jpeg", ".jpg"},
    {"image/png", ".png"},
    {"image/tiff", ".tiff"},
    {"image/webp", ".webp"},
}};

struct ExportType {
  std::string_view name;
  FileFormat format;
};

constexpr std::array<ExportType, 7> kExportTypes = {{
    {"BMP", FileFormat::Bmp},
    {"GIF", FileFormat::Gif},
    {"JPG", FileFormat::Jpeg},
    {"JPEG", FileFormat::Jpeg},
    {"PNG", FileFormat::Png},
    {"TIF", FileFormat::Tiff},
    {"TIFF", FileFormat::Tiff},
}};

// Indexed by the published TiffCompression values (files/tiff_compression.h).
constexpr std::array<TiffCompressionChoice, kTiffCompressionCount2> kTiffCompressions = {{
    {gfx::kEncoderValueCompressionLZW, false},
    {gfx::kEncoderValueCompressionCCITT3, true},
    {gfx::kEncoderValueCompressionCCITT4, true},
    {gfx::kEncoderValueCompressionRle, true},
    {gfx::kEncoderValueCompressionNone, false},
    {gfx::kEncoderValueCompressionDeflate, false},
}};

}  // namespace

const FileFormatInfo& InfoFor(FileFormat format) { return kFormats.at(static_cast<size_t>(format)); }

int32_t LookupEncoder(std::string_view mimeType, gfx::Guid& clsid) {
  uint32_t count = 0, bytes = 0;
  gfx::GetImageEncodersSize(count, bytes);
  if (bytes == 0) return -1;
  // The records are followed by their strings in the same buffer; whole records keep it aligned.
  const size_t records = bytes / sizeof(gfx::ImageCodecInfo) + 1;
  std::unique_ptr<gfx::ImageCodecInfo[]> buffer(new (std::nothrow) gfx::ImageCodecInfo[records]);
  if (!buffer) return -1;
  if (gfx::GetImageEncoders(count, bytes, buffer.get()) != gfx::Status::Ok) return -1;
  for (uint32_t i = 0; i < count; ++i) {
    if (mimeType == buffer[i].mimeType) {
      clsid = buffer[i].clsid;
      return static_cast<int32_t>(i);
    }
  }
  return -1;
}

bool EncoderFor(FileFormat format, gfx::Guid& clsid) {
  if (format == FileFormat::Webp) {
    clsid = gfx::kWebpEncoderClsid;
    return true;
  }
  return LookupEncoder(InfoFor(format).mimeType, clsid) >= 0;
}

TiffCompressionChoice ChooseTiffCompression(int32_t setting) {
  if (setting < 0 || static_cast<size_t>(setting) >= kTiffCompressions.size()) return kTiffCompressions[0];
  return kTiffCompressions[static_cast<size_t>(setting)];
}

std::optional<FileFormat> FormatOfExportType(std::string_view type) {
  for (const ExportType& entry : kExportTypes)
    if (base::EqualsNoCase(type, entry.name)) return entry.format;
  return std::nullopt;
}

bool IsTiffPath(std::string_view path) {
  const size_t dot = path.rfind('.');
  if (dot == std::string_view::npos) return false;
  const std::string_view extension = path.substr(dot);
  return base::EqualsNoCase(extension, ".TIF") || base::EqualsNoCase(extension, ".TIFF");
}

}  // namespace tavlen::files
