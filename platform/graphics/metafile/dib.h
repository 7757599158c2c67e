// Device-independent bitmaps as metafiles embed them: the info header, colour table and pixel bits.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "platform/graphics/limits.h"
#include "platform/graphics/status.h"

namespace tavlen::gfx::metafile {

using ColorRef = uint32_t;  // 0x00BBGGRR, as metafiles store colours

enum class DibAlpha {
  Opaque,  // every pixel is drawn
  Alpha,   // a 32-bit image with an alpha channel (premultiplied, as blending records expect)
  Gaps,    // an RLE image whose skipped pixels leave the destination untouched
};

struct DibImage {
  uint32_t width = 0;
  uint32_t height = 0;
  // Top-down rows of 0xAARRGGBB words; alpha is 0xFF except as `alpha` says.
  std::vector<uint32_t> pixels;
  DibAlpha alpha = DibAlpha::Opaque;
  // Source rectangles of the DIB records count rows from the bottom of a bottom-up image.
  bool bottomUp = true;
  // A 1-bit image keeps its bits, so that a brush made of it can take the text and background colours.
  bool monochrome = false;
  std::vector<uint8_t> bits;  // one byte per pixel (0 or 1), top-down, when monochrome
};

// How the colour table is to be read: RGB quads, or 16-bit indices into the selected palette.
enum class DibColors : uint32_t { Rgb = 0, Palette = 1 };

// Decodes a DIB whose info header (and colour table) is `info` and whose pixels are `bits`.
// `palette` serves DibColors::Palette tables. InvalidParameter for a malformed or truncated DIB,
// NotImplemented for compressions the player does not read, OutOfMemory over the limits.
Status ReadDib(std::span<const uint8_t> info, std::span<const uint8_t> bits, DibColors colors,
               std::span<const ColorRef> palette, const DecodeLimits& limits, DibImage& out);

// The number of bytes of the header and colour table at the start of `info`, for records that
// store a packed DIB (header, colours and bits together). 0 when the header is not readable.
size_t PackedDibHeaderBytes(std::span<const uint8_t> info, DibColors colors);

}  // namespace tavlen::gfx::metafile
