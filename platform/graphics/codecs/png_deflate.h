// PNG image data: every row filtered as libpng's adaptive heuristic would, then deflated in one go by
// libdeflate at its fastest level, several times quicker than libpng's zlib, or a chunk at a time as
// the rows come, in little memory.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>

#include "platform/graphics/codecs/chunked_zlib.h"
#include "platform/graphics/codecs/codec.h"

namespace tavlen::gfx {

// The zlib stream of the IDAT chunks for `height` rows of `rowBytes` bytes (samples of 8 bits or
// more, `pixelBytes` a pixel), each row written by fillRow(y, row). OutOfMemory when the buffers
// cannot be had; `stream` is written only on success.
Status DeflatePngRows(uint32_t height, size_t rowBytes, uint32_t pixelBytes,
                      const std::function<void(uint32_t y, uint8_t* row)>& fillRow, Bytes& stream);

struct ChunkShape {
  size_t chunkBytes = size_t{512} << 10;  // of filtered rows; a few of these are held
  unsigned threads = 0;                   // compressing besides the caller (see ChunkedZlib)
};

// The same filtered rows as one zlib stream made by ChunkedZlib, each piece handed to `emit` as it is
// ready. InvalidParameter for a shape DeflatePngRows refuses or no chunk bytes, else ChunkedZlib's
// failures; pieces already emitted stay emitted.
Status DeflatePngRowsInChunks(uint32_t height, size_t rowBytes, uint32_t pixelBytes,
                              const std::function<void(uint32_t y, uint8_t* row)>& fillRow, const ChunkShape& shape,
                              const ChunkedZlib::Emit& emit);

}  // namespace tavlen::gfx
