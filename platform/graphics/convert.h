// Conversion of pixels between formats.
#pragma once

#include "platform/graphics/pixel_buffer.h"

namespace tavlen::gfx {

// Converts src into dst (same width and height, any two valid formats). Colours reaching an
// indexed destination take the nearest entry of dstPalette; 16-bit channels keep full precision
// between wide formats. InvalidParameter for mismatched sizes or invalid formats.
Status ConvertPixels(ConstPixelView src, const Palette& srcPalette, PixelView dst, const Palette& dstPalette);

// A new buffer in `format`. An indexed target keeps the source's palette when the source has the
// same format, else takes the format's default palette. DontCare gives a plain copy.
Result<PixelBuffer> ConvertFormat(const PixelBuffer& src, PixelFormat format, const DecodeLimits& limits = ProcessLimits());

// Palette index of pixel x of a row of an indexed format with `bits` (1, 4 or 8) bits a pixel.
inline uint32_t GetIndex(const uint8_t* row, uint32_t bits, uint32_t x) {
  switch (bits) {
    case 1:
      return (row[x >> 3] >> (7 - (x & 7))) & 1;
    case 4:
      return (row[x >> 1] >> ((x & 1) ? 0 : 4)) & 0xF;
    default:
      return row[x];
  }
}

inline void SetIndex(uint8_t* row, uint32_t bits, uint32_t x, uint32_t index) {
  switch (bits) {
    case 1: {
      const uint8_t mask = static_cast<uint8_t>(0x80 >> (x & 7));
      row[x >> 3] = static_cast<uint8_t>(index ? row[x >> 3] | mask : row[x >> 3] & ~mask);
      break;
    }
    case 4: {
      const int shift = (x & 1) ? 0 : 4;
      row[x >> 1] = static_cast<uint8_t>((row[x >> 1] & ~(0xF << shift)) | (index & 0xF) << shift);
      break;
    }
    default:
      row[x] = static_cast<uint8_t>(index);
  }
}

// Copies a w x h area between two views of the same format; any x offsets, sub-byte formats included.
void CopyArea(ConstPixelView src, uint32_t sx, uint32_t sy, PixelView dst, uint32_t dx, uint32_t dy, uint32_t w,
              uint32_t h);

// One row to and from 8-bit straight-alpha BGRA (32bppARGB layout): the common ground of most conversions.
void RowToArgb32(const uint8_t* src, PixelFormat format, const Palette& palette, uint32_t x0, uint32_t count,
                 uint8_t* bgra);
void RowFromArgb32(const uint8_t* bgra, uint32_t count, PixelFormat format, const Palette& palette, uint32_t x0,
                   uint8_t* dst);

}  // namespace tavlen::gfx
