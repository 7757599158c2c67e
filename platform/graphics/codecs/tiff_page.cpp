// A TIFF page's directory, and its samples read a band at a time into pixel rows.
#include "platform/graphics/codecs/tiff_page.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace tavlen::gfx::tiff_page {
namespace {

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

void Put16(uint8_t* p, uint16_t v) {
  p[0] = static_cast<uint8_t>(v);
  p[1] = static_cast<uint8_t>(v >> 8);
}

uint16_t Get16(const uint8_t* p) {
  uint16_t v;
  std::memcpy(&v, p, sizeof v);  // libtiff has already put the samples in the machine's order
  return v;
}

bool Resize(std::vector<uint8_t>& v, uint64_t size, const DecodeLimits& limits) {
  if (size > limits.maxPixelBytes || size > SIZE_MAX) return false;
  try {
    v.resize(static_cast<size_t>(size));
  } catch (const std::bad_alloc&) {
    return false;
  }
  return true;
}

}  // namespace

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

uint32_t SampleReader::Raw(const uint8_t* const* planes, uint32_t x, uint32_t s) const {
  const uint8_t* row = separate ? planes[s] : planes[0];
  const uint64_t index = separate ? x : static_cast<uint64_t>(x) * samples + s;
  if (bits == 8) return row[index];
  if (bits == 16) return Get16(row + index * 2);
  const uint64_t bit = index * bits;
  const uint8_t* p = row + bit / 8;
  const uint32_t window = uint32_t{p[0]} << 16 | uint32_t{p[1]} << 8 | p[2];
  return (window >> (24 - bits - bit % 8)) & ((1u << bits) - 1);
}

uint32_t SampleReader::Scaled(const uint8_t* const* planes, uint32_t x, uint32_t s, uint32_t maxOut) const {
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

// Generic route: channels scaled to the output's 8 or 16 bits, alpha from the first extra sample.
void RowConverter::ConvertGeneric(const uint8_t* const* planes, uint8_t* dst) const {
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

void RowConverter::operator()(const uint8_t* const* planes, uint8_t* dst) const {
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

Status SampleBands::Init(const DecodeLimits& limits) {
  if (m_band > limits.maxPixelBytes / m_stride / m_planes || !Resize(m_buffer, m_stride * m_band * m_planes, limits))
    return Status::OutOfMemory;
  if (!m_d.tiled) return Resize(m_strip, m_planeRowBytes * m_band, limits) ? Status::Ok : Status::OutOfMemory;
  m_tileRowBytes = TIFFTileRowSize64(m_tif);
  const uint64_t tileBytes = TIFFTileSize64(m_tif);
  if (m_tileRowBytes == 0 || tileBytes < m_tileRowBytes * m_d.tileHeight) return Status::GenericError;
  return Resize(m_tile, tileBytes, limits) ? Status::Ok : Status::OutOfMemory;
}

uint32_t SampleBands::Read(uint32_t y) {
  const uint32_t count = std::min(m_band, m_d.height - y);
  if (m_d.tiled) {
    ReadTiles(y);
  } else {
    ReadStrips(y, count);
  }
  return count;
}

void SampleBands::ReadStrips(uint32_t y, uint32_t count) {
  const tmsize_t want = static_cast<tmsize_t>(m_planeRowBytes * count);
  for (uint16_t p = 0; p < m_planes; ++p) {
    std::fill_n(m_strip.begin(), want, 0);
    m_anyRead |= TIFFReadEncodedStrip(m_tif, TIFFComputeStrip(m_tif, y, p), m_strip.data(), want) == want;
    for (uint32_t r = 0; r < count; ++r)
      std::memcpy(BandRow(p, r), m_strip.data() + m_planeRowBytes * r, m_planeRowBytes);
  }
}

void SampleBands::ReadTiles(uint32_t ty) {
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

}  // namespace tavlen::gfx::tiff_page
