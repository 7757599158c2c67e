// PNG image data made in one go: every row filtered as libpng's adaptive heuristic would, then the
// whole deflated by libdeflate at its fastest level, several times quicker than libpng's zlib.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>

#include "platform/graphics/codecs/codec.h"

namespace tavlen::gfx {

// The zlib stream of the IDAT chunks for `height` rows of `rowBytes` bytes (samples of 8 bits or
// more, `pixelBytes` a pixel), each row written by fillRow(y, row). OutOfMemory when the buffers
// cannot be had; `stream` is written only on success.
Status DeflatePngRows(uint32_t height, size_t rowBytes, uint32_t pixelBytes,
                      const std::function<void(uint32_t y, uint8_t* row)>& fillRow, Bytes& stream);

}  // namespace tavlen::gfx
