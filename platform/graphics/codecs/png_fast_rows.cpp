// Plain PNG image data through libdeflate: the concatenated IDAT stream is inflated once into the
// end of the pixel buffer, and each row is unfiltered and converted into its place in one pass.
#include "platform/graphics/codecs/png_fast_rows.h"

#include <emmintrin.h>
#include <libdeflate.h>

#include <cstring>
#include <memory>
#include <vector>

namespace tavlen::gfx {

uint32_t PngUint32(const uint8_t* p) {
  return uint32_t{p[0]} << 24 | uint32_t{p[1]} << 16 | uint32_t{p[2]} << 8 | p[3];
}

namespace {

// The IDAT payloads from `pos`, if they are followed by IEND and every CRC holds.
bool CollectIdat(std::span<const uint8_t> file, size_t pos, std::vector<std::span<const uint8_t>>& parts) {
  while (true) {
    if (file.size() - pos < 12 || pos > file.size()) return false;
    const uint32_t length = PngUint32(&file[pos]);
    if (length > file.size() - pos - 12) return false;
    const uint8_t* type = &file[pos + 4];
    const uint32_t crc = PngUint32(type + 4 + length);
    if (libdeflate_crc32(0, type, size_t{length} + 4) != crc) return false;
    if (std::memcmp(type, "IEND", 4) == 0) return !parts.empty();
    // Chunks after the image data (text, EXIF) are libpng's to read.
    if (std::memcmp(type, "IDAT", 4) != 0) return false;
    parts.emplace_back(type + 4, length);
    pos += size_t{length} + 12;
  }
}

struct DecompressorDeleter {
  void operator()(libdeflate_decompressor* d) const { libdeflate_free_decompressor(d); }
};

uint32_t LoadPixel(const uint8_t* p, uint32_t bpp) {
  uint32_t v = 0;
  std::memcpy(&v, p, bpp);
  return v;
}

// Paeth for 3 or 4 bytes a pixel, all bytes of a pixel at once in 16-bit lanes.
void UnfilterPaethPixels(const uint8_t* in, const uint8_t* prev, uint8_t* cur, size_t rowBytes, uint32_t bpp) {
  const __m128i zero = _mm_setzero_si128();
  __m128i a = zero, c = zero;
  for (size_t i = 0; i + bpp <= rowBytes; i += bpp) {
    const __m128i b = _mm_unpacklo_epi8(_mm_cvtsi32_si128(static_cast<int>(LoadPixel(prev + i, bpp))), zero);
    const __m128i d = _mm_unpacklo_epi8(_mm_cvtsi32_si128(static_cast<int>(LoadPixel(in + i, bpp))), zero);
    const __m128i pa0 = _mm_sub_epi16(b, c);
    const __m128i pb0 = _mm_sub_epi16(a, c);
    const __m128i pc0 = _mm_add_epi16(pa0, pb0);
    const __m128i pa = _mm_max_epi16(pa0, _mm_sub_epi16(zero, pa0));
    const __m128i pb = _mm_max_epi16(pb0, _mm_sub_epi16(zero, pb0));
    const __m128i pc = _mm_max_epi16(pc0, _mm_sub_epi16(zero, pc0));
    const __m128i smallest = _mm_min_epi16(pc, _mm_min_epi16(pa, pb));
    const __m128i useA = _mm_cmpeq_epi16(pa, smallest);
    const __m128i useB = _mm_cmpeq_epi16(pb, smallest);
    const __m128i bOrC = _mm_or_si128(_mm_and_si128(useB, b), _mm_andnot_si128(useB, c));
    const __m128i predictor = _mm_or_si128(_mm_and_si128(useA, a), _mm_andnot_si128(useA, bOrC));
    const __m128i value = _mm_and_si128(_mm_add_epi16(d, predictor), _mm_set1_epi16(0xFF));
    const auto packed = static_cast<uint32_t>(_mm_cvtsi128_si32(_mm_packus_epi16(value, zero)));
    std::memcpy(cur + i, &packed, bpp);
    a = value;
    c = b;
  }
}

int PaethPredictor(int a, int b, int c) {
  const int pa = std::abs(b - c), pb = std::abs(a - c), pc = std::abs(a + b - 2 * c);
  return pa <= pb && pa <= pc ? a : pb <= pc ? b : c;
}

}  // namespace

bool UnfilterPngRow(uint8_t filter, const uint8_t* in, const uint8_t* prev, uint8_t* cur, size_t rowBytes,
                    uint32_t bpp) {
  switch (filter) {
    case 0:
      std::memcpy(cur, in, rowBytes);
      return true;
    case 1:
      for (size_t i = 0; i < rowBytes; ++i) cur[i] = static_cast<uint8_t>(in[i] + (i >= bpp ? cur[i - bpp] : 0));
      return true;
    case 2:
      for (size_t i = 0; i < rowBytes; ++i) cur[i] = static_cast<uint8_t>(in[i] + prev[i]);
      return true;
    case 3:
      for (size_t i = 0; i < rowBytes; ++i)
        cur[i] = static_cast<uint8_t>(in[i] + ((i >= bpp ? cur[i - bpp] : 0) + prev[i]) / 2);
      return true;
    case 4:
      if (bpp >= 3) {
        UnfilterPaethPixels(in, prev, cur, rowBytes, bpp);
      } else {
        for (size_t i = 0; i < rowBytes; ++i) {
          const int a = i >= bpp ? cur[i - bpp] : 0, c = i >= bpp ? prev[i - bpp] : 0;
          cur[i] = static_cast<uint8_t>(in[i] + PaethPredictor(a, prev[i], c));
        }
      }
      return true;
    default:
      return false;
  }
}

void StorePngRow(const uint8_t* cur, uint8_t* out, uint32_t width, uint32_t channels) {
  if (channels == 1) {
    std::memcpy(out, cur, width);
    return;
  }
  for (uint32_t x = 0; x < width; ++x, cur += channels, out += channels) {
    out[0] = cur[2];
    out[1] = cur[1];
    out[2] = cur[0];
    if (channels == 4) out[3] = cur[3];
  }
}

size_t FilteredPngBytes(const PngRowShape& shape) { return (size_t{shape.width} * shape.channels + 1) * shape.height; }

bool AllocateForInPlaceRows(const PngRowShape& shape, const DecodeLimits& limits, PixelBuffer& pixels,
                            size_t& inputOffset) {
  const size_t filtered = FilteredPngBytes(shape);
  const size_t pixelBytes = StrideFor(shape.format, shape.width) * shape.height;
  const size_t slack = filtered > pixelBytes ? filtered - pixelBytes : 0;
  auto allocated =
      PixelBuffer::Allocate(shape.format, shape.width, shape.height, PixelBuffer::Init::Uninitialized, limits, slack);
  if (!allocated.Ok()) return false;
  pixels = std::move(allocated).Value();
  inputOffset = pixels.Capacity() - filtered;
  return true;
}

bool DecodePlainPngRows(std::span<const uint8_t> file, size_t idatChunk, const PngRowShape& shape,
                        const DecodeLimits& limits, PixelBuffer& out) {
  if (shape.channels != 1 && shape.channels != 3 && shape.channels != 4) return false;
  std::vector<std::span<const uint8_t>> parts;
  if (idatChunk > file.size() || !CollectIdat(file, idatChunk, parts)) return false;
  std::vector<uint8_t> joined;
  std::span<const uint8_t> stream = parts[0];
  if (parts.size() > 1) {
    size_t total = 0;
    for (const auto& part : parts) total += part.size();
    joined.reserve(total);
    for (const auto& part : parts) joined.insert(joined.end(), part.begin(), part.end());
    stream = joined;
  }

  const size_t rowBytes = size_t{shape.width} * shape.channels;
  const size_t filtered = FilteredPngBytes(shape);
  PixelBuffer pixels;
  size_t inputOffset = 0;
  if (!AllocateForInPlaceRows(shape, limits, pixels, inputOffset)) return false;
  const uint8_t* input = pixels.Data() + inputOffset;

  std::unique_ptr<libdeflate_decompressor, DecompressorDeleter> inflater(libdeflate_alloc_decompressor());
  if (!inflater) return false;
  size_t produced = 0;
  if (libdeflate_zlib_decompress(inflater.get(), stream.data(), stream.size(), const_cast<uint8_t*>(input), filtered,
                                 &produced) != LIBDEFLATE_SUCCESS ||
      produced != filtered)
    return false;
  joined = {};

  // Four spare bytes let the Paeth loop load whole 32-bit words.
  std::vector<uint8_t> rows(2 * (rowBytes + 4), 0);
  uint8_t* prev = rows.data();
  uint8_t* cur = rows.data() + rowBytes + 4;
  for (uint32_t y = 0; y < shape.height; ++y) {
    const uint8_t* in = input + size_t{y} * (rowBytes + 1);
    if (!UnfilterPngRow(in[0], in + 1, prev, cur, rowBytes, shape.channels)) return false;
    StorePngRow(cur, pixels.Row(y), shape.width, shape.channels);
    std::swap(prev, cur);
  }
  out = std::move(pixels);
  return true;
}

}  // namespace tavlen::gfx
