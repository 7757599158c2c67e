// Whole-factor nearest-neighbour zoom: the work is one pass over the source pixels a row shows,
// then plain row copies, instead of a filter pass per output pixel and per output row.
#include "platform/graphics/drawing/whole_zoom.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace tavlen::gfx::detail {

namespace {

constexpr double kMaxFactor = 65536;

// A whole factor when `to` is exactly `from` times one, else 0.
uint32_t WholeFactor(double from, double to) {
  if (!(from > 0) || !(to >= from)) return 0;
  const double factor = std::round(to / from);
  if (factor < 1 || factor > kMaxFactor || factor * from != to) return 0;
  return static_cast<uint32_t>(factor);
}

// The source index of output `index` of a window starting at `windowStart`, clamped like the
// resampler clamps to the source span and the view.
int64_t SourceIndex(double srcStart, double srcLength, uint32_t size, uint32_t factor, int64_t windowStart,
                    int64_t index) {
  const int64_t lo = std::clamp<int64_t>(static_cast<int64_t>(std::floor(srcStart)), 0, int64_t{size} - 1);
  const int64_t hi =
      std::clamp<int64_t>(static_cast<int64_t>(std::ceil(srcStart + srcLength)) - 1, lo, int64_t{size} - 1);
  const int64_t position = windowStart + index;
  // Floor division: a window may start left of the virtual destination.
  const int64_t step = position >= 0 ? position / factor : -((-position + factor - 1) / factor);
  return std::clamp(static_cast<int64_t>(srcStart) + step, lo, hi);
}

// One source pixel as the resampler would emit it into dst: opaque formats get a full alpha and
// premultiplied output never holds a colour above its alpha.
uint32_t Emitted(uint32_t pixel, bool opaque, bool premultiplied) {
  if (opaque) return pixel | 0xFF000000u;
  if (!premultiplied) return pixel;
  const uint32_t alpha = pixel >> 24;
  uint32_t out = pixel & 0xFF000000u;
  for (int shift = 0; shift < 24; shift += 8) out |= std::min((pixel >> shift) & 0xFFu, alpha) << shift;
  return out;
}

}  // namespace

std::optional<WholeZoom> WholeZoomOf(const ResampleGeometry& g) {
  if (g.srcX != std::floor(g.srcX) || g.srcY != std::floor(g.srcY)) return std::nullopt;
  const uint32_t x = WholeFactor(g.srcWidth, g.destWidth), y = WholeFactor(g.srcHeight, g.destHeight);
  if (x == 0 || y == 0) return std::nullopt;
  return WholeZoom{x, y};
}

Status ZoomByWholeFactors(ConstPixelView src, const ResampleGeometry& g, WholeZoom zoom, PixelView dst) {
  const uint32_t srcBytes = BitsPerPixel(src.layout.format) / 8;
  if ((srcBytes != 4 && src.layout.format != PixelFormat::RGB24bpp) || BitsPerPixel(dst.layout.format) != 32 ||
      src.layout.width == 0 || src.layout.height == 0 || dst.layout.width == 0 || dst.layout.height == 0 ||
      zoom.x == 0 || zoom.y == 0)
    return Status::InvalidParameter;
  const bool opaque = !HasAlpha(src.layout.format);
  const bool premultiplied = IsPremultiplied(dst.layout.format);
  const uint32_t width = dst.layout.width;
  const size_t rowBytes = size_t{width} * 4;

  int64_t shownRow = -1;
  for (uint32_t y = 0; y < dst.layout.height; ++y) {
    const int64_t sy = SourceIndex(g.srcY, g.srcHeight, src.layout.height, zoom.y, g.windowY, y);
    uint8_t* out = dst.Row(y);
    if (sy == shownRow) {
      std::memcpy(out, dst.Row(y - 1), rowBytes);
      continue;
    }
    shownRow = sy;
    const uint8_t* from = src.Row(static_cast<uint32_t>(sy));
    // Runs of equal output pixels: the first may be cut by the window's left edge.
    uint32_t x = 0;
    while (x < width) {
      const int64_t sx = SourceIndex(g.srcX, g.srcWidth, src.layout.width, zoom.x, g.windowX, x);
      const uint8_t* p = from + sx * srcBytes;
      uint32_t pixel = uint32_t{p[0]} | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16;
      if (srcBytes == 4) pixel |= uint32_t{p[3]} << 24;
      pixel = Emitted(pixel, opaque, premultiplied);
      const int64_t position = g.windowX + x;
      const int64_t phase = ((position % zoom.x) + zoom.x) % zoom.x;
      const uint32_t run = std::min<uint32_t>(width - x, zoom.x - static_cast<uint32_t>(phase));
      for (uint32_t k = 0; k < run; ++k) std::memcpy(out + size_t{x + k} * 4, &pixel, 4);
      x += run;
    }
  }
  return Status::Ok;
}

}  // namespace tavlen::gfx::detail
