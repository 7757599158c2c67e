// Separable fixed-point resampling: a horizontal pass over the source rows a window needs, then a vertical pass.
#include "platform/graphics/resample.h"

#include <algorithm>
#include <cmath>
#include <vector>

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
  const int64_t hi =
      std::clamp<int64_t>(static_cast<int64_t>(std::ceil(srcStart + srcLength)) - 1, lo, sourceSize - 1);
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

void HorizontalPass(const uint8_t* src, const Taps& taps, uint32_t count, uint8_t* out) {
  for (uint32_t i = 0; i < count; ++i) {
    const uint8_t* s = src + size_t{static_cast<uint32_t>(taps.first[i])} * 4;
    const int16_t* w = &taps.weights[size_t{i} * taps.taps];
    int32_t b = 0, g = 0, r = 0, a = 0;
    for (uint32_t k = 0; k < taps.taps; ++k, s += 4) {
      b += w[k] * s[0];
      g += w[k] * s[1];
      r += w[k] * s[2];
      a += w[k] * s[3];
    }
    out[4 * i] = Clamp8(b);
    out[4 * i + 1] = Clamp8(g);
    out[4 * i + 2] = Clamp8(r);
    out[4 * i + 3] = Clamp8(a);
  }
}

}  // namespace

Status Resample(ConstPixelView src, const ResampleGeometry& g, PixelView dst, ResampleFilter filter) {
  if (BitsPerPixel(src.layout.format) != 32 || BitsPerPixel(dst.layout.format) != 32 || IsIndexed(src.layout.format))
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

  // Only the source rows the vertical taps reach are filtered horizontally.
  const int32_t rowLo = *std::min_element(down.first.begin(), down.first.end());
  const int32_t rowHi = *std::max_element(down.first.begin(), down.first.end()) + static_cast<int32_t>(down.taps) - 1;
  const size_t rowBytes = size_t{outW} * 4;
  std::vector<uint8_t> across_rows(static_cast<size_t>(rowHi - rowLo + 1) * rowBytes);
  for (int32_t y = rowLo; y <= rowHi; ++y)
    HorizontalPass(src.Row(static_cast<uint32_t>(y)), across, outW, &across_rows[(y - rowLo) * rowBytes]);

  const bool opaque = !HasAlpha(src.layout.format);
  const bool premultiplied = IsPremultiplied(dst.layout.format);
  std::vector<int32_t> sum(rowBytes);
  for (uint32_t y = 0; y < outH; ++y) {
    std::fill(sum.begin(), sum.end(), kOne / 2);
    const int16_t* w = &down.weights[size_t{y} * down.taps];
    for (uint32_t k = 0; k < down.taps; ++k) {
      const uint8_t* row = &across_rows[static_cast<size_t>(down.first[y] - rowLo + static_cast<int32_t>(k)) * rowBytes];
      const int32_t weight = w[k];
      for (size_t x = 0; x < rowBytes; ++x) sum[x] += weight * row[x];
    }
    uint8_t* out = dst.Row(y);
    for (size_t x = 0; x < rowBytes; ++x) out[x] = static_cast<uint8_t>(std::clamp(sum[x] >> kShift, 0, 255));
    if (opaque) {
      for (size_t x = 3; x < rowBytes; x += 4) out[x] = 0xFF;
    } else if (premultiplied) {
      // Negative lobes can push a colour above its alpha; premultiplied data must not hold that.
      for (size_t x = 0; x < rowBytes; x += 4)
        for (int c = 0; c < 3; ++c) out[x + c] = std::min(out[x + c], out[x + 3]);
    }
  }
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
