// The image data of a plain PNG file read from its descriptor in pieces: IDAT payloads inflated as
// they arrive into the end of the pixel buffer while a second thread unfilters the finished rows
// into place, so that neither the file nor its joined image data is ever held whole.
#pragma once

#include <cstdint>

#include "platform/graphics/codecs/png_fast_rows.h"
#include "platform/graphics/pixel_buffer.h"

namespace tavlen::gfx {

// Decodes the pixels when the file (`fd`, `fileSize` bytes) holds, from the chunk at `idatChunk` on,
// IDAT chunks with good CRCs whose zlib stream inflates to exactly the rows of `shape` with valid
// filters, then another chunk or the end of the file, whose offset goes to `tailChunk`. false
// otherwise, `out` untouched: the caller then reads the whole file, whose decoder says what is wrong.
bool DecodeStreamedPngRows(int fd, uint64_t fileSize, uint64_t idatChunk, const PngRowShape& shape,
                           const DecodeLimits& limits, PixelBuffer& out, uint64_t& tailChunk);

}  // namespace tavlen::gfx
