// Multi-frame files: counting frames, opening one page, and exporting one page to a file.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/graphics/bitmap.h"
#include "platform/graphics/result.h"

namespace tavlen::files {

// The options say how files are read (the newer formats, colour management); the defaults read the
// formats and colours of old.
// Frames along the first dimension the file lists (pages of a TIFF, frames of a GIF); 1 for a
// single picture; 0 when the file cannot be read (missing, empty path, not an image).
uint32_t CountFrames(const std::string& path, const gfx::DecodeOptions& options = {});

// The file decoded with frame `page` (1 = first) active, along the file's own frame dimension.
// The decoder's status when the file cannot be read; InvalidParameter for a page outside
// 1 ... CountFrames.
gfx::Result<gfx::Bitmap::Ptr> OpenFrame(const std::string& path, int32_t page, const gfx::DecodeOptions& options = {});

// Writes frame `page` of `source` as `type` (see FormatOfExportType) to `destinationBase` plus the
// type's extension: JPEG with the quality, TIFF without a compression parameter; `upright` turns the
// frame by its EXIF orientation and writes it as upright. InvalidParameter
// for an unknown type or a page outside the file's frames, OpenFrame's or SaveImage's status
// otherwise; nothing is written on failure.
gfx::Status ExportFrame(const std::string& source, const std::string& destinationBase, std::string_view type,
                        int32_t page, int32_t jpegQuality, bool upright = false,
                        const gfx::DecodeOptions& options = {});

}  // namespace tavlen::files
