// Area averaging by powers of two: for each output row the block's source rows are summed column by
// column in 16-bit lanes, then each block's columns are summed and divided; the two halves of the
// output rows run on both cores.
#include "platform/graphics/area_average.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>

#include "platform/graphics/convert.h"
#include "platform/graphics/two_halves.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace tavlen::gfx {
namespace {

// Up to this level the sums of a whole block fit 16 bits (16 x 16 x 255), so whole blocks are
// summed in vector lanes; deeper levels and cut blocks are summed in 32 bits.
constexpr uint32_t kMaxVectorLevel = 4;

// The layouts whose bytes are their own channels, averaged where they lie; the others are widened
// to premultiplied 32-bit pixels row by row first.
bool AveragedInPlace(PixelFormat format) {
  return format == PixelFormat::RGB24bpp || format == PixelFormat::RGB32bpp || format == PixelFormat::PARGB32bpp;
}

// Starts (kFirst) or adds to the 16-bit column sums of one output row with the bytes of source rows
// `a` and `b` (null for none): two rows a pass halve the passes over the sums.
template <bool kFirst>
void SumRows(const uint8_t* a, const uint8_t* b, size_t bytes, uint16_t* sums) {
  size_t i = 0;
#if defined(__SSE2__)
  const __m128i zero = _mm_setzero_si128();
  for (; i + 16 <= bytes; i += 16) {
    const __m128i va = _mm_loadu_si128(reinterpret_cast<const __m128i*>(a + i));
    __m128i lo = _mm_unpacklo_epi8(va, zero), hi = _mm_unpackhi_epi8(va, zero);
    if (b) {
      const __m128i vb = _mm_loadu_si128(reinterpret_cast<const __m128i*>(b + i));
      lo = _mm_add_epi16(lo, _mm_unpacklo_epi8(vb, zero));
      hi = _mm_add_epi16(hi, _mm_unpackhi_epi8(vb, zero));
    }
    auto* sumsLo = reinterpret_cast<__m128i*>(sums + i);
    auto* sumsHi = reinterpret_cast<__m128i*>(sums + i + 8);
    if constexpr (!kFirst) {
      lo = _mm_add_epi16(lo, _mm_loadu_si128(sumsLo));
      hi = _mm_add_epi16(hi, _mm_loadu_si128(sumsHi));
    }
    _mm_storeu_si128(sumsLo, lo);
    _mm_storeu_si128(sumsHi, hi);
  }
#endif
  for (; i < bytes; ++i) sums[i] = static_cast<uint16_t>((kFirst ? 0 : sums[i]) + a[i] + (b ? b[i] : 0));
}

// One block's mean from the column sums of its `columns` pixels of `channels` bytes, `count` pixels in all.
void MeanOfBlock(const uint16_t* sums, uint32_t columns, uint32_t count, size_t channels, uint8_t* out) {
  for (size_t c = 0; c < channels; ++c) {
    uint32_t total = 0;
    for (uint32_t k = 0; k < columns; ++k) total += sums[k * channels + c];
    out[c] = static_cast<uint8_t>((total + count / 2) / count);
  }
}

// The means of the first `blocks` whole blocks (side x side, level at most kMaxVectorLevel) of one
// output row. Reads up to 8 sums past a block of 3-byte pixels.
template <size_t N>
void MeansOfWholeBlocks(const uint16_t* sums, uint32_t blocks, uint32_t level, uint8_t* out) {
  const uint32_t side = 1u << level;
#if defined(__SSE2__)
  const __m128i round = _mm_set1_epi16(static_cast<int16_t>(1 << (2 * level - 1)));
  const __m128i shift = _mm_cvtsi32_si128(static_cast<int>(2 * level));
  for (uint32_t x = 0; x < blocks; ++x) {
    const uint16_t* s = sums + size_t{x} * side * N;
    // Lanes 0 .. N - 1 gather the even pixels' sums, lanes N .. 2N - 1 the odd ones'.
    __m128i acc = _mm_setzero_si128();
    for (uint32_t k = 0; k < side; k += 2, s += 2 * N)
      acc = _mm_add_epi16(acc, _mm_loadu_si128(reinterpret_cast<const __m128i*>(s)));
    acc = _mm_add_epi16(acc, _mm_srli_si128(acc, 2 * N));
    const __m128i mean = _mm_srl_epi16(_mm_add_epi16(acc, round), shift);
    const auto bytes = static_cast<uint32_t>(_mm_cvtsi128_si32(_mm_packus_epi16(mean, mean)));
    std::memcpy(out + size_t{x} * N, &bytes, N);
  }
#else
  for (uint32_t x = 0; x < blocks; ++x) MeanOfBlock(sums + size_t{x} * side * N, side, side * side, N, out + x * N);
#endif
}

// Output rows [begin, end) of the reduction of `src` by 2^level into `dst`.
Status AverageRows(const PixelBuffer& src, uint32_t level, PixelBuffer& dst, uint32_t begin, uint32_t end) {
  const uint32_t side = 1u << level;
  const uint32_t width = src.Width(), height = src.Height();
  const bool inPlace = AveragedInPlace(src.Format());
  const size_t channels = inPlace ? BitsPerPixel(src.Format()) / 8 : 4;
  const size_t rowBytes = size_t{width} * channels;
  std::unique_ptr<uint16_t[]> sums(new (std::nothrow) uint16_t[rowBytes + 8]());
  std::unique_ptr<uint8_t[]> widened(inPlace ? nullptr : new (std::nothrow) uint8_t[2 * rowBytes]);
  if (!sums || (!inPlace && !widened)) return Status::OutOfMemory;
  // Row `r` of the source as averaged: where it lies, or widened into one of two rows.
  auto rowOf = [&](uint32_t r, uint32_t slot, const uint8_t*& row) {
    row = src.Row(r);
    if (inPlace) return Status::Ok;
    const ConstPixelView in{{src.Format(), width, 1, src.Stride()}, row};
    row = widened.get() + slot * rowBytes;
    return ConvertPixels(in, src.GetPalette(),
                         {{PixelFormat::PARGB32bpp, width, 1, rowBytes}, widened.get() + slot * rowBytes}, Palette{});
  };

  for (uint32_t y = begin; y < end; ++y) {
    const uint32_t top = y << level;
    const uint32_t rows = std::min(side, height - top);
    for (uint32_t r = 0; r < rows; r += 2) {
      const uint8_t* a = nullptr;
      const uint8_t* b = nullptr;
      if (const Status s = rowOf(top + r, 0, a); s != Status::Ok) return s;
      if (r + 1 < rows) {
        if (const Status s = rowOf(top + r + 1, 1, b); s != Status::Ok) return s;
      }
      if (r == 0)
        SumRows<true>(a, b, rowBytes, sums.get());
      else
        SumRows<false>(a, b, rowBytes, sums.get());
    }
    uint8_t* out = dst.Row(y);
    uint32_t x = 0;
    if (rows == side && level <= kMaxVectorLevel) {
      x = width >> level;
      if (channels == 3)
        MeansOfWholeBlocks<3>(sums.get(), x, level, out);
      else
        MeansOfWholeBlocks<4>(sums.get(), x, level, out);
    }
    for (; x < dst.Width(); ++x) {
      const uint32_t columns = std::min(side, width - (x << level));
      MeanOfBlock(sums.get() + (size_t{x} << level) * channels, columns, columns * rows, channels, out + x * channels);
    }
  }
  return Status::Ok;
}

}  // namespace

PixelFormat AverageFormat(const Bitmap& picture) {
  const PixelFormat format = picture.Format();
  if (AveragedInPlace(format)) return format;
  bool opaque = !HasAlpha(format);
  if (IsIndexed(format)) {
    const auto& entries = picture.GetPalette().entries;
    opaque = std::all_of(entries.begin(), entries.end(), [](uint32_t c) { return c >> 24 == 0xFF; });
  }
  return opaque ? PixelFormat::RGB32bpp : PixelFormat::PARGB32bpp;
}

Result<Bitmap::Ptr> AverageDown(const Bitmap& picture, uint32_t level) {
  if (level == 0 || level > kMaxAverageLevel || picture.Width() == 0 || picture.Height() == 0)
    return Status::InvalidParameter;
  if (picture.IsLocked()) return Status::WrongState;
  const PixelBuffer& src = picture.Pixels();
  auto allocated = PixelBuffer::Allocate(AverageFormat(picture), ReducedSide(src.Width(), level),
                                         ReducedSide(src.Height(), level), PixelBuffer::Init::Uninitialized);
  if (!allocated.Ok()) return allocated.GetStatus();
  PixelBuffer reduced = std::move(allocated).Value();
  Status halves[2] = {Status::Ok, Status::Ok};
  RunInTwoHalves(reduced.Height(), src.Layout().Bytes(), 1, [&](uint32_t begin, uint32_t end) {
    halves[begin == 0 ? 0 : 1] = AverageRows(src, level, reduced, begin, end);
  });
  for (const Status s : halves)
    if (s != Status::Ok) return s;
  return Bitmap::FromPixels(std::move(reduced));
}

}  // namespace tavlen::gfx
