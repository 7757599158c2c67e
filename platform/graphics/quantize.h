// Colour reduction to an 8-bit palette for formats that cannot hold more (GIF).
#pragma once

#include <memory>

#include "platform/graphics/pixel_buffer.h"

namespace tavlen::gfx {

// QuantizeTo8bpp a row at a time, for an encoder that writes rows as it goes: the palette is chosen
// from the whole source when made, then Row gives each row's indices, rows 0, 1, ... in turn.
// The constructor may throw std::bad_alloc.
class RowQuantizer {
 public:
  explicit RowQuantizer(const PixelBuffer& src);
  ~RowQuantizer();
  RowQuantizer(const RowQuantizer&) = delete;
  RowQuantizer& operator=(const RowQuantizer&) = delete;

  const Palette& GetPalette() const { return m_palette; }
  // Row y's Width() indices into `dst`; y must follow the row before.
  void Row(uint32_t y, uint8_t* dst);

 private:
  struct State;
  const PixelBuffer& m_src;
  Palette m_palette;
  std::unique_ptr<State> m_state;
};

// An 8bppIndexed copy of any image with at most 256 colours: exact when the image has no more,
// otherwise a median-cut palette with Floyd-Steinberg error diffusion. Pixels with alpha below 128
// all map to one palette entry whose alpha is 0, so that the encoder can mark it transparent.
Result<PixelBuffer> QuantizeTo8bpp(const PixelBuffer& src);

}  // namespace tavlen::gfx
