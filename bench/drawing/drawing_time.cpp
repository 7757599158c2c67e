// Times one painter job so that a script can set it beside other programs doing the same work:
//   drawing_time shrink FILE W H N   decode FILE once, then draw it with high-quality bicubic
//                                    interpolation into a W x H surface N times
// Prints the mean milliseconds of one draw.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/graphics/bitmap.h"
#include "platform/graphics/drawing/graphics.h"

using namespace tavlen::gfx;

int main(int argc, char** argv) {
  if (argc != 6 || std::string(argv[1]) != "shrink") {
    std::fprintf(stderr, "usage: drawing_time shrink FILE W H N\n");
    return 2;
  }
  auto image = Bitmap::FromFile(argv[2]);
  if (!image.Ok()) {
    std::fprintf(stderr, "decode failed: status %d\n", static_cast<int>(image.GetStatus()));
    return 1;
  }
  const int w = std::atoi(argv[3]), h = std::atoi(argv[4]), n = std::max(1, std::atoi(argv[5]));
  if (w <= 0 || h <= 0) return 2;
  std::vector<uint32_t> pixels(size_t(w) * h);
  WindowSurface surface;
  surface.pixels = pixels.data();
  surface.stride = size_t(w) * 4;
  surface.width = w;
  surface.height = h;
  surface.clip = {0, 0, w, h};
  const auto start = std::chrono::steady_clock::now();
  for (int i = 0; i < n; ++i) {
    auto g = Graphics::FromSurface(surface);
    if (!g.Ok()) return 1;
    Ignore(g.Value()->SetInterpolationMode(InterpolationMode::HighQualityBicubic));
    if (Status s = g.Value()->DrawImage(*image.Value(), Rect{0, 0, w, h}); s != Status::Ok) {
      std::fprintf(stderr, "draw failed: status %d\n", static_cast<int>(s));
      return 1;
    }
  }
  const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
  std::printf("%.3f\n", ms / n);
  return 0;
}
