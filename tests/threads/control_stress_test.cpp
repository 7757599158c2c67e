// Four controls on four threads load, turn, gray, resize, save and undo pictures large enough for
// every threaded path (JPEG in two halves, PNG rows on a second thread, turns and conversions in two
// halves, fresh blocks faulted in ahead). Built for the thread sanitizer, which must find no race; the
// pictures saved and reloaded at the end must be whole.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "control/tavlen_ctrl.h"
#include "platform/graphics/codec_registry.h"
#include "tests/graphics/test_support.h"

namespace tavlen {
namespace {

using Clock = std::chrono::steady_clock;

// TAVLEN_STRESS_SECONDS, else a few seconds: the sanitizer run asks for longer.
std::chrono::seconds StressDuration() {
  const char* text = std::getenv("TAVLEN_STRESS_SECONDS");
  const int seconds = text ? std::atoi(text) : 0;
  return std::chrono::seconds(seconds > 0 ? seconds : 3);
}

struct Picture {
  std::string path;
  int32_t width;
  int32_t height;
};

// 1600 x 1200 in 24 bits is 5.8 MB: over the size at which decoders and operations take a second thread.
std::vector<Picture> WritePictures(const gfx::test::TempDir& dir) {
  std::vector<Picture> pictures;
  const gfx::Guid* encoders[] = {&gfx::kJpegEncoderClsid, &gfx::kPngEncoderClsid};
  const char* names[] = {"a.jpg", "b.png"};
  for (int i = 0; i < 2; ++i) {
    auto bitmap = gfx::test::MakePatternBitmap(1600 + 80 * i, 1200, gfx::PixelFormat::RGB24bpp, 7 + i);
    const std::string path = dir.File(names[i]);
    EXPECT_EQ(bitmap->Save(path, *encoders[i]), gfx::Status::Ok);
    pictures.push_back({path, 1600 + 80 * i, 1200});
  }
  return pictures;
}

// One thread's control, driven by its own fixed seed until the deadline. Returns how many steps it ran
// and leaves a description of the first inconsistency in `failure`.
uint64_t Drive(const std::vector<Picture>& pictures, const gfx::test::TempDir& dir, uint32_t seed,
               Clock::time_point deadline, std::string& failure) {
  CTavlenCtrl ctrl;
  ctrl.InitNew();
  ctrl.CreateControlWindow(320, 240);
  std::mt19937 random(seed);
  const std::string saved = dir.File("saved" + std::to_string(seed));
  uint64_t steps = 0;
  ctrl.LoadImage(pictures[0].path);
  while (Clock::now() < deadline && failure.empty()) {
    ++steps;
    switch (random() % 6) {
      case 0: {
        const Picture& picture = pictures[random() % pictures.size()];
        ctrl.LoadImage(picture.path);
        if (ctrl.GetWidth() != picture.width || ctrl.GetHeight() != picture.height)
          failure = "loaded " + picture.path + " at the wrong size";
        break;
      }
      case 1:
        ctrl.Rotate90();
        break;
      case 2:
        ctrl.ConvertImageToGrayScaled();
        break;
      case 3:
        ctrl.Resize(800 + static_cast<int32_t>(random() % 1200), 600 + static_cast<int32_t>(random() % 900));
        break;
      case 4: {
        const int32_t width = ctrl.GetWidth();
        const int32_t height = ctrl.GetHeight();
        if (ctrl.SaveAsPng(saved) != win::TRUE) {
          failure = "could not save " + saved;
        } else {
          ctrl.LoadImage(saved + ".png");
          if (ctrl.GetWidth() != width || ctrl.GetHeight() != height) failure = "reloaded a save at the wrong size";
        }
        break;
      }
      default:
        ctrl.Undo();
        break;
    }
    ctrl.GetWindow()->Pump();
  }
  return steps;
}

TEST(ControlsOnFourThreads, RunTheirEditsApartWithoutRaces) {
  gfx::test::TempDir dir;
  const std::vector<Picture> pictures = WritePictures(dir);
  const Clock::time_point deadline = Clock::now() + StressDuration();
  std::vector<std::string> failures(4);
  std::vector<uint64_t> steps(4);
  std::vector<std::thread> threads;
  for (uint32_t i = 0; i < 4; ++i)
    threads.emplace_back([&, i] { steps[i] = Drive(pictures, dir, 1000 + i, deadline, failures[i]); });
  for (std::thread& thread : threads) thread.join();
  for (uint32_t i = 0; i < 4; ++i) {
    EXPECT_EQ(failures[i], "") << "thread " << i;
    EXPECT_GT(steps[i], 0u) << "thread " << i;
  }
}

}  // namespace
}  // namespace tavlen
