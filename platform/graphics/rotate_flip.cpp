// Quarter turns as cache-blocked transposes, half turns and mirrors in place.
#include "platform/graphics/rotate_flip.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "platform/graphics/two_halves.h"

namespace tavlen::gfx {
namespace {

template <size_t N>
struct PixelBytes {
  uint8_t b[N];
};

template <size_t N>
void ReverseRow(uint8_t* row, uint32_t width) {
  auto* p = reinterpret_cast<PixelBytes<N>*>(row);
  std::reverse(p, p + width);
}

// Mirrors left-right and/or top-bottom in place.
template <size_t N>
void MirrorInPlace(PixelView v, bool mirrorX, bool mirrorY) {
  const uint32_t h = v.layout.height;
  const size_t rowBytes = size_t{v.layout.width} * N;
  if (!mirrorY) {
    for (uint32_t y = 0; y < h; ++y) ReverseRow<N>(v.Row(y), v.layout.width);
    return;
  }
  std::vector<uint8_t> temp(rowBytes);
  for (uint32_t top = 0, bottom = h - 1; top < bottom; ++top, --bottom) {
    std::memcpy(temp.data(), v.Row(top), rowBytes);
    std::memcpy(v.Row(top), v.Row(bottom), rowBytes);
    std::memcpy(v.Row(bottom), temp.data(), rowBytes);
    if (mirrorX) {
      ReverseRow<N>(v.Row(top), v.layout.width);
      ReverseRow<N>(v.Row(bottom), v.layout.width);
    }
  }
  if (mirrorX && (h & 1)) ReverseRow<N>(v.Row(h / 2), v.layout.width);
}

// dst(x, y) = src(reverseX ? W-1-y : y, reverseY ? H-1-x : x), with W x H the source size, for the
// destination rows [rowBegin, rowEnd).
template <size_t N>
void TransposeRows(ConstPixelView src, PixelView dst, bool reverseX, bool reverseY, uint32_t rowBegin,
                   uint32_t rowEnd) {
  constexpr uint32_t kTile = N <= 2 ? 64 : 32;
  const uint32_t dw = dst.layout.width;
  const uint32_t dh = rowEnd;
  const uint32_t sw = src.layout.width;
  const uint32_t sh = src.layout.height;
  const ptrdiff_t stride = static_cast<ptrdiff_t>(src.layout.stride);
  for (uint32_t ty = rowBegin; ty < dh; ty += kTile) {
    const uint32_t yEnd = std::min(dh, ty + kTile);
    for (uint32_t tx = 0; tx < dw; tx += kTile) {
      const uint32_t xEnd = std::min(dw, tx + kTile);
      for (uint32_t y = ty; y < yEnd; ++y) {
        const uint32_t sx = reverseX ? sw - 1 - y : y;
        auto* out = reinterpret_cast<PixelBytes<N>*>(dst.Row(y)) + tx;
        const uint32_t sy0 = reverseY ? sh - 1 - tx : tx;
        const uint8_t* in = src.Row(sy0) + size_t{sx} * N;
        const ptrdiff_t step = reverseY ? -stride : stride;
        for (uint32_t x = tx; x < xEnd; ++x, in += step) *out++ = *reinterpret_cast<const PixelBytes<N>*>(in);
      }
    }
  }
}

// Large turns run in two halves on tile boundaries.
template <size_t N>
void Transpose(ConstPixelView src, PixelView dst, bool reverseX, bool reverseY) {
  RunInTwoHalves(dst.layout.height, dst.layout.Bytes(), 32,
                 [&](uint32_t begin, uint32_t end) { TransposeRows<N>(src, dst, reverseX, reverseY, begin, end); });
}

template <size_t N>
void Apply(PixelBuffer& pixels, PixelBuffer* turned, int type) {
  const int quarter = type & 3;
  const bool mirror = (type & 4) != 0;
  switch (quarter) {
    case 0:
      if (mirror) MirrorInPlace<N>(pixels.View(), true, false);
      return;
    case 2:  // a half turn, and a half turn plus mirror is a top-bottom mirror
      MirrorInPlace<N>(pixels.View(), !mirror, true);
      return;
    case 1:
      Transpose<N>(pixels.View(), turned->View(), false, !mirror);
      return;
    default:
      Transpose<N>(pixels.View(), turned->View(), true, mirror);
      return;
  }
}

void ApplyBySize(uint32_t bytesPerPixel, PixelBuffer& pixels, PixelBuffer* turned, int type) {
  switch (bytesPerPixel) {
    case 1:
      return Apply<1>(pixels, turned, type);
    case 2:
      return Apply<2>(pixels, turned, type);
    case 3:
      return Apply<3>(pixels, turned, type);
    case 4:
      return Apply<4>(pixels, turned, type);
    case 6:
      return Apply<6>(pixels, turned, type);
    default:
      return Apply<8>(pixels, turned, type);
  }
}

DecodeLimits NoLimits() {
  DecodeLimits limits;
  limits.maxSide = UINT32_MAX;
  limits.maxPixelBytes = UINT64_MAX;
  return limits;
}

// 1 and 4 bpp: unpack to one byte a pixel, turn, pack again.
Status RotateFlipPacked(PixelBuffer& pixels, int type) {
  const uint32_t bits = BitsPerPixel(pixels.Format());
  const uint32_t perByte = 8 / bits;
  const uint8_t mask = static_cast<uint8_t>((1u << bits) - 1);
  auto unpacked = PixelBuffer::Allocate(PixelFormat::Indexed8bpp, pixels.Width(), pixels.Height(),
                                        PixelBuffer::Init::Uninitialized, NoLimits());
  if (!unpacked.Ok()) return unpacked.GetStatus();
  for (uint32_t y = 0; y < pixels.Height(); ++y) {
    const uint8_t* in = pixels.Row(y);
    uint8_t* out = unpacked.Value().Row(y);
    for (uint32_t x = 0; x < pixels.Width(); ++x)
      out[x] = (in[x / perByte] >> (8 - bits - (x % perByte) * bits)) & mask;
  }
  PixelBuffer& bytes = unpacked.Value();
  const bool quarter = (type & 1) != 0;
  Result<PixelBuffer> turned = PixelBuffer{};
  if (quarter) {
    turned = PixelBuffer::Allocate(PixelFormat::Indexed8bpp, bytes.Height(), bytes.Width(),
                                   PixelBuffer::Init::Uninitialized, NoLimits());
    if (!turned.Ok()) return turned.GetStatus();
  }
  Apply<1>(bytes, &turned.Value(), type);
  PixelBuffer& result = quarter ? turned.Value() : bytes;
  auto packed =
      PixelBuffer::Allocate(pixels.Format(), result.Width(), result.Height(), PixelBuffer::Init::Zero, NoLimits());
  if (!packed.Ok()) return packed.GetStatus();
  for (uint32_t y = 0; y < result.Height(); ++y) {
    const uint8_t* in = result.Row(y);
    uint8_t* out = packed.Value().Row(y);
    for (uint32_t x = 0; x < result.Width(); ++x)
      out[x / perByte] |= static_cast<uint8_t>(in[x] << (8 - bits - (x % perByte) * bits));
  }
  packed.Value().GetPalette() = pixels.GetPalette();
  pixels = std::move(packed.Value());
  return Status::Ok;
}

}  // namespace

Status RotateFlipPixels(PixelBuffer& pixels, int type) {
  if (type < 0 || type > 7) return Status::InvalidParameter;
  if (pixels.Empty() || type == 0) return Status::Ok;
  const uint32_t bits = BitsPerPixel(pixels.Format());
  if (bits < 8) return RotateFlipPacked(pixels, type);
  if ((type & 1) == 0) {
    ApplyBySize(bits / 8, pixels, nullptr, type);
    return Status::Ok;
  }
  auto turned = PixelBuffer::Allocate(pixels.Format(), pixels.Height(), pixels.Width(),
                                      PixelBuffer::Init::Uninitialized, NoLimits());
  if (!turned.Ok()) return turned.GetStatus();
  ApplyBySize(bits / 8, pixels, &turned.Value(), type);
  turned.Value().GetPalette() = pixels.GetPalette();
  pixels = std::move(turned.Value());
  return Status::Ok;
}

}  // namespace tavlen::gfx
