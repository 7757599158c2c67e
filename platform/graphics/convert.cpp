// Conversion of pixels between formats, through 8-bit or 16-bit straight-alpha BGRA rows.
#include "platform/graphics/convert.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <vector>

namespace tavlen::gfx {
namespace {

inline uint16_t Load16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }
inline void Store16(uint8_t* p, uint32_t v) {
  p[0] = static_cast<uint8_t>(v);
  p[1] = static_cast<uint8_t>(v >> 8);
}
inline uint8_t To8(uint32_t v16) { return static_cast<uint8_t>((v16 * 255 + 32767) / 65535); }
inline uint8_t Expand5(uint32_t v) { return static_cast<uint8_t>(v << 3 | v >> 2); }
inline uint8_t Expand6(uint32_t v) { return static_cast<uint8_t>(v << 2 | v >> 4); }
inline uint8_t Unpremultiply(uint32_t c, uint32_t a) { return a == 0 ? 0 : static_cast<uint8_t>(std::min(255u, (c * 255 + a / 2) / a)); }
inline uint8_t Premultiply(uint32_t c, uint32_t a) { return static_cast<uint8_t>((c * a + 127) / 255); }
inline uint16_t Unpremultiply16(uint64_t c, uint64_t a) {
  return a == 0 ? 0 : static_cast<uint16_t>(std::min<uint64_t>(65535, (c * 65535 + a / 2) / a));
}
inline uint16_t Premultiply16(uint64_t c, uint64_t a) { return static_cast<uint16_t>((c * a + 32767) / 65535); }

// Nearest-entry lookups repeat a lot across an image; a small direct-mapped cache keeps them cheap.
class NearestCache {
 public:
  explicit NearestCache(const Palette& palette) : m_palette(palette) { m_keys.fill(0); }
  uint32_t Find(uint32_t argb) {
    const uint32_t slot = (argb * 2654435761u) >> (32 - kBits);
    if (m_valid[slot] && m_keys[slot] == argb) return m_values[slot];
    const uint32_t index = NearestIndex(m_palette, argb);
    m_keys[slot] = argb;
    m_values[slot] = static_cast<uint8_t>(index);
    m_valid[slot] = true;
    return index;
  }

 private:
  static constexpr int kBits = 12;
  const Palette& m_palette;
  std::array<uint32_t, 1 << kBits> m_keys;
  std::array<uint8_t, 1 << kBits> m_values{};
  std::array<bool, 1 << kBits> m_valid{};
};

uint32_t PaletteColour(const Palette& palette, uint32_t index) {
  return index < palette.entries.size() ? palette.entries[index] : 0xFF000000;
}

void RowFromArgb32Cached(const uint8_t* s, uint32_t count, PixelFormat format, NearestCache* cache, uint32_t x0,
                         uint8_t* dst) {
  switch (format) {
    case PixelFormat::Indexed1bpp:
    case PixelFormat::Indexed4bpp:
    case PixelFormat::Indexed8bpp: {
      const uint32_t bits = BitsPerPixel(format);
      for (uint32_t i = 0; i < count; ++i, s += 4) {
        const uint32_t argb = uint32_t{s[3]} << 24 | uint32_t{s[2]} << 16 | uint32_t{s[1]} << 8 | s[0];
        SetIndex(dst, bits, x0 + i, cache->Find(argb));
      }
      break;
    }
    case PixelFormat::GrayScale16bpp:
      for (uint32_t i = 0; i < count; ++i, s += 4) {
        const uint32_t y = (s[2] * 299u + s[1] * 587u + s[0] * 114u + 500) / 1000;
        Store16(dst + 2 * (x0 + i), y * 257);
      }
      break;
    case PixelFormat::RGB555_16bpp:
      for (uint32_t i = 0; i < count; ++i, s += 4)
        Store16(dst + 2 * (x0 + i), (s[2] >> 3) << 10 | (s[1] >> 3) << 5 | s[0] >> 3);
      break;
    case PixelFormat::RGB565_16bpp:
      for (uint32_t i = 0; i < count; ++i, s += 4)
        Store16(dst + 2 * (x0 + i), (s[2] >> 3) << 11 | (s[1] >> 2) << 5 | s[0] >> 3);
      break;
    case PixelFormat::ARGB1555_16bpp:
      for (uint32_t i = 0; i < count; ++i, s += 4)
        Store16(dst + 2 * (x0 + i), (s[3] >= 128 ? 0x8000 : 0) | (s[2] >> 3) << 10 | (s[1] >> 3) << 5 | s[0] >> 3);
      break;
    case PixelFormat::RGB24bpp: {
      uint8_t* d = dst + 3 * x0;
      for (uint32_t i = 0; i < count; ++i, s += 4, d += 3) {
        d[0] = s[0];
        d[1] = s[1];
        d[2] = s[2];
      }
      break;
    }
    case PixelFormat::RGB32bpp: {
      uint8_t* d = dst + 4 * x0;
      for (uint32_t i = 0; i < count; ++i, s += 4, d += 4) {
        d[0] = s[0];
        d[1] = s[1];
        d[2] = s[2];
        d[3] = 0xFF;
      }
      break;
    }
    case PixelFormat::ARGB32bpp:
      std::memcpy(dst + 4 * x0, s, size_t{count} * 4);
      break;
    case PixelFormat::PARGB32bpp: {
      uint8_t* d = dst + 4 * x0;
      for (uint32_t i = 0; i < count; ++i, s += 4, d += 4) {
        const uint32_t a = s[3];
        d[0] = Premultiply(s[0], a);
        d[1] = Premultiply(s[1], a);
        d[2] = Premultiply(s[2], a);
        d[3] = static_cast<uint8_t>(a);
      }
      break;
    }
    case PixelFormat::RGB48bpp:
    case PixelFormat::ARGB64bpp:
    case PixelFormat::PARGB64bpp: {
      const uint32_t channels = format == PixelFormat::RGB48bpp ? 3 : 4;
      uint8_t* d = dst + 2 * channels * x0;
      for (uint32_t i = 0; i < count; ++i, s += 4, d += 2 * channels) {
        const uint32_t a = s[3];
        for (uint32_t c = 0; c < channels; ++c) {
          uint32_t v = s[c] * 257u;
          if (format == PixelFormat::PARGB64bpp && c < 3) v = Premultiply16(v, a * 257u);
          Store16(d + 2 * c, v);
        }
      }
      break;
    }
    case PixelFormat::DontCare:
      break;
  }
}

// 16-bit straight BGRA, for conversions that involve a wide format.
void RowToArgb64(const uint8_t* src, PixelFormat format, const Palette& palette, uint32_t count, uint16_t* out) {
  switch (format) {
    case PixelFormat::GrayScale16bpp:
      for (uint32_t i = 0; i < count; ++i, out += 4) {
        const uint16_t v = Load16(src + 2 * i);
        out[0] = out[1] = out[2] = v;
        out[3] = 0xFFFF;
      }
      return;
    case PixelFormat::RGB48bpp:
      for (uint32_t i = 0; i < count; ++i, out += 4) {
        for (int c = 0; c < 3; ++c) out[c] = Load16(src + 6 * i + 2 * c);
        out[3] = 0xFFFF;
      }
      return;
    case PixelFormat::ARGB64bpp:
    case PixelFormat::PARGB64bpp:
      for (uint32_t i = 0; i < count; ++i, out += 4) {
        const uint16_t a = Load16(src + 8 * i + 6);
        for (int c = 0; c < 3; ++c) {
          const uint16_t v = Load16(src + 8 * i + 2 * c);
          out[c] = format == PixelFormat::PARGB64bpp ? Unpremultiply16(v, a) : v;
        }
        out[3] = a;
      }
      return;
    default: {
      std::vector<uint8_t> row(size_t{count} * 4);
      RowToArgb32(src, format, palette, 0, count, row.data());
      for (uint32_t i = 0; i < size_t{count} * 4; ++i) out[i] = static_cast<uint16_t>(row[i] * 257);
    }
  }
}

void RowFromArgb64(const uint16_t* in, uint32_t count, PixelFormat format, NearestCache* cache, uint8_t* dst) {
  switch (format) {
    case PixelFormat::GrayScale16bpp:
      for (uint32_t i = 0; i < count; ++i, in += 4)
        Store16(dst + 2 * i, static_cast<uint32_t>((in[2] * 299ull + in[1] * 587ull + in[0] * 114ull + 500) / 1000));
      return;
    case PixelFormat::RGB48bpp:
      for (uint32_t i = 0; i < count; ++i, in += 4)
        for (int c = 0; c < 3; ++c) Store16(dst + 6 * i + 2 * c, in[c]);
      return;
    case PixelFormat::ARGB64bpp:
    case PixelFormat::PARGB64bpp:
      for (uint32_t i = 0; i < count; ++i, in += 4) {
        for (int c = 0; c < 3; ++c)
          Store16(dst + 8 * i + 2 * c, format == PixelFormat::PARGB64bpp ? Premultiply16(in[c], in[3]) : in[c]);
        Store16(dst + 8 * i + 6, in[3]);
      }
      return;
    default: {
      std::vector<uint8_t> row(size_t{count} * 4);
      for (uint32_t i = 0; i < size_t{count} * 4; ++i) row[i] = To8(in[i]);
      RowFromArgb32Cached(row.data(), count, format, cache, 0, dst);
    }
  }
}

}  // namespace

void RowToArgb32(const uint8_t* src, PixelFormat format, const Palette& palette, uint32_t x0, uint32_t count,
                 uint8_t* out) {
  switch (format) {
    case PixelFormat::Indexed1bpp:
    case PixelFormat::Indexed4bpp:
    case PixelFormat::Indexed8bpp: {
      const uint32_t bits = BitsPerPixel(format);
      for (uint32_t i = 0; i < count; ++i, out += 4) {
        const uint32_t c = PaletteColour(palette, GetIndex(src, bits, x0 + i));
        out[0] = static_cast<uint8_t>(c);
        out[1] = static_cast<uint8_t>(c >> 8);
        out[2] = static_cast<uint8_t>(c >> 16);
        out[3] = static_cast<uint8_t>(c >> 24);
      }
      break;
    }
    case PixelFormat::GrayScale16bpp:
      for (uint32_t i = 0; i < count; ++i, out += 4) {
        out[0] = out[1] = out[2] = To8(Load16(src + 2 * (x0 + i)));
        out[3] = 0xFF;
      }
      break;
    case PixelFormat::RGB555_16bpp:
    case PixelFormat::ARGB1555_16bpp:
      for (uint32_t i = 0; i < count; ++i, out += 4) {
        const uint32_t v = Load16(src + 2 * (x0 + i));
        out[0] = Expand5(v & 31);
        out[1] = Expand5(v >> 5 & 31);
        out[2] = Expand5(v >> 10 & 31);
        out[3] = format == PixelFormat::RGB555_16bpp || (v & 0x8000) ? 0xFF : 0;
      }
      break;
    case PixelFormat::RGB565_16bpp:
      for (uint32_t i = 0; i < count; ++i, out += 4) {
        const uint32_t v = Load16(src + 2 * (x0 + i));
        out[0] = Expand5(v & 31);
        out[1] = Expand6(v >> 5 & 63);
        out[2] = Expand5(v >> 11);
        out[3] = 0xFF;
      }
      break;
    case PixelFormat::RGB24bpp: {
      const uint8_t* s = src + 3 * x0;
      for (uint32_t i = 0; i < count; ++i, out += 4, s += 3) {
        out[0] = s[0];
        out[1] = s[1];
        out[2] = s[2];
        out[3] = 0xFF;
      }
      break;
    }
    case PixelFormat::RGB32bpp: {
      const uint8_t* s = src + 4 * x0;
      for (uint32_t i = 0; i < count; ++i, out += 4, s += 4) {
        out[0] = s[0];
        out[1] = s[1];
        out[2] = s[2];
        out[3] = 0xFF;
      }
      break;
    }
    case PixelFormat::ARGB32bpp:
      std::memcpy(out, src + 4 * x0, size_t{count} * 4);
      break;
    case PixelFormat::PARGB32bpp: {
      const uint8_t* s = src + 4 * x0;
      for (uint32_t i = 0; i < count; ++i, out += 4, s += 4) {
        const uint32_t a = s[3];
        out[0] = Unpremultiply(s[0], a);
        out[1] = Unpremultiply(s[1], a);
        out[2] = Unpremultiply(s[2], a);
        out[3] = static_cast<uint8_t>(a);
      }
      break;
    }
    case PixelFormat::RGB48bpp:
    case PixelFormat::ARGB64bpp:
    case PixelFormat::PARGB64bpp: {
      const uint32_t channels = format == PixelFormat::RGB48bpp ? 3 : 4;
      const uint8_t* s = src + 2 * channels * x0;
      for (uint32_t i = 0; i < count; ++i, out += 4, s += 2 * channels) {
        const uint32_t a = channels == 4 ? Load16(s + 6) : 0xFFFF;
        for (int c = 0; c < 3; ++c) {
          uint32_t v = Load16(s + 2 * c);
          if (format == PixelFormat::PARGB64bpp) v = Unpremultiply16(v, a);
          out[c] = To8(v);
        }
        out[3] = To8(a);
      }
      break;
    }
    case PixelFormat::DontCare:
      break;
  }
}

void RowFromArgb32(const uint8_t* bgra, uint32_t count, PixelFormat format, const Palette& palette, uint32_t x0,
                   uint8_t* dst) {
  if (IsIndexed(format)) {
    NearestCache cache(palette);
    RowFromArgb32Cached(bgra, count, format, &cache, x0, dst);
  } else {
    RowFromArgb32Cached(bgra, count, format, nullptr, x0, dst);
  }
}

void CopyArea(ConstPixelView src, uint32_t sx, uint32_t sy, PixelView dst, uint32_t dx, uint32_t dy, uint32_t w,
              uint32_t h) {
  const uint32_t bits = BitsPerPixel(src.layout.format);
  for (uint32_t y = 0; y < h; ++y) {
    const uint8_t* in = src.Row(sy + y);
    uint8_t* out = dst.Row(dy + y);
    if (bits >= 8) {
      std::memcpy(out + size_t{dx} * bits / 8, in + size_t{sx} * bits / 8, size_t{w} * bits / 8);
    } else {
      for (uint32_t x = 0; x < w; ++x) SetIndex(out, bits, dx + x, GetIndex(in, bits, sx + x));
    }
  }
}

Status ConvertPixels(ConstPixelView src, const Palette& srcPalette, PixelView dst, const Palette& dstPalette) {
  const PixelFormat from = src.layout.format;
  const PixelFormat to = dst.layout.format;
  if (!IsValidPixelFormat(from) || !IsValidPixelFormat(to) || src.layout.width != dst.layout.width ||
      src.layout.height != dst.layout.height || src.data == nullptr || dst.data == nullptr)
    return Status::InvalidParameter;
  const uint32_t width = src.layout.width;
  const uint32_t height = src.layout.height;

  if (from == to && (!IsIndexed(from) || srcPalette.entries == dstPalette.entries)) {
    const size_t rowBytes = (size_t{width} * BitsPerPixel(from) + 7) / 8;
    for (uint32_t y = 0; y < height; ++y) std::memcpy(dst.Row(y), src.Row(y), rowBytes);
    return Status::Ok;
  }

  NearestCache cache(dstPalette);
  if (IsExtended(from) || IsExtended(to)) {
    std::vector<uint16_t> row(size_t{width} * 4);
    for (uint32_t y = 0; y < height; ++y) {
      RowToArgb64(src.Row(y), from, srcPalette, width, row.data());
      RowFromArgb64(row.data(), width, to, &cache, dst.Row(y));
    }
    return Status::Ok;
  }
  std::vector<uint8_t> row(size_t{width} * 4);
  for (uint32_t y = 0; y < height; ++y) {
    RowToArgb32(src.Row(y), from, srcPalette, 0, width, row.data());
    RowFromArgb32Cached(row.data(), width, to, &cache, 0, dst.Row(y));
  }
  return Status::Ok;
}

Result<PixelBuffer> ConvertFormat(const PixelBuffer& src, PixelFormat format, const DecodeLimits& limits) {
  if (format == PixelFormat::DontCare || format == src.Format()) return src.Copy();
  auto dst = PixelBuffer::Allocate(format, src.Width(), src.Height(), PixelBuffer::Init::Zero, limits);
  if (!dst.Ok()) return dst;
  if (Status s = ConvertPixels(src.View(), src.GetPalette(), dst.Value().View(), dst.Value().GetPalette());
      s != Status::Ok)
    return s;
  return dst;
}

}  // namespace tavlen::gfx
