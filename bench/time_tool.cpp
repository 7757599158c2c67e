// Times whole jobs so that scripts can set them beside other programs doing the same work:
//   tavlen_time decode FILE N [--extra] [--managed]
//                                      decode a file N times (from disk each time), with the newer formats
//                                      and/or colour management
//   tavlen_time convert-color FILE N   decode once keeping the file's profile, then time the conversion of
//                                      its pixels to sRGB alone, N times
//   tavlen_time color-pair FILE BASE   write the file as decoded with and without colour management, as
//                                      BASE-managed.png and BASE-unmanaged.png, to set side by side
//   tavlen_time thumbnail FILE W H N   decode once, then resample to W x H N times
//   tavlen_time make-photo BASE         write the benchmarks' 6000x4000 photo as BASE.jpg (quality 90),
//                                       BASE.png and BASE.bmp (24-bit)
// Prints the mean milliseconds of one repetition: wall-clock time, or with TAVLEN_TIME_CPU=1 in the
// environment the CPU time of all the process's threads, which a machine shared with other work
// disturbs less.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>

#include "bench/bench_photo.h"
#include "platform/graphics/bitmap.h"
#include "platform/graphics/codec_registry.h"
#include "platform/graphics/color_management.h"

using namespace tavlen::gfx;

namespace {

double Now() {
  static const bool cpu = std::getenv("TAVLEN_TIME_CPU") != nullptr;
  if (cpu) {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return t.tv_sec * 1e3 + t.tv_nsec * 1e-6;
  }
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

int Fail(const char* what, Status s) {
  std::fprintf(stderr, "%s failed: status %d\n", what, static_cast<int>(s));
  return 1;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string verb = argc > 1 ? argv[1] : "";
  if (verb == "decode" && argc >= 4) {
    const int n = std::atoi(argv[3]);
    DecodeOptions options;
    for (int i = 4; i < argc; ++i) {
      options.extraFormats |= std::string(argv[i]) == "--extra";
      options.colorManaged |= std::string(argv[i]) == "--managed";
    }
    const double start = Now();
    for (int i = 0; i < n; ++i) {
      auto b = Bitmap::FromFile(argv[2], kDefaultLimits, options);
      if (!b.Ok()) return Fail("decode", b.GetStatus());
    }
    std::printf("%.3f\n", (Now() - start) / n);
    return 0;
  }
  if (verb == "convert-color" && argc == 4) {
    auto b = Bitmap::FromFile(argv[2], kDefaultLimits, {.keepProfile = true, .extraFormats = true});
    if (!b.Ok()) return Fail("decode", b.GetStatus());
    std::vector<uint8_t> profile;
    for (const PropertyItem& item : b.Value()->PropertyItems())
      if (item.id == kPropertyTagICCProfile) profile = item.value;
    if (profile.empty()) return Fail("profile", Status::PropertyNotFound);
    const int n = std::atoi(argv[3]);
    double total = 0;
    for (int i = 0; i < n; ++i) {
      DecodedFrame frame;
      auto pixels = b.Value()->Pixels().Copy();
      if (!pixels.Ok()) return Fail("copy", pixels.GetStatus());
      frame.pixels = std::move(pixels).Value();
      frame.color.iccProfile = profile;
      const double start = Now();
      ApplyColorOptions(frame, {.colorManaged = true});
      total += Now() - start;
    }
    std::printf("%.3f\n", total / n);
    return 0;
  }
  if (verb == "color-pair" && argc == 4) {
    for (const bool managed : {true, false}) {
      auto b = Bitmap::FromFile(argv[2], kDefaultLimits, {.colorManaged = managed, .extraFormats = true});
      if (!b.Ok()) return Fail("decode", b.GetStatus());
      const std::string out = std::string(argv[3]) + (managed ? "-managed.png" : "-unmanaged.png");
      if (Status s = b.Value()->Save(out, kPngEncoderClsid); s != Status::Ok) return Fail("PNG encode", s);
    }
    return 0;
  }
  if (verb == "thumbnail" && argc == 6) {
    auto b = Bitmap::FromFile(argv[2]);
    if (!b.Ok()) return Fail("decode", b.GetStatus());
    const int n = std::atoi(argv[5]);
    const double start = Now();
    for (int i = 0; i < n; ++i) {
      auto t =
          b.Value()->GetThumbnail(static_cast<uint32_t>(std::atoi(argv[3])), static_cast<uint32_t>(std::atoi(argv[4])));
      if (!t.Ok()) return Fail("thumbnail", t.GetStatus());
    }
    std::printf("%.3f\n", (Now() - start) / n);
    return 0;
  }
  if (verb == "make-photo" && argc == 3) {
    const Bitmap::Ptr photo = MakePhoto(6000, 4000, PixelFormat::RGB24bpp);
    const std::string base = argv[2];
    const uint32_t quality = 90;
    const EncoderParameter parameter{kEncoderQuality, 1, kEncoderParameterValueTypeLong, &quality};
    if (Status s = photo->Save(base + ".jpg", kJpegEncoderClsid, std::span(&parameter, 1)); s != Status::Ok)
      return Fail("JPEG encode", s);
    if (Status s = photo->Save(base + ".png", kPngEncoderClsid); s != Status::Ok) return Fail("PNG encode", s);
    if (Status s = photo->Save(base + ".bmp", kBmpEncoderClsid); s != Status::Ok) return Fail("BMP encode", s);
    return 0;
  }
  std::fprintf(stderr,
               "usage: tavlen_time decode FILE N [--extra] [--managed] | convert-color FILE N | color-pair FILE BASE | "
               "thumbnail FILE W H N | make-photo BASE\n");
  return 2;
}
