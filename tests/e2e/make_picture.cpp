// Writes the pictures the end-to-end scripts and the demo load, through the imaging library:
//   make_picture OUT.(png|bmp) WIDTH HEIGHT quadrants|scene
// "quadrants": red, green, blue and yellow quarters (top-left, top-right, bottom-left, bottom-right),
// so placement, turns and mirrors can be read back pixel by pixel. "scene": a landscape for the demo.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/graphics/bitmap.h"
#include "platform/graphics/codec_registry.h"

namespace {

using namespace tavlen;

uint32_t Quadrant(uint32_t x, uint32_t y, uint32_t width, uint32_t height) {
  const bool right = x >= width / 2;
  const bool bottom = y >= height / 2;
  if (!bottom) return right ? 0xFF00FF00u : 0xFFFF0000u;
  return right ? 0xFFFFFF00u : 0xFF0000FFu;
}

uint32_t Mix(uint32_t a, uint32_t b, double t) {
  auto channel = [&](int shift) {
    double va = (a >> shift) & 0xFF;
    double vb = (b >> shift) & 0xFF;
    return static_cast<uint32_t>(std::lround(va + (vb - va) * t)) << shift;
  };
  return 0xFF000000u | channel(16) | channel(8) | channel(0);
}

// A sky fading to the horizon, a sun, two rows of hills and a lake: smooth areas, hard edges and detail.
uint32_t Scene(uint32_t x, uint32_t y, uint32_t width, uint32_t height) {
  const double u = static_cast<double>(x) / width;
  const double v = static_cast<double>(y) / height;
  const double farHill = 0.55 - 0.08 * std::sin(u * 7.0 + 0.6) - 0.04 * std::sin(u * 19.0);
  const double nearHill = 0.70 - 0.10 * std::sin(u * 4.0 + 2.2) - 0.02 * std::sin(u * 41.0);
  const double lake = 0.86;
  const double sunX = 0.72 * width;
  const double sunY = 0.28 * height;
  const double sunR = 0.09 * std::min(width, height);
  if (v >= lake) {
    const double ripple = 0.5 + 0.5 * std::sin(y * 1.7 + std::sin(x * 0.13) * 2.0);
    return Mix(0xFF1D4E89u, 0xFF4F8CC9u, ripple * 0.6);
  }
  if (v >= nearHill) return Mix(0xFF2E7D32u, 0xFF1B5E20u, (v - nearHill) / (lake - nearHill));
  if (v >= farHill) return Mix(0xFF66A36Bu, 0xFF3F7F4Au, (v - farHill) / 0.2);
  const double dx = x - sunX;
  const double dy = y - sunY;
  if (dx * dx + dy * dy <= sunR * sunR) return 0xFFFFD54Fu;
  return Mix(0xFF87CEEBu, 0xFFFFE0B2u, v / farHill);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 5) {
    std::fprintf(stderr, "usage: make_picture OUT.(png|bmp) WIDTH HEIGHT quadrants|scene\n");
    return 2;
  }
  const std::string path = argv[1];
  const long width = std::strtol(argv[2], nullptr, 10);
  const long height = std::strtol(argv[3], nullptr, 10);
  const std::string kind = argv[4];
  if (width < 2 || height < 2 || width > 8192 || height > 8192 || (kind != "quadrants" && kind != "scene")) {
    std::fprintf(stderr, "make_picture: bad size or kind\n");
    return 2;
  }
  auto bitmap =
      gfx::Bitmap::Create(static_cast<uint32_t>(width), static_cast<uint32_t>(height), gfx::PixelFormat::RGB24bpp);
  if (!bitmap.Ok()) return 1;
  gfx::Bitmap& image = *bitmap.Value();
  gfx::BitmapData data;
  if (image.LockBits(nullptr, gfx::kImageLockModeWrite, gfx::PixelFormat::ARGB32bpp, data) != gfx::Status::Ok) return 1;
  for (uint32_t y = 0; y < data.height; ++y) {
    auto* row =
        reinterpret_cast<uint32_t*>(static_cast<uint8_t*>(data.scan0) + static_cast<ptrdiff_t>(y) * data.stride);
    for (uint32_t x = 0; x < data.width; ++x) {
      row[x] = kind == "quadrants" ? Quadrant(x, y, data.width, data.height) : Scene(x, y, data.width, data.height);
    }
  }
  if (image.UnlockBits(data) != gfx::Status::Ok) return 1;
  const bool bmp = path.size() > 4 && path.compare(path.size() - 4, 4, ".bmp") == 0;
  if (image.Save(path, bmp ? gfx::kBmpEncoderClsid : gfx::kPngEncoderClsid) != gfx::Status::Ok) {
    std::fprintf(stderr, "make_picture: cannot write %s\n", path.c_str());
    return 1;
  }
  return 0;
}
