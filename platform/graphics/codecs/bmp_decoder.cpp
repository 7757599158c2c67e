// Decoder of BMP files and headerless DIBs: core, OS/2 v2 and v3-v5 headers, RLE4/RLE8 and bit-field pixels.
//
// Choices where files leave the behaviour open:
// - Pixels that RLE data skips (delta, early end of line or of bitmap) and pixels past the end of truncated
//   data stay zero: palette index 0 for indexed images, black for the others.
// - RLE runs that pass the end of a row are clipped there rather than wrapped onto the next row.
// - Indices beyond a short palette show as opaque black: the palette is padded with black entries up to
//   the largest index the pixels use, so every index the image holds has an entry.
// - A pixel-data offset that points into the headers or past the end of the file is replaced by the position
//   right after the palette; an offset inside the palette shortens the palette instead.
// - Bit-field images whose alpha mask selects only zero bits are opaque; RLE images with a negative height are
//   decoded top-down; biSizeImage and bfSize are ignored.
#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <vector>

#include "platform/graphics/codecs/bmp_format.h"
#include "platform/graphics/codecs/codec.h"
#include "platform/graphics/codecs/dib_header.h"
#include "platform/graphics/codecs/picture_rows.h"
#include "platform/graphics/limit_refusal.h"
#include "platform/graphics/status_file_io.h"

namespace tavlen::gfx {
namespace {

using namespace bmp;

// A headerless DIB is only tried as a last resort, so it must look exactly like one.
bool LooksLikeDib(std::span<const uint8_t> data) {
  if (data.size() < 4) return false;
  const uint32_t size = ReadU32(data.data());
  constexpr std::array<uint32_t, 8> kKnownSizes{12, 16, 40, 52, 56, 64, 108, 124};
  if (std::find(kKnownSizes.begin(), kKnownSizes.end(), size) == kKnownSizes.end() || data.size() < size) return false;
  const uint8_t* h = data.data();
  if (size == kCoreHeaderSize)
    return ReadU16(h + 4) > 0 && ReadU16(h + 6) > 0 && ReadU16(h + 8) == 1 && IsKnownBitCount(ReadU16(h + 10));
  const auto width = static_cast<int32_t>(ReadU32(h + kInfoWidth));
  const auto height = static_cast<int32_t>(ReadU32(h + kInfoHeight));
  if (width <= 0 || height == 0 || ReadU16(h + kInfoPlanes) != 1 || !IsKnownBitCount(ReadU16(h + kInfoBitCount)))
    return false;
  return size < 20 || ReadU32(h + kInfoCompression) <= kBiAlphaBitfields;
}

// One colour channel of a bit-field pixel, scaled exactly to 0..255 (v * 255 / max, rounded).
class Channel {
 public:
  bool Init(uint32_t mask) {
    m_mask = mask;
    if (mask == 0) return true;
    m_shift = static_cast<uint32_t>(std::countr_zero(mask));
    const uint64_t field = static_cast<uint64_t>(mask) >> m_shift;
    if ((field & (field + 1)) != 0) return false;  // not contiguous
    m_max = static_cast<uint32_t>(field);
    if (m_max <= 0xFFF) {
      m_lut.resize(m_max + 1);
      for (uint32_t v = 0; v <= m_max; ++v) m_lut[v] = Scale(v);
    }
    return true;
  }
  uint8_t Get(uint32_t word) const {
    if (m_mask == 0) return 0;
    const uint32_t v = (word & m_mask) >> m_shift;
    return m_lut.empty() ? Scale(v) : m_lut[v];
  }

 private:
  uint8_t Scale(uint32_t v) const { return static_cast<uint8_t>((static_cast<uint64_t>(v) * 255 + m_max / 2) / m_max); }

  uint32_t m_mask = 0;
  uint32_t m_shift = 0;
  uint32_t m_max = 1;
  std::vector<uint8_t> m_lut;
};

uint32_t ReadWord(const uint8_t* p, uint32_t bytesPerPixel) {
  switch (bytesPerPixel) {
    case 2:
      return ReadU16(p);
    case 3:
      return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) | (static_cast<uint32_t>(p[2]) << 16);
    default:
      return ReadU32(p);
  }
}

// Calls fn(y, row, bytes) for every stored row present in `pixels`; the last one may be partial.
template <typename Fn>
void ForEachStoredRow(std::span<const uint8_t> pixels, uint64_t rowBytes, const DibHeader& h, Fn fn) {
  uint64_t start = 0;
  for (uint32_t r = 0; r < h.height && start < pixels.size(); ++r, start += rowBytes) {
    const size_t avail = static_cast<size_t>(std::min<uint64_t>(rowBytes, pixels.size() - start));
    fn(h.topDown ? r : h.height - 1 - r, pixels.data() + start, avail);
  }
}

bool AnyAlpha(std::span<const uint8_t> pixels, uint64_t rowBytes, const DibHeader& h, uint32_t alphaMask) {
  const uint32_t bpp = h.bitCount / 8;
  bool any = false;
  ForEachStoredRow(pixels, rowBytes, h, [&](uint32_t, const uint8_t* src, size_t avail) {
    const size_t n = std::min<size_t>(h.width, avail / bpp);
    for (size_t x = 0; x < n && !any; ++x) any = (ReadWord(src + x * bpp, bpp) & alphaMask) != 0;
  });
  return any;
}

void SetIndex(uint8_t* row, PixelFormat format, uint64_t x, uint8_t index) {
  if (format == PixelFormat::Indexed8bpp) {
    row[x] = index;
  } else {
    uint8_t& b = row[x >> 1];
    b = (x & 1) ? static_cast<uint8_t>((b & 0xF0) | (index & 0x0F)) : static_cast<uint8_t>((b & 0x0F) | (index << 4));
  }
}

// Uncompressed rows are stored whole: a picture past 64 MiB whose file cannot hold its rows is a bomb,
// refused before its pixels are allocated. Smaller truncated files still give what they hold.
constexpr uint64_t kUnbackedBytes = uint64_t{64} << 20;

bool StoredRowsBacked(const DibHeader& h, uint64_t bytesAfterPixelStart) {
  const uint64_t storedBytes = RowBytes(h.width, h.bitCount) * h.height;
  return storedBytes <= kUnbackedBytes || storedBytes <= bytesAfterPixelStart;
}

// RLE8 / RLE4 into `out`, or with no `out` only counted. Pixels never written stay index 0. Returns how many
// pixels the runs paint.
uint64_t DecodeRle(std::span<const uint8_t> src, const DibHeader& h, PixelBuffer* out) {
  return WalkRle(src, h, [&](uint32_t x, uint32_t row, uint8_t index) {
    if (out) SetIndex(out->Row(h.topDown ? row : h.height - 1 - row), out->Format(), x, index);
  });
}

// RLE runs can skip pixels, and a stream can end early, so a few bytes could claim any canvas up to the
// limits. Past 64 MiB, the runs must paint at least a quarter of the canvas: real encoders write every
// pixel, and the bytes a run costs (2 for up to 255 pixels) make a file of a few kilobytes paint a few
// hundred thousand at most.
bool RleRunsBacked(std::span<const uint8_t> src, const DibHeader& h) {
  if (RowBytes(h.width, h.bitCount) * h.height <= kUnbackedBytes) return true;
  return DecodeRle(src, h, nullptr) >= uint64_t{h.width} * h.height / 4;
}

bool HasStandardRgbMasks(const DibHeader& h) {
  return h.masks[0] == 0x00FF0000 && h.masks[1] == 0x0000FF00 && h.masks[2] == 0x000000FF;
}

// Uncompressed rows into the output format chosen by ChooseFormat.
void DecodeRows(std::span<const uint8_t> pixels, const DibHeader& h, const std::array<Channel, 4>& channels,
                PixelBuffer& out) {
  enum class Mode { Copy, Copy3Of4, Expand2, Fields };
  const PixelFormat format = out.Format();
  Mode mode = Mode::Fields;
  if (h.bitCount == 2)
    mode = Mode::Expand2;
  else if (h.bitCount < 16 || format == PixelFormat::RGB555_16bpp || format == PixelFormat::RGB565_16bpp ||
           (h.bitCount == 24 && !h.bitfields))
    mode = Mode::Copy;
  else if (h.bitCount == 32 && HasStandardRgbMasks(h))
    mode = format == PixelFormat::RGB32bpp ? Mode::Copy3Of4 : h.masks[3] == 0xFF000000u ? Mode::Copy : Mode::Fields;

  const uint32_t bpp = h.bitCount / 8;
  const uint32_t outBpp = BitsPerPixel(format) / 8;
  const size_t used = static_cast<size_t>((static_cast<uint64_t>(h.width) * h.bitCount + 7) / 8);
  ForEachStoredRow(pixels, RowBytes(h.width, h.bitCount), h, [&](uint32_t y, const uint8_t* src, size_t avail) {
    uint8_t* dst = out.Row(y);
    switch (mode) {
      case Mode::Copy:
        std::memcpy(dst, src, std::min(used, avail));
        break;
      case Mode::Copy3Of4:  // the x byte was set to 0xFF beforehand
        for (size_t x = 0, n = std::min<size_t>(h.width, avail / 4); x < n; ++x)
          std::memcpy(dst + 4 * x, src + 4 * x, 3);
        break;
      case Mode::Expand2:
        for (size_t x = 0, n = std::min<size_t>(h.width, avail * 4); x < n; ++x)
          SetIndex(dst, format, x, (src[x >> 2] >> (6 - 2 * (x & 3))) & 3);
        break;
      case Mode::Fields:
        for (size_t x = 0, n = std::min<size_t>(h.width, avail / bpp); x < n; ++x) {
          const uint32_t word = ReadWord(src + x * bpp, bpp);
          uint8_t* d = dst + x * outBpp;
          d[0] = channels[2].Get(word);
          d[1] = channels[1].Get(word);
          d[2] = channels[0].Get(word);
          if (format == PixelFormat::ARGB32bpp) d[3] = channels[3].Get(word);
        }
        break;
    }
  });
}

PixelFormat ChooseFormat(const DibHeader& h) {
  switch (h.bitCount) {
    case 1:
      return PixelFormat::Indexed1bpp;
    case 2:
    case 4:
      return PixelFormat::Indexed4bpp;
    case 8:
      return PixelFormat::Indexed8bpp;
    default:
      break;
  }
  const auto& m = h.masks;
  if (m[3] != 0) return PixelFormat::ARGB32bpp;
  if (h.bitCount == 16) {
    if (m[0] == 0x7C00 && m[1] == 0x03E0 && m[2] == 0x001F) return PixelFormat::RGB555_16bpp;
    if (m[0] == 0xF800 && m[1] == 0x07E0 && m[2] == 0x001F) return PixelFormat::RGB565_16bpp;
    return PixelFormat::RGB24bpp;
  }
  return h.bitCount == 24 ? PixelFormat::RGB24bpp : PixelFormat::RGB32bpp;
}

// The file's palette, cut to what the format can index and to the bytes before the pixel data.
Palette ReadPalette(std::span<const uint8_t> data, const DibHeader& h, uint64_t pixelStart) {
  Palette palette;
  const uint32_t entrySize = h.kind == HeaderKind::Core ? 3 : 4;
  uint64_t count = h.colorsUsed != 0 && h.kind != HeaderKind::Core ? h.colorsUsed : 1u << h.bitCount;
  count = std::min<uint64_t>(count, 1u << h.bitCount);
  const uint64_t end = std::min<uint64_t>(pixelStart, data.size());
  count = std::min<uint64_t>(count, end > h.paletteStart ? (end - h.paletteStart) / entrySize : 0);
  bool gray = true;
  for (uint64_t i = 0; i < count; ++i) {
    const uint8_t* e = data.data() + h.paletteStart + i * entrySize;
    palette.entries.push_back(0xFF000000u | (uint32_t{e[2]} << 16) | (uint32_t{e[1]} << 8) | e[0]);
    gray = gray && e[0] == e[1] && e[1] == e[2];
  }
  if (gray && !palette.entries.empty()) palette.flags = kPaletteGrayScale;
  return palette;
}

// Pads the palette with opaque black up to the largest index the pixels use.
void CoverUsedIndices(PixelBuffer& out) {
  const uint32_t bits = BitsPerPixel(out.Format());
  auto& entries = out.GetPalette().entries;
  if (entries.size() >= (1u << bits)) return;
  uint32_t maxIndex = 0;
  for (uint32_t y = 0; y < out.Height(); ++y) {
    const uint8_t* row = out.Row(y);
    for (uint32_t x = 0; x < out.Width(); ++x) {
      const uint32_t shift = 8 - bits - (x * bits) % 8;
      maxIndex = std::max<uint32_t>(maxIndex, (row[x * bits / 8] >> shift) & ((1u << bits) - 1));
    }
  }
  if (maxIndex >= entries.size()) entries.resize(maxIndex + 1, 0xFF000000u);
}

// Where the pixels start: the file header's offset when it is possible, else right after the palette.
// `head` holds at least the headers; `fileSize` is the size of the whole file.
uint64_t PixelStart(std::span<const uint8_t> head, size_t infoStart, const DibHeader& h, uint64_t fileSize) {
  const uint32_t entrySize = h.kind == HeaderKind::Core ? 3 : 4;
  const bool indexed = h.bitCount >= 1 && h.bitCount <= 8;
  uint64_t declared = h.kind != HeaderKind::Core && h.colorsUsed != 0 ? h.colorsUsed : indexed ? 1u << h.bitCount : 0;
  // An absurd colour count cannot be skipped over; assume the palette the depth needs.
  if (h.paletteStart + declared * entrySize > fileSize) declared = indexed ? 1u << h.bitCount : 0;
  uint64_t pixelStart = h.paletteStart + declared * entrySize;
  if (infoStart == kFileHeaderSize) {
    const uint32_t offset = ReadU32(head.data() + kPixelOffsetOffset);
    if (offset >= h.paletteStart && offset < fileSize) pixelStart = offset;
  }
  return pixelStart;
}

// BI_JPEG / BI_PNG: the pixel data is a whole image of that format.
Status DecodeEmbedded(std::span<const uint8_t> stream, const DibHeader& h, const DecodeLimits& limits,
                      DecodedFrame& frame) {
  auto bytes = std::make_shared<Bytes>(stream.begin(), stream.end());
  std::unique_ptr<ImageDecoder> inner;
  Status status =
      h.compression == kBiJpeg ? OpenJpegDecoder(bytes, limits, inner) : OpenPngDecoder(bytes, limits, inner);
  if (status == Status::Ok) status = inner->DecodeFrame(0, frame);
  if (status == Status::UnknownImageFormat) return Status::GenericError;
  frame.properties.clear();
  return status;
}

Status Decode(std::span<const uint8_t> data, size_t infoStart, const DecodeLimits& limits, DecodedFrame& frame) {
  DibHeader h;
  if (Status s = ParseDibHeader(data, infoStart, h); s != Status::Ok) return s;

  const uint64_t pixelStart = PixelStart(data, infoStart, h, data.size());
  const std::span<const uint8_t> pixels =
      pixelStart < data.size() ? data.subspan(static_cast<size_t>(pixelStart)) : std::span<const uint8_t>{};

  if (h.kind == HeaderKind::Info && (h.compression == kBiJpeg || h.compression == kBiPng))
    return DecodeEmbedded(pixels, h, limits, frame);

  std::array<Channel, 4> channels;
  for (size_t i = 0; i < 4; ++i)
    if (!channels[i].Init(h.masks[i])) return Status::GenericError;
  // An alpha mask that selects only zero bits describes an opaque image.
  if (h.masks[3] != 0 && !AnyAlpha(pixels, RowBytes(h.width, h.bitCount), h, h.masks[3])) h.masks[3] = 0;

  const PixelFormat format = ChooseFormat(h);
  if (Status s = CheckImageSize(format, h.width, h.height, limits); s != Status::Ok) return s;
  const bool rle = h.compression == kBiRle8 || h.compression == kBiRle4;
  if (rle ? !RleRunsBacked(pixels, h) : !StoredRowsBacked(h, pixels.size())) {
    NoteRefusal(Refusal::Unbacked);
    return Status::OutOfMemory;
  }
  Result<PixelBuffer> buffer = PixelBuffer::Allocate(format, h.width, h.height, PixelBuffer::Init::Zero, limits);
  if (!buffer.Ok()) return buffer.GetStatus();
  PixelBuffer& out = buffer.Value();

  if (format == PixelFormat::RGB32bpp) {
    for (uint32_t y = 0; y < h.height; ++y)
      for (uint32_t x = 0; x < h.width; ++x) out.Row(y)[4 * x + 3] = 0xFF;
  }
  if (rle)
    DecodeRle(pixels, h, &out);
  else
    DecodeRows(pixels, h, channels, out);

  if (IsIndexed(format)) {
    out.GetPalette() = ReadPalette(data, h, pixelStart);
    CoverUsedIndices(out);
  }
  frame.pixels = std::move(out);
  frame.properties.clear();
  return Status::Ok;
}

// Where a plain 24-bit file keeps its rows, which are already the 24bppRGB layout.
struct PlainRows {
  uint32_t width = 0;
  uint32_t height = 0;
  bool topDown = false;
  bool backed = false;  // the file is long enough for its rows
  uint64_t pixelStart = 0;
  uint64_t rowBytes = 0;
};

// False for a file that is not a plain 24-bit BMP within the limits.
bool ProbePlainBmp(int fd, uint64_t fileSize, const DecodeLimits& limits, PlainRows& out) {
  // The headers of a plain file and whatever few bytes lie between them and the pixels.
  std::array<uint8_t, 4096> block{};
  size_t got = 0;
  if (ReadFileAt(fd, 0, block, got) != Status::Ok || got < kFileHeaderSize || block[0] != 'B' || block[1] != 'M')
    return false;
  const std::span<const uint8_t> head(block.data(), got);
  DibHeader h;
  if (ParseDibHeader(head, kFileHeaderSize, h) != Status::Ok) return false;
  // Only there are the stored rows already the 24bppRGB layout.
  if (h.kind != HeaderKind::Info || h.compression != kBiRgb || h.bitCount != 24 ||
      ChooseFormat(h) != PixelFormat::RGB24bpp)
    return false;
  if (CheckImageSize(PixelFormat::RGB24bpp, h.width, h.height, limits) != Status::Ok) return false;
  out.width = h.width;
  out.height = h.height;
  out.topDown = h.topDown;
  out.pixelStart = PixelStart(head, kFileHeaderSize, h, fileSize);
  out.backed = StoredRowsBacked(h, fileSize - std::min(out.pixelStart, fileSize));
  out.rowBytes = RowBytes(h.width, h.bitCount);
  return true;
}

// Picture row y of the file into `row` (`stride` bytes); rows past the end of a short file, and the
// padding, stay zero.
Status ReadPlainRow(int fd, uint64_t fileSize, const PlainRows& plain, uint32_t y, uint8_t* row, size_t stride) {
  const uint32_t stored = plain.topDown ? y : plain.height - 1 - y;
  const uint64_t at = plain.pixelStart + stored * plain.rowBytes;
  size_t done = 0;
  if (at < fileSize) {
    const auto wanted = static_cast<size_t>(std::min<uint64_t>(size_t{plain.width} * 3, fileSize - at));
    if (Status s = ReadFileAt(fd, at, std::span(row, wanted), done); s != Status::Ok) return s;
  }
  std::memset(row + done, 0, stride - done);
  return Status::Ok;
}

class PlainBmpRows final : public RowSource {
 public:
  PlainBmpRows(base::UniqueFd fd, uint64_t fileSize, const PlainRows& plain)
      : m_fd(std::move(fd)),
        m_fileSize(fileSize),
        m_plain(plain),
        m_stride(static_cast<size_t>(StrideFor(PixelFormat::RGB24bpp, plain.width))) {}

  Status ReadRows(std::span<uint8_t* const> rows) override {
    for (uint8_t* row : rows) {
      if (m_next >= m_plain.height) return Status::InvalidParameter;
      if (Status s = ReadPlainRow(m_fd.Get(), m_fileSize, m_plain, m_next++, row, m_stride); s != Status::Ok) return s;
    }
    return Status::Ok;
  }

 private:
  base::UniqueFd m_fd;
  uint64_t m_fileSize;
  PlainRows m_plain;
  size_t m_stride;
  uint32_t m_next = 0;
};

}  // namespace

Status ReadPlainBmp(int fd, uint64_t fileSize, const DecodeLimits& limits, DecodedFrame& out, bool& read) {
  PlainRows plain;
  read = ProbePlainBmp(fd, fileSize, limits, plain);
  if (!read) return Status::Ok;
  if (!plain.backed) return Status::OutOfMemory;
  auto buffer =
      PixelBuffer::Allocate(PixelFormat::RGB24bpp, plain.width, plain.height, PixelBuffer::Init::Uninitialized, limits);
  if (!buffer.Ok()) return buffer.GetStatus();
  PixelBuffer& pixels = buffer.Value();
  // In the file's order, which reads ahead best.
  for (uint32_t r = 0; r < plain.height; ++r) {
    const uint32_t y = plain.topDown ? r : plain.height - 1 - r;
    if (Status s = ReadPlainRow(fd, fileSize, plain, y, pixels.Row(y), pixels.Stride()); s != Status::Ok) return s;
  }
  out.pixels = std::move(pixels);
  out.properties.clear();
  return Status::Ok;
}

Status OpenPlainBmpRows(base::UniqueFd fd, uint64_t fileSize, const DecodeLimits& limits, StreamedFrame& out) {
  PlainRows plain;
  if (!ProbePlainBmp(fd.Get(), fileSize, limits, plain) || !plain.backed) return Status::Ok;
  StreamedFrame frame;
  frame.format = PixelFormat::RGB24bpp;
  frame.width = plain.width;
  frame.height = plain.height;
  frame.rows = std::make_unique<PlainBmpRows>(std::move(fd), fileSize, plain);
  out = std::move(frame);
  return Status::Ok;
}

Status OpenBmpDecoder(SharedBytes data, const DecodeLimits& limits, std::unique_ptr<ImageDecoder>& out) {
  if (!data) return Status::InvalidParameter;
  const std::span<const uint8_t> bytes(*data);
  if (bytes.size() > limits.maxFileBytes) return Status::OutOfMemory;
  size_t infoStart = 0;
  if (bytes.size() >= 2 && bytes[0] == 'B' && bytes[1] == 'M') {
    if (bytes.size() < kFileHeaderSize) return Status::GenericError;
    infoStart = kFileHeaderSize;
  } else if (!LooksLikeDib(bytes)) {
    return Status::UnknownImageFormat;
  }
  DecodedFrame frame;
  if (Status s = Decode(bytes, infoStart, limits, frame); s != Status::Ok) return s;
  out = std::make_unique<SingleFrameDecoder>(std::move(frame));
  return Status::Ok;
}

}  // namespace tavlen::gfx
