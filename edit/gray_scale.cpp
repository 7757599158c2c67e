// Gray-scale conversion: the colour matrix's three weights as fixed-point tables, applied over the
// locked rows in the picture's own layout. A painter draw through the matrix gives the same values
// for opaque pixels, at many times the cost, and would blend translucent pixels with themselves.
#include "edit/gray_scale.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdlib>

#include "platform/graphics/two_halves.h"

namespace tavlen::edit {
namespace {

constexpr int kFractionBits = 16;

// Contributions of each 8-bit channel value to the gray level, in 1/65536ths.
struct GrayTables {
  std::array<uint32_t, 256> red, green, blue;
};

GrayTables TablesFor(const gfx::ColorMatrix& matrix) {
  GrayTables tables;
  for (uint32_t v = 0; v < 256; ++v) {
    auto weigh = [v](float weight) {
      return static_cast<uint32_t>(std::lround(static_cast<double>(weight) * v * (1 << kFractionBits)));
    };
    tables.red[v] = weigh(matrix.m[0][0]);
    tables.green[v] = weigh(matrix.m[1][0]);
    tables.blue[v] = weigh(matrix.m[2][0]);
  }
  return tables;
}

// Pixels of `step` bytes starting blue, green, red; a fourth byte (alpha or unused) stays.
void GrayRow(uint8_t* pixel, uint32_t width, uint32_t step, const GrayTables& t) {
  constexpr uint32_t kHalf = 1u << (kFractionBits - 1);
  for (uint32_t x = 0; x < width; ++x, pixel += step) {
    const uint32_t sum = t.blue[pixel[0]] + t.green[pixel[1]] + t.red[pixel[2]] + kHalf;
    const auto gray = static_cast<uint8_t>(std::min<uint32_t>(sum >> kFractionBits, 255));
    pixel[0] = pixel[1] = pixel[2] = gray;
  }
}

}  // namespace

gfx::ColorMatrix GrayScaleMatrix() {
  constexpr float kRed = 0.299f, kGreen = 0.587f, kBlue = 0.114f;
  gfx::ColorMatrix matrix;
  matrix.m[0] = {kRed, kRed, kRed, 0, 0};
  matrix.m[1] = {kGreen, kGreen, kGreen, 0, 0};
  matrix.m[2] = {kBlue, kBlue, kBlue, 0, 0};
  matrix.m[3] = {0, 0, 0, 1, 0};
  matrix.m[4] = {0, 0, 0, 0, 1};
  return matrix;
}

gfx::Status ConvertToGrayScale(gfx::Bitmap& image) {
  const gfx::PixelFormat own = image.Format();
  if (gfx::IsIndexed(own) || gfx::BitsPerPixel(own) == 16) return gfx::Status::InvalidParameter;
  // The common layouts are changed where they lie; wide and premultiplied ones through 8-bit ARGB.
  const bool direct =
      own == gfx::PixelFormat::RGB24bpp || own == gfx::PixelFormat::RGB32bpp || own == gfx::PixelFormat::ARGB32bpp;
  const gfx::PixelFormat layout = direct ? own : gfx::PixelFormat::ARGB32bpp;
  gfx::BitmapData data;
  const uint32_t mode = gfx::kImageLockModeRead | gfx::kImageLockModeWrite;
  if (gfx::Status s = image.LockBits(nullptr, mode, layout, data); s != gfx::Status::Ok) return s;
  const GrayTables tables = TablesFor(GrayScaleMatrix());
  const uint32_t step = gfx::BitsPerPixel(layout) / 8;
  auto* scan0 = static_cast<uint8_t*>(data.scan0);
  const size_t bytes = size_t{data.height} * static_cast<size_t>(std::abs(data.stride));
  gfx::RunInTwoHalves(data.height, bytes, 1, [&](uint32_t begin, uint32_t end) {
    for (uint32_t y = begin; y < end; ++y)
      GrayRow(scan0 + static_cast<ptrdiff_t>(y) * data.stride, data.width, step, tables);
  });
  return image.UnlockBits(data);
}

}  // namespace tavlen::edit
