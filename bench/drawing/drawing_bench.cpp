// Painter loops on a 1920x1080 window: image draws at several zooms and background fills, each
// beside its reference (a 100 % draw, a solid fill) so that ratios can be read from one run.
#include <benchmark/benchmark.h>

#include <array>
#include <vector>

#include "bench/bench_photo.h"
#include "platform/graphics/drawing/graphics.h"

namespace tavlen::gfx {
namespace {

Bitmap& Photo() {
  static Bitmap::Ptr b = MakePhoto(6000, 4000, PixelFormat::RGB24bpp);
  return *b;
}

struct Window {
  std::vector<uint32_t> pixels;
  WindowSurface surface;
  Window(uint32_t w, uint32_t h) : pixels(size_t{w} * h, 0xFF000000) {
    surface.pixels = pixels.data();
    surface.stride = size_t{w} * 4;
    surface.width = w;
    surface.height = h;
    surface.clip = {0, 0, static_cast<int32_t>(w), static_cast<int32_t>(h)};
  }
  Graphics::Ptr Open(InterpolationMode mode = InterpolationMode::HighQualityBicubic) {
    auto g = std::move(Graphics::FromSurface(surface).Value());
    Ignore(g->SetInterpolationMode(mode));
    return g;
  }
};

void DrawPhoto(benchmark::State& state, uint32_t w, uint32_t h, Rect dest,
               InterpolationMode mode = InterpolationMode::HighQualityBicubic) {
  Bitmap& photo = Photo();
  Window win(w, h);
  for (auto _ : state) {
    auto g = win.Open(mode);
    if (g->DrawImage(photo, dest) != Status::Ok) state.SkipWithError("draw failed");
    benchmark::DoNotOptimize(win.pixels.data());
  }
}

// The whole 6000x4000 photo shrunk into 1500x1000 (compare: bench/drawing/compare_bicubic.sh).
void BM_DrawPhotoShrinkTo1500x1000(benchmark::State& state) { DrawPhoto(state, 1500, 1000, {0, 0, 1500, 1000}); }
BENCHMARK(BM_DrawPhotoShrinkTo1500x1000)->Unit(benchmark::kMillisecond);

// 100 % into a 1920x1080 window: the reference for the zoomed draw.
void BM_DrawPhoto100PercentClipped(benchmark::State& state) {
  DrawPhoto(state, 1920, 1080, {-2000, -1500, 6000, 4000});
}
BENCHMARK(BM_DrawPhoto100PercentClipped)->Unit(benchmark::kMillisecond);

// 400 %: a 24000x16000 virtual picture of which only the window's 1920x1080 is computed.
void BM_DrawPhoto400PercentClipped(benchmark::State& state) {
  DrawPhoto(state, 1920, 1080, {-9000, -6000, 24000, 16000});
}
BENCHMARK(BM_DrawPhoto400PercentClipped)->Unit(benchmark::kMillisecond);

// The same 400 % with nearest neighbour, which repeats pixels and rows instead of filtering.
void BM_DrawPhoto400PercentNearest(benchmark::State& state) {
  DrawPhoto(state, 1920, 1080, {-9000, -6000, 24000, 16000}, InterpolationMode::NearestNeighbor);
}
BENCHMARK(BM_DrawPhoto400PercentNearest)->Unit(benchmark::kMillisecond);

void BM_SolidFill1080p(benchmark::State& state) {
  Window win(1920, 1080);
  const Brush brush = Brush::Solid(0xFF336699);
  for (auto _ : state) {
    auto g = win.Open();
    Ignore(g->FillRectangle(brush, Rect{0, 0, 1920, 1080}));
    benchmark::DoNotOptimize(win.pixels.data());
  }
}
BENCHMARK(BM_SolidFill1080p)->Unit(benchmark::kMicrosecond);

void BM_HatchFill1080p(benchmark::State& state) {
  Window win(1920, 1080);
  const Brush brush = Brush::Hatch(static_cast<int32_t>(HatchStyle::DiagonalBrick), 0xFF336699, 0xFFEEDDCC).Value();
  for (auto _ : state) {
    auto g = win.Open();
    Ignore(g->FillRectangle(brush, Rect{0, 0, 1920, 1080}));
    benchmark::DoNotOptimize(win.pixels.data());
  }
}
BENCHMARK(BM_HatchFill1080p)->Unit(benchmark::kMicrosecond);

// The window background: closed curve through the corners XOR a small picture rectangle.
void RegionFill(benchmark::State& state, const Brush& brush, CombineMode mode) {
  Window win(1920, 1080);
  for (auto _ : state) {
    auto g = win.Open();
    GraphicsPath path(FillMode::Alternate);
    const std::array<Point, 4> corners{{{0, 0}, {1920, 0}, {1920, 1080}, {0, 1080}}};
    Ignore(path.AddClosedCurve(corners));
    Region region(path);
    Ignore(region.Combine(Rect{860, 490, 200, 100}, mode));
    Ignore(g->FillRegion(brush, region));
    benchmark::DoNotOptimize(win.pixels.data());
  }
}

void BM_RegionFillSolid1080p(benchmark::State& state) { RegionFill(state, Brush::Solid(0xFF336699), CombineMode::Xor); }
BENCHMARK(BM_RegionFillSolid1080p)->Unit(benchmark::kMicrosecond);

void BM_RegionFillHatch1080p(benchmark::State& state) {
  RegionFill(state, Brush::Hatch(4, 0xFF336699, 0xFFEEDDCC).Value(), CombineMode::Xor);
}
BENCHMARK(BM_RegionFillHatch1080p)->Unit(benchmark::kMicrosecond);

// Exclude goes through the general coverage mask rather than a single path.
void BM_RegionFillMask1080p(benchmark::State& state) {
  RegionFill(state, Brush::Solid(0xFF336699), CombineMode::Exclude);
}
BENCHMARK(BM_RegionFillMask1080p)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace tavlen::gfx

BENCHMARK_MAIN();
