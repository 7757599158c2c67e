// The size of a metafile's canvas, and copying a played canvas into the 32bppRGB pixel buffer the
// decoders return.
#include <algorithm>
#include <cmath>
#include <cstring>

#include "platform/graphics/metafile/canvas.h"
#include "platform/graphics/metafile/player.h"

namespace tavlen::gfx::metafile {

Status InitMetafileCanvas(Canvas& canvas, double width, double height, const DecodeLimits& limits) {
  if (width > limits.maxSide || height > limits.maxSide) return Status::OutOfMemory;
  auto w = static_cast<uint32_t>(width), h = static_cast<uint32_t>(height);
  if (const Status s = CheckImageSize(PixelFormat::RGB32bpp, w, h, limits); s != Status::Ok) return s;
  const double pixels = static_cast<double>(w) * h;
  if (pixels > static_cast<double>(limits.maxMetafilePixels)) {
    // Rounding both sides down keeps the product within the limit.
    const double scale = std::sqrt(static_cast<double>(limits.maxMetafilePixels) / pixels);
    w = std::max(1u, static_cast<uint32_t>(std::floor(w * scale)));
    h = std::max(1u, static_cast<uint32_t>(std::floor(h * scale)));
  }
  return canvas.Init(static_cast<int32_t>(w), static_cast<int32_t>(h), false);
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
