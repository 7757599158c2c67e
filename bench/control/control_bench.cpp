// The control's paint and load paths on a 6000x4000 picture in a 1920x1080 client, each beside its
// reference (a plain fill, the painter's own draw, decoding alone) so that ratios can be read from
// one run.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <string>
#include <vector>

#include "bench/bench_photo.h"
#include "control/tavlen_ctrl.h"
#include "platform/graphics/codec_registry.h"
#include "platform/graphics/drawing/graphics.h"

namespace tavlen {
namespace {

constexpr int32_t kClientWidth = 1920;
constexpr int32_t kClientHeight = 1080;

const std::string& PhotoJpeg() {
  static const std::string path = [] {
    auto dir = std::filesystem::temp_directory_path() / "tavlen_control_bench";
    std::filesystem::create_directories(dir);
    const std::string file = (dir / "photo24mp.jpg").string();
    if (!std::filesystem::exists(file)) {
      auto photo = gfx::MakePhoto(6000, 4000, gfx::PixelFormat::RGB24bpp);
      gfx::Ignore(photo->Save(file, gfx::kJpegEncoderClsid));
    }
    return file;
  }();
  return path;
}

// A control in a 1920x1080 window showing the photo at 100 %, after its first paints.
struct ShownPhoto {
  CTavlenCtrl ctrl;
  ShownPhoto() {
    ctrl.InitNew();
    ctrl.CreateControlWindow(kClientWidth, kClientHeight);
    ctrl.GetWindow()->SetScrollBarThickness(0);
    ctrl.GetWindow()->Pump();
    auto photo = ImageObject::Adopt(gfx::MakePhoto(6000, 4000, gfx::PixelFormat::RGB24bpp));
    ctrl.InstallImage(*photo, 6000, 4000);
    ctrl.GetWindow()->Pump();
  }
};

void BM_RepaintAfterScrollStep(benchmark::State& state) {
  ShownPhoto shown;
  win::Window* window = shown.ctrl.GetWindow();
  uint32_t code = win::SB_LINERIGHT;
  for (auto _ : state) {
    window->InjectHScroll(code, 0);
    code = code == win::SB_LINERIGHT ? win::SB_LINELEFT : win::SB_LINERIGHT;
    benchmark::DoNotOptimize(window->Pump());
  }
}
BENCHMARK(BM_RepaintAfterScrollStep)->Unit(benchmark::kMillisecond);

// Reference for the scroll step: one plain fill of the client area.
void BM_PlainFillOfClientArea(benchmark::State& state) {
  ShownPhoto shown;
  win::Window* window = shown.ctrl.GetWindow();
  for (auto _ : state) {
    auto dc = window->GetDC();
    benchmark::DoNotOptimize(dc->FillRect(win::RECT{0, 0, kClientWidth, kClientHeight}, win::RGB(1, 2, 3)));
  }
}
BENCHMARK(BM_PlainFillOfClientArea)->Unit(benchmark::kMillisecond);

// Each fit follows a paint at 100 %, so that no rendering of the fitted picture is kept from before.
void BM_FirstPaintAfterZoomToFit(benchmark::State& state) {
  ShownPhoto shown;
  win::Window* window = shown.ctrl.GetWindow();
  for (auto _ : state) {
    state.PauseTiming();
    shown.ctrl.ZoomByOriginal();
    window->Pump();
    state.ResumeTiming();
    shown.ctrl.ZoomToFit();
    benchmark::DoNotOptimize(window->Pump());
  }
}
BENCHMARK(BM_FirstPaintAfterZoomToFit)->Unit(benchmark::kMillisecond);

// Reference for the fitted paint: the painter's own bicubic draw of the same sizes (1620x1080).
void BM_PainterDrawOfFittedSize(benchmark::State& state) {
  auto photo = gfx::MakePhoto(6000, 4000, gfx::PixelFormat::RGB24bpp);
  std::vector<uint32_t> pixels(size_t{kClientWidth} * kClientHeight, 0xFF000000);
  gfx::WindowSurface surface;
  surface.pixels = pixels.data();
  surface.stride = size_t{kClientWidth} * 4;
  surface.width = kClientWidth;
  surface.height = kClientHeight;
  surface.clip = {0, 0, kClientWidth, kClientHeight};
  for (auto _ : state) {
    auto graphics = std::move(gfx::Graphics::FromSurface(surface).Value());
    gfx::Ignore(graphics->SetInterpolationMode(gfx::InterpolationMode::HighQualityBicubic));
    benchmark::DoNotOptimize(graphics->DrawImage(*photo, gfx::Rect{0, 0, 1620, 1080}));
  }
}
BENCHMARK(BM_PainterDrawOfFittedSize)->Unit(benchmark::kMillisecond);

void BM_LoadImage24MpJpeg(benchmark::State& state) {
  const std::string& path = PhotoJpeg();
  CTavlenCtrl ctrl;
  ctrl.InitNew();
  for (auto _ : state) {
    ctrl.LoadImage(path);
    if (ctrl.GetWidth() != 6000) state.SkipWithError("load failed");
  }
}
BENCHMARK(BM_LoadImage24MpJpeg)->Unit(benchmark::kMillisecond);

// Reference for the load: decoding the file alone.
void BM_Decode24MpJpeg(benchmark::State& state) {
  const std::string& path = PhotoJpeg();
  for (auto _ : state) {
    auto decoded = gfx::Bitmap::FromFile(path);
    if (!decoded.Ok()) state.SkipWithError("decode failed");
    benchmark::DoNotOptimize(decoded.Value().get());
  }
}
BENCHMARK(BM_Decode24MpJpeg)->Unit(benchmark::kMillisecond);

// The load's extra work on its own: two full copies and four half turns of the decoded picture.
void BM_TwoCopiesAndFourHalfTurns(benchmark::State& state) {
  auto decoded = ImageObject::Adopt(gfx::MakePhoto(6000, 4000, gfx::PixelFormat::RGB24bpp));
  for (auto _ : state) {
    auto a = decoded->Copy(0, 0, 6000, 4000, gfx::PixelFormat::DontCare);
    auto b = decoded->Copy(0, 0, 6000, 4000, gfx::PixelFormat::DontCare);
    for (ImageObject* image : {a.get(), b.get()}) {
      gfx::Ignore(image->Apply(edit::Rotate, edit::Turn::Half));
      gfx::Ignore(image->Apply(edit::Rotate, edit::Turn::Half));
    }
    benchmark::DoNotOptimize(a.get());
  }
}
BENCHMARK(BM_TwoCopiesAndFourHalfTurns)->Unit(benchmark::kMillisecond);

// The half turns alone, on one picture: four per load.
void BM_FourHalfTurns(benchmark::State& state) {
  auto image = ImageObject::Adopt(gfx::MakePhoto(6000, 4000, gfx::PixelFormat::RGB24bpp));
  for (auto _ : state) {
    for (int turn = 0; turn < 4; ++turn) gfx::Ignore(image->Apply(edit::Rotate, edit::Turn::Half));
    benchmark::DoNotOptimize(image.get());
  }
}
BENCHMARK(BM_FourHalfTurns)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace tavlen

BENCHMARK_MAIN();
