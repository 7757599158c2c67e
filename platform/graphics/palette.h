// Colour tables of indexed bitmaps and the library's default ones.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/graphics/pixel_format.h"

namespace tavlen::gfx {

// Palette flags as published: the entries carry alpha, are all gray, or are a halftone table.
enum PaletteFlags : uint32_t { kPaletteHasAlpha = 1, kPaletteGrayScale = 2, kPaletteHalftone = 4 };

struct Palette {
  uint32_t flags = 0;
  std::vector<uint32_t> entries;  // 0xAARRGGBB

  friend bool operator==(const Palette&, const Palette&) = default;
};

// 1 bpp: black, white. 4 bpp: the 16 VGA colours. 8 bpp: the 216-colour halftone cube,
// 16 VGA colours and gray ramps, 256 entries. Empty for non-indexed formats.
Palette DefaultPalette(PixelFormat format);

// A 2^bits-entry gray ramp from black to white.
Palette GrayPalette(uint32_t bits);

// Index of the entry nearest to an opaque-or-not colour, by squared RGB distance, alpha breaking ties.
uint32_t NearestIndex(const Palette& palette, uint32_t argb);

}  // namespace tavlen::gfx
