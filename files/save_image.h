// Writing a picture to a file of one of the formats, under the name given plus the format's extension.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "files/file_formats.h"
#include "platform/graphics/bitmap.h"
#include "platform/graphics/streamed_picture.h"

namespace tavlen::files {

// The one encoder parameter a format takes.
struct EncodeOptions {
  // JPEG and WebP: handed to the encoder as its 32-bit pattern; the encoder clamps it to 0-100.
  // WebP is lossless at 100.
  int32_t jpegQuality = 100;
  // TIFF only: an EncoderValue compression, or none to pass no parameter.
  std::optional<uint32_t> tiffCompression;
};

// The encoder of a format with the one parameter it takes. Not copied: the parameter points into it.
class EncoderCall {
 public:
  EncoderCall() = default;
  EncoderCall(const EncoderCall&) = delete;
  EncoderCall& operator=(const EncoderCall&) = delete;
  // False when no encoder has the format's MIME type.
  bool Prepare(FileFormat format, const EncodeOptions& options);
  const gfx::Guid& Clsid() const { return m_clsid; }
  gfx::EncoderParameters Parameters() const { return {&m_parameter, m_count}; }

 private:
  gfx::Guid m_clsid{};
  uint32_t m_value = 0;
  gfx::EncoderParameter m_parameter{};
  size_t m_count = 0;
};

// `base` followed by the format's extension, whatever `base` already ends with.
std::string OutputPath(const std::string& base, FileFormat format);

// Encodes the picture's active frame and writes it to OutputPath(base, format) through a temporary
// file renamed into place. FileNotFound when no encoder has the format's MIME type, the encoder's
// status (a bilevel TIFF scheme for a picture that is not 1-bit: InvalidParameter), or the file
// system's (FileNotFound, AccessDenied, Win32Error). On failure nothing is written and a file
// already at that name keeps its bytes.
gfx::Status SaveImage(const gfx::Bitmap& image, const std::string& base, FileFormat format,
                      const EncodeOptions& options);

// SaveImage for a picture that streams from its file (see StreamedPicture::Save): the same file, with
// the decoder's status first.
gfx::Status SaveStreamed(gfx::StreamedPicture& picture, const std::string& base, FileFormat format,
                         const EncodeOptions& options);

}  // namespace tavlen::files
