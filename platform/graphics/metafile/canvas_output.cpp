// Copying a played canvas into the 32bppRGB pixel buffer the decoders return.
#include <cstring>

#include "platform/graphics/metafile/canvas.h"
#include "platform/graphics/metafile/player.h"

namespace tavlen::gfx::metafile {

Status CanvasToPixels(const Canvas& canvas, const DecodeLimits& limits, PixelBuffer& out) {
  auto buffer = PixelBuffer::Allocate(PixelFormat::RGB32bpp, static_cast<uint32_t>(canvas.Width()),
                                      static_cast<uint32_t>(canvas.Height()), PixelBuffer::Init::Uninitialized, limits);
  if (!buffer.Ok()) return buffer.GetStatus();
  PixelBuffer& px = buffer.Value();
  const size_t rowBytes = static_cast<size_t>(canvas.Width()) * 4;
  for (int32_t y = 0; y < canvas.Height(); ++y) {
    uint8_t* dst = px.Row(static_cast<uint32_t>(y));
    std::memcpy(dst, canvas.Row(y), rowBytes);
    // The unused byte is set, as 32bppRGB readers expect opaque pixels there.
    for (size_t x = 3; x < rowBytes; x += 4) dst[x] = 0xFF;
  }
  out = std::move(px);
  return Status::Ok;
}

}  // namespace tavlen::gfx::metafile
