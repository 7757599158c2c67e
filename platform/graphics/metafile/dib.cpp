// Reading DIBs: core and info headers, 1/4/8/16/24/32-bit pixels, bit fields and RLE compression.
#include "platform/graphics/metafile/dib.h"

#include <algorithm>
#include <bit>

#include "platform/graphics/metafile/byte_reader.h"
#include "platform/graphics/pixel_buffer.h"

namespace tavlen::gfx::metafile {
namespace {

constexpr uint32_t kBiRgb = 0, kBiRle8 = 1, kBiRle4 = 2, kBiBitfields = 3, kBiAlphaBitfields = 6;
// Palette indexes 0 and 1, standing in for the table a monochrome DIB of the palette-index form leaves out.
constexpr uint8_t kMonoIndexes[4] = {0, 0, 1, 0};
// Beyond any picture a metafile carries, and small enough that a hostile header cannot make us allocate much.
constexpr uint64_t kMaxDibPixels = uint64_t{1} << 26;

struct Header {
  uint32_t headerSize = 0;
  int64_t width = 0, height = 0;
  uint32_t bitCount = 0;
  uint32_t compression = kBiRgb;
  uint32_t colorsUsed = 0;
  uint32_t masks[4] = {0, 0, 0, 0};
  bool core = false;
  size_t tableOffset = 0;  // where the colour table starts
  uint32_t tableEntries = 0;
};

bool ParseHeader(ByteReader& r, DibColors colors, Header& h) {
  h.headerSize = r.U32();
  if (h.headerSize == 12) {
    h.core = true;
    h.width = r.U16();
    h.height = r.U16();
    r.U16();
    h.bitCount = r.U16();
  } else if (h.headerSize >= 40 && h.headerSize <= 1024) {
    h.width = r.S32();
    h.height = r.S32();
    r.U16();
    h.bitCount = r.U16();
    h.compression = r.U32();
    r.Skip(12);  // image size, resolution
    h.colorsUsed = r.U32();
    r.U32();
    if (h.headerSize >= 52) {
      for (int i = 0; i < (h.headerSize >= 56 ? 4 : 3); ++i) h.masks[i] = r.U32();
    }
  } else {
    return false;
  }
  if (!r.Ok()) return false;
  size_t offset = h.headerSize;
  if (h.headerSize == 40 && (h.compression == kBiBitfields || h.compression == kBiAlphaBitfields)) {
    r.Seek(40);
    const int n = h.compression == kBiAlphaBitfields ? 4 : 3;
    for (int i = 0; i < n; ++i) h.masks[i] = r.U32();
    if (!r.Ok()) return false;
    offset += 4 * n;
  }
  h.tableOffset = offset;
  if (h.bitCount <= 8) {
    const uint32_t full = 1u << h.bitCount;
    h.tableEntries = (h.colorsUsed == 0 || h.colorsUsed > full) ? full : h.colorsUsed;
  } else {
    // Deeper images may still carry a table (an optimisation hint); it is skipped.
    h.tableEntries = h.core ? 0 : std::min<uint32_t>(h.colorsUsed, 256);
  }
  (void)colors;
  return true;
}

size_t TableEntryBytes(const Header& h, DibColors colors) {
  if (colors == DibColors::Palette) return 2;
  return h.core ? 3 : 4;
}

uint32_t FromColorRef(ColorRef c) { return 0xFF000000u | ((c & 0xFF) << 16) | (c & 0xFF00) | ((c >> 16) & 0xFF); }

// One channel of a bit-field pixel scaled to 8 bits.
uint32_t Channel(uint32_t pixel, uint32_t mask) {
  if (mask == 0) return 0;
  const int shift = std::countr_zero(mask);
  const uint32_t max = mask >> shift;
  return ((pixel & mask) >> shift) * 255u / max;
}

bool DecodeRle(std::span<const uint8_t> src, const Header& h, const std::vector<uint32_t>& table, DibImage& out) {
  const bool four = h.compression == kBiRle4;
  const uint32_t w = out.width, ht = out.height;
  std::fill(out.pixels.begin(), out.pixels.end(), 0u);  // skipped pixels stay transparent
  out.alpha = DibAlpha::Gaps;
  uint32_t x = 0, y = 0;  // y counts from the bottom row
  size_t i = 0;
  auto put = [&](uint32_t index) {
    if (x < w && y < ht) out.pixels[size_t{ht - 1 - y} * w + x] = index < table.size() ? table[index] : 0xFF000000u;
    ++x;
  };
  while (i + 1 < src.size() && y < ht) {
    const uint8_t count = src[i], value = src[i + 1];
    i += 2;
    if (count > 0) {
      for (uint32_t k = 0; k < count && x < w; ++k) put(four ? ((k & 1) ? value & 15 : value >> 4) : value);
      continue;
    }
    if (value == 0) {
      x = 0;
      ++y;
    } else if (value == 1) {
      return true;
    } else if (value == 2) {
      if (i + 1 >= src.size()) return true;
      x += src[i];
      y += src[i + 1];
      i += 2;
    } else {
      const size_t bytes = four ? (value + 1u) / 2u : value;
      if (i + bytes > src.size()) return true;  // a truncated run ends the image
      for (uint32_t k = 0; k < value; ++k) {
        const uint8_t b = src[i + (four ? k / 2 : k)];
        put(four ? ((k & 1) ? b & 15 : b >> 4) : b);
      }
      i += (bytes + 1) & ~size_t{1};
    }
  }
  return true;
}

}  // namespace

size_t PackedDibHeaderBytes(std::span<const uint8_t> info, DibColors colors) {
  ByteReader r(info);
  Header h;
  if (!ParseHeader(r, colors, h)) return 0;
  const size_t bytes = h.tableOffset + size_t{h.tableEntries} * TableEntryBytes(h, colors);
  return bytes <= info.size() ? bytes : 0;
}

Status ReadDib(std::span<const uint8_t> info, std::span<const uint8_t> bits, DibColors colors,
               std::span<const ColorRef> palette, const DecodeLimits& limits, DibImage& out) {
  ByteReader r(info);
  Header h;
  if (!ParseHeader(r, colors, h)) return Status::InvalidParameter;
  const bool topDown = h.height < 0;
  const int64_t height = topDown ? -h.height : h.height;
  if (h.width <= 0 || height <= 0) return Status::InvalidParameter;
  if (static_cast<uint64_t>(h.width) * static_cast<uint64_t>(height) > kMaxDibPixels) return Status::OutOfMemory;
  const auto w = static_cast<uint32_t>(h.width), ht = static_cast<uint32_t>(height);
  if (const Status s = CheckImageSize(PixelFormat::ARGB32bpp, w, ht, limits); s != Status::Ok) return s;

  const bool rle = h.compression == kBiRle8 || h.compression == kBiRle4;
  switch (h.bitCount) {
    case 1:
    case 4:
    case 8:
      if (h.compression != kBiRgb && !(h.compression == kBiRle8 && h.bitCount == 8) &&
          !(h.compression == kBiRle4 && h.bitCount == 4)) {
        return Status::NotImplemented;
      }
      break;
    case 16:
    case 32:
      if (h.compression != kBiRgb && h.compression != kBiBitfields && h.compression != kBiAlphaBitfields)
        return Status::NotImplemented;
      break;
    case 24:
      if (h.compression != kBiRgb) return Status::NotImplemented;
      break;
    default:
      return h.compression > kBiBitfields ? Status::NotImplemented : Status::InvalidParameter;
  }
  if (rle && topDown) return Status::InvalidParameter;

  // The colour table.
  std::vector<uint32_t> table;
  if (h.bitCount <= 8) {
    const size_t entryBytes = TableEntryBytes(h, colors);
    auto raw = r.Slice(h.tableOffset, size_t{h.tableEntries} * entryBytes);
    // Monochrome brushes of the palette-index form come without a table: their colours are the DC's.
    if (raw.empty() && h.bitCount == 1 && colors == DibColors::Palette) raw = kMonoIndexes;
    if (raw.empty()) return Status::InvalidParameter;
    table.resize(h.tableEntries);
    for (uint32_t i = 0; i < h.tableEntries; ++i) {
      const uint8_t* e = raw.data() + i * entryBytes;
      if (colors == DibColors::Palette) {
        const uint32_t index = e[0] | (e[1] << 8);
        table[i] = index < palette.size() ? FromColorRef(palette[index]) : 0xFF000000u;
      } else {
        table[i] = 0xFF000000u | (uint32_t{e[2]} << 16) | (uint32_t{e[1]} << 8) | e[0];
      }
    }
  }

  DibImage img;
  img.width = w;
  img.height = ht;
  img.bottomUp = !topDown;
  img.pixels.resize(size_t{w} * ht);
  if (rle) {
    DecodeRle(bits, h, table, img);
    out = std::move(img);
    return Status::Ok;
  }

  const uint64_t stride = ((uint64_t{w} * h.bitCount + 31) / 32) * 4;
  if (stride * ht > bits.size()) {
    // Writers round the last row down; accept what has every pixel.
    const uint64_t lastRow = (uint64_t{w} * h.bitCount + 7) / 8;
    if (stride * (ht - 1) + lastRow > bits.size()) return Status::InvalidParameter;
  }
  uint32_t masks[4] = {h.masks[0], h.masks[1], h.masks[2], h.masks[3]};
  const bool fields = h.compression == kBiBitfields || h.compression == kBiAlphaBitfields;
  if (!fields && h.bitCount == 16) {
    masks[0] = 0x7C00, masks[1] = 0x03E0, masks[2] = 0x001F;
  }
  img.monochrome = h.bitCount == 1;
  if (img.monochrome) img.bits.resize(size_t{w} * ht);
  bool anyAlpha = false;
  for (uint32_t row = 0; row < ht; ++row) {
    const uint8_t* src = bits.data() + stride * row;
    const uint32_t dy = topDown ? row : ht - 1 - row;
    uint32_t* dst = img.pixels.data() + size_t{dy} * w;
    for (uint32_t x = 0; x < w; ++x) {
      switch (h.bitCount) {
        case 1: {
          const uint32_t v = (src[x >> 3] >> (7 - (x & 7))) & 1;
          dst[x] = v < table.size() ? table[v] : 0xFF000000u;
          img.bits[size_t{dy} * w + x] = static_cast<uint8_t>(v);
          break;
        }
        case 4: {
          const uint32_t v = (x & 1) ? src[x >> 1] & 15 : src[x >> 1] >> 4;
          dst[x] = v < table.size() ? table[v] : 0xFF000000u;
          break;
        }
        case 8:
          dst[x] = src[x] < table.size() ? table[src[x]] : 0xFF000000u;
          break;
        case 16: {
          const uint32_t v = src[2 * x] | (src[2 * x + 1] << 8);
          dst[x] = 0xFF000000u | (Channel(v, masks[0]) << 16) | (Channel(v, masks[1]) << 8) | Channel(v, masks[2]);
          break;
        }
        case 24:
          dst[x] = 0xFF000000u | (uint32_t{src[3 * x + 2]} << 16) | (uint32_t{src[3 * x + 1]} << 8) | src[3 * x];
          break;
        case 32: {
          const uint32_t v =
              src[4 * x] | (src[4 * x + 1] << 8) | (src[4 * x + 2] << 16) | (uint32_t{src[4 * x + 3]} << 24);
          if (fields) {
            const uint32_t a = masks[3] ? Channel(v, masks[3]) : 0xFF;
            dst[x] = (a << 24) | (Channel(v, masks[0]) << 16) | (Channel(v, masks[1]) << 8) | Channel(v, masks[2]);
          } else {
            dst[x] = v;
          }
          anyAlpha |= (dst[x] >> 24) != 0;
          break;
        }
      }
    }
  }
  if (h.bitCount == 32) {
    if (anyAlpha) {
      img.alpha = DibAlpha::Alpha;
    } else {
      for (uint32_t& p : img.pixels) p |= 0xFF000000u;
    }
  }
  out = std::move(img);
  return Status::Ok;
}

}  // namespace tavlen::gfx::metafile
