// The image data of a plain PNG file read from its descriptor in pieces: IDAT payloads inflated as
// they arrive into the end of the pixel buffer while a second thread unfilters the finished rows
// into place, so that neither the file nor its joined image data is ever held whole.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "platform/graphics/codecs/png_fast_rows.h"
#include "platform/graphics/pixel_buffer.h"

namespace tavlen::gfx {

// Decodes the pixels when the file (`fd`, `fileSize` bytes) holds, from the chunk at `idatChunk` on,
// IDAT chunks with good CRCs whose zlib stream inflates to exactly the rows of `shape` with valid
// filters, then another chunk or the end of the file, whose offset goes to `tailChunk`. false
// otherwise, `out` untouched: the caller then reads the whole file, whose decoder says what is wrong.
bool DecodeStreamedPngRows(int fd, uint64_t fileSize, uint64_t idatChunk, const PngRowShape& shape,
                           const DecodeLimits& limits, PixelBuffer& out, uint64_t& tailChunk);

class IdatInflater;

// The rows of a plain PNG file (see PngRowShape) in order from its descriptor, the IDAT chunk at
// `idatChunk` on inflated into a window of a few rows: the rows DecodeStreamedPngRows gives, without
// the picture.
class PlainPngRowStream {
 public:
  PlainPngRowStream(int fd, uint64_t fileSize, uint64_t idatChunk, const PngRowShape& shape);
  ~PlainPngRowStream();
  PlainPngRowStream(const PlainPngRowStream&) = delete;
  PlainPngRowStream& operator=(const PlainPngRowStream&) = delete;

  // false when the buffers cannot be had or the shape is not a plain one.
  bool Init();
  // The next row into `out`, in the shape's format. false where DecodeStreamedPngRows would fail: damaged
  // image data, or at the last row, image data that does not end as it must.
  bool Next(uint8_t* out);

 private:
  PngRowShape m_shape;
  size_t m_rowBytes;
  std::unique_ptr<IdatInflater> m_inflater;
  std::vector<uint8_t> m_window;  // inflated, still filtered rows
  size_t m_used = 0;              // bytes of the window's rows already given
  size_t m_have = 0;              // bytes inflated into it
  std::vector<uint8_t> m_rows;    // the previous and current unfiltered rows
  uint32_t m_next = 0;
};

}  // namespace tavlen::gfx
