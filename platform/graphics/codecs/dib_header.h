// The info header of a DIB and the RLE walk over its pixels: read alike for BMP files, headerless DIBs and the
// DIBs that metafiles embed.
#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

#include "platform/graphics/codecs/bmp_format.h"
#include "platform/graphics/status.h"

namespace tavlen::gfx::bmp {

enum class HeaderKind { Core, Os2, Info };  // Info: the 40-byte header and its v4/v5 extensions

struct DibHeader {
  HeaderKind kind = HeaderKind::Info;
  uint32_t headerSize = 0;
  uint32_t width = 0;
  uint32_t height = 0;
  bool topDown = false;
  uint16_t bitCount = 0;
  uint32_t compression = kBiRgb;
  uint32_t colorsUsed = 0;
  std::array<uint32_t, 4> masks{};  // red, green, blue, alpha
  bool bitfields = false;
  uint64_t paletteStart = 0;  // position in the data of the first palette entry
};

bool IsKnownBitCount(uint32_t bits);

// Reads the info header at `infoStart` of `data` and the masks that may follow it. 16- and 32-bit images get
// the fixed masks of BI_RGB, and bit-field images whose colour masks are all zero the same. UnknownImageFormat
// for a header size no DIB has, NotImplemented for the OS/2 Huffman and RLE24 compressions, GenericError for a
// header that is cut short or contradicts itself (zero size, negative width, a compression the depth cannot
// have).
Status ParseDibHeader(std::span<const uint8_t> data, size_t infoStart, DibHeader& h);

// Walks RLE8 / RLE4 data, calling put(x, storedRow, index) for every pixel a run paints inside the image's
// width; stored rows count in file order (from the bottom of a bottom-up image). Runs past the end of a row
// are clipped there. Returns how many pixels the runs paint.
template <class Put>
uint64_t WalkRle(std::span<const uint8_t> src, const DibHeader& h, Put put) {
  const bool rle4 = h.compression == kBiRle4;
  uint64_t x = 0;
  uint64_t row = 0;
  size_t pos = 0;
  uint64_t painted = 0;
  auto paint = [&](uint8_t index) {
    if (x < h.width) {
      put(static_cast<uint32_t>(x), static_cast<uint32_t>(row), index);
      ++painted;
    }
    ++x;
  };
  while (pos + 2 <= src.size() && row < h.height) {
    const uint8_t count = src[pos];
    const uint8_t value = src[pos + 1];
    pos += 2;
    if (count > 0) {
      const uint32_t n = static_cast<uint32_t>(std::min<uint64_t>(count, x < h.width ? h.width - x : 0));
      for (uint32_t i = 0; i < n; ++i) paint(rle4 ? ((i & 1) ? value & 0x0F : value >> 4) : value);
      x += count - n;
      continue;
    }
    if (value == 0) {  // end of line
      x = 0;
      ++row;
    } else if (value == 1) {  // end of bitmap
      return painted;
    } else if (value == 2) {  // delta: right and up (in file order)
      if (pos + 2 > src.size()) return painted;
      x += src[pos];
      row += src[pos + 1];
      pos += 2;
    } else {  // absolute run of `value` pixels, padded to a 16-bit boundary
      const size_t bytes = rle4 ? (value + 1u) / 2 : value;
      for (uint32_t i = 0; i < value; ++i) {
        const size_t at = pos + (rle4 ? i / 2 : i);
        if (at >= src.size()) return painted;
        paint(rle4 ? ((i & 1) ? src[at] & 0x0F : src[at] >> 4) : src[at]);
      }
      pos += (bytes + 1) & ~size_t{1};
    }
  }
  return painted;
}

}  // namespace tavlen::gfx::bmp
