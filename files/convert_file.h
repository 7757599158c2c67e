// File-to-file conversion: decode a file and write it in another format, never touching a shown picture.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "files/file_formats.h"
#include "platform/graphics/decode_options.h"
#include "platform/graphics/status.h"
#include "platform/graphics/streamed_picture.h"

namespace tavlen::files {

// The control's settings a conversion reads.
struct ConvertSettings {
  int32_t jpegQuality = 100;    // JpgQuality
  int32_t tiffCompression = 0;  // TiffCompression; a bilevel scheme writes a black-and-white copy
  bool upright = false;         // turn the picture by its EXIF orientation and write it as upright
};

// Decodes `source` (the frame a decoder presents first) and saves it as SaveImage does to
// OutputPath(destinationBase, format). The decoder's status when the source cannot be read, else
// SaveImage's; nothing is written on failure. The caller checks the source's name and existence.
// `decode` says how the source is read (colour management, the newer formats).
gfx::Status ConvertFile(const std::string& source, const std::string& destinationBase, FileFormat format,
                        const ConvertSettings& settings, const gfx::DecodeOptions& decode = {});

// `source`'s first frame opened to stream into `format` (see StreamedPicture), or null when it must be
// loaded whole: a source or encoder that does not stream, or, with `upright`, a picture that may turn.
std::unique_ptr<gfx::StreamedPicture> OpenStreamed(const std::string& source, FileFormat format, bool upright,
                                                   const gfx::DecodeOptions& decode);

}  // namespace tavlen::files
