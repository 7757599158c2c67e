// The library's default palettes and nearest-colour lookup.
#include "platform/graphics/palette.h"

#include <limits>

namespace tavlen::gfx {
namespace {

constexpr uint32_t kVga16[16] = {
    0xFF000000, 0xFF800000, 0xFF008000, 0xFF808000, 0xFF000080, 0xFF800080, 0xFF008080, 0xFF808080,
    0xFFC0C0C0, 0xFFFF0000, 0xFF00FF00, 0xFFFFFF00, 0xFF0000FF, 0xFFFF00FF, 0xFF00FFFF, 0xFFFFFFFF,
};

Palette Halftone256() {
  Palette p;
  p.flags = kPaletteHalftone;
  p.entries.reserve(256);
  for (uint32_t c : kVga16) p.entries.push_back(c);
  // 6 x 6 x 6 colour cube.
  for (uint32_t r = 0; r < 6; ++r)
    for (uint32_t g = 0; g < 6; ++g)
      for (uint32_t b = 0; b < 6; ++b) p.entries.push_back(0xFF000000 | (r * 51) << 16 | (g * 51) << 8 | (b * 51));
  // The rest: an even gray ramp, which the cube's six grays cover only coarsely.
  const uint32_t rest = 256 - static_cast<uint32_t>(p.entries.size());
  for (uint32_t i = 0; i < rest; ++i) {
    const uint32_t v = (i + 1) * 255 / (rest + 1);
    p.entries.push_back(0xFF000000 | v << 16 | v << 8 | v);
  }
  return p;
}

}  // namespace

Palette DefaultPalette(PixelFormat format) {
  switch (format) {
    case PixelFormat::Indexed1bpp:
      return Palette{0, {0xFF000000, 0xFFFFFFFF}};
    case PixelFormat::Indexed4bpp:
      return Palette{0, {std::begin(kVga16), std::end(kVga16)}};
    case PixelFormat::Indexed8bpp:
      return Halftone256();
    default:
      return {};
  }
}

Palette GrayPalette(uint32_t bits) {
  Palette p;
  p.flags = kPaletteGrayScale;
  const uint32_t n = 1u << bits;
  for (uint32_t i = 0; i < n; ++i) {
    const uint32_t v = i * 255 / (n - 1);
    p.entries.push_back(0xFF000000 | v << 16 | v << 8 | v);
  }
  return p;
}

uint32_t NearestIndex(const Palette& palette, uint32_t argb) {
  uint32_t best = 0;
  uint64_t bestDistance = std::numeric_limits<uint64_t>::max();
  for (uint32_t i = 0; i < palette.entries.size(); ++i) {
    const uint32_t e = palette.entries[i];
    int64_t d = 0;
    for (int shift = 0; shift < 32; shift += 8) {
      const int64_t diff = static_cast<int64_t>((e >> shift) & 0xFF) - static_cast<int64_t>((argb >> shift) & 0xFF);
      // Alpha weighs less so that colour decides and alpha only breaks ties between equal colours.
      d += shift == 24 ? diff * diff / 4 : diff * diff * 4;
    }
    if (static_cast<uint64_t>(d) < bestDistance) {
      bestDistance = static_cast<uint64_t>(d);
      best = i;
      if (d == 0) break;
    }
  }
  return best;
}

}  // namespace tavlen::gfx
