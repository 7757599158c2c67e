// The file formats the control writes (five, and WebP on request), the encoder lookup by MIME type,
// and the choices that map the control's settings to encoder parameters.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

#include "platform/graphics/image_guids.h"

namespace tavlen::files {

// Webp is written by the newer control only; no export type names it.
enum class FileFormat : int32_t { Bmp, Gif, Jpeg, Png, Tiff, Webp };

struct FileFormatInfo {
  std::string_view mimeType;
  std::string_view extension;  // appended to the name a caller gives, always in lower case
};

const FileFormatInfo& InfoFor(FileFormat format);

// The position of the first installed encoder whose MIME type equals `mimeType` exactly (case
// matters), with its class identifier in `clsid`; -1 and `clsid` untouched when none matches.
// The WebP encoder is not among the installed ones (their list is what callers of old see).
int32_t LookupEncoder(std::string_view mimeType, gfx::Guid& clsid);

// The encoder of a format: the installed one of its MIME type, or the WebP encoder. false, `clsid`
// untouched, when there is none.
bool EncoderFor(FileFormat format, gfx::Guid& clsid);

// The TIFF compression of a TiffCompression setting: 0 LZW, 1 CCITT3, 2 CCITT4, 3 RLE, 4 none,
// 5 Deflate, anything else LZW. Bilevel schemes need a 1-bit picture.
struct TiffCompressionChoice {
  uint32_t encoderValue;
  bool bilevel;
};
TiffCompressionChoice ChooseTiffCompression(int32_t setting);

// The format of an export type: BMP, GIF, JPG or JPEG, PNG, TIF or TIFF, compared after upper-casing
// and nothing else (no trimming, no prefixes); none for any other text.
std::optional<FileFormat> FormatOfExportType(std::string_view type);

// True when the path's text from its last '.' on, upper-cased, is ".TIF" or ".TIFF".
bool IsTiffPath(std::string_view path);

}  // namespace tavlen::files
