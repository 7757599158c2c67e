// Reading DIBs: the header and RLE walk of the BMP decoder, into 1/4/8/16/24/32-bit pixels as metafiles draw them.
#include "platform/graphics/metafile/dib.h"

#include <algorithm>
#include <array>
#include <bit>

#include "platform/graphics/codecs/dib_header.h"
#include "platform/graphics/metafile/byte_reader.h"
#include "platform/graphics/pixel_buffer.h"

namespace tavlen::gfx::metafile {
namespace {

using bmp::kBiAlphaBitfields;
using bmp::kBiBitfields;
using bmp::kBiRgb;
using bmp::kBiRle4;
using bmp::kBiRle8;

// Palette indexes 0 and 1, standing in for the table a monochrome DIB of the palette-index form leaves out.
constexpr uint8_t kMonoIndexes[4] = {0, 0, 1, 0};
// Beyond any picture a metafile carries, and small enough that a hostile header cannot make us allocate much.
constexpr uint64_t kMaxDibPixels = uint64_t{1} << 26;

// The BMP decoder's reading of the header, with where the colour table lies in `info` and how many entries
// it has.
struct Header : bmp::DibHeader {
  uint32_t tableEntries = 0;
  bool Core() const { return kind == bmp::HeaderKind::Core; }
};

// Ok, or the status of a header the player cannot read: NotImplemented for the compressions it does not
// decode, InvalidParameter for a malformed or truncated one.
Status ParseHeader(std::span<const uint8_t> info, Header& h) {
  if (const Status s = bmp::ParseDibHeader(info, 0, h); s != Status::Ok)
    return s == Status::NotImplemented ? s : Status::InvalidParameter;
  if (h.bitCount <= 8) {
    const uint32_t full = 1u << h.bitCount;
    h.tableEntries = (h.colorsUsed == 0 || h.colorsUsed > full) ? full : h.colorsUsed;
  } else {
    // Deeper images may still carry a table (an optimisation hint); it is skipped.
    h.tableEntries = h.Core() ? 0 : std::min<uint32_t>(h.colorsUsed, 256);
  }
  return Status::Ok;
}

size_t TableEntryBytes(const Header& h, DibColors colors) {
  if (colors == DibColors::Palette) return 2;
  return h.Core() ? 3 : 4;
}

uint32_t FromColorRef(ColorRef c) { return 0xFF000000u | ((c & 0xFF) << 16) | (c & 0xFF00) | ((c >> 16) & 0xFF); }

// One channel of a bit-field pixel scaled to 8 bits.
uint32_t Channel(uint32_t pixel, uint32_t mask) {
  if (mask == 0) return 0;
  const int shift = std::countr_zero(mask);
  const uint32_t max = mask >> shift;
  return ((pixel & mask) >> shift) * 255u / max;
}

void DecodeRle(std::span<const uint8_t> src, const Header& h, const std::vector<uint32_t>& table, DibImage& out) {
  std::fill(out.pixels.begin(), out.pixels.end(), 0u);  // skipped pixels stay transparent
  out.alpha = DibAlpha::Gaps;
  bmp::WalkRle(src, h, [&](uint32_t x, uint32_t storedRow, uint8_t index) {
    out.pixels[size_t{h.height - 1 - storedRow} * h.width + x] = index < table.size() ? table[index] : 0xFF000000u;
  });
}

}  // namespace

size_t PackedDibHeaderBytes(std::span<const uint8_t> info, DibColors colors) {
  Header h;
  if (ParseHeader(info, h) != Status::Ok) return 0;
  const size_t bytes = h.paletteStart + size_t{h.tableEntries} * TableEntryBytes(h, colors);
  return bytes <= info.size() ? bytes : 0;
}

Status ReadDib(std::span<const uint8_t> info, std::span<const uint8_t> bits, DibColors colors,
               std::span<const ColorRef> palette, const DecodeLimits& limits, DibImage& out) {
  Header h;
  if (const Status s = ParseHeader(info, h); s != Status::Ok) return s;
  const bool topDown = h.topDown;
  if (uint64_t{h.width} * h.height > kMaxDibPixels) return Status::OutOfMemory;
  const uint32_t w = h.width, ht = h.height;
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
    auto raw = ByteReader(info).Slice(h.paletteStart, size_t{h.tableEntries} * entryBytes);
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

  const uint64_t stride = bmp::RowBytes(w, h.bitCount);
  if (stride * ht > bits.size()) {
    // Writers round the last row down; accept what has every pixel.
    const uint64_t lastRow = (uint64_t{w} * h.bitCount + 7) / 8;
    if (stride * (ht - 1) + lastRow > bits.size()) return Status::InvalidParameter;
  }
  // 16-bit images and 32-bit bit-field images go through the masks; other 32-bit images keep their words.
  const std::array<uint32_t, 4>& masks = h.masks;
  const bool fields = h.bitfields;
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
