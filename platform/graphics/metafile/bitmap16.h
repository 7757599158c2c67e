// The old format's device-dependent bitmaps (Bitmap16): 1, 4, 8, 16, 24 and 32 bits per pixel, without a colour table.
#pragma once

#include "platform/graphics/limits.h"
#include "platform/graphics/metafile/byte_reader.h"
#include "platform/graphics/metafile/dib.h"

namespace tavlen::gfx::metafile {

// Reads a Bitmap16 (type, width, height, bytes per row s16; planes, bits per pixel u8; then top-down rows) from
// the reader's position. Having no colour table, its pixels take the colours of the device it was made for: 4 and
// 8 bits index the standard 16-colour and 256-colour system palettes, 16 bits are 5-5-5 RGB, and a 1-bit bitmap
// keeps its bits (white for 1, black for 0) for its user to colour. Bits cut short by the record's end (some
// writers count them wrongly) read as zeros, so the rows present still draw. False when the header is not
// readable or no bits are present; `out` is then unchanged.
bool ReadBitmap16(ByteReader& p, const DecodeLimits& limits, DibImage& out);

}  // namespace tavlen::gfx::metafile
