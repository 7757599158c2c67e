// Reading the old format's device-dependent bitmaps, with the system palettes their indexes refer to.
#include "platform/graphics/metafile/bitmap16.h"

#include <array>

#include "platform/graphics/pixel_buffer.h"

namespace tavlen::gfx::metafile {
namespace {

// The 16 colours of a 4-bit device (0xRRGGBB), in their standard order.
constexpr std::array<uint32_t, 16> kVgaColours = {0x000000, 0x800000, 0x008000, 0x808000, 0x000080, 0x800080,
                                                  0x008080, 0xC0C0C0, 0x808080, 0xFF0000, 0x00FF00, 0xFFFF00,
                                                  0x0000FF, 0xFF00FF, 0x00FFFF, 0xFFFFFF};

// A 256-colour device's palette: its 20 fixed colours at both ends. The middle entries are whatever the writer's
// realised palettes held, which the file does not record; a 6x6x6 colour cube and a grey ramp stand in for them.
std::array<uint32_t, 256> SystemPalette() {
  std::array<uint32_t, 256> p{};
  constexpr uint32_t kFirst[10] = {0x000000, 0x800000, 0x008000, 0x808000, 0x000080,
                                   0x800080, 0x008080, 0xC0C0C0, 0xC0DCC0, 0xA6CAF0};
  constexpr uint32_t kLast[10] = {0xFFFBF0, 0xA0A0A4, 0x808080, 0xFF0000, 0x00FF00,
                                  0xFFFF00, 0x0000FF, 0xFF00FF, 0x00FFFF, 0xFFFFFF};
  for (int i = 0; i < 10; ++i) p[i] = kFirst[i], p[246 + i] = kLast[i];
  int at = 10;
  for (uint32_t r = 0; r < 6; ++r)
    for (uint32_t g = 0; g < 6; ++g)
      for (uint32_t b = 0; b < 6; ++b) p[at++] = (r * 51) << 16 | (g * 51) << 8 | b * 51;
  for (uint32_t k = 1; at < 246; ++k) p[at++] = 0x010101u * (k * 255 / 21);
  return p;
}

uint32_t Expand5(uint32_t v) { return (v << 3) | (v >> 2); }

}  // namespace

bool ReadBitmap16(ByteReader& p, const DecodeLimits& limits, DibImage& out) {
  p.S16();  // type
  const int16_t width = p.S16(), height = p.S16(), widthBytes = p.S16();
  const uint8_t planes = p.U8(), bits = p.U8();
  if (!p.Ok() || width <= 0 || height <= 0 || widthBytes <= 0 || planes != 1) return false;
  if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32) return false;
  if (static_cast<uint64_t>(widthBytes) * 8 < static_cast<uint64_t>(width) * bits) return false;
  if (CheckImageSize(PixelFormat::ARGB32bpp, width, height, limits) != Status::Ok) return false;
  const size_t need = static_cast<size_t>(widthBytes) * height;
  const auto present = p.Take(std::min(need, p.Remaining()), nullptr);
  if (present.empty()) return false;
  std::vector<uint8_t> data(present.begin(), present.end());
  data.resize(need, 0);

  static const std::array<uint32_t, 256> kSystem = SystemPalette();
  DibImage img;
  img.width = width, img.height = height, img.bottomUp = false;
  img.pixels.resize(size_t(width) * height);
  img.monochrome = bits == 1;
  if (img.monochrome) img.bits.resize(img.pixels.size());
  for (int y = 0; y < height; ++y) {
    const uint8_t* row = data.data() + size_t(y) * widthBytes;
    for (int x = 0; x < width; ++x) {
      const size_t i = size_t(y) * width + x;
      uint32_t rgb = 0;
      switch (bits) {
        case 1: {
          const uint8_t v = (row[x >> 3] >> (7 - (x & 7))) & 1;
          img.bits[i] = v;
          rgb = v ? 0xFFFFFF : 0;
          break;
        }
        case 4:
          rgb = kVgaColours[(x & 1) ? row[x >> 1] & 15 : row[x >> 1] >> 4];
          break;
        case 8:
          rgb = kSystem[row[x]];
          break;
        case 16: {
          const uint32_t v = row[2 * x] | (row[2 * x + 1] << 8);
          rgb = Expand5((v >> 10) & 31) << 16 | Expand5((v >> 5) & 31) << 8 | Expand5(v & 31);
          break;
        }
        default: {
          const uint8_t* px = row + x * (bits / 8);
          rgb = (px[2] << 16) | (px[1] << 8) | px[0];
          break;
        }
      }
      img.pixels[i] = 0xFF000000u | rgb;
    }
  }
  out = std::move(img);
  return true;
}

}  // namespace tavlen::gfx::metafile
