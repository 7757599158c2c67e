// Inner loops of the imaging library on a 6000x4000 photo-like image and a 2480x3508 1-bit page,
// each next to a memcpy of the same bytes so that ratios can be read from one run.
#include <benchmark/benchmark.h>

#include <cstring>
#include <map>

#include "bench/bench_photo.h"
#include "platform/graphics/bitmap.h"
#include "platform/graphics/codec_registry.h"
#include "platform/graphics/convert.h"

namespace tavlen::gfx {
namespace {

Bitmap::Ptr MakePage() {
  auto created = Bitmap::Create(2480, 3508, PixelFormat::Indexed1bpp);
  Bitmap::Ptr b = std::move(created.Value());
  for (uint32_t y = 0; y < 3508; ++y) {
    uint8_t* row = b->Pixels().Row(y);
    for (uint32_t x = 0; x < 310; ++x) row[x] = (y / 40) % 2 && (x % 8) < 6 ? 0x5A : 0xFF;
  }
  return b;
}

Bitmap& Photo32() {
  static Bitmap::Ptr b = MakePhoto(6000, 4000, PixelFormat::ARGB32bpp);
  return *b;
}
Bitmap& Photo24() {
  static Bitmap::Ptr b = MakePhoto(6000, 4000, PixelFormat::RGB24bpp);
  return *b;
}
Bitmap& Page() {
  static Bitmap::Ptr b = MakePage();
  return *b;
}

// Copying into a buffer that is already mapped: the cost of the bytes alone.
void BM_MemcpyPhoto32(benchmark::State& state) {
  const PixelBuffer& p = Photo32().Pixels();
  std::vector<uint8_t> out(p.Stride() * p.Height());
  for (auto _ : state) {
    std::memcpy(out.data(), p.Data(), out.size());
    benchmark::DoNotOptimize(out.data());
  }
}
BENCHMARK(BM_MemcpyPhoto32)->Unit(benchmark::kMillisecond);

// Copying into a new buffer, as any operation that makes a new image must: the bytes plus fresh pages.
void BM_MemcpyPhoto32NewBuffer(benchmark::State& state) {
  const PixelBuffer& p = Photo32().Pixels();
  for (auto _ : state) {
    auto out = PixelBuffer::Allocate(p.Format(), p.Width(), p.Height(), PixelBuffer::Init::Uninitialized);
    std::memcpy(out.Value().Data(), p.Data(), p.Stride() * p.Height());
    benchmark::DoNotOptimize(out.Value().Data());
  }
}
BENCHMARK(BM_MemcpyPhoto32NewBuffer)->Unit(benchmark::kMillisecond);

// Half turns and mirrors are deferred until the pixels are looked at: reading them makes the
// benchmark pay for the pixel work.
void BM_RotateFlipPhoto32(benchmark::State& state) {
  Bitmap& b = Photo32();
  const auto type = static_cast<RotateFlipType>(state.range(0));
  for (auto _ : state) {
    benchmark::DoNotOptimize(b.RotateFlip(type));
    benchmark::DoNotOptimize(b.Pixels().Data());
  }
}
BENCHMARK(BM_RotateFlipPhoto32)->Arg(1)->Arg(2)->Arg(3)->Arg(4)->Arg(6)->Unit(benchmark::kMillisecond);

void BM_RotateFlipPage(benchmark::State& state) {
  Bitmap& b = Page();  // made outside the timed loop
  const auto type = static_cast<RotateFlipType>(state.range(0));
  for (auto _ : state) {
    benchmark::DoNotOptimize(b.RotateFlip(type));
    benchmark::DoNotOptimize(b.Pixels().Data());
  }
}
BENCHMARK(BM_RotateFlipPage)->Arg(1)->Arg(2)->Arg(4)->Unit(benchmark::kMillisecond);

void BM_CloneTo32(benchmark::State& state) {
  Photo24();  // made outside the timed loop
  for (auto _ : state) benchmark::DoNotOptimize(Photo24().CloneArea(0, 0, 6000, 4000, PixelFormat::ARGB32bpp));
}
BENCHMARK(BM_CloneTo32)->Unit(benchmark::kMillisecond);

void BM_LockBits24From32(benchmark::State& state) {
  Bitmap& b = Photo32();
  for (auto _ : state) {
    BitmapData data;
    benchmark::DoNotOptimize(b.LockBits(nullptr, kImageLockModeRead, PixelFormat::RGB24bpp, data));
    benchmark::DoNotOptimize(b.UnlockBits(data));
  }
}
BENCHMARK(BM_LockBits24From32)->Unit(benchmark::kMillisecond);

void BM_LockBits24FromPage(benchmark::State& state) {
  Bitmap& b = Page();
  for (auto _ : state) {
    BitmapData data;
    benchmark::DoNotOptimize(b.LockBits(nullptr, kImageLockModeRead, PixelFormat::RGB24bpp, data));
    benchmark::DoNotOptimize(b.UnlockBits(data));
  }
}
BENCHMARK(BM_LockBits24FromPage)->Unit(benchmark::kMillisecond);

void BM_Thumbnail(benchmark::State& state) {
  Photo24();
  for (auto _ : state) benchmark::DoNotOptimize(Photo24().GetThumbnail(1500, 1000));
}
BENCHMARK(BM_Thumbnail)->Unit(benchmark::kMillisecond);

const std::map<int, Guid>& Encoders() {
  static const std::map<int, Guid> encoders = {{0, kBmpEncoderClsid},
                                               {1, kJpegEncoderClsid},
                                               {2, kGifEncoderClsid},
                                               {3, kTiffEncoderClsid},
                                               {4, kPngEncoderClsid}};
  return encoders;
}

void BM_EncodePhoto(benchmark::State& state) {
  const Guid clsid = Encoders().at(static_cast<int>(state.range(0)));
  std::vector<uint8_t> out;
  for (auto _ : state) benchmark::DoNotOptimize(Photo24().SaveToMemory(clsid, {}, out));
  state.counters["bytes"] = static_cast<double>(out.size());
}
BENCHMARK(BM_EncodePhoto)->DenseRange(0, 4)->Unit(benchmark::kMillisecond)->Iterations(2);

// JPEG at the qualities the whole-process jobs use: 75 (4:2:0) and 90 (4:4:4), coded in two bands at once.
void BM_EncodePhotoJpeg(benchmark::State& state) {
  const auto quality = static_cast<int32_t>(state.range(0));
  const EncoderParameter parameter{kEncoderQuality, 1, kEncoderParameterValueTypeLong, &quality};
  std::vector<uint8_t> out;
  for (auto _ : state) {
    benchmark::DoNotOptimize(Photo24().SaveToMemory(kJpegEncoderClsid, EncoderParameters(&parameter, 1), out));
  }
  state.counters["bytes"] = static_cast<double>(out.size());
}
BENCHMARK(BM_EncodePhotoJpeg)->Arg(75)->Arg(90)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_DecodePhoto(benchmark::State& state) {
  const Guid clsid = Encoders().at(static_cast<int>(state.range(0)));
  std::vector<uint8_t> file;
  if (Photo24().SaveToMemory(clsid, {}, file) != Status::Ok) {
    state.SkipWithError("encoder failed");
    return;
  }
  for (auto _ : state) benchmark::DoNotOptimize(Bitmap::FromMemory(file));
}
BENCHMARK(BM_DecodePhoto)->DenseRange(0, 4)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_PageTiffG4(benchmark::State& state) {
  const uint32_t g4 = kEncoderValueCompressionCCITT4;
  const EncoderParameter parameter{kEncoderCompression, 1, kEncoderParameterValueTypeLong, &g4};
  std::vector<uint8_t> out;
  for (auto _ : state) benchmark::DoNotOptimize(Page().SaveToMemory(kTiffEncoderClsid, std::span(&parameter, 1), out));
}
BENCHMARK(BM_PageTiffG4)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace tavlen::gfx

BENCHMARK_MAIN();
