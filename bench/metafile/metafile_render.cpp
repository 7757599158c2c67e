// Renders metafiles to PNG files and prints, per file, its size, records read and skipped, the drawing work in
// canvas areas (against the playback's budget) and the render time.
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "platform/graphics/bitmap.h"
#include "platform/graphics/codec_registry.h"
#include "platform/graphics/metafile/player.h"

int main(int argc, char** argv) {
  using namespace tavlen::gfx;
  if (argc < 3) {
    std::fprintf(stderr, "usage: %s OUTPUT_DIR FILE.wmf|FILE.emf...\n", argv[0]);
    return 2;
  }
  const std::filesystem::path outDir = argv[1];
  int failures = 0;
  for (int i = 2; i < argc; ++i) {
    std::ifstream in(argv[i], std::ios::binary);
    const std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    PixelBuffer pixels;
    metafile::PlayStats stats;
    const auto start = std::chrono::steady_clock::now();
    Status s = metafile::LooksLikeEmf(bytes) ? metafile::PlayEmf(bytes, kDefaultLimits, pixels, &stats)
                                             : metafile::PlayWmf(bytes, kDefaultLimits, pixels, &stats);
    const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    const std::string name = std::filesystem::path(argv[i]).filename().string();
    if (s == Status::Ok) {
      const uint32_t w = pixels.Width(), h = pixels.Height();
      Bitmap::Ptr bitmap = Bitmap::FromPixels(std::move(pixels));
      s = bitmap->Save((outDir / (name + ".png")).string(), kPngEncoderClsid);
      std::printf("%-40s %5ux%-5u records %7llu skipped %6llu  work %6.1f areas  %8.1f ms\n", name.c_str(), w, h,
                  static_cast<unsigned long long>(stats.records), static_cast<unsigned long long>(stats.skipped),
                  stats.work / (double(w) * double(h)), ms);
    }
    if (s != Status::Ok) {
      std::printf("%-40s failed: status %d\n", name.c_str(), static_cast<int>(s));
      ++failures;
    }
  }
  return failures == 0 ? 0 : 1;
}
