// The fast PNG row path: every filter and sample layout against known pixels, and the files it must
// hand back to libpng (damaged data, chunks after the image data, truncation).
#include <gtest/gtest.h>
#include <zlib.h>

#include <array>
#include <cstring>
#include <string>
#include <vector>

#include "platform/graphics/bitmap.h"
#include "tests/graphics/test_support.h"

namespace tavlen::gfx {
namespace {

void Put32(std::vector<uint8_t>& out, uint32_t v) {
  for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<uint8_t>(v >> shift));
}

void PutChunk(std::vector<uint8_t>& out, const char* type, const std::vector<uint8_t>& data) {
  Put32(out, static_cast<uint32_t>(data.size()));
  const size_t start = out.size();
  out.insert(out.end(), type, type + 4);
  out.insert(out.end(), data.begin(), data.end());
  Put32(out, static_cast<uint32_t>(crc32(0, &out[start], static_cast<uInt>(data.size() + 4))));
}

int Paeth(int a, int b, int c) {
  const int pa = std::abs(b - c), pb = std::abs(a - c), pc = std::abs(a + b - 2 * c);
  return pa <= pb && pa <= pc ? a : pb <= pc ? b : c;
}

// Row y filtered with filter y % 5, so that every filter meets every neighbour.
std::vector<uint8_t> FilterRows(const std::vector<uint8_t>& raw, size_t rowBytes, uint32_t height, uint32_t bpp) {
  std::vector<uint8_t> out;
  for (uint32_t y = 0; y < height; ++y) {
    const uint8_t filter = static_cast<uint8_t>(y % 5);
    out.push_back(filter);
    const uint8_t* row = &raw[y * rowBytes];
    const uint8_t* up = y > 0 ? row - rowBytes : nullptr;
    for (size_t i = 0; i < rowBytes; ++i) {
      const int a = i >= bpp ? row[i - bpp] : 0, b = up ? up[i] : 0, c = up && i >= bpp ? up[i - bpp] : 0;
      const int predictor = filter == 1   ? a
                            : filter == 2 ? b
                            : filter == 3 ? (a + b) / 2
                            : filter == 4 ? Paeth(a, b, c)
                                          : 0;
      out.push_back(static_cast<uint8_t>(row[i] - predictor));
    }
  }
  return out;
}

struct PngParts {
  std::vector<uint8_t> raw;  // unfiltered samples, as stored
  std::vector<uint8_t> file;
};

// An 8-bit PNG of the colour type with noisy samples; the image data split over several IDAT chunks.
PngParts MakePng(uint8_t colorType, uint32_t channels, uint32_t width, uint32_t height, bool textAfter = false) {
  PngParts p;
  const size_t rowBytes = size_t{width} * channels;
  uint32_t state = 12345;
  for (size_t i = 0; i < rowBytes * height; ++i) {
    state = state * 1103515245u + 12345u;
    p.raw.push_back(static_cast<uint8_t>(i % 7 == 0 ? state >> 24 : (i * 3) & 0xFF));
  }
  const std::vector<uint8_t> filtered = FilterRows(p.raw, rowBytes, height, channels);
  std::vector<uint8_t> packed(compressBound(static_cast<uLong>(filtered.size())));
  uLongf packedSize = static_cast<uLongf>(packed.size());
  compress2(packed.data(), &packedSize, filtered.data(), static_cast<uLong>(filtered.size()), 6);
  packed.resize(packedSize);

  const uint8_t signature[] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  p.file.assign(signature, signature + 8);
  std::vector<uint8_t> ihdr;
  Put32(ihdr, width);
  Put32(ihdr, height);
  ihdr.insert(ihdr.end(), {8, colorType, 0, 0, 0});
  PutChunk(p.file, "IHDR", ihdr);
  if (colorType == 3) {
    std::vector<uint8_t> plte;
    for (int i = 0; i < 256; ++i) plte.insert(plte.end(), {static_cast<uint8_t>(i), static_cast<uint8_t>(255 - i), 7});
    PutChunk(p.file, "PLTE", plte);
  }
  for (size_t at = 0; at < packed.size(); at += 1000)
    PutChunk(p.file, "IDAT", {packed.begin() + at, packed.begin() + std::min(packed.size(), at + 1000)});
  if (textAfter) {
    const std::string text = std::string("Title") + '\0' + "after the pixels";
    PutChunk(p.file, "tEXt", {text.begin(), text.end()});
  }
  PutChunk(p.file, "IEND", {});
  return p;
}

// The stored samples read back through the library's own format.
void ExpectSamples(Bitmap& b, const PngParts& p, uint32_t channels) {
  BitmapData data;
  ASSERT_EQ(b.LockBits(nullptr, kImageLockModeRead, b.Format(), data), Status::Ok);
  bool same = true;
  for (uint32_t y = 0; y < data.height && same; ++y) {
    const auto* row = static_cast<const uint8_t*>(data.scan0) + size_t(y) * static_cast<size_t>(data.stride);
    for (uint32_t x = 0; x < data.width * channels && same; ++x) {
      // The library keeps colours as B, G, R (, A).
      const uint32_t c = x % channels;
      const uint32_t from = channels == 1 || c == 1 || c == 3 ? x : x - c + (2 - c);
      same = row[x] == p.raw[size_t(y) * data.width * channels + from];
      EXPECT_TRUE(same) << "at row " << y << " byte " << x;
    }
  }
  EXPECT_EQ(b.UnlockBits(data), Status::Ok);
}

struct Layout {
  uint8_t colorType;
  uint32_t channels;
  PixelFormat format;
};

TEST(PngPlainRows, EveryFilterAndLayoutDecodesExactly) {
  for (const Layout& l : {Layout{0, 1, PixelFormat::Indexed8bpp}, Layout{3, 1, PixelFormat::Indexed8bpp},
                          Layout{2, 3, PixelFormat::RGB24bpp}, Layout{6, 4, PixelFormat::ARGB32bpp}}) {
    // 37 and 38 pixels: strides with and without padding, longer and shorter than a filtered row.
    for (uint32_t width : {37u, 38u, 1u}) {
      SCOPED_TRACE("colour type " + std::to_string(l.colorType) + ", width " + std::to_string(width));
      const PngParts p = MakePng(l.colorType, l.channels, width, 23);
      auto b = Bitmap::FromMemory(p.file);
      ASSERT_TRUE(b.Ok());
      EXPECT_EQ(b.Value()->Format(), l.format);
      ExpectSamples(*b.Value(), p, l.channels);
    }
  }
}

TEST(PngPlainRows, ChunksAfterTheImageDataAreStillRead) {
  const PngParts p = MakePng(2, 3, 20, 9, true);
  auto b = Bitmap::FromMemory(p.file);
  ASSERT_TRUE(b.Ok());
  ExpectSamples(*b.Value(), p, 3);
  uint32_t size = 0;
  EXPECT_EQ(b.Value()->GetPropertyItemSize(kPropertyTagImageTitle, size), Status::Ok);
}

TEST(PngPlainRows, DamagedImageDataIsRefusedAsBefore) {
  const PngParts good = MakePng(6, 4, 30, 30);
  // A flipped bit in the compressed data (its CRC then fails too), a bad filter type, a truncated file.
  std::vector<uint8_t> flipped = good.file;
  flipped[flipped.size() - 40] ^= 0x10;
  EXPECT_FALSE(Bitmap::FromMemory(flipped).Ok());
  std::vector<uint8_t> truncated(good.file.begin(), good.file.end() - 200);
  EXPECT_FALSE(Bitmap::FromMemory(truncated).Ok());

  PngParts badFilter = MakePng(0, 1, 8, 4);
  // Rebuild with a filter byte of 9 on the first row.
  std::vector<uint8_t> rows = FilterRows(badFilter.raw, 8, 4, 1);
  rows[0] = 9;
  std::vector<uint8_t> packed(compressBound(static_cast<uLong>(rows.size())));
  uLongf packedSize = static_cast<uLongf>(packed.size());
  compress2(packed.data(), &packedSize, rows.data(), static_cast<uLong>(rows.size()), 6);
  packed.resize(packedSize);
  std::vector<uint8_t> file(badFilter.file.begin(), badFilter.file.begin() + 33);  // signature and IHDR
  PutChunk(file, "IDAT", packed);
  PutChunk(file, "IEND", {});
  EXPECT_FALSE(Bitmap::FromMemory(file).Ok());
}

}  // namespace
}  // namespace tavlen::gfx
