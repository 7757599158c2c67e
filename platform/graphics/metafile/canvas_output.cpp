// The size of a metafile's canvas, and copying a played canvas into the 32bppRGB pixel buffer the
// decoders return.
#include <algorithm>
#include <cmath>
#include <cstring>

#include "platform/graphics/metafile/canvas.h"
#include "platform/graphics/metafile/player.h"

namespace tavlen::gfx::metafile {

void FitMetafileCanvas(uint32_t& width, uint32_t& height, const DecodeLimits& limits) {
  const double pixels = static_cast<double>(width) * height;
  if (pixels <= static_cast<double>(limits.maxMetafilePixels)) return;
  // Rounding both sides down keeps the product within the limit.
  const double scale = std::sqrt(static_cast<double>(limits.maxMetafilePixels) / pixels);
  width = std::max(1u, static_cast<uint32_t>(std::floor(width * scale)));
  height = std::max(1u, static_cast<uint32_t>(std::floor(height * scale)));
}

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
