// MakeBlackWhiteCopy and the gray-scale conversion on a 6000x4000 picture, beside a memcpy of its bytes.
#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

#include "bench/bench_photo.h"
#include "edit/black_white.h"
#include "edit/gray_scale.h"

namespace tavlen::edit {
namespace {

constexpr uint32_t kWidth = 6000, kHeight = 4000;

const gfx::Bitmap::Ptr& Photo(gfx::PixelFormat format) {
  static gfx::Bitmap::Ptr rgb = gfx::MakePhoto(kWidth, kHeight, gfx::PixelFormat::RGB24bpp);
  static gfx::Bitmap::Ptr argb = gfx::MakePhoto(kWidth, kHeight, gfx::PixelFormat::ARGB32bpp);
  return format == gfx::PixelFormat::RGB24bpp ? rgb : argb;
}

void SetBytes(benchmark::State& state, uint32_t bytesPerPixel) {
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * kWidth * kHeight * bytesPerPixel);
}

void BM_Memcpy24Bit(benchmark::State& state) {
  std::vector<uint8_t> from(size_t{kWidth} * kHeight * 3, 1), to(from.size());
  for (auto _ : state) {
    std::memcpy(to.data(), from.data(), from.size());
    benchmark::DoNotOptimize(to.data());
  }
  SetBytes(state, 3);
}
BENCHMARK(BM_Memcpy24Bit)->Unit(benchmark::kMillisecond);

void BlackWhiteOf(benchmark::State& state, gfx::PixelFormat format, uint32_t bytesPerPixel) {
  gfx::Bitmap& photo = *Photo(format);
  for (auto _ : state) {
    auto copy = MakeBlackWhiteCopy(photo);
    benchmark::DoNotOptimize(copy);
  }
  SetBytes(state, bytesPerPixel);
}

void BM_MakeBlackWhiteCopy24Bit(benchmark::State& state) { BlackWhiteOf(state, gfx::PixelFormat::RGB24bpp, 3); }
BENCHMARK(BM_MakeBlackWhiteCopy24Bit)->Unit(benchmark::kMillisecond);

void BM_MakeBlackWhiteCopy32BitArgb(benchmark::State& state) { BlackWhiteOf(state, gfx::PixelFormat::ARGB32bpp, 4); }
BENCHMARK(BM_MakeBlackWhiteCopy32BitArgb)->Unit(benchmark::kMillisecond);

// Each round works on a fresh copy, made outside the timing, so that it converts colours every time.
void GrayScaleOf(benchmark::State& state, gfx::PixelFormat format, uint32_t bytesPerPixel) {
  for (auto _ : state) {
    state.PauseTiming();
    auto copy = Photo(format)->Clone();
    state.ResumeTiming();
    benchmark::DoNotOptimize(ConvertToGrayScale(*copy.Value()));
  }
  SetBytes(state, bytesPerPixel);
}

void BM_GrayScale24Bit(benchmark::State& state) { GrayScaleOf(state, gfx::PixelFormat::RGB24bpp, 3); }
BENCHMARK(BM_GrayScale24Bit)->Unit(benchmark::kMillisecond);

void BM_GrayScale32BitArgb(benchmark::State& state) { GrayScaleOf(state, gfx::PixelFormat::ARGB32bpp, 4); }
BENCHMARK(BM_GrayScale32BitArgb)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace tavlen::edit

BENCHMARK_MAIN();
