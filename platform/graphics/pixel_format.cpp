// Facts about pixel formats that need more than a bit test.
#include "platform/graphics/pixel_format.h"

namespace tavlen::gfx {

bool IsValidPixelFormat(PixelFormat f) {
  switch (f) {
    case PixelFormat::Indexed1bpp:
    case PixelFormat::Indexed4bpp:
    case PixelFormat::Indexed8bpp:
    case PixelFormat::GrayScale16bpp:
    case PixelFormat::RGB555_16bpp:
    case PixelFormat::RGB565_16bpp:
    case PixelFormat::ARGB1555_16bpp:
    case PixelFormat::RGB24bpp:
    case PixelFormat::RGB32bpp:
    case PixelFormat::ARGB32bpp:
    case PixelFormat::PARGB32bpp:
    case PixelFormat::RGB48bpp:
    case PixelFormat::ARGB64bpp:
    case PixelFormat::PARGB64bpp:
      return true;
    case PixelFormat::DontCare:
      break;
  }
  return false;
}

uint64_t StrideFor(PixelFormat f, uint32_t width) {
  const uint64_t bits = static_cast<uint64_t>(width) * BitsPerPixel(f);
  return ((bits + 31) / 32) * 4;
}

}  // namespace tavlen::gfx
