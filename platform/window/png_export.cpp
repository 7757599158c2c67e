// Saving a window's client area as a PNG file through the imaging library's encoder.
#include "platform/graphics/bitmap.h"
#include "platform/graphics/codec_registry.h"
#include "platform/window/window_impl.h"

namespace tavlen::win {

bool Window::SaveClientPng(const std::string& path) const {
  const Impl& w = *m_impl;
  if (!w.exists || w.clientWidth <= 0 || w.clientHeight <= 0) return false;
  auto bitmap = gfx::Bitmap::Create(static_cast<uint32_t>(w.clientWidth), static_cast<uint32_t>(w.clientHeight),
                                    gfx::PixelFormat::RGB32bpp);
  if (!bitmap.Ok()) return false;
  gfx::PixelBuffer& pixels = bitmap.Value()->Pixels();
  // 32bppRGB stores B, G, R, x bytes; writing them one by one keeps this independent of byte order.
  for (int32_t y = 0; y < w.clientHeight; ++y) {
    uint8_t* out = pixels.Row(static_cast<uint32_t>(y));
    const uint32_t* in = w.framebuffer.data() + static_cast<size_t>(y) * static_cast<size_t>(w.clientWidth);
    for (int32_t x = 0; x < w.clientWidth; ++x) {
      uint32_t argb = in[x];
      out[0] = static_cast<uint8_t>(argb);
      out[1] = static_cast<uint8_t>(argb >> 8);
      out[2] = static_cast<uint8_t>(argb >> 16);
      out[3] = 0xFF;
      out += 4;
    }
  }
  return bitmap.Value()->Save(path, gfx::kPngEncoderClsid) == gfx::Status::Ok;
}

}  // namespace tavlen::win
