// One TIFF page as the decoder reads it without libtiff's RGBA reader: its directory, how its samples
// become pixels, and its samples a band of rows at a time.
#pragma once

#include <tiffio.h>

#include <algorithm>
#include <cstdint>
#include <vector>

#include "platform/graphics/codecs/codec.h"

namespace tavlen::gfx::tiff_page {

// The tags of the current directory that decide how its samples are read.
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

// False for a directory without a size or samples, or tiled without a tile size.
bool ReadDirectory(TIFF* tif, Directory& d);

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

// Samples of common depths are copied or reordered; other depths, planar pages and floats are scaled
// sample by sample; colour spaces and codecs that need conversion go to libtiff's RGBA reader.
Plan ChoosePlan(const Directory& d);

// One sample of any depth from 1 to 16 bits, or a float, scaled to 0..maxOut. Integer samples of 8
// and 16 bits are whole bytes and words; others are a bit stream, first sample in the high bits.
// Rows are padded with a few bytes so that three bytes can always be read.
struct SampleReader {
  uint16_t bits = 8;
  uint16_t samples = 1;
  bool separate = false;
  bool isFloat = false;

  uint32_t Raw(const uint8_t* const* planes, uint32_t x, uint32_t s) const;
  uint32_t Scaled(const uint8_t* const* planes, uint32_t x, uint32_t s, uint32_t maxOut) const;
};

// A row of samples, one row per plane, to a row of the plan's pixels.
struct RowConverter {
  Plan plan;
  uint32_t width = 0;
  uint16_t samples = 1;
  uint16_t channels = 1;
  bool invert = false;  // min-is-white samples
  size_t rowBytes = 0;
  SampleReader reader;

  void operator()(const uint8_t* const* planes, uint8_t* dst) const;

 private:
  void ConvertGeneric(const uint8_t* const* planes, uint8_t* dst) const;
};

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

  Status Init(const DecodeLimits& limits);

  // Reads the band of rows from y on, y a multiple of the band's height: the number of its rows.
  uint32_t Read(uint32_t y);

  // The planes of row r of the band read last.
  const uint8_t* const* Planes(uint32_t r) {
    for (uint16_t p = 0; p < m_planes; ++p) m_rows[p] = BandRow(p, r);
    return m_rows.data();
  }

  Status Outcome() const { return m_anyRead ? Status::Ok : Status::GenericError; }

 private:
  static constexpr uint64_t kPad = 8;  // lets the sample reader look a few bytes past a row's end

  uint8_t* BandRow(uint16_t plane, uint32_t r) { return m_buffer.data() + m_stride * (uint64_t{plane} * m_band + r); }

  void ReadStrips(uint32_t y, uint32_t count);
  void ReadTiles(uint32_t ty);

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

// The page's palette and row conversion; GenericError for a page whose rows libtiff sizes otherwise.
Status PrepareDirect(TIFF* tif, const Directory& d, const Plan& plan, const DecodeLimits& limits, DirectPage& out);

// The page's pixels through PrepareDirect and SampleBands, not yet turned to its orientation.
Status DecodeDirect(TIFF* tif, const Directory& d, const Plan& plan, const DecodeLimits& limits, PixelBuffer& out);

}  // namespace tavlen::gfx::tiff_page
