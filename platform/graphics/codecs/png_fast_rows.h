// The image data of plain PNG files decoded without libpng: one inflate of all IDAT data, rows
// unfiltered and converted in place in the pixel buffer.
#pragma once

#include <cstdint>
#include <span>

#include "platform/graphics/pixel_buffer.h"

namespace tavlen::gfx {

// What the fast path needs from the header; it handles 8-bit, non-interlaced images of 1 (gray or
// palette, kept as indices), 3 (RGB to 24bppRGB) or 4 (RGBA to 32bppARGB) samples a pixel.
struct PngRowShape {
  uint32_t width = 0;
  uint32_t height = 0;
  uint32_t channels = 0;
  PixelFormat format = PixelFormat::DontCare;
};

// A chunk length or CRC: four bytes, most significant first.
uint32_t PngUint32(const uint8_t* p);

// One row from its filtered bytes `in` (after the filter type byte) into `cur`, given the previous
// unfiltered row (zeros above the first); `bpp` is the bytes a pixel. false for an unknown filter type.
bool UnfilterPngRow(uint8_t filter, const uint8_t* in, const uint8_t* prev, uint8_t* cur, size_t rowBytes,
                    uint32_t bpp);

// An unfiltered row into a row of the shape's format: RGB(A) sample order to the library's BGR(A),
// indices and gray levels as they are.
void StorePngRow(const uint8_t* cur, uint8_t* out, uint32_t width, uint32_t channels);

// The filtered rows of a shape in bytes (a filter type byte and the samples of each row).
size_t FilteredPngBytes(const PngRowShape& shape);

// The pixel buffer for `shape` with room for its filtered rows at the end, where they are inflated: row
// y's output then never reaches the input of a later row, whether the stride is longer or shorter than a
// filtered row. `inputOffset` is where the filtered rows start. false when it cannot be had.
bool AllocateForInPlaceRows(const PngRowShape& shape, const DecodeLimits& limits, PixelBuffer& pixels,
                            size_t& inputOffset);

// Decodes the pixels when `file` holds, from `idatChunk` on, only IDAT chunks with good CRCs followed
// by IEND, and their zlib stream inflates to exactly the rows the header asks for with valid filters.
// false otherwise, `out` untouched: the caller then decodes through libpng, which reports what is wrong.
bool DecodePlainPngRows(std::span<const uint8_t> file, size_t idatChunk, const PngRowShape& shape,
                        const DecodeLimits& limits, PixelBuffer& out);

}  // namespace tavlen::gfx
