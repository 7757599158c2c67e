// Decompression bombs built byte by byte, so that no encoder's own limits stand in the way.
#include "tests/reliability/bomb_files.h"

#include <array>
#include <cstring>
#include <string_view>

#include "platform/graphics/bitmap.h"
#include "platform/graphics/codec_registry.h"

namespace tavlen::reliability {
namespace {

class Bytes {
 public:
  Bytes& U8(uint32_t v) {
    m_bytes.push_back(static_cast<uint8_t>(v));
    return *this;
  }
  Bytes& Le16(uint32_t v) { return U8(v).U8(v >> 8); }
  Bytes& Le32(uint32_t v) { return Le16(v).Le16(v >> 16); }
  Bytes& Be16(uint32_t v) { return U8(v >> 8).U8(v); }
  Bytes& Be32(uint32_t v) { return Be16(v >> 16).Be16(v); }
  Bytes& Raw(std::string_view text) {
    m_bytes.insert(m_bytes.end(), text.begin(), text.end());
    return *this;
  }
  Bytes& Raw(const std::vector<uint8_t>& bytes) {
    m_bytes.insert(m_bytes.end(), bytes.begin(), bytes.end());
    return *this;
  }
  std::vector<uint8_t>& Get() { return m_bytes; }

 private:
  std::vector<uint8_t> m_bytes;
};

uint32_t Crc32(const uint8_t* data, size_t size) {
  uint32_t crc = 0xFFFFFFFFu;
  for (size_t i = 0; i < size; ++i) {
    crc ^= data[i];
    for (int bit = 0; bit < 8; ++bit) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
  }
  return ~crc;
}

void PngChunk(Bytes& out, std::string_view type, const std::vector<uint8_t>& data) {
  Bytes body;
  body.Raw(type).Raw(data);
  out.Be32(static_cast<uint32_t>(data.size())).Raw(body.Get());
  out.Be32(Crc32(body.Get().data(), body.Get().size()));
}

// zlib streams of one zero byte (the filter byte of the first row and nothing more) and of two (the
// whole of a 1 x 1 gray picture).
const std::vector<uint8_t> kOneZeroByteZlib = {0x78, 0x9C, 0x63, 0x00, 0x00, 0x00, 0x01, 0x00, 0x01};
const std::vector<uint8_t> kTwoZeroBytesZlib = {0x78, 0x9C, 0x63, 0x60, 0x00, 0x00, 0x00, 0x02, 0x00, 0x01};

std::vector<uint8_t> Png(uint32_t width, uint32_t height, uint8_t depth, uint8_t colourType, uint32_t frames,
                         const std::vector<uint8_t>& idat = kOneZeroByteZlib) {
  Bytes out;
  out.Raw("\x89PNG\r\n\x1a\n");
  PngChunk(out, "IHDR", Bytes().Be32(width).Be32(height).U8(depth).U8(colourType).U8(0).U8(0).U8(0).Get());
  if (frames > 1) PngChunk(out, "acTL", Bytes().Be32(frames).Be32(0).Get());
  PngChunk(out, "IDAT", idat);
  PngChunk(out, "IEND", {});
  return std::move(out.Get());
}

// Image descriptor and LZW data (minimum code size 2: clear, one pixel of index 0, end).
void GifFrame(Bytes& out, uint16_t width, uint16_t height) {
  out.U8(0x2C).Le16(0).Le16(0).Le16(width).Le16(height).U8(0);
  out.U8(2).U8(2).U8(0x44).U8(0x01).U8(0);
}

// A screen of width x height; each frame claims frameWidth x frameHeight (the screen's size when 0).
std::vector<uint8_t> Gif(uint16_t width, uint16_t height, uint32_t frames, uint16_t frameWidth = 0,
                         uint16_t frameHeight = 0) {
  Bytes out;
  out.Raw("GIF89a").Le16(width).Le16(height).U8(0x80).U8(0).U8(0);
  out.U8(0).U8(0).U8(0).U8(255).U8(255).U8(255);  // two-colour global table
  for (uint32_t i = 0; i < frames; ++i)
    GifFrame(out, frameWidth ? frameWidth : width, frameHeight ? frameHeight : height);
  out.U8(0x3B);
  return std::move(out.Get());
}

// One IFD of nine entries with a single strip of four bytes; `nextIfd` 8 points the chain at itself.
// `padding` zero bytes follow the strip, so the file is larger than its strip.
std::vector<uint8_t> Tiff(uint32_t width, uint32_t height, uint16_t bitsPerSample, uint32_t nextIfd,
                          uint16_t compression = 1, uint32_t padding = 0) {
  constexpr uint32_t kEntries = 9, kDataAt = 8 + 2 + kEntries * 12 + 4;
  Bytes out;
  out.Raw("II").Le16(42).Le32(8).Le16(kEntries);
  auto entry = [&](uint16_t tag, uint16_t type, uint32_t value) {
    out.Le16(tag).Le16(type).Le32(1);
    if (type == 3) {
      out.Le16(value).Le16(0);
    } else {
      out.Le32(value);
    }
  };
  entry(256, 4, width);
  entry(257, 4, height);
  entry(258, 3, bitsPerSample);
  entry(259, 3, compression);
  entry(262, 3, 1);  // black is zero
  entry(273, 4, kDataAt);
  entry(277, 3, 1);
  entry(278, 4, height);
  entry(279, 4, 4);
  out.Le32(nextIfd).Le32(0);
  out.Get().resize(out.Get().size() + padding);
  return std::move(out.Get());
}

// Four zero bytes of pixels: uncompressed, or two ends of line in RLE (compression 1 or 2).
std::vector<uint8_t> Bmp(int32_t width, int32_t height, uint16_t bitsPerPixel, uint32_t compression = 0) {
  const uint32_t palette = bitsPerPixel <= 8 ? (1u << bitsPerPixel) * 4 : 0;
  const uint32_t dataAt = 14 + 40 + palette;
  Bytes out;
  out.Raw("BM").Le32(dataAt + 4).Le32(0).Le32(dataAt);
  out.Le32(40).Le32(static_cast<uint32_t>(width)).Le32(static_cast<uint32_t>(height)).Le16(1).Le16(bitsPerPixel);
  out.Le32(compression).Le32(4).Le32(2835).Le32(2835).Le32(0).Le32(0);
  for (uint32_t i = 0; i < palette; ++i) out.U8(i % 4 == 3 ? 0 : 0xFF * (i / 4 % 2));
  out.Le32(0);
  return std::move(out.Get());
}

// A real 8 x 8 JPEG from our encoder with the frame header's size patched.
std::vector<uint8_t> Jpeg(uint16_t width, uint16_t height) {
  auto bitmap = gfx::Bitmap::Create(8, 8, gfx::PixelFormat::RGB24bpp);
  std::vector<uint8_t> bytes;
  if (!bitmap.Ok() || bitmap.Value()->SaveToMemory(gfx::kJpegEncoderClsid, {}, bytes) != gfx::Status::Ok) return {};
  for (size_t i = 2; i + 9 < bytes.size(); ++i) {
    if (bytes[i] == 0xFF && (bytes[i + 1] == 0xC0 || bytes[i + 1] == 0xC2)) {
      bytes[i + 5] = static_cast<uint8_t>(height >> 8), bytes[i + 6] = static_cast<uint8_t>(height);
      bytes[i + 7] = static_cast<uint8_t>(width >> 8), bytes[i + 8] = static_cast<uint8_t>(width);
      break;
    }
  }
  return bytes;
}

// A real GIF of `rows` blank rows from our encoder, whose screen and frame then claim `height` rows:
// a frame cut off after a few kilobytes.
std::vector<uint8_t> CutOffGif(uint16_t width, uint16_t rows, uint16_t height) {
  auto bitmap = gfx::Bitmap::Create(width, rows, gfx::PixelFormat::Indexed8bpp);
  std::vector<uint8_t> bytes;
  if (!bitmap.Ok() || bitmap.Value()->SaveToMemory(gfx::kGifEncoderClsid, {}, bytes) != gfx::Status::Ok) return {};
  bytes[8] = static_cast<uint8_t>(height), bytes[9] = static_cast<uint8_t>(height >> 8);
  for (size_t i = 13; i + 9 < bytes.size(); ++i) {
    if (bytes[i] == 0x2C && (bytes[i + 5] | bytes[i + 6] << 8) == width && (bytes[i + 7] | bytes[i + 8] << 8) == rows) {
      bytes[i + 7] = static_cast<uint8_t>(height), bytes[i + 8] = static_cast<uint8_t>(height >> 8);
      return bytes;
    }
  }
  return {};
}

// A placeable WMF whose bounding box runs from (-side / 2, -side / 2) at 96 units per inch: the whole
// 16-bit range by default.
std::vector<uint8_t> Wmf(uint16_t side = 0xFFFF) {
  Bytes out;
  const auto low = static_cast<uint16_t>(0x10000 - (side + 1) / 2), high = static_cast<uint16_t>(side / 2);
  std::array<uint16_t, 10> placeable = {0xCDD7, 0x9AC6, 0, low, low, high, high, 96, 0, 0};
  uint16_t checksum = 0;
  for (uint16_t word : placeable) checksum ^= word;
  for (uint16_t word : placeable) out.Le16(word);
  out.Le16(checksum);
  out.Le16(1).Le16(9).Le16(0x300).Le32(9 + 3).Le16(0).Le32(3).Le16(0);
  out.Le32(3).Le16(0);  // end of file record
  return std::move(out.Get());
}

// An EMF header whose bounds and frame reach `far` (2^31 - 1 by default), then the end record.
std::vector<uint8_t> Emf(uint32_t far = 0x7FFFFFFF) {
  Bytes out;
  out.Le32(1).Le32(88);
  out.Le32(0).Le32(0).Le32(far).Le32(far);  // bounds, device pixels
  out.Le32(0).Le32(0).Le32(far).Le32(far);  // frame, 0.01 mm
  out.Le32(0x464D4520).Le32(0x10000).Le32(88 + 20).Le32(2).Le16(1).Le16(0);
  out.Le32(0).Le32(0).Le32(0).Le32(1920).Le32(1080).Le32(508).Le32(286);
  out.Le32(14).Le32(20).Le32(0).Le32(16).Le32(20);
  return std::move(out.Get());
}

}  // namespace

std::vector<BombFile> MakeBombFiles() {
  constexpr uint32_t kMillion = 1000000;
  return {
      {"PNG 2^31-1 x 2^31-1 RGBA", ".png", Png(0x7FFFFFFF, 0x7FFFFFFF, 8, 6, 1)},
      {"PNG 65535 x 65535 1-bit", ".png", Png(65535, 65535, 1, 0, 1)},
      {"PNG 65535 x 65535 16-bit RGBA", ".png", Png(65535, 65535, 16, 6, 1)},
      {"APNG of a million frames", ".png", Png(1, 1, 8, 0, kMillion, kTwoZeroBytesZlib)},
      {"TIFF 2^31 x 2^31", ".tif", Tiff(0x80000000u, 0x80000000u, 8, 0)},
      {"TIFF 65535 x 65535 1-bit", ".tif", Tiff(65535, 65535, 1, 0)},
      {"TIFF whose pages lead back to the first", ".tif", Tiff(1, 1, 8, 8)},
      {"GIF 65535 x 65535", ".gif", Gif(65535, 65535, 1)},
      {"GIF of a million frames", ".gif", Gif(1, 1, kMillion)},
      {"BMP 2^31-1 x 2^31 top-down", ".bmp", Bmp(0x7FFFFFFF, INT32_MIN, 24)},
      {"BMP 65535 x 65535 1-bit", ".bmp", Bmp(65535, 65535, 1)},
      {"JPEG 65535 x 65535", ".jpg", Jpeg(65535, 65535)},
      {"WMF 65535 x 65535", ".wmf", Wmf()},
      {"EMF 2^31 x 2^31", ".emf", Emf()},
  };
}

std::vector<BombFile> MakeUnbackedFiles() {
  constexpr uint16_t kDeflate = 8;
  // 16000 pixels at 96 per inch, in 0.01 mm.
  constexpr uint32_t k16000PixelsInFrameUnits = 16000u * 2540 / 96;
  return {
      {"GIF 16384 x 16384 screen and frame", ".gif", Gif(16384, 16384, 1)},
      {"GIF 16384 x 16384 screen, a 1 x 1 frame", ".gif", Gif(16384, 16384, 1, 1, 1)},
      {"GIF 2896 x 2896 screen (kept whole), a 1 x 1 frame", ".gif", Gif(2896, 2896, 1, 1, 1)},
      {"GIF 16384 x 16384, the frame cut off after 64 rows", ".gif", CutOffGif(16384, 64, 16384)},
      {"TIFF 16384 x 16384 8-bit", ".tif", Tiff(16384, 16384, 8, 0)},
      {"TIFF 16384 x 16384 8-bit deflate, a 4-byte strip in a 512 KiB file", ".tif",
       Tiff(16384, 16384, 8, 0, kDeflate, 512 * 1024)},
      {"BMP 8000 x 8000 24-bit", ".bmp", Bmp(8000, 8000, 24)},
      {"BMP 8000 x 8000 32-bit top-down", ".bmp", Bmp(8000, -8000, 32)},
      {"BMP 8000 x 8000 RLE8, two ends of line", ".bmp", Bmp(8000, 8000, 8, 1)},
      {"BMP 15000 x 15000 RLE8, two ends of line", ".bmp", Bmp(15000, 15000, 8, 1)},
      {"BMP 16000 x 16000 RLE4, two ends of line", ".bmp", Bmp(16000, 16000, 4, 2)},
      {"WMF 16000 x 16000", ".wmf", Wmf(16000)},
      {"EMF 16000 x 16000", ".emf", Emf(k16000PixelsInFrameUnits)},
  };
}

}  // namespace tavlen::reliability
