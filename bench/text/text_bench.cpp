// DrawText of one 40-character line on a 6000x4000 picture, its snapshot included and the repaint
// excluded, beside a memcpy of the picture's bytes and one of the row bands the text touches; and the
// control's font count beside the imaging layer's family list.
#include <benchmark/benchmark.h>

#include <cstring>
#include <utility>
#include <vector>

#include "bench/bench_photo.h"
#include "control/tavlen_ctrl.h"
#include "platform/graphics/dormant_bands.h"
#include "platform/graphics/drawing/font.h"
#include "text/text_overlay.h"

namespace tavlen {
namespace {

constexpr uint32_t kWidth = 6000;
constexpr uint32_t kHeight = 4000;
constexpr char kLine[] = "Tavlen stamps forty characters of text!!";
static_assert(sizeof(kLine) - 1 == 40);

// A control in a window holding the photo; the window is never pumped, so nothing repaints.
struct ControlWithPhoto {
  CTavlenCtrl ctrl;
  ControlWithPhoto() {
    ctrl.InitNew();
    ctrl.CreateControlWindow(1920, 1080);
    auto photo = ImageObject::Adopt(gfx::MakePhoto(kWidth, kHeight, gfx::PixelFormat::RGB24bpp));
    ctrl.InstallImage(*photo, kWidth, kHeight);
    ctrl.m_textFont = "DejaVu Sans";
    ctrl.m_textSize = 48;
    ctrl.m_textColor = 0x00FFFFFF;
  }
};

void BM_DrawTextWithSnapshot(benchmark::State& state) {
  ControlWithPhoto shown;
  for (auto _ : state) {
    shown.ctrl.DrawText(100, 100, kLine);
    benchmark::DoNotOptimize(shown.ctrl.GetUndo());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * kWidth * kHeight * 3);
}
BENCHMARK(BM_DrawTextWithSnapshot)->Unit(benchmark::kMillisecond);

// The stamping alone, without the control's snapshot: what the text itself costs.
void BM_StampTextOnly(benchmark::State& state) {
  auto photo = gfx::MakePhoto(kWidth, kHeight, gfx::PixelFormat::RGB24bpp);
  const text::TextFont font{"DejaVu Sans", 48, false, false};
  for (auto _ : state) {
    benchmark::DoNotOptimize(
        text::StampText(*photo, text::TextStyle::Plain, 100, 100, kLine, font, {0xFFFFFFFF, 0xFFFFFFFF}));
  }
}
BENCHMARK(BM_StampTextOnly)->Unit(benchmark::kMillisecond);

// Reference: copying the picture's bytes once.
void BM_MemcpyOfThePicture(benchmark::State& state) {
  const size_t bytes = size_t{kWidth} * kHeight * 3;
  std::vector<uint8_t> from(bytes, 1), to(bytes, 2);
  for (auto _ : state) {
    std::memcpy(to.data(), from.data(), bytes);
    benchmark::DoNotOptimize(to.data());
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes));
}
BENCHMARK(BM_MemcpyOfThePicture)->Unit(benchmark::kMillisecond);

// Reference: copying the row bands that the line of BM_DrawTextWithSnapshot writes, as found by
// stamping it once beside an undo snapshot.
void BM_MemcpyOfTheTouchedBands(benchmark::State& state) {
  auto photo = gfx::MakePhoto(kWidth, kHeight, gfx::PixelFormat::RGB24bpp);
  auto snapshot = photo->CloneDormant();
  const text::TextFont font{"DejaVu Sans", 48, false, false};
  if (!snapshot.Ok() || text::StampText(*photo, text::TextStyle::Plain, 100, 100, kLine, font,
                                        {0xFFFFFFFF, 0xFFFFFFFF}) != gfx::Status::Ok) {
    state.SkipWithError("stamping failed");
    return;
  }
  const size_t bands = std::as_const(*snapshot.Value()).Pixels().SavedBands().size();
  const size_t bytes = bands * gfx::kSharedBandRows * kWidth * 3;
  std::vector<uint8_t> from(bytes, 1), to(bytes, 2);
  for (auto _ : state) {
    std::memcpy(to.data(), from.data(), bytes);
    benchmark::DoNotOptimize(to.data());
    benchmark::ClobberMemory();
  }
  state.counters["bands"] = static_cast<double>(bands);
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes));
}
BENCHMARK(BM_MemcpyOfTheTouchedBands)->Unit(benchmark::kMillisecond);

// Reference: one copy of the picture as the undo history takes it, into freshly allocated memory.
void BM_SnapshotCopyOfThePicture(benchmark::State& state) {
  auto photo = gfx::MakePhoto(kWidth, kHeight, gfx::PixelFormat::RGB24bpp);
  for (auto _ : state) {
    auto copy = photo->CloneArea(0, 0, kWidth, kHeight, gfx::PixelFormat::DontCare);
    benchmark::DoNotOptimize(copy.Ok());
  }
}
BENCHMARK(BM_SnapshotCopyOfThePicture)->Unit(benchmark::kMillisecond);

void BM_GetTextFontCount(benchmark::State& state) {
  CTavlenCtrl ctrl;
  for (auto _ : state) benchmark::DoNotOptimize(ctrl.GetTextFontCount());
}
BENCHMARK(BM_GetTextFontCount);

// Reference: the installed families as the imaging layer gives them, fontconfig's listing kept while
// its configuration lasts.
void BM_ListInstalledFamilies(benchmark::State& state) {
  for (auto _ : state) {
    const gfx::InstalledFontCollection installed;
    benchmark::DoNotOptimize(installed.FamilyCount());
  }
}
BENCHMARK(BM_ListInstalledFamilies);

}  // namespace
}  // namespace tavlen

BENCHMARK_MAIN();
