// TIFF decoder on libtiff: every page of a file, in the bitmap format closest to its samples.
#include <algorithm>
#include <cstring>
#include <limits>
#include <vector>

#include "platform/graphics/codecs/codec.h"
#include "platform/graphics/codecs/picture_rows.h"
#include "platform/graphics/codecs/tiff_glue.h"
#include "platform/graphics/status_file_io.h"

namespace tavlen::gfx {
namespace {

using tiff_glue::ErrorContext;
using tiff_glue::TiffPtr;

// More pages than any real document has; a file claiming more is read up to here.
constexpr uint32_t kMaxPages = 10000;

// --- Client procedures ----------------------------------------------------------------

// The file's bytes in memory, or its descriptor when it is streamed.
struct ReadSource {
  const uint8_t* data = nullptr;
  int fd = -1;
  uint64_t size = 0;
  uint64_t pos = 0;
};

tmsize_t ReadProc(thandle_t handle, void* buffer, tmsize_t size) {
  auto* src = static_cast<ReadSource*>(handle);
  if (size <= 0 || src->pos >= src->size) return 0;
  const uint64_t n = std::min<uint64_t>(static_cast<uint64_t>(size), src->size - src->pos);
  if (src->data == nullptr) {
    size_t got = 0;
    if (ReadFileAt(src->fd, src->pos, std::span(static_cast<uint8_t*>(buffer), static_cast<size_t>(n)), got) !=
        Status::Ok)
      return -1;
    src->pos += got;
    return static_cast<tmsize_t>(got);
  }
  std::memcpy(buffer, src->data + src->pos, n);
  src->pos += n;
  return static_cast<tmsize_t>(n);
}

tmsize_t RefuseWrite(thandle_t, void*, tmsize_t) { return -1; }

toff_t SeekProc(thandle_t handle, toff_t offset, int whence) {
  auto* src = static_cast<ReadSource*>(handle);
  constexpr uint64_t kMax = static_cast<uint64_t>(std::numeric_limits<int64_t>::max());
  const auto delta = static_cast<int64_t>(offset);  // relative seeks arrive as two's complement
  uint64_t base = 0;
  if (whence == SEEK_CUR) {
    base = src->pos;
  } else if (whence == SEEK_END) {
    base = src->size;
  } else if (whence == SEEK_SET) {
    if (offset > kMax) return static_cast<toff_t>(-1);
    src->pos = offset;
    return src->pos;
  } else {
    return static_cast<toff_t>(-1);
  }
  if (delta < 0 ? static_cast<uint64_t>(-(delta + 1)) + 1 > base : static_cast<uint64_t>(delta) > kMax - base) {
    return static_cast<toff_t>(-1);
  }
  src->pos = delta < 0 ? base - (static_cast<uint64_t>(-(delta + 1)) + 1) : base + static_cast<uint64_t>(delta);
  return src->pos;
}

int CloseProc(thandle_t) { return 0; }

toff_t SizeProc(thandle_t handle) { return static_cast<ReadSource*>(handle)->size; }

// The bytes are already in memory: libtiff reads uncompressed strips straight from them (it never
// writes to a mapping of a file opened for reading).
int MapProc(thandle_t handle, void** base, toff_t* size) {
  auto* src = static_cast<ReadSource*>(handle);
  if (src->data == nullptr) return 0;
  *base = const_cast<uint8_t*>(src->data);
  *size = src->size;
  return 1;
}

void UnmapProc(thandle_t, void*, toff_t) {}

// One open handle over the file's bytes with its own message context. Members are destroyed in
// reverse order, so the handle goes before the source and context it points to.
struct Reader {
  ReadSource source;
  ErrorContext errors;
  TiffPtr tif;
};

Status OpenReader(const ReadSource& source, const DecodeLimits& limits, std::unique_ptr<Reader>& out) {
  auto reader = std::make_unique<Reader>();
  reader->source = source;
  tiff_glue::OptionsPtr options = tiff_glue::MakeOptions(reader->errors, limits.maxPixelBytes);
  if (!options) return Status::OutOfMemory;
  reader->tif.reset(TIFFClientOpenExt("memory", "r", &reader->source, ReadProc, RefuseWrite, SeekProc, CloseProc,
                                      SizeProc, MapProc, UnmapProc, options.get()));
  if (!reader->tif) return Status::GenericError;
  out = std::move(reader);
  return Status::Ok;
}

bool HasTiffSignature(const Bytes& b) {
  if (b.size() < 8) return false;
  const bool little = b[0] == 'I' && b[1] == 'I' && (b[2] == 42 || b[2] == 43) && b[3] == 0;
  const bool big = b[0] == 'M' && b[1] == 'M' && b[2] == 0 && (b[3] == 42 || b[3] == 43);
  return little || big;
}

// --- The current directory -------------------------------------------------------------------

struct Directory {
  uint32_t width = 0;
  uint32_t height = 0;
  uint16_t samples = 1;
  uint16_t bits = 1;
  uint16_t photometric = PHOTOMETRIC_MINISBLACK;
  uint16_t planar = PLANARCONFIG_CONTIG;
  uint16_t sampleFormat = SAMPLEFORMAT_UINT;
  uint16_t compression = COMPRESSION_NONE;
  uint16_t orientation = ORIENTATION_TOPLEFT;
  uint16_t extraCount = 0;
  const uint16_t* extras = nullptr;
  bool tiled = false;
  uint32_t tileWidth = 0;
  uint32_t tileHeight = 0;
  uint32_t rowsPerStrip = 0;
};

bool ReadDirectory(TIFF* tif, Directory& d) {
  if (!TIFFGetField(tif, TIFFTAG_IMAGEWIDTH, &d.width) || !TIFFGetField(tif, TIFFTAG_IMAGELENGTH, &d.height)) {
    return false;
  }
  TIFFGetFieldDefaulted(tif, TIFFTAG_SAMPLESPERPIXEL, &d.samples);
  TIFFGetFieldDefaulted(tif, TIFFTAG_BITSPERSAMPLE, &d.bits);
  if (!TIFFGetField(tif, TIFFTAG_PHOTOMETRIC, &d.photometric)) d.photometric = PHOTOMETRIC_MINISBLACK;
  TIFFGetFieldDefaulted(tif, TIFFTAG_PLANARCONFIG, &d.planar);
  TIFFGetFieldDefaulted(tif, TIFFTAG_SAMPLEFORMAT, &d.sampleFormat);
  TIFFGetFieldDefaulted(tif, TIFFTAG_COMPRESSION, &d.compression);
  TIFFGetFieldDefaulted(tif, TIFFTAG_ORIENTATION, &d.orientation);
  TIFFGetFieldDefaulted(tif, TIFFTAG_EXTRASAMPLES, &d.extraCount, &d.extras);
  d.rowsPerStrip = d.height;
  TIFFGetFieldDefaulted(tif, TIFFTAG_ROWSPERSTRIP, &d.rowsPerStrip);
  d.tiled = TIFFIsTiled(tif) != 0;
  if (d.tiled &&
      (!TIFFGetField(tif, TIFFTAG_TILEWIDTH, &d.tileWidth) || !TIFFGetField(tif, TIFFTAG_TILELENGTH, &d.tileHeight))) {
    return false;
  }
  return d.samples > 0 && d.width > 0 && d.height > 0;
}

// How a page's samples become pixels.
enum class Route {
  Copy,       // packed 1, 4 or 8-bit indices as they are
  Unpack2,    // 2-bit indices widened to 4 bits
  Gray16,     // 16-bit gray to 48bppRGB
  Rgb8,       // 8-bit RGB(A) reordered to B, G, R(, A)
  Rgb16,      // 16-bit RGB(A) reordered to B, G, R(, A) words
  Generic,    // gray, palette or RGB of any depth up to 16 bits or floats, contiguous or planar
  RgbaImage,  // everything else, through libtiff's RGBA image reader
};

struct Plan {
  Route route = Route::RgbaImage;
  PixelFormat format = PixelFormat::ARGB32bpp;
  bool hasAlpha = false;
};

bool IsAlpha(uint16_t extra) { return extra == EXTRASAMPLE_ASSOCALPHA || extra == EXTRASAMPLE_UNASSALPHA; }

bool IsFloat(const Directory& d) { return d.sampleFormat == SAMPLEFORMAT_IEEEFP && (d.bits == 32 || d.bits == 64); }

// Colour channels of the photometric interpretations read without libtiff's RGBA reader, else 0.
uint16_t ColourChannels(uint16_t photometric) {
  switch (photometric) {
    case PHOTOMETRIC_MINISWHITE:
    case PHOTOMETRIC_MINISBLACK:
    case PHOTOMETRIC_PALETTE:
      return 1;
    case PHOTOMETRIC_RGB:
      return 3;
    default:
      return 0;
  }
}

// Samples of common depths are copied or reordered; other depths, planar pages and floats are scaled
// sample by sample; colour spaces and codecs that need conversion go to libtiff's RGBA reader.
Plan ChoosePlan(const Directory& d) {
  const Plan rgba;
  const bool plainSamples = d.sampleFormat == SAMPLEFORMAT_UINT || d.sampleFormat == SAMPLEFORMAT_VOID;
  const bool separate = d.planar == PLANARCONFIG_SEPARATE && d.samples > 1;
  const bool codecColour =
      d.compression == COMPRESSION_OJPEG || (d.compression == COMPRESSION_JPEG && d.photometric == PHOTOMETRIC_YCBCR);
  const uint16_t channels = ColourChannels(d.photometric);
  if (channels == 0 || d.samples < channels || codecColour) return rgba;
  if (!(plainSamples && d.bits >= 1 && d.bits <= 16) && !IsFloat(d)) return rgba;
  if (d.photometric == PHOTOMETRIC_PALETTE && (d.samples != 1 || d.bits > 8 || !plainSamples)) return rgba;
  // Tiles whose rows do not end on a byte boundary cannot be pasted bytewise; libtiff's reader copes.
  const uint64_t tileRowBits = static_cast<uint64_t>(d.tileWidth) * d.bits * (separate ? 1 : d.samples);
  if (d.tiled && (d.tileWidth == 0 || d.tileHeight == 0 || tileRowBits % 8 != 0)) return rgba;

  const bool alpha = d.samples > channels && d.extraCount > 0 && IsAlpha(d.extras[0]);
  const bool assoc = alpha && d.extras[0] == EXTRASAMPLE_ASSOCALPHA;
  if (!separate && plainSamples && channels == 1 && d.samples == 1) {
    if (d.bits == 1) return {Route::Copy, PixelFormat::Indexed1bpp};
    if (d.bits == 2) return {Route::Unpack2, PixelFormat::Indexed4bpp};
    if (d.bits == 4) return {Route::Copy, PixelFormat::Indexed4bpp};
    if (d.bits == 8) return {Route::Copy, PixelFormat::Indexed8bpp};
    if (d.bits == 16) return {Route::Gray16, PixelFormat::RGB48bpp};
  }
  if (!separate && plainSamples && channels == 3 && d.bits == 8) {
    return {Route::Rgb8, alpha ? (assoc ? PixelFormat::PARGB32bpp : PixelFormat::ARGB32bpp) : PixelFormat::RGB24bpp,
            alpha};
  }
  if (!separate && plainSamples && channels == 3 && d.bits == 16) {
    return {Route::Rgb16, alpha ? (assoc ? PixelFormat::PARGB64bpp : PixelFormat::ARGB64bpp) : PixelFormat::RGB48bpp,
            alpha};
  }
  const bool wide = d.bits > 8;
  if (channels == 1 && !alpha && !wide) return {Route::Generic, PixelFormat::Indexed8bpp};
  if (alpha) {
    const PixelFormat format = wide ? (assoc ? PixelFormat::PARGB64bpp : PixelFormat::ARGB64bpp)
                                    : (assoc ? PixelFormat::PARGB32bpp : PixelFormat::ARGB32bpp);
    return {Route::Generic, format, true};
  }
  return {Route::Generic, wide ? PixelFormat::RGB48bpp : PixelFormat::RGB24bpp};
}

// --- Palettes --------------------------------------------------------------------------------

// The colour map of a palette page. Some writers store 8-bit values in the 16-bit map; a map with no
// value above 255 is read as such, as libtiff's own RGBA reader does.
bool ReadColormap(TIFF* tif, uint16_t bits, Palette& out) {
  uint16_t* red = nullptr;
  uint16_t* green = nullptr;
  uint16_t* blue = nullptr;
  if (!TIFFGetField(tif, TIFFTAG_COLORMAP, &red, &green, &blue) || !red || !green || !blue) return false;
  const size_t count = size_t{1} << bits;
  bool eightBit = true;
  for (size_t i = 0; i < count && eightBit; ++i) eightBit = red[i] < 256 && green[i] < 256 && blue[i] < 256;
  const int shift = eightBit ? 0 : 8;
  out.flags = 0;
  out.entries.resize(count);
  for (size_t i = 0; i < count; ++i) {
    out.entries[i] = 0xFF000000u | static_cast<uint32_t>(red[i] >> shift) << 16 |
                     static_cast<uint32_t>(green[i] >> shift) << 8 | static_cast<uint32_t>(blue[i] >> shift);
  }
  return true;
}

// A gray ramp with one entry per sample value; reversed for min-is-white pages.
Palette GrayRamp(uint16_t bits, bool minIsWhite) {
  Palette palette = GrayPalette(bits);
  if (minIsWhite) std::reverse(palette.entries.begin(), palette.entries.end());
  return palette;
}

// --- Sample rows to pixel rows ---------------------------------------------------------------

void Put16(uint8_t* p, uint16_t v) {
  p[0] = static_cast<uint8_t>(v);
  p[1] = static_cast<uint8_t>(v >> 8);
}

uint16_t Get16(const uint8_t* p) {
  uint16_t v;
  std::memcpy(&v, p, sizeof v);  // libtiff has already put the samples in the machine's order
  return v;
}

// One sample of any depth from 1 to 16 bits, or a float, scaled to 0..maxOut. Integer samples of 8
// and 16 bits are whole bytes and words; others are a bit stream, first sample in the high bits.
// Rows are padded with a few bytes so that three bytes can always be read.
struct SampleReader {
  uint16_t bits = 8;
  uint16_t samples = 1;
  bool separate = false;
  bool isFloat = false;

  uint32_t Raw(const uint8_t* const* planes, uint32_t x, uint32_t s) const {
    const uint8_t* row = separate ? planes[s] : planes[0];
    const uint64_t index = separate ? x : static_cast<uint64_t>(x) * samples + s;
    if (bits == 8) return row[index];
    if (bits == 16) return Get16(row + index * 2);
    const uint64_t bit = index * bits;
    const uint8_t* p = row + bit / 8;
    const uint32_t window = uint32_t{p[0]} << 16 | uint32_t{p[1]} << 8 | p[2];
    return (window >> (24 - bits - bit % 8)) & ((1u << bits) - 1);
  }

  uint32_t Scaled(const uint8_t* const* planes, uint32_t x, uint32_t s, uint32_t maxOut) const {
    if (isFloat) {
      const uint8_t* row = separate ? planes[s] : planes[0];
      const uint64_t index = separate ? x : static_cast<uint64_t>(x) * samples + s;
      double v;
      if (bits == 32) {
        float f;
        std::memcpy(&f, row + index * 4, sizeof f);
        v = f;
      } else {
        std::memcpy(&v, row + index * 8, sizeof v);
      }
      if (!(v > 0)) return 0;  // negatives and NaN
      return v >= 1 ? maxOut : static_cast<uint32_t>(v * maxOut + 0.5);
    }
    const uint32_t maxIn = (1u << bits) - 1;
    const uint32_t raw = Raw(planes, x, s);
    return maxIn == maxOut ? raw : (raw * maxOut + maxIn / 2) / maxIn;
  }
};

struct RowConverter {
  Plan plan;
  uint32_t width = 0;
  uint16_t samples = 1;
  uint16_t channels = 1;
  bool invert = false;  // min-is-white samples
  size_t rowBytes = 0;
  SampleReader reader;

  // Generic route: channels scaled to the output's 8 or 16 bits, alpha from the first extra sample.
  void ConvertGeneric(const uint8_t* const* planes, uint8_t* dst) const {
    if (plan.format == PixelFormat::Indexed8bpp) {
      for (uint32_t x = 0; x < width; ++x) dst[x] = static_cast<uint8_t>(reader.Raw(planes, x, 0));
      return;
    }
    const bool wide = IsExtended(plan.format);
    const uint32_t maxOut = wide ? 0xFFFF : 0xFF;
    const int outChannels = plan.hasAlpha ? 4 : 3;
    for (uint32_t x = 0; x < width; ++x) {
      uint32_t v[4];
      for (uint16_t c = 0; c < channels; ++c) {
        v[c] = reader.Scaled(planes, x, c, maxOut);
        if (invert) v[c] = maxOut - v[c];
      }
      if (channels == 1) v[1] = v[2] = v[0];
      if (plan.hasAlpha) v[3] = reader.Scaled(planes, x, channels, maxOut);
      for (int c = 0; c < outChannels; ++c) {
        const uint32_t value = v[c < 3 ? 2 - c : 3];  // B, G, R, A
        if (wide) {
          Put16(dst + (x * outChannels + c) * 2, static_cast<uint16_t>(value));
        } else {
          dst[x * outChannels + c] = static_cast<uint8_t>(value);
        }
      }
    }
  }

  void operator()(const uint8_t* const* planes, uint8_t* dst) const {
    const uint8_t* src = planes[0];
    switch (plan.route) {
      case Route::Copy:
        if (invert) {
          for (size_t i = 0; i < rowBytes; ++i) dst[i] = static_cast<uint8_t>(~src[i]);
        } else {
          std::memcpy(dst, src, rowBytes);
        }
        break;
      case Route::Unpack2:
        for (uint32_t x = 0; x < width; ++x) {
          const uint8_t v = (src[x >> 2] >> (6 - 2 * (x & 3))) & 3;
          dst[x >> 1] = (x & 1) ? static_cast<uint8_t>(dst[x >> 1] | v) : static_cast<uint8_t>(v << 4);
        }
        break;
      case Route::Gray16:
        for (uint32_t x = 0; x < width; ++x, dst += 6) {
          uint16_t v = Get16(src + 2 * x);
          if (invert) v = static_cast<uint16_t>(0xFFFF - v);
          Put16(dst, v), Put16(dst + 2, v), Put16(dst + 4, v);
        }
        break;
      case Route::Rgb8: {
        const int outBytes = plan.hasAlpha ? 4 : 3;
        for (uint32_t x = 0; x < width; ++x, src += samples, dst += outBytes) {
          dst[0] = src[2], dst[1] = src[1], dst[2] = src[0];
          if (plan.hasAlpha) dst[3] = src[3];
        }
        break;
      }
      case Route::Rgb16: {
        const int outBytes = plan.hasAlpha ? 8 : 6;
        for (uint32_t x = 0; x < width; ++x, src += 2 * samples, dst += outBytes) {
          Put16(dst, Get16(src + 4)), Put16(dst + 2, Get16(src + 2)), Put16(dst + 4, Get16(src));
          if (plan.hasAlpha) Put16(dst + 6, Get16(src + 6));
        }
        break;
      }
      case Route::Generic:
        ConvertGeneric(planes, dst);
        break;
      case Route::RgbaImage:
        break;
    }
  }
};

bool Resize(std::vector<uint8_t>& v, uint64_t size, const DecodeLimits& limits) {
  if (size > limits.maxPixelBytes || size > SIZE_MAX) return false;
  try {
    v.resize(static_cast<size_t>(size));
  } catch (const std::bad_alloc&) {
    return false;
  }
  return true;
}

// The page's samples strip by strip or tile by tile, a band of rows at a time, top first: one row of
// samples per plane (one plane unless the page is planar). A damaged strip or tile gives what libtiff
// could decode of it, the rest zero samples; a page where nothing decodes fails.
class SampleBands {
 public:
  SampleBands(TIFF* tif, const Directory& d, uint64_t planeRowBytes)
      : m_tif(tif),
        m_d(d),
        m_planeRowBytes(planeRowBytes),
        m_planes(d.planar == PLANARCONFIG_SEPARATE ? d.samples : 1),
        m_stride(planeRowBytes + kPad),
        m_band(d.tiled ? d.tileHeight : std::clamp<uint32_t>(d.rowsPerStrip, 1, d.height)) {}

  Status Init(const DecodeLimits& limits) {
    if (m_band > limits.maxPixelBytes / m_stride / m_planes || !Resize(m_buffer, m_stride * m_band * m_planes, limits))
      return Status::OutOfMemory;
    if (!m_d.tiled) return Resize(m_strip, m_planeRowBytes * m_band, limits) ? Status::Ok : Status::OutOfMemory;
    m_tileRowBytes = TIFFTileRowSize64(m_tif);
    const uint64_t tileBytes = TIFFTileSize64(m_tif);
    if (m_tileRowBytes == 0 || tileBytes < m_tileRowBytes * m_d.tileHeight) return Status::GenericError;
    return Resize(m_tile, tileBytes, limits) ? Status::Ok : Status::OutOfMemory;
  }

  // Reads the band of rows from y on, y a multiple of the band's height: the number of its rows.
  uint32_t Read(uint32_t y) {
    const uint32_t count = std::min(m_band, m_d.height - y);
    if (m_d.tiled) {
      ReadTiles(y);
    } else {
      ReadStrips(y, count);
    }
    return count;
  }

  // The planes of row r of the band read last.
  const uint8_t* const* Planes(uint32_t r) {
    for (uint16_t p = 0; p < m_planes; ++p) m_rows[p] = BandRow(p, r);
    return m_rows.data();
  }

  Status Outcome() const { return m_anyRead ? Status::Ok : Status::GenericError; }

 private:
  static constexpr uint64_t kPad = 8;  // lets the sample reader look a few bytes past a row's end

  uint8_t* BandRow(uint16_t plane, uint32_t r) { return m_buffer.data() + m_stride * (uint64_t{plane} * m_band + r); }

  void ReadStrips(uint32_t y, uint32_t count) {
    const tmsize_t want = static_cast<tmsize_t>(m_planeRowBytes * count);
    for (uint16_t p = 0; p < m_planes; ++p) {
      std::fill_n(m_strip.begin(), want, 0);
      m_anyRead |= TIFFReadEncodedStrip(m_tif, TIFFComputeStrip(m_tif, y, p), m_strip.data(), want) == want;
      for (uint32_t r = 0; r < count; ++r)
        std::memcpy(BandRow(p, r), m_strip.data() + m_planeRowBytes * r, m_planeRowBytes);
    }
  }

  void ReadTiles(uint32_t ty) {
    const uint64_t bitsPerPixel = static_cast<uint64_t>(m_d.bits) * (m_planes > 1 ? 1 : m_d.samples);
    for (uint16_t p = 0; p < m_planes; ++p) {
      for (uint32_t tx = 0; tx < m_d.width; tx += m_d.tileWidth) {
        std::fill(m_tile.begin(), m_tile.end(), 0);
        m_anyRead |= TIFFReadTile(m_tif, m_tile.data(), tx, ty, 0, p) >= 0;
        const uint64_t offset = tx * bitsPerPixel / 8;
        const uint64_t bytes = std::min(m_tileRowBytes, m_planeRowBytes - offset);
        for (uint32_t r = 0; r < m_d.tileHeight; ++r)
          std::memcpy(BandRow(p, r) + offset, m_tile.data() + m_tileRowBytes * r, bytes);
        if (m_d.width - tx <= m_d.tileWidth) break;
      }
    }
  }

  TIFF* m_tif;
  const Directory m_d;
  const uint64_t m_planeRowBytes;
  const uint16_t m_planes;
  const uint64_t m_stride;
  const uint32_t m_band;
  uint64_t m_tileRowBytes = 0;
  std::vector<uint8_t> m_buffer;
  std::vector<uint8_t> m_strip;
  std::vector<uint8_t> m_tile;
  std::vector<const uint8_t*> m_rows = std::vector<const uint8_t*>(m_planes);
  bool m_anyRead = false;
};

// What a page read row by row needs besides its pixels: its palette, and how its samples convert.
struct DirectPage {
  Palette palette;
  RowConverter convert;
  uint64_t rowBytes = 0;
};

Status PrepareDirect(TIFF* tif, const Directory& d, const Plan& plan, const DecodeLimits& limits, DirectPage& out) {
  Palette palette;
  if (d.photometric == PHOTOMETRIC_PALETTE) {
    if (!ReadColormap(tif, d.bits, palette)) return Status::GenericError;
  } else if (IsIndexed(plan.format)) {
    // 1-bit min-is-white pages get their bits inverted instead, so every bilevel page comes out with
    // the black-and-white palette bilevel bitmaps have everywhere else.
    palette = GrayRamp(d.bits, d.photometric == PHOTOMETRIC_MINISWHITE && d.bits != 1);
  }
  if (Status s = CheckImageSize(plan.format, d.width, d.height, limits); s != Status::Ok) return s;
  const bool separate = d.planar == PLANARCONFIG_SEPARATE && d.samples > 1;
  const uint64_t rowBytes = (static_cast<uint64_t>(d.width) * (separate ? 1 : d.samples) * d.bits + 7) / 8;
  if (rowBytes != static_cast<uint64_t>(TIFFScanlineSize64(tif))) return Status::GenericError;
  const bool minIsWhite = d.photometric == PHOTOMETRIC_MINISWHITE;
  const bool invert = minIsWhite && (d.bits == 1 || d.bits == 16 || plan.route == Route::Generic);
  out.palette = std::move(palette);
  out.convert = {plan,
                 d.width,
                 d.samples,
                 ColourChannels(d.photometric),
                 invert && plan.format != PixelFormat::Indexed8bpp,
                 static_cast<size_t>(rowBytes),
                 {d.bits, d.samples, separate, IsFloat(d)}};
  out.rowBytes = rowBytes;
  return Status::Ok;
}

Status DecodeDirect(TIFF* tif, const Directory& d, const Plan& plan, const DecodeLimits& limits, PixelBuffer& out) {
  DirectPage page;
  if (Status s = PrepareDirect(tif, d, plan, limits, page); s != Status::Ok) return s;
  auto pixels = PixelBuffer::Allocate(plan.format, d.width, d.height, PixelBuffer::Init::Zero, limits);
  if (!pixels.Ok()) return pixels.GetStatus();
  PixelBuffer& buffer = pixels.Value();
  SampleBands bands(tif, d, page.rowBytes);
  if (Status s = bands.Init(limits); s != Status::Ok) return s;
  for (uint32_t y = 0; y < d.height;) {
    const uint32_t count = bands.Read(y);
    for (uint32_t r = 0; r < count; ++r) page.convert(bands.Planes(r), buffer.Row(y + r));
    y += count;
  }
  if (Status s = bands.Outcome(); s != Status::Ok) return s;
  if (IsIndexed(plan.format)) buffer.GetPalette() = std::move(page.palette);
  out = std::move(buffer);
  return Status::Ok;
}

// Colour spaces, layouts and depths of every other kind, through libtiff's RGBA reader: 8 bits a
// channel, the orientation applied. Alpha comes out premultiplied where libtiff premultiplies it.
Status DecodeRgba(TIFF* tif, const Directory& d, const DecodeLimits& limits, PixelBuffer& out) {
  char message[1024] = {};
  if (!TIFFRGBAImageOK(tif, message)) return Status::GenericError;
  if (Status s = CheckImageSize(PixelFormat::ARGB32bpp, d.width, d.height, limits); s != Status::Ok) return s;
  TIFFRGBAImage image{};
  if (!TIFFRGBAImageBegin(&image, tif, 1, message)) return Status::GenericError;
  struct EndImage {
    TIFFRGBAImage* image;
    ~EndImage() { TIFFRGBAImageEnd(image); }
  } end{&image};
  image.req_orientation = ORIENTATION_TOPLEFT;

  auto raster = PixelBuffer::Allocate(PixelFormat::ARGB32bpp, d.width, d.height, PixelBuffer::Init::Zero, limits);
  if (!raster.Ok()) return raster.GetStatus();
  PixelBuffer& argb = raster.Value();
  if (argb.Stride() != static_cast<size_t>(d.width) * 4) return Status::GenericError;
  auto* words = reinterpret_cast<uint32_t*>(argb.Data());
  if (!TIFFRGBAImageGet(&image, words, d.width, d.height)) return Status::GenericError;

  // libtiff packs R in the low byte; the bitmap wants B, G, R, A in memory.
  const size_t count = static_cast<size_t>(d.width) * d.height;
  for (size_t i = 0; i < count; ++i) {
    const uint32_t v = words[i];
    uint8_t* p = argb.Data() + i * 4;
    p[0] = static_cast<uint8_t>(TIFFGetB(v));
    p[1] = static_cast<uint8_t>(TIFFGetG(v));
    p[2] = static_cast<uint8_t>(TIFFGetR(v));
    p[3] = static_cast<uint8_t>(TIFFGetA(v));
  }
  if (image.alpha != 0) {
    const bool premultiplied = image.alpha == EXTRASAMPLE_ASSOCALPHA ||
                               (image.alpha == EXTRASAMPLE_UNASSALPHA && d.photometric == PHOTOMETRIC_RGB);
    if (!premultiplied) {
      out = std::move(argb);
      return Status::Ok;
    }
    auto pargb = PixelBuffer::Allocate(PixelFormat::PARGB32bpp, d.width, d.height, PixelBuffer::Init::Zero, limits);
    if (!pargb.Ok()) return pargb.GetStatus();
    for (uint32_t y = 0; y < d.height; ++y) std::memcpy(pargb.Value().Row(y), argb.Row(y), argb.Stride());
    out = std::move(pargb.Value());
    return Status::Ok;
  }
  auto rgb = PixelBuffer::Allocate(PixelFormat::RGB24bpp, d.width, d.height, PixelBuffer::Init::Zero, limits);
  if (!rgb.Ok()) return rgb.GetStatus();
  for (uint32_t y = 0; y < d.height; ++y) {
    const uint8_t* src = argb.Row(y);
    uint8_t* dst = rgb.Value().Row(y);
    for (uint32_t x = 0; x < d.width; ++x, src += 4, dst += 3) dst[0] = src[0], dst[1] = src[1], dst[2] = src[2];
  }
  out = std::move(rgb.Value());
  return Status::Ok;
}

// --- Orientation -----------------------------------------------------------------------------

void FlipVertically(PixelBuffer& p) {
  std::vector<uint8_t> row(p.Stride());
  for (uint32_t top = 0, bottom = p.Height() - 1; top < bottom; ++top, --bottom) {
    std::memcpy(row.data(), p.Row(top), p.Stride());
    std::memcpy(p.Row(top), p.Row(bottom), p.Stride());
    std::memcpy(p.Row(bottom), row.data(), p.Stride());
  }
}

void FlipHorizontally(PixelBuffer& p) {
  const uint32_t bits = BitsPerPixel(p.Format());
  const uint32_t width = p.Width();
  if (bits >= 8) {
    const uint32_t bytes = bits / 8;
    for (uint32_t y = 0; y < p.Height(); ++y) {
      uint8_t* row = p.Row(y);
      for (uint32_t l = 0, r = width - 1; l < r; ++l, --r) {
        std::swap_ranges(row + l * bytes, row + (l + 1) * bytes, row + r * bytes);
      }
    }
    return;
  }
  const uint32_t perByte = 8 / bits;
  const uint32_t mask = (1u << bits) - 1;
  std::vector<uint8_t> indices(width);
  for (uint32_t y = 0; y < p.Height(); ++y) {
    uint8_t* row = p.Row(y);
    for (uint32_t x = 0; x < width; ++x) {
      indices[x] = (row[x / perByte] >> (8 - bits * (x % perByte + 1))) & mask;
    }
    std::fill(row, row + (static_cast<size_t>(width) * bits + 7) / 8, 0);
    for (uint32_t x = 0; x < width; ++x) {
      row[x / perByte] |= static_cast<uint8_t>(indices[width - 1 - x] << (8 - bits * (x % perByte + 1)));
    }
  }
}

// The flips libtiff's RGBA reader applies; it leaves the transposing orientations (5-8) untransposed
// and so do we, treating each as its flip.
void ApplyOrientation(uint16_t orientation, PixelBuffer& p) {
  switch (orientation) {
    case ORIENTATION_TOPRIGHT:
    case ORIENTATION_RIGHTTOP:
      FlipHorizontally(p);
      break;
    case ORIENTATION_BOTRIGHT:
    case ORIENTATION_RIGHTBOT:
      FlipHorizontally(p);
      FlipVertically(p);
      break;
    case ORIENTATION_BOTLEFT:
    case ORIENTATION_LEFTBOT:
      FlipVertically(p);
      break;
    default:
      break;
  }
}

// --- Text tags -------------------------------------------------------------------------------

// The text tags of the current directory as ASCII items whose value ends with its NUL. The title tag
// is unknown to libtiff, which keeps it as an anonymous field with a count.
void ReadTextTags(TIFF* tif, std::vector<PropertyItem>& out) {
  for (uint32_t tag : tiff_glue::kTextTags) {
    const TIFFField* field = TIFFFindField(tif, tag, TIFF_ANY);
    if (field == nullptr || TIFFFieldDataType(field) != TIFF_ASCII) continue;
    const char* text = nullptr;
    size_t length = 0;
    if (TIFFFieldPassCount(field)) {
      void* data = nullptr;
      uint32_t count = 0;
      if (TIFFFieldReadCount(field) == TIFF_VARIABLE2) {
        if (!TIFFGetField(tif, tag, &count, &data)) continue;
      } else {
        uint16_t count16 = 0;
        if (!TIFFGetField(tif, tag, &count16, &data)) continue;
        count = count16;
      }
      if (data == nullptr) continue;
      text = static_cast<const char*>(data);
      length = strnlen(text, count);
    } else {
      if (!TIFFGetField(tif, tag, &text) || text == nullptr) continue;
      length = std::strlen(text);
    }
    PropertyItem item{tag, kPropertyTagTypeASCII, std::vector<uint8_t>(text, text + length)};
    item.value.push_back(0);
    out.push_back(std::move(item));
  }
}

// The page's text tags and colour profile.
template <typename Frame>
void ReadPageItems(TIFF* tif, Frame& frame) {
  ReadTextTags(tif, frame.properties);
  uint32_t profileSize = 0;
  const uint8_t* profile = nullptr;
  if (TIFFGetField(tif, TIFFTAG_ICCPROFILE, &profileSize, &profile) && profile != nullptr)
    frame.color.iccProfile.assign(profile, profile + profileSize);
}

// --- The decoder -----------------------------------------------------------------------------

// The bytes of the page's strips or tiles that lie inside the file, at most the file's size (strips
// may share their data). A page states each one's size in a few bytes; only these can back it.
uint64_t PageDataBytes(TIFF* tif, const Directory& d, uint64_t fileBytes) {
  const uint32_t count = d.tiled ? TIFFNumberOfTiles(tif) : TIFFNumberOfStrips(tif);
  uint64_t total = 0;
  for (uint32_t i = 0; i < count && total < fileBytes; ++i) {
    int error = 0;
    const uint64_t offset = TIFFGetStrileOffsetWithErr(tif, i, &error);
    const uint64_t size = TIFFGetStrileByteCountWithErr(tif, i, &error);
    if (error == 0 && offset < fileBytes) total += std::min(size, fileBytes - offset);
  }
  return std::min(total, fileBytes);
}

// Whether every strip or tile lies inside the file and, uncompressed, holds all its samples. Only then
// does libtiff read them from a descriptor exactly as from the bytes in memory, which it maps: there it
// refuses a strip that runs past the end, and reads no more than the strip's count of bytes.
bool StripsReadAsInMemory(TIFF* tif, const Directory& d, uint64_t fileBytes) {
  const uint32_t count = d.tiled ? TIFFNumberOfTiles(tif) : TIFFNumberOfStrips(tif);
  const uint32_t rowsPerStrip = std::clamp<uint32_t>(d.rowsPerStrip, 1, d.height);
  const uint32_t stripsPerPlane = (d.height - 1) / rowsPerStrip + 1;
  for (uint32_t i = 0; i < count; ++i) {
    int error = 0;
    const uint64_t offset = TIFFGetStrileOffsetWithErr(tif, i, &error);
    const uint64_t size = TIFFGetStrileByteCountWithErr(tif, i, &error);
    if (error != 0 || offset > fileBytes || size > fileBytes - offset) return false;
    if (d.compression != COMPRESSION_NONE) continue;
    // The last strip of a plane may have fewer rows.
    const uint32_t firstRow = i % stripsPerPlane * rowsPerStrip;
    const uint64_t unpacked =
        d.tiled ? TIFFTileSize64(tif) : TIFFVStripSize64(tif, std::min(rowsPerStrip, d.height - firstRow));
    if (size < unpacked) return false;
  }
  return true;
}

// Whether `dataBytes` bytes of strips or tiles can hold the page's samples: no codec expands its data more than
// the factors below (LZW and JPEG with room to spare; a fax row takes at least one bit). Pages of up to
// 64 MiB of samples always pass, so small damaged files still give what can be read of them; larger
// claims beyond that are bombs, refused before any buffer is made for them.
bool DataCanHoldPage(const Directory& d, uint64_t dataBytes) {
  constexpr uint64_t kAlwaysAllowed = uint64_t{64} << 20;
  uint64_t rowBits = 0, claimed = 0;
  if (__builtin_mul_overflow(uint64_t{d.width}, uint64_t{d.samples} * d.bits, &rowBits) ||
      __builtin_mul_overflow((rowBits + 7) / 8, uint64_t{d.height}, &claimed)) {
    return false;  // more than any file could hold
  }
  if (claimed <= kAlwaysAllowed) return true;
  switch (d.compression) {
    case COMPRESSION_NONE:
      return claimed <= dataBytes;
    case COMPRESSION_PACKBITS:
      return claimed / 128 <= dataBytes;
    case COMPRESSION_ADOBE_DEFLATE:
    case COMPRESSION_DEFLATE:
      return claimed / 1032 <= dataBytes;
    case COMPRESSION_LZW:
    case COMPRESSION_JPEG:
    case COMPRESSION_OJPEG:
      return claimed / 4096 <= dataBytes;
    case COMPRESSION_CCITTRLE:
    case COMPRESSION_CCITTRLEW:
    case COMPRESSION_CCITTFAX3:
    case COMPRESSION_CCITTFAX4:
      return d.height / 8 <= dataBytes;
    default:
      return true;  // codecs without a known bound are left to the pixel limits
  }
}

// The inks of a CMYK page as they are stored, for colour management: plain 8-bit contiguous strips
// in the usual top-left order. Any other page, or one that fails to read, keeps no inks and shows the
// plain conversion.
Status ReadInks(TIFF* tif, const Directory& d, const DecodeLimits& limits, PixelBuffer& out) {
  uint16_t inkSet = INKSET_CMYK;
  TIFFGetFieldDefaulted(tif, TIFFTAG_INKSET, &inkSet);
  if (d.photometric != PHOTOMETRIC_SEPARATED || inkSet != INKSET_CMYK || d.samples != 4 || d.bits != 8 ||
      d.planar != PLANARCONFIG_CONTIG || d.tiled || d.orientation != ORIENTATION_TOPLEFT ||
      d.sampleFormat != SAMPLEFORMAT_UINT || d.compression == COMPRESSION_JPEG || d.compression == COMPRESSION_OJPEG)
    return Status::Ok;
  if (TIFFScanlineSize64(tif) != uint64_t{d.width} * 4) return Status::Ok;
  auto inks = PixelBuffer::Allocate(PixelFormat::RGB32bpp, d.width, d.height, PixelBuffer::Init::Uninitialized, limits);
  if (!inks.Ok()) return inks.GetStatus();
  // Whole strips: after the RGBA reader has been through the page, only they can be read again.
  const uint64_t rowBytes = uint64_t{d.width} * 4;
  const uint32_t rowsPerStrip = std::clamp<uint32_t>(d.rowsPerStrip, 1, d.height);
  std::vector<uint8_t> strip;
  try {
    strip.resize(static_cast<size_t>(rowBytes * rowsPerStrip));
  } catch (const std::bad_alloc&) {
    return Status::OutOfMemory;
  }
  for (uint32_t first = 0; first < d.height; first += rowsPerStrip) {
    const uint32_t rows = std::min(rowsPerStrip, d.height - first);
    const tmsize_t wanted = static_cast<tmsize_t>(rowBytes * rows);
    if (TIFFReadEncodedStrip(tif, TIFFComputeStrip(tif, first, 0), strip.data(), wanted) != wanted) return Status::Ok;
    for (uint32_t r = 0; r < rows; ++r)
      std::memcpy(inks.Value().Row(first + r), strip.data() + rowBytes * r, static_cast<size_t>(rowBytes));
  }
  out = std::move(inks).Value();
  return Status::Ok;
}

Status DecodePage(TIFF* tif, uint64_t fileBytes, const DecodeLimits& limits, bool wantInks, DecodedFrame& out) {
  Directory d;
  if (!ReadDirectory(tif, d)) return Status::GenericError;
  if (!TIFFIsCODECConfigured(d.compression)) return Status::GenericError;
  if (!DataCanHoldPage(d, PageDataBytes(tif, d, fileBytes))) return Status::OutOfMemory;
  const Plan plan = ChoosePlan(d);
  DecodedFrame frame;
  if (plan.route == Route::RgbaImage) {
    if (Status s = DecodeRgba(tif, d, limits, frame.pixels); s != Status::Ok) return s;
  } else {
    if (Status s = DecodeDirect(tif, d, plan, limits, frame.pixels); s != Status::Ok) return s;
    ApplyOrientation(d.orientation, frame.pixels);
  }
  ReadPageItems(tif, frame);
  if (wantInks && !frame.color.iccProfile.empty()) {
    if (Status s = ReadInks(tif, d, limits, frame.color.inks); s != Status::Ok) return s;
  }
  out = std::move(frame);
  return Status::Ok;
}

class TiffDecoder final : public ImageDecoder {
 public:
  TiffDecoder(SharedBytes data, const DecodeLimits& limits, uint32_t pages)
      : m_data(std::move(data)), m_limits(limits), m_pages(pages) {}

  const Guid& FrameDimension() const override { return kFrameDimensionPage; }
  uint32_t FrameCount() const override { return m_pages; }

  // Each page is read through a handle of its own, so a damaged page leaves no state behind.
  Status DecodeFrame(uint32_t index, DecodedFrame& out) override {
    if (index >= m_pages) return Status::InvalidParameter;
    std::unique_ptr<Reader> reader;
    if (Status s = OpenReader({.data = m_data->data(), .size = m_data->size()}, m_limits, reader); s != Status::Ok)
      return s;
    if (index != 0 && !TIFFSetDirectory(reader->tif.get(), static_cast<tdir_t>(index))) return Status::GenericError;
    try {
      return DecodePage(reader->tif.get(), m_data->size(), m_limits, m_options.colorManaged, out);
    } catch (const std::bad_alloc&) {
      return Status::OutOfMemory;
    }
  }

 private:
  SharedBytes m_data;
  DecodeLimits m_limits;
  uint32_t m_pages;
};

// The first page's rows as DecodeDirect gives them, a band of strips or tiles at a time.
class TiffRows final : public RowSource {
 public:
  TiffRows(base::UniqueFd fd, uint64_t fileSize) : m_fd(std::move(fd)), m_fileSize(fileSize) {}

  // The page opened as the load opens it; Ok only when its rows need no whole-page step.
  Status Open(const DecodeLimits& limits) {
    if (Status s = OpenReader({.fd = m_fd.Get(), .size = m_fileSize}, limits, m_reader); s != Status::Ok) return s;
    TIFF* tif = m_reader->tif.get();
    if (!ReadDirectory(tif, m_d) || !TIFFIsCODECConfigured(m_d.compression)) return Status::GenericError;
    if (!DataCanHoldPage(m_d, PageDataBytes(tif, m_d, m_fileSize))) return Status::OutOfMemory;
    m_plan = ChoosePlan(m_d);
    if (m_plan.route == Route::RgbaImage || m_d.orientation != ORIENTATION_TOPLEFT ||
        !StripsReadAsInMemory(tif, m_d, m_fileSize))
      return Status::NotImplemented;
    if (Status s = PrepareDirect(tif, m_d, m_plan, limits, m_page); s != Status::Ok) return s;
    m_bands = std::make_unique<SampleBands>(tif, m_d, m_page.rowBytes);
    return m_bands->Init(limits);
  }

  Status ReadRows(std::span<uint8_t* const> rows) override {
    for (uint8_t* row : rows) {
      if (m_inBand == m_bandRows) {
        m_bandStart += m_bandRows;
        m_bandRows = m_bands->Read(m_bandStart);
        m_inBand = 0;
      }
      m_page.convert(m_bands->Planes(m_inBand++), row);
      if (m_bandStart + m_inBand == m_d.height) return m_bands->Outcome();
    }
    return Status::Ok;
  }

  TIFF* Tiff() const { return m_reader->tif.get(); }
  const Directory& Page() const { return m_d; }
  const Plan& PagePlan() const { return m_plan; }
  Palette& PagePalette() { return m_page.palette; }

 private:
  base::UniqueFd m_fd;
  uint64_t m_fileSize;
  std::unique_ptr<Reader> m_reader;
  Directory m_d;
  Plan m_plan;
  DirectPage m_page;
  std::unique_ptr<SampleBands> m_bands;
  uint32_t m_bandStart = 0;
  uint32_t m_bandRows = 0;
  uint32_t m_inBand = 0;
};

}  // namespace

Status OpenTiffDecoder(SharedBytes data, const DecodeLimits& limits, std::unique_ptr<ImageDecoder>& out) {
  if (!data || !HasTiffSignature(*data)) return Status::UnknownImageFormat;
  if (data->size() > limits.maxFileBytes) return Status::OutOfMemory;
  std::unique_ptr<Reader> reader;
  if (Status s = OpenReader({.data = data->data(), .size = data->size()}, limits, reader); s != Status::Ok) return s;
  Directory first;
  if (!ReadDirectory(reader->tif.get(), first)) return Status::GenericError;
  const uint32_t pages = std::min<uint32_t>(TIFFNumberOfDirectories(reader->tif.get()), kMaxPages);
  if (pages == 0) return Status::GenericError;
  out = std::make_unique<TiffDecoder>(std::move(data), limits, pages);
  return Status::Ok;
}

Status OpenTiffRows(base::UniqueFd fd, uint64_t fileSize, const DecodeLimits& limits, StreamedFrame& out) {
  if (fileSize > limits.maxFileBytes) return Status::Ok;
  try {
    auto rows = std::make_unique<TiffRows>(std::move(fd), fileSize);
    // A page that fails or is refused here is left to the load, which says why.
    if (rows->Open(limits) != Status::Ok) return Status::Ok;
    StreamedFrame frame;
    frame.format = rows->PagePlan().format;
    frame.width = rows->Page().width;
    frame.height = rows->Page().height;
    if (IsIndexed(frame.format)) frame.palette = std::move(rows->PagePalette());
    ReadPageItems(rows->Tiff(), frame);
    frame.rows = std::move(rows);
    out = std::move(frame);
  } catch (const std::bad_alloc&) {
    return Status::OutOfMemory;
  }
  return Status::Ok;
}

}  // namespace tavlen::gfx
