// TIFF encoder on libtiff: one page per file, lossless for every pixel format, the text tags as TIFF tags.
#include <algorithm>
#include <cstring>
#include <limits>
#include <system_error>
#include <thread>
#include <vector>

#include "platform/graphics/codecs/codec.h"
#include "platform/graphics/codecs/picture_rows.h"
#include "platform/graphics/codecs/tiff_glue.h"
#include "platform/graphics/convert.h"
#include "platform/graphics/two_halves.h"

namespace tavlen::gfx {
namespace {

using tiff_glue::ErrorContext;
using tiff_glue::TiffPtr;

// The screen resolution in-memory bitmaps have; TIFF readers expect some resolution.
constexpr float kDefaultDpi = 96.0f;
// Bytes reserved beyond the pixels for the header, directory, colour map and tags.
constexpr uint64_t kHeaderRoom = 64 * 1024;

// --- Where the file goes ---------------------------------------------------------------------

// A growing file in memory, or `out` as the bytes come: libtiff appends everything but the header's
// pointer to the directory, which it writes over last.
struct WriteSink {
  Bytes bytes;
  ByteSink* out = nullptr;
  uint64_t written = 0;  // what `out` has
  uint64_t pos = 0;
  Status failure = Status::Ok;  // `out`'s, when it refused bytes

  uint64_t Size() const { return out != nullptr ? written : bytes.size(); }
};

Status WriteOut(WriteSink& sink, const uint8_t* data, uint64_t size) {
  static constexpr uint8_t kZeros[8] = {};
  const uint64_t over = sink.pos < sink.written ? std::min(size, sink.written - sink.pos) : 0;
  if (over > 0) {
    if (Status s = sink.out->WriteAt(sink.pos, {data, static_cast<size_t>(over)}); s != Status::Ok) return s;
  }
  // libtiff starts a directory on a word boundary, a byte past the end at most: the gap is zeros.
  while (over < size && sink.written < sink.pos) {
    const uint64_t gap = std::min<uint64_t>(sizeof kZeros, sink.pos - sink.written);
    if (Status s = sink.out->Write({kZeros, static_cast<size_t>(gap)}); s != Status::Ok) return s;
    sink.written += gap;
  }
  if (over < size) {
    if (Status s = sink.out->Write({data + over, static_cast<size_t>(size - over)}); s != Status::Ok) return s;
    sink.written = sink.pos + size;
  }
  return Status::Ok;
}

tmsize_t WriteProc(thandle_t handle, void* data, tmsize_t size) {
  auto* sink = static_cast<WriteSink*>(handle);
  if (size < 0 || sink->pos > std::numeric_limits<size_t>::max() - static_cast<uint64_t>(size)) return -1;
  const uint64_t end = sink->pos + static_cast<uint64_t>(size);
  if (sink->out != nullptr) {
    // Nothing more once the sink has refused bytes, not even the directory libtiff writes as it closes.
    if (sink->failure != Status::Ok) return -1;
    sink->failure = WriteOut(*sink, static_cast<const uint8_t*>(data), static_cast<uint64_t>(size));
    if (sink->failure != Status::Ok) return -1;
    sink->pos = end;
    return size;
  }
  try {
    if (end > sink->bytes.size()) sink->bytes.resize(static_cast<size_t>(end));
  } catch (const std::bad_alloc&) {
    return -1;
  }
  if (size > 0) std::memcpy(sink->bytes.data() + sink->pos, data, static_cast<size_t>(size));
  sink->pos = end;
  return size;
}

// Bytes written to `out` cannot be read back; libtiff does not read a file it is writing.
tmsize_t ReadProc(thandle_t handle, void* data, tmsize_t size) {
  auto* sink = static_cast<WriteSink*>(handle);
  if (size <= 0 || sink->out != nullptr || sink->pos >= sink->bytes.size()) return 0;
  const uint64_t n = std::min<uint64_t>(static_cast<uint64_t>(size), sink->bytes.size() - sink->pos);
  std::memcpy(data, sink->bytes.data() + sink->pos, static_cast<size_t>(n));
  sink->pos += n;
  return static_cast<tmsize_t>(n);
}

toff_t SeekProc(thandle_t handle, toff_t offset, int whence) {
  auto* sink = static_cast<WriteSink*>(handle);
  const auto delta = static_cast<int64_t>(offset);  // relative seeks arrive as two's complement
  int64_t base = 0;
  if (whence == SEEK_CUR) {
    base = static_cast<int64_t>(sink->pos);
  } else if (whence == SEEK_END) {
    base = static_cast<int64_t>(sink->Size());
  } else if (whence != SEEK_SET) {
    return static_cast<toff_t>(-1);
  }
  int64_t target = 0;
  if (delta < 0 && whence == SEEK_SET) return static_cast<toff_t>(-1);
  if (__builtin_add_overflow(base, delta, &target) || target < 0) return static_cast<toff_t>(-1);
  sink->pos = static_cast<uint64_t>(target);  // past the end is fine: a later write fills the gap
  return sink->pos;
}

int CloseProc(thandle_t) { return 0; }
toff_t SizeProc(thandle_t handle) { return static_cast<WriteSink*>(handle)->Size(); }
int NoMap(thandle_t, void**, toff_t*) { return 0; }
void NoUnmap(thandle_t, void*, toff_t) {}

// --- Parameters ------------------------------------------------------------------------------

// The single compression parameter (LZW without one); InvalidParameter for anything else.
Status ReadCompression(EncoderParameters parameters, uint32_t& scheme) {
  scheme = kEncoderValueCompressionLZW;
  for (const EncoderParameter& p : parameters) {
    if (p.guid != kEncoderCompression || p.numberOfValues != 1 || p.type != kEncoderParameterValueTypeLong ||
        p.value == nullptr) {
      return Status::InvalidParameter;
    }
    uint32_t value;
    std::memcpy(&value, p.value, sizeof value);
    if ((value < kEncoderValueCompressionLZW || value > kEncoderValueCompressionNone) &&
        value != kEncoderValueCompressionDeflate)
      return Status::InvalidParameter;
    scheme = value;
  }
  return Status::Ok;
}

uint16_t TiffCompression(uint32_t scheme) {
  switch (scheme) {
    case kEncoderValueCompressionCCITT3:
      return COMPRESSION_CCITTFAX3;
    case kEncoderValueCompressionCCITT4:
      return COMPRESSION_CCITTFAX4;
    case kEncoderValueCompressionRle:
      return COMPRESSION_PACKBITS;  // the library's "Rle" scheme for TIFF is PackBits
    case kEncoderValueCompressionNone:
      return COMPRESSION_NONE;
    case kEncoderValueCompressionDeflate:
      return COMPRESSION_ADOBE_DEFLATE;
    default:
      return COMPRESSION_LZW;
  }
}

// The dictionary coders: slow enough for two cores, and helped by the horizontal predictor.
bool Dictionary(uint16_t compression) {
  return compression == COMPRESSION_LZW || compression == COMPRESSION_ADOBE_DEFLATE;
}

// --- How the pixels are stored -----------------------------------------------------------------

enum class RowKind {
  Indices,       // packed indices or gray levels as they are
  InvertedBits,  // 1-bit indices inverted (black-and-white bitmaps stored min-is-white)
  Bgr8,          // 24bppRGB
  Bgrx8,         // 32bppRGB
  Bgra8,         // 32bppARGB / 32bppPARGB
  Via32,         // other 16-bit formats through 32bppARGB, alpha kept when the format has it
  Bgr16,         // 48bppRGB
  Bgra16,        // 64bppARGB / 64bppPARGB
  Gray16,        // 16bppGrayScale
};

struct Layout {
  RowKind kind = RowKind::Indices;
  uint16_t photometric = PHOTOMETRIC_RGB;
  uint16_t bits = 8;
  uint16_t samples = 3;
  uint16_t extra = 0;  // EXTRASAMPLE_* of the fourth sample, when there is one
  bool colormap = false;
};

bool SameColours(const std::vector<uint32_t>& a, const std::vector<uint32_t>& b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                            [](uint32_t x, uint32_t y) { return (x & 0xFFFFFF) == (y & 0xFFFFFF); });
}

// Palette alpha has no place in TIFF and is dropped; gray ramps are stored as gray levels.
Layout ChooseLayout(const PictureRows& image, uint16_t compression) {
  const std::vector<uint32_t>& entries = image.GetPalette().entries;
  switch (image.Format()) {
    case PixelFormat::Indexed1bpp: {
      const bool blackWhite =
          entries.size() == 2 && (entries[0] & 0xFFFFFF) == 0 && (entries[1] & 0xFFFFFF) == 0xFFFFFF;
      const bool whiteBlack =
          entries.size() == 2 && (entries[0] & 0xFFFFFF) == 0xFFFFFF && (entries[1] & 0xFFFFFF) == 0;
      const bool fax = compression == COMPRESSION_CCITTFAX3 || compression == COMPRESSION_CCITTFAX4;
      // Fax codes favour long white runs of 0 bits, and fax readers expect min-is-white.
      if (blackWhite && fax) return {RowKind::InvertedBits, PHOTOMETRIC_MINISWHITE, 1, 1};
      if (blackWhite) return {RowKind::Indices, PHOTOMETRIC_MINISBLACK, 1, 1};
      if (whiteBlack) return {RowKind::Indices, PHOTOMETRIC_MINISWHITE, 1, 1};
      return {RowKind::Indices, PHOTOMETRIC_PALETTE, 1, 1, 0, true};
    }
    case PixelFormat::Indexed4bpp:
      if (SameColours(entries, GrayPalette(4).entries)) return {RowKind::Indices, PHOTOMETRIC_MINISBLACK, 4, 1};
      return {RowKind::Indices, PHOTOMETRIC_PALETTE, 4, 1, 0, true};
    case PixelFormat::Indexed8bpp:
      if (SameColours(entries, GrayPalette(8).entries)) return {RowKind::Indices, PHOTOMETRIC_MINISBLACK, 8, 1};
      return {RowKind::Indices, PHOTOMETRIC_PALETTE, 8, 1, 0, true};
    case PixelFormat::RGB24bpp:
      return {RowKind::Bgr8, PHOTOMETRIC_RGB, 8, 3};
    case PixelFormat::RGB32bpp:
      return {RowKind::Bgrx8, PHOTOMETRIC_RGB, 8, 3};
    case PixelFormat::ARGB32bpp:
      return {RowKind::Bgra8, PHOTOMETRIC_RGB, 8, 4, EXTRASAMPLE_UNASSALPHA};
    case PixelFormat::PARGB32bpp:
      return {RowKind::Bgra8, PHOTOMETRIC_RGB, 8, 4, EXTRASAMPLE_ASSOCALPHA};
    case PixelFormat::ARGB1555_16bpp:
      return {RowKind::Via32, PHOTOMETRIC_RGB, 8, 4, EXTRASAMPLE_UNASSALPHA};
    case PixelFormat::RGB48bpp:
      return {RowKind::Bgr16, PHOTOMETRIC_RGB, 16, 3};
    case PixelFormat::ARGB64bpp:
      return {RowKind::Bgra16, PHOTOMETRIC_RGB, 16, 4, EXTRASAMPLE_UNASSALPHA};
    case PixelFormat::PARGB64bpp:
      return {RowKind::Bgra16, PHOTOMETRIC_RGB, 16, 4, EXTRASAMPLE_ASSOCALPHA};
    case PixelFormat::GrayScale16bpp:
      return {RowKind::Gray16, PHOTOMETRIC_MINISBLACK, 16, 1};
    default:  // 555 and 565
      return {RowKind::Via32, PHOTOMETRIC_RGB, 8, 3};
  }
}

uint16_t Le16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }

void PutNative16(uint8_t* p, uint16_t v) { std::memcpy(p, &v, sizeof v); }

// One bitmap row as TIFF samples (R, G, B[, A] or levels), into `samples` of rowBytes bytes.
void PackRow(const PictureRows& image, const Layout& layout, uint32_t y, size_t rowBytes, uint8_t* bgra,
             uint8_t* samples) {
  const uint8_t* src = image.Row(y);
  const uint32_t width = image.Width();
  switch (layout.kind) {
    case RowKind::Indices:
      std::memcpy(samples, src, rowBytes);
      break;
    case RowKind::InvertedBits:
      for (size_t i = 0; i < rowBytes; ++i) samples[i] = static_cast<uint8_t>(~src[i]);
      break;
    case RowKind::Bgr8:
    case RowKind::Bgrx8:
    case RowKind::Bgra8:
    case RowKind::Via32: {
      int step = layout.kind == RowKind::Bgr8 ? 3 : 4;
      if (layout.kind == RowKind::Via32) {
        RowToArgb32(src, image.Format(), image.GetPalette(), 0, width, bgra);
        src = bgra;
      }
      for (uint32_t x = 0; x < width; ++x, src += step, samples += layout.samples) {
        samples[0] = src[2], samples[1] = src[1], samples[2] = src[0];
        if (layout.samples == 4) samples[3] = src[3];
      }
      break;
    }
    case RowKind::Bgr16:
    case RowKind::Bgra16: {
      const int step = layout.kind == RowKind::Bgr16 ? 6 : 8;
      for (uint32_t x = 0; x < width; ++x, src += step, samples += 2 * layout.samples) {
        PutNative16(samples, Le16(src + 4)), PutNative16(samples + 2, Le16(src + 2)),
            PutNative16(samples + 4, Le16(src));
        if (layout.samples == 4) PutNative16(samples + 6, Le16(src + 6));
      }
      break;
    }
    case RowKind::Gray16:
      for (uint32_t x = 0; x < width; ++x) PutNative16(samples + 2 * x, Le16(src + 2 * x));
      break;
  }
}

// The colour map: 2^bits entries of 16-bit channels, missing entries black.
void MakeColormap(const Palette& palette, uint16_t bits, std::vector<uint16_t>& red, std::vector<uint16_t>& green,
                  std::vector<uint16_t>& blue) {
  const size_t count = size_t{1} << bits;
  red.assign(count, 0), green.assign(count, 0), blue.assign(count, 0);
  for (size_t i = 0; i < count && i < palette.entries.size(); ++i) {
    const uint32_t c = palette.entries[i];
    red[i] = static_cast<uint16_t>(((c >> 16) & 0xFF) * 257);
    green[i] = static_cast<uint16_t>(((c >> 8) & 0xFF) * 257);
    blue[i] = static_cast<uint16_t>((c & 0xFF) * 257);
  }
}

// The seven text tags among the items, as NUL-terminated strings; other items have no TIFF home here.
void WriteTextTags(TIFF* tif, std::span<const PropertyItem> properties) {
  for (const PropertyItem& item : properties) {
    if (item.type != kPropertyTagTypeASCII) continue;
    if (std::find(std::begin(tiff_glue::kTextTags), std::end(tiff_glue::kTextTags), item.id) ==
        std::end(tiff_glue::kTextTags)) {
      continue;
    }
    const auto nul = std::find(item.value.begin(), item.value.end(), uint8_t{0});
    const std::string text(item.value.begin(), nul);
    TIFFSetField(tif, item.id, text.c_str());
  }
}

struct Writer {
  WriteSink sink;
  ErrorContext errors;
  TiffPtr tif;  // last: closed before the sink and context it points to go
};

// A handle that writes into writer.sink, in memory unless `out` is given: OutOfMemory or, when libtiff
// refuses, GenericError. Files past 4 GiB need BigTIFF ("w8"); classic TIFF readers are the common case
// below that. In memory, room for `expected` bytes is reserved so that the file does not move while it
// grows; only pages written to are taken from the system.
Status OpenWriter(Writer& writer, bool big, uint64_t expected, ByteSink* out = nullptr) {
  writer.sink.out = out;
  try {
    if (out == nullptr) writer.sink.bytes.reserve(static_cast<size_t>(std::min<uint64_t>(expected, SIZE_MAX / 2)));
  } catch (const std::bad_alloc&) {
    // Then the file grows by moving.
  }
  tiff_glue::OptionsPtr options = tiff_glue::MakeOptions(writer.errors, 0);
  if (!options) return Status::OutOfMemory;
  writer.tif.reset(TIFFClientOpenExt("memory", big ? "w8" : "w", &writer.sink, ReadProc, WriteProc, SeekProc, CloseProc,
                                     SizeProc, NoMap, NoUnmap, options.get()));
  return writer.tif != nullptr ? Status::Ok : Status::GenericError;
}

// The tags that decide the bytes of the strips.
bool SetStripShape(TIFF* tif, uint32_t width, uint32_t height, const Layout& layout, uint16_t compression) {
  TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, width);
  TIFFSetField(tif, TIFFTAG_IMAGELENGTH, height);
  TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, layout.bits);
  TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, layout.samples);
  TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, layout.photometric);
  TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
  if (!TIFFSetField(tif, TIFFTAG_COMPRESSION, compression)) return false;
  if (layout.samples == 4) {
    const uint16_t extra = layout.extra;
    TIFFSetField(tif, TIFFTAG_EXTRASAMPLES, 1, &extra);
  }
  const bool levels = layout.photometric != PHOTOMETRIC_PALETTE && layout.bits >= 8;
  if (Dictionary(compression) && levels) TIFFSetField(tif, TIFFTAG_PREDICTOR, PREDICTOR_HORIZONTAL);
  return true;
}

// Rows [begin, end) of the picture compressed as strips 0, 1, ... of `tif`, rowsPerStrip rows each.
// libtiff may change a strip in place (predictor, byte order), so it always gets a packed copy.
bool WriteStrips(TIFF* tif, const PictureRows& image, const Layout& layout, uint32_t begin, uint32_t end,
                 uint32_t rowsPerStrip, size_t rowBytes) noexcept {
  try {
    std::vector<uint8_t> strip(rowBytes * std::min(rowsPerStrip, end - begin));
    std::vector<uint8_t> bgra(layout.kind == RowKind::Via32 ? static_cast<size_t>(image.Width()) * 4 : 0);
    for (uint32_t y = begin, index = 0; y < end; y += rowsPerStrip, ++index) {
      const uint32_t rows = std::min(rowsPerStrip, end - y);
      for (uint32_t r = 0; r < rows; ++r) PackRow(image, layout, y + r, rowBytes, bgra.data(), &strip[r * rowBytes]);
      if (TIFFWriteEncodedStrip(tif, index, strip.data(), static_cast<tmsize_t>(rows * rowBytes)) < 0) return false;
    }
    return true;
  } catch (const std::bad_alloc&) {
    return false;
  }
}

// Rows [begin, end) compressed on a handle of their own, whose strips are then copied into the page's
// strips from `firstStrip` on: strips are independent, so they are what the page's handle would write.
struct SecondHalf {
  Writer writer;
  uint32_t firstStrip = 0;
  bool ok = false;
};

void CompressSecondHalf(SecondHalf& half, const PictureRows& image, const Layout& layout, uint16_t compression,
                        uint32_t begin, uint32_t end, uint32_t rowsPerStrip, size_t rowBytes, bool big) noexcept {
  half.firstStrip = begin / rowsPerStrip;
  half.ok = OpenWriter(half.writer, big, uint64_t{image.Stride()} * (end - begin)) == Status::Ok &&
            SetStripShape(half.writer.tif.get(), image.Width(), end - begin, layout, compression) &&
            TIFFSetField(half.writer.tif.get(), TIFFTAG_ROWSPERSTRIP, rowsPerStrip) &&
            WriteStrips(half.writer.tif.get(), image, layout, begin, end, rowsPerStrip, rowBytes) &&
            !half.writer.errors.failed;
}

bool CopyStrips(TIFF* tif, SecondHalf& half) {
  TIFF* from = half.writer.tif.get();
  const Bytes& bytes = half.writer.sink.bytes;
  for (uint32_t index = 0; index < TIFFNumberOfStrips(from); ++index) {
    const uint64_t offset = TIFFGetStrileOffset(from, index), count = TIFFGetStrileByteCount(from, index);
    if (offset > bytes.size() || count > bytes.size() - offset) return false;
    if (TIFFWriteRawStrip(tif, half.firstStrip + index, const_cast<uint8_t*>(bytes.data() + offset),
                          static_cast<tmsize_t>(count)) < 0) {
      return false;
    }
  }
  return true;
}

// LZW or Deflate rows in pairs of units of whole strips, each unit compressed on a handle of its own, the
// second on another thread, then both copied raw in order: only two units' strips are held at a time.
// Streamed rows are copied out of the stream first; a whole picture's are compressed where they are.
bool CompressInPairs(TIFF* tif, const PictureRows& image, const Layout& layout, uint16_t compression,
                     uint32_t rowsPerStrip, size_t rowBytes, bool big) {
  constexpr uint32_t kUnitRows = 64;
  const uint32_t unit = (kUnitRows + rowsPerStrip - 1) / rowsPerStrip * rowsPerStrip;
  const uint32_t height = image.Height();
  const bool copied = image.Whole() == nullptr;
  PixelBuffer buffers[2];
  for (PixelBuffer& buffer : copied ? std::span(buffers) : std::span<PixelBuffer>()) {
    auto allocated =
        PixelBuffer::Allocate(image.Format(), image.Width(), std::min(unit, height), PixelBuffer::Init::Uninitialized);
    if (!allocated.Ok()) return false;
    buffer = std::move(allocated).Value();
    buffer.GetPalette() = image.GetPalette();
  }
  for (uint32_t y = 0; y < height; y += 2 * unit) {
    const uint32_t parts = y + unit < height ? 2 : 1;
    uint32_t begins[2] = {y, y + unit};
    uint32_t ends[2] = {std::min(height, y + unit), std::min(height, y + 2 * unit)};
    for (uint32_t p = 0; p < parts && copied; ++p)
      for (uint32_t r = begins[p]; r < ends[p]; ++r)
        std::memcpy(buffers[p].Row(r - begins[p]), image.Row(r), image.Stride());
    auto halves = std::make_unique<SecondHalf[]>(2);
    auto compress = [&](uint32_t p) {
      if (copied) {
        CompressSecondHalf(halves[p], PictureRows(buffers[p]), layout, compression, 0, ends[p] - begins[p],
                           rowsPerStrip, rowBytes, big);
        halves[p].firstStrip = begins[p] / rowsPerStrip;
      } else {
        CompressSecondHalf(halves[p], image, layout, compression, begins[p], ends[p], rowsPerStrip, rowBytes, big);
      }
    };
    std::thread second;
    try {
      if (parts == 2 && SecondThreadAllowed()) second = std::thread(compress, 1);
    } catch (const std::system_error&) {
      // The second unit after the first, on this thread.
    }
    compress(0);
    if (second.joinable()) {
      second.join();
    } else if (parts == 2) {
      compress(1);
    }
    for (uint32_t p = 0; p < parts; ++p)
      if (!halves[p].ok || !CopyStrips(tif, halves[p])) return false;
  }
  return true;
}

// The page, its strips compressed on two cores where that pays. `inPairs` keeps to two units at a time
// even for a whole picture, whose second half would otherwise be held compressed until the first is done.
Status WritePage(TIFF* tif, const PictureRows& image, const Layout& layout, uint16_t compression,
                 std::span<const PropertyItem> properties, bool big, bool inPairs) {
  const uint32_t width = image.Width();
  const uint32_t height = image.Height();
  if (!SetStripShape(tif, width, height, layout, compression)) return Status::GenericError;
  TIFFSetField(tif, TIFFTAG_ORIENTATION, ORIENTATION_TOPLEFT);
  TIFFSetField(tif, TIFFTAG_XRESOLUTION, kDefaultDpi);
  TIFFSetField(tif, TIFFTAG_YRESOLUTION, kDefaultDpi);
  TIFFSetField(tif, TIFFTAG_RESOLUTIONUNIT, RESUNIT_INCH);

  std::vector<uint16_t> red, green, blue;
  if (layout.colormap) {
    MakeColormap(image.GetPalette(), layout.bits, red, green, blue);
    TIFFSetField(tif, TIFFTAG_COLORMAP, red.data(), green.data(), blue.data());
  }
  const uint32_t rowsPerStrip = TIFFDefaultStripSize(tif, 0);
  TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, rowsPerStrip);
  WriteTextTags(tif, properties);
  const bool gray = layout.photometric == PHOTOMETRIC_MINISBLACK;
  const bool rgb = layout.photometric == PHOTOMETRIC_RGB || layout.photometric == PHOTOMETRIC_PALETTE;
  if (const auto profile = ProfileFor(properties, gray ? "GRAY" : "RGB "); !profile.empty() && (gray || rgb)) {
    TIFFSetField(tif, TIFFTAG_ICCPROFILE, static_cast<uint32_t>(profile.size()), profile.data());
  }

  const size_t rowBytes = (static_cast<size_t>(width) * layout.samples * layout.bits + 7) / 8;
  // LZW and Deflate strips are slow enough to be worth a second core: the two halves are compressed at
  // once, or two units at a time.
  if (Dictionary(compression) && (inPairs || image.Whole() == nullptr)) {
    if (!CompressInPairs(tif, image, layout, compression, rowsPerStrip, rowBytes, big)) return Status::GenericError;
    return TIFFWriteDirectory(tif) ? Status::Ok : Status::GenericError;
  }
  const uint32_t align = Dictionary(compression) ? rowsPerStrip : 0;
  auto half = std::make_unique<SecondHalf>();
  bool firstOk = false, split = false;
  RunInTwoHalves(height, image.Stride() * size_t{height}, align, [&](uint32_t begin, uint32_t end) {
    if (begin == 0) {
      firstOk = WriteStrips(tif, image, layout, begin, end, rowsPerStrip, rowBytes);
    } else {
      split = true;
      CompressSecondHalf(*half, image, layout, compression, begin, end, rowsPerStrip, rowBytes, big);
    }
  });
  if (!firstOk || (split && !(half->ok && CopyStrips(tif, *half)))) return Status::GenericError;
  half.reset();
  if (!TIFFWriteDirectory(tif)) return Status::GenericError;
  return Status::Ok;
}

}  // namespace

// InvalidParameter for a bad parameter, an empty image, or a bilevel scheme (CCITT3/4) for an image that
// is not 1bppIndexed; OutOfMemory when the file cannot be held. `out` is written only on success.
Status EncodeTiff(const PixelBuffer& image, std::span<const PropertyItem> properties, EncoderParameters parameters,
                  Bytes& out) {
  if (image.Empty()) return Status::InvalidParameter;
  return EncodeTiffRows(PictureRows(image), properties, parameters, out);
}

namespace {

// The file into `out` as it is written, or into memory for `file` when `out` is null.
Status WriteTiff(const PictureRows& image, std::span<const PropertyItem> properties, EncoderParameters parameters,
                 ByteSink* out, Bytes* file) {
  uint32_t scheme = kEncoderValueCompressionLZW;
  if (Status s = ReadCompression(parameters, scheme); s != Status::Ok) return s;
  if (image.Width() == 0 || image.Height() == 0 || !IsValidPixelFormat(image.Format())) return Status::InvalidParameter;
  const uint16_t compression = TiffCompression(scheme);
  const bool fax = compression == COMPRESSION_CCITTFAX3 || compression == COMPRESSION_CCITTFAX4;
  if (fax && image.Format() != PixelFormat::Indexed1bpp) return Status::InvalidParameter;

  try {
    auto writer = std::make_unique<Writer>();
    const uint64_t estimate = static_cast<uint64_t>(image.Stride()) * image.Height();
    const bool big = estimate >= (uint64_t{3} << 30);
    const Status opened = OpenWriter(*writer, big, estimate + kHeaderRoom, out);
    if (writer->sink.failure != Status::Ok) return writer->sink.failure;  // the header refused
    if (opened != Status::Ok) return opened;
    if (!tiff_glue::RegisterTitleTag(writer->tif.get())) return Status::GenericError;
    const Status page = WritePage(writer->tif.get(), image, ChooseLayout(image, compression), compression, properties,
                                  big, out != nullptr);
    if (page == Status::Ok) writer->tif.reset();  // flushes what is left
    if (writer->sink.failure != Status::Ok) return writer->sink.failure;
    if (page != Status::Ok) return page;
    if (writer->errors.failed) return Status::GenericError;
    if (file != nullptr) *file = std::move(writer->sink.bytes);
    return Status::Ok;
  } catch (const std::bad_alloc&) {
    return Status::OutOfMemory;
  }
}

}  // namespace

Status EncodeTiffRows(const PictureRows& image, std::span<const PropertyItem> properties, EncoderParameters parameters,
                      Bytes& out) {
  return WriteTiff(image, properties, parameters, nullptr, &out);
}

Status StreamTiffRows(const PictureRows& image, std::span<const PropertyItem> properties, EncoderParameters parameters,
                      ByteSink& out) {
  return WriteTiff(image, properties, parameters, &out, nullptr);
}

}  // namespace tavlen::gfx
