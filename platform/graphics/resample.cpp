// Separable fixed-point resampling: a horizontal pass over the source rows a window needs, then a vertical pass.
#include "platform/graphics/resample.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

#include "platform/graphics/two_halves.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#if defined(__x86_64__) || defined(__i386__)
#include <tmmintrin.h>
#define TAVLEN_RESAMPLE_SSSE3 1
#endif

namespace tavlen::gfx {
namespace {

constexpr int kShift = 14;
constexpr int32_t kOne = 1 << kShift;

double Kernel(ResampleFilter filter, double x) {
  x = std::fabs(x);
  if (filter == ResampleFilter::Bilinear) return x < 1.0 ? 1.0 - x : 0.0;
  // Catmull-Rom: the cubic convolution kernel with a = -0.5.
  constexpr double a = -0.5;
  if (x < 1.0) return ((a + 2.0) * x - (a + 3.0)) * x * x + 1.0;
  if (x < 2.0) return ((a * x - 5.0 * a) * x + 8.0 * a) * x - 4.0 * a;
  return 0.0;
}

double Support(ResampleFilter filter) { return filter == ResampleFilter::Bilinear ? 1.0 : 2.0; }

// For each output sample of one axis: the first source index and `taps` fixed-point weights.
struct Taps {
  std::vector<int32_t> first;
  std::vector<int16_t> weights;
  uint32_t taps = 0;
};

// Output i (of count) is sample windowStart + i of a virtual axis of destLength samples that covers the
// source span [srcStart, srcStart + srcLength); source indices are clamped to that span and the image.
Taps BuildTaps(double srcStart, double srcLength, double destLength, int64_t windowStart, uint32_t count,
               uint32_t sourceSize, ResampleFilter filter) {
  const double scale = srcLength / destLength;
  const int64_t lo = std::clamp<int64_t>(static_cast<int64_t>(std::floor(srcStart)), 0, sourceSize - 1);
  const int64_t hi = std::clamp<int64_t>(static_cast<int64_t>(std::ceil(srcStart + srcLength)) - 1, lo, sourceSize - 1);
  Taps t;
  t.first.resize(count);
  if (filter == ResampleFilter::Nearest) {
    t.taps = 1;
    t.weights.assign(count, static_cast<int16_t>(kOne));
    for (uint32_t i = 0; i < count; ++i) {
      const double center = srcStart + (static_cast<double>(windowStart + i) + 0.5) * scale;
      t.first[i] = static_cast<int32_t>(std::clamp<int64_t>(static_cast<int64_t>(std::floor(center)), lo, hi));
    }
    return t;
  }
  // Shrinking widens the kernel so that every source pixel contributes: the prefilter.
  const double widen = std::max(1.0, scale);
  const double support = Support(filter) * widen;
  std::vector<std::vector<double>> rows(count);
  std::vector<int64_t> firsts(count);
  size_t maxTaps = 1;
  for (uint32_t i = 0; i < count; ++i) {
    const double center = srcStart + (static_cast<double>(windowStart + i) + 0.5) * scale - 0.5;
    const int64_t j0 = static_cast<int64_t>(std::floor(center - support)) + 1;
    const int64_t j1 = static_cast<int64_t>(std::ceil(center + support)) - 1;
    const int64_t first = std::clamp(j0, lo, hi);
    const int64_t last = std::clamp(j1, lo, hi);
    std::vector<double> w(static_cast<size_t>(last - first + 1), 0.0);
    double sum = 0;
    for (int64_t j = j0; j <= j1; ++j) {
      const double k = Kernel(filter, (static_cast<double>(j) - center) / widen);
      w[static_cast<size_t>(std::clamp(j, first, last) - first)] += k;
      sum += k;
    }
    if (sum == 0) {
      w.assign(w.size(), 0.0);
      w[static_cast<size_t>(std::clamp<int64_t>(std::llround(center), first, last) - first)] = 1.0;
      sum = 1.0;
    }
    for (double& v : w) v /= sum;
    maxTaps = std::max(maxTaps, w.size());
    rows[i] = std::move(w);
    firsts[i] = first;
  }
  t.taps = static_cast<uint32_t>(maxTaps);
  t.weights.assign(size_t{count} * maxTaps, 0);
  for (uint32_t i = 0; i < count; ++i) {
    // Keep every row of taps inside the image by sliding the start back and padding with zeros.
    int64_t first = firsts[i];
    size_t offset = 0;
    if (first + static_cast<int64_t>(maxTaps) - 1 > hi) {
      const int64_t shifted = std::max<int64_t>(0, hi - static_cast<int64_t>(maxTaps) + 1);
      offset = static_cast<size_t>(first - shifted);
      first = shifted;
    }
    t.first[i] = static_cast<int32_t>(first);
    int16_t* out = &t.weights[size_t{i} * maxTaps];
    int32_t total = 0;
    size_t largest = offset;
    for (size_t k = 0; k < rows[i].size() && offset + k < maxTaps; ++k) {
      out[offset + k] = static_cast<int16_t>(std::lround(rows[i][k] * kOne));
      total += out[offset + k];
      if (std::abs(out[offset + k]) > std::abs(out[largest])) largest = offset + k;
    }
    out[largest] = static_cast<int16_t>(out[largest] + (kOne - total));  // weights sum to exactly one
  }
  return t;
}

inline uint8_t Clamp8(int32_t v) { return static_cast<uint8_t>(std::clamp((v + kOne / 2) >> kShift, 0, 255)); }

// Two source pixels as eight bytes B G R A B G R A; three-byte pixels get an opaque alpha.
template <size_t N>
inline uint64_t LoadTwo(const uint8_t* s) {
  if constexpr (N == 4) {
    uint64_t v;
    std::memcpy(&v, s, 8);
    return v;
  } else {
    return uint64_t{s[0]} | uint64_t{s[1]} << 8 | uint64_t{s[2]} << 16 | uint64_t{0xFF} << 24 | uint64_t{s[3]} << 32 |
           uint64_t{s[4]} << 40 | uint64_t{s[5]} << 48 | uint64_t{0xFF} << 56;
  }
}

// One output row of the horizontal pass: every output pixel sums `taps` source pixels of N bytes
// (4: any 32-bit layout; 3: 24bppRGB, read as opaque).
template <size_t N>
void HorizontalRow(const uint8_t* src, const Taps& taps, uint32_t count, uint8_t* out) {
  const uint32_t n = taps.taps;
  for (uint32_t i = 0; i < count; ++i) {
    const uint8_t* s = src + size_t{static_cast<uint32_t>(taps.first[i])} * N;
    const int16_t* w = &taps.weights[size_t{i} * n];
    uint32_t k = 0;
#if defined(__SSE2__)
    // Two taps at a time: interleave the two pixels' channels so that one multiply-add sums them.
    __m128i sum = _mm_setzero_si128();
    for (; k + 2 <= n; k += 2, s += 2 * N) {
      const __m128i px =
          _mm_unpacklo_epi8(_mm_cvtsi64_si128(static_cast<long long>(LoadTwo<N>(s))), _mm_setzero_si128());
      const __m128i pairs = _mm_unpacklo_epi16(px, _mm_srli_si128(px, 8));
      const __m128i weights = _mm_set1_epi32(static_cast<int32_t>(
          static_cast<uint16_t>(w[k]) | static_cast<uint32_t>(static_cast<uint16_t>(w[k + 1])) << 16));
      sum = _mm_add_epi32(sum, _mm_madd_epi16(pairs, weights));
    }
    alignas(16) int32_t acc[4];
    _mm_store_si128(reinterpret_cast<__m128i*>(acc), sum);
#else
    int32_t acc[4] = {0, 0, 0, 0};
#endif
    for (; k < n; ++k, s += N)
      for (size_t c = 0; c < 4; ++c) acc[c] += w[k] * (c < N ? s[c] : 0xFF);
    for (int c = 0; c < 4; ++c) out[4 * i + c] = Clamp8(acc[c]);
  }
}

#if defined(TAVLEN_RESAMPLE_SSSE3)
// The byte shuffles that spread two pixels into 16-bit lanes B0 B1 G0 G1 R0 R1 A0 A1 (a lane of
// 0x80 reads as zero), for the first and the second pair of a 16-byte load.
template <size_t N>
__attribute__((target("ssse3"))) inline __m128i PairLanes(size_t pair) {
  const int o = static_cast<int>(pair * 2 * N);
  const int a0 = N == 4 ? o + 3 : 0x80, a1 = N == 4 ? o + 7 : 0x80;
  const int p1 = o + static_cast<int>(N);
  return _mm_setr_epi8(static_cast<char>(o), -128, static_cast<char>(p1), -128, static_cast<char>(o + 1), -128,
                       static_cast<char>(p1 + 1), -128, static_cast<char>(o + 2), -128, static_cast<char>(p1 + 2), -128,
                       static_cast<char>(a0), -128, static_cast<char>(a1), -128);
}

// HorizontalRow with four taps per step: one 16-byte load, two shuffles and two multiply-adds.
// The sums are the same integers as HorizontalRow's and are rounded and clamped the same way, so
// the output is identical. Three-byte pixels leave their alpha lanes at zero: their weights sum to
// exactly one, so the opaque alpha comes out 255 and is written as such.
template <size_t N>
__attribute__((target("ssse3"))) void HorizontalRowSsse3(const uint8_t* src, size_t srcBytes, const Taps& taps,
                                                         uint32_t count, uint8_t* out) {
  const uint32_t n = taps.taps;
  const __m128i first = PairLanes<N>(0), second = PairLanes<N>(1);
  const __m128i zero = _mm_setzero_si128();
  const __m128i round = _mm_set1_epi32(kOne / 2);
  const uint32_t opaque = N == 4 ? 0 : 0xFF000000u;
  const uint8_t* end = src + srcBytes;
  const int32_t* firsts = taps.first.data();
  const int16_t* weights = taps.weights.data();
  for (uint32_t i = 0; i < count; ++i) {
    const uint8_t* s = src + size_t{static_cast<uint32_t>(firsts[i])} * N;
    const int16_t* w = weights + size_t{i} * n;
    uint32_t k = 0;
    __m128i sum = round;
    for (; k + 4 <= n && s + 16 <= end; k += 4, s += 4 * N) {
      const __m128i px = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s));
      const __m128i four = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(w + k));
      sum = _mm_add_epi32(sum, _mm_madd_epi16(_mm_shuffle_epi8(px, first), _mm_shuffle_epi32(four, 0x00)));
      sum = _mm_add_epi32(sum, _mm_madd_epi16(_mm_shuffle_epi8(px, second), _mm_shuffle_epi32(four, 0x55)));
    }
    for (; k < n; ++k, s += N) {
      // One pixel's channels in 32-bit lanes with a zero high half, times the one weight.
      uint32_t bytes = uint32_t{s[0]} | uint32_t{s[1]} << 8 | uint32_t{s[2]} << 16;
      if constexpr (N == 4) bytes |= uint32_t{s[3]} << 24;
      const __m128i px = _mm_unpacklo_epi16(_mm_unpacklo_epi8(_mm_cvtsi32_si128(static_cast<int>(bytes)), zero), zero);
      sum = _mm_add_epi32(sum, _mm_madd_epi16(px, _mm_set1_epi32(static_cast<uint16_t>(w[k]))));
    }
    const __m128i scaled = _mm_srai_epi32(sum, kShift);
    const __m128i packed = _mm_packus_epi16(_mm_packs_epi32(scaled, scaled), zero);
    const uint32_t pixel = static_cast<uint32_t>(_mm_cvtsi128_si32(packed)) | opaque;
    std::memcpy(out + size_t{i} * 4, &pixel, 4);
  }
}

bool HasSsse3() {
  static const bool has = __builtin_cpu_supports("ssse3");
  return has;
}
#endif

// One source row through the horizontal taps, N bytes a pixel, with the fastest kernel the CPU has.
template <size_t N>
void FilterRow(const uint8_t* src, uint32_t srcWidth, const Taps& taps, uint32_t count, uint8_t* out) {
#if defined(TAVLEN_RESAMPLE_SSSE3)
  if (HasSsse3()) return HorizontalRowSsse3<N>(src, size_t{srcWidth} * N, taps, count, out);
#else
  (void)srcWidth;
#endif
  HorizontalRow<N>(src, taps, count, out);
}

// One output row of the vertical pass: every byte sums `count` rows of the intermediate image.
void VerticalRow(const uint8_t* const* rows, const int16_t* w, uint32_t count, size_t bytes, uint8_t* out) {
  size_t x = 0;
#if defined(__SSE2__)
  const __m128i zero = _mm_setzero_si128();
  const __m128i round = _mm_set1_epi32(kOne / 2);
  for (; x + 16 <= bytes; x += 16) {
    __m128i acc[4] = {round, round, round, round};
    for (uint32_t k = 0; k < count; k += 2) {
      // Rows k and k + 1 interleaved, so that each multiply-add sums both weighted values.
      const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(rows[k] + x));
      const bool pair = k + 1 < count;
      const __m128i b = pair ? _mm_loadu_si128(reinterpret_cast<const __m128i*>(rows[k + 1] + x)) : zero;
      const __m128i weights = _mm_set1_epi32(static_cast<int32_t>(
          static_cast<uint16_t>(w[k]) | static_cast<uint32_t>(static_cast<uint16_t>(pair ? w[k + 1] : 0)) << 16));
      const __m128i alo = _mm_unpacklo_epi8(a, zero), ahi = _mm_unpackhi_epi8(a, zero);
      const __m128i blo = _mm_unpacklo_epi8(b, zero), bhi = _mm_unpackhi_epi8(b, zero);
      acc[0] = _mm_add_epi32(acc[0], _mm_madd_epi16(_mm_unpacklo_epi16(alo, blo), weights));
      acc[1] = _mm_add_epi32(acc[1], _mm_madd_epi16(_mm_unpackhi_epi16(alo, blo), weights));
      acc[2] = _mm_add_epi32(acc[2], _mm_madd_epi16(_mm_unpacklo_epi16(ahi, bhi), weights));
      acc[3] = _mm_add_epi32(acc[3], _mm_madd_epi16(_mm_unpackhi_epi16(ahi, bhi), weights));
    }
    for (__m128i& v : acc) v = _mm_srai_epi32(v, kShift);
    const __m128i lo = _mm_packs_epi32(acc[0], acc[1]);
    const __m128i hi = _mm_packs_epi32(acc[2], acc[3]);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + x), _mm_packus_epi16(lo, hi));
  }
#endif
  for (; x < bytes; ++x) {
    int32_t sum = kOne / 2;
    for (uint32_t k = 0; k < count; ++k) sum += w[k] * rows[k][x];
    out[x] = static_cast<uint8_t>(std::clamp(sum >> kShift, 0, 255));
  }
}

void SetOpaque(uint8_t* row, uint32_t count) {
  uint32_t x = 0;
#if defined(__SSE2__)
  const __m128i alpha = _mm_set1_epi32(static_cast<int32_t>(0xFF000000u));
  for (; x + 4 <= count; x += 4) {
    auto* p = reinterpret_cast<__m128i*>(row + size_t{x} * 4);
    _mm_storeu_si128(p, _mm_or_si128(_mm_loadu_si128(p), alpha));
  }
#endif
  for (; x < count; ++x) row[size_t{x} * 4 + 3] = 0xFF;
}

// B, G, R of each 32-bit pixel, without the fourth byte.
void PackToBgr(const uint8_t* row, uint32_t count, uint8_t* out) {
  for (uint32_t x = 0; x < count; ++x, row += 4, out += 3) {
    out[0] = row[0];
    out[1] = row[1];
    out[2] = row[2];
  }
}

// Negative lobes can push a colour above its alpha; premultiplied data must not hold that.
void ClampToAlpha(uint8_t* row, uint32_t count) {
  uint32_t x = 0;
#if defined(__SSE2__)
  for (; x + 4 <= count; x += 4) {
    auto* p = reinterpret_cast<__m128i*>(row + size_t{x} * 4);
    const __m128i v = _mm_loadu_si128(p);
    // Each pixel's alpha copied into all four of its bytes; the alpha byte itself stays.
    __m128i a = _mm_srli_epi32(v, 24);
    a = _mm_or_si128(a, _mm_slli_epi32(a, 8));
    a = _mm_or_si128(a, _mm_slli_epi32(a, 16));
    _mm_storeu_si128(p, _mm_min_epu8(v, a));
  }
#endif
  for (; x < count; ++x)
    for (int c = 0; c < 3; ++c) row[size_t{x} * 4 + c] = std::min(row[size_t{x} * 4 + c], row[size_t{x} * 4 + 3]);
}

}  // namespace

Status Resample(ConstPixelView src, const ResampleGeometry& g, PixelView dst, ResampleFilter filter) {
  const uint32_t srcBits = BitsPerPixel(src.layout.format);
  const bool packed = dst.layout.format == PixelFormat::RGB24bpp;
  if ((srcBits != 32 && src.layout.format != PixelFormat::RGB24bpp) ||
      (BitsPerPixel(dst.layout.format) != 32 && !packed) || IsIndexed(src.layout.format))
    return Status::InvalidParameter;
  if (src.layout.width == 0 || src.layout.height == 0 || dst.layout.width == 0 || dst.layout.height == 0)
    return Status::InvalidParameter;
  if (!(g.srcWidth > 0) || !(g.srcHeight > 0) || !(g.destWidth > 0) || !(g.destHeight > 0) ||
      !std::isfinite(g.srcX + g.srcY + g.srcWidth + g.srcHeight + g.destWidth + g.destHeight))
    return Status::InvalidParameter;

  const uint32_t outW = dst.layout.width;
  const uint32_t outH = dst.layout.height;
  const Taps across = BuildTaps(g.srcX, g.srcWidth, g.destWidth, g.windowX, outW, src.layout.width, filter);
  const Taps down = BuildTaps(g.srcY, g.srcHeight, g.destHeight, g.windowY, outH, src.layout.height, filter);

  // Each half of the output keeps the horizontally filtered source rows that its current output
  // row reads in a ring of `down.taps` rows: a source row is filtered once, while it is needed, and
  // stays in cache for the vertical pass. Only the halves' boundary rows are filtered twice.
  // A 24-bit output row is made as a 32-bit one in the slot after each ring, then packed.
  const size_t rowBytes = size_t{outW} * 4;
  const size_t ringBytes = size_t{down.taps + (packed ? 1 : 0)} * rowBytes;
  std::unique_ptr<uint8_t[]> rings(new (std::nothrow) uint8_t[2 * ringBytes]);
  if (!rings) return Status::OutOfMemory;
  const int32_t rowLo = *std::min_element(down.first.begin(), down.first.end());
  const int32_t rowHi = *std::max_element(down.first.begin(), down.first.end()) + static_cast<int32_t>(down.taps) - 1;
  const size_t work = static_cast<size_t>(rowHi - rowLo + 1) * outW * across.taps * 4 + outH * rowBytes * down.taps;

  const bool opaque = !HasAlpha(src.layout.format);
  const bool premultiplied = IsPremultiplied(dst.layout.format);
  RunInTwoHalves(outH, work, 1, [&](uint32_t begin, uint32_t end) {
    uint8_t* ring = rings.get() + (begin == 0 ? 0 : ringBytes);
    std::vector<int64_t> held(down.taps, -1);  // the source row in each slot of the ring
    std::vector<const uint8_t*> rows(down.taps);
    for (uint32_t y = begin; y < end; ++y) {
      // The taps read consecutive source rows, so they never share a slot.
      for (uint32_t k = 0; k < down.taps; ++k) {
        const int64_t row = int64_t{down.first[y]} + k;
        const size_t slot = static_cast<size_t>(row % down.taps);
        uint8_t* filtered = ring + slot * rowBytes;
        if (held[slot] != row) {
          const uint8_t* from = src.Row(static_cast<uint32_t>(row));
          if (srcBits == 24)
            FilterRow<3>(from, src.layout.width, across, outW, filtered);
          else
            FilterRow<4>(from, src.layout.width, across, outW, filtered);
          held[slot] = row;
        }
        rows[k] = filtered;
      }
      uint8_t* out = packed ? ring + size_t{down.taps} * rowBytes : dst.Row(y);
      VerticalRow(rows.data(), &down.weights[size_t{y} * down.taps], down.taps, rowBytes, out);
      if (packed)
        PackToBgr(out, outW, dst.Row(y));
      else if (opaque)
        SetOpaque(out, outW);
      else if (premultiplied)
        ClampToAlpha(out, outW);
    }
  });
  return Status::Ok;
}

Status ResampleAll(ConstPixelView src, PixelView dst, ResampleFilter filter) {
  ResampleGeometry g;
  g.srcWidth = src.layout.width;
  g.srcHeight = src.layout.height;
  g.destWidth = dst.layout.width;
  g.destHeight = dst.layout.height;
  return Resample(src, g, dst, filter);
}

}  // namespace tavlen::gfx
