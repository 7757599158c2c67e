// Pixel formats with their published values, and what each one stores.
#pragma once

#include <cstdint>

namespace tavlen::gfx {

enum class PixelFormat : uint32_t {
  DontCare = 0,
  Indexed1bpp = 0x00030101,
  Indexed4bpp = 0x00030402,
  Indexed8bpp = 0x00030803,
  GrayScale16bpp = 0x00101004,
  RGB555_16bpp = 0x00021005,
  RGB565_16bpp = 0x00021006,
  ARGB1555_16bpp = 0x00061007,
  RGB24bpp = 0x00021808,
  RGB32bpp = 0x00022009,
  ARGB32bpp = 0x0026200A,
  PARGB32bpp = 0x000E200B,
  RGB48bpp = 0x0010300C,
  ARGB64bpp = 0x0034400D,
  PARGB64bpp = 0x001C400E,
};

// Byte layouts in memory, lowest address first:
//   24bppRGB  B G R           32bppRGB  B G R x (x ignored, written 0xFF)
//   32bppARGB B G R A (straight alpha)   32bppPARGB  B G R A (premultiplied)
//   48bppRGB  B G R as 16-bit little-endian words, full 0-65535 range
//   64bppARGB / 64bppPARGB  B G R A as 16-bit words
//   16bpp formats: one little-endian word; GrayScale16 is 0-65535 gray
//   Indexed: palette indices, the leftmost pixel in the most significant bits of a byte.
constexpr uint32_t BitsPerPixel(PixelFormat f) { return (static_cast<uint32_t>(f) >> 8) & 0xFF; }
constexpr bool IsIndexed(PixelFormat f) { return (static_cast<uint32_t>(f) & 0x00010000) != 0; }
constexpr bool HasAlpha(PixelFormat f) { return (static_cast<uint32_t>(f) & 0x00040000) != 0; }
constexpr bool IsPremultiplied(PixelFormat f) { return (static_cast<uint32_t>(f) & 0x00080000) != 0; }
constexpr bool IsExtended(PixelFormat f) { return (static_cast<uint32_t>(f) & 0x00100000) != 0; }

// True for every value listed above except DontCare.
bool IsValidPixelFormat(PixelFormat f);

// Row stride in bytes, rounded up to 4 as the library has always done; 0 on overflow.
uint64_t StrideFor(PixelFormat f, uint32_t width);

}  // namespace tavlen::gfx
