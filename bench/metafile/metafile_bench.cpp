// Render speed of the metafile player on the shared 79,000-record EMF stress file, in records and pixels per second.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include "platform/graphics/metafile/player.h"

namespace tavlen::gfx {
namespace {

const std::vector<uint8_t>& StressFile() {
  static const std::vector<uint8_t> bytes = [] {
    const std::filesystem::path path = std::filesystem::path(TAVLEN_TESTDATA_DIR) / "emf" / "libemf2svg-test-031.emf";
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  }();
  return bytes;
}

void BM_RenderEmfStressFile(benchmark::State& state) {
  const auto& bytes = StressFile();
  if (bytes.empty()) {
    state.SkipWithError("../shared/testdata/emf is absent");
    return;
  }
  uint64_t records = 0, pixels = 0;
  for (auto _ : state) {
    PixelBuffer out;
    metafile::PlayStats stats;
    if (metafile::PlayEmf(bytes, kDefaultLimits, out, &stats) != Status::Ok) {
      state.SkipWithError("render failed");
      return;
    }
    records += stats.records;
    pixels += uint64_t{out.Width()} * out.Height();
    benchmark::DoNotOptimize(out.Data());
  }
  state.counters["records/s"] = benchmark::Counter(static_cast<double>(records), benchmark::Counter::kIsRate);
  state.counters["pixels/s"] = benchmark::Counter(static_cast<double>(pixels), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_RenderEmfStressFile)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace tavlen::gfx

BENCHMARK_MAIN();
