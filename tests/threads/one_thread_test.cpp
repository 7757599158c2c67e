// With TAVLEN_THREADS=1 a process keeps each picture's work on the thread that asked for it: no
// decoder, edit, encoder, streamed conversion or page prefaulting starts a thread. Threads are counted
// where every one of them starts, in pthread_create. The setting is read once per process, so each
// case runs in a child of its own.
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <pthread.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <string>

#include "control/tavlen_ctrl.h"
#include "platform/graphics/codec_registry.h"
#include "tests/graphics/test_support.h"

namespace {

std::atomic<int> g_threadsStarted{0};

}  // namespace

extern "C" int pthread_create(pthread_t* thread, const pthread_attr_t* attr, void* (*start)(void*), void* arg) {
  using Create = int (*)(pthread_t*, const pthread_attr_t*, void* (*)(void*), void*);
  static const auto next = reinterpret_cast<Create>(dlsym(RTLD_NEXT, "pthread_create"));
  g_threadsStarted.fetch_add(1);
  return next(thread, attr, start, arg);
}

namespace tavlen {
namespace {

constexpr int kFailed = 255;

// Every path that may take a second thread, on pictures well over the size where they do. Returns
// how many threads started (at most 200), or kFailed when a step did not do its work.
int ThreadsStartedByEveryPath(const gfx::test::TempDir& dir) {
  const std::string jpeg = dir.File("a.jpg");
  const std::string png = dir.File("b.png");
  auto bitmap = gfx::test::MakePatternBitmap(1800, 1300, gfx::PixelFormat::RGB24bpp, 5);
  if (bitmap->Save(jpeg, gfx::kJpegEncoderClsid) != gfx::Status::Ok ||
      bitmap->Save(png, gfx::kPngEncoderClsid) != gfx::Status::Ok)
    return kFailed;
  CTavlenCtrl ctrl;
  ctrl.InitNew();
  ctrl.CreateControlWindow(320, 240);
  ctrl.LoadImage(png);
  ctrl.LoadImage(jpeg);
  if (ctrl.GetWidth() != 1800) return kFailed;
  ctrl.Rotate90();
  ctrl.ConvertImageToGrayScaled();
  ctrl.Resize(2600, 1900);
  ctrl.ConvertImageToBlackWhite();
  if (ctrl.GetHeight() != 1900 || ctrl.SaveAsJpg(dir.File("c.jpg")) != win::TRUE ||
      ctrl.SaveAsTif(dir.File("d.tif")) != win::TRUE || ctrl.ConvertToPng(jpeg, dir.File("e.png")) != win::TRUE ||
      ctrl.ConvertToTif(jpeg, dir.File("f.tif")) != win::TRUE)
    return kFailed;
  return std::min(g_threadsStarted.load(), 200);
}

int ThreadsStartedInChild(const char* threadsSetting) {
  const pid_t child = fork();
  if (child == 0) {
    if (threadsSetting) {
      setenv("TAVLEN_THREADS", threadsSetting, 1);
    } else {
      unsetenv("TAVLEN_THREADS");
    }
    gfx::test::TempDir dir;
    g_threadsStarted = 0;
    _exit(ThreadsStartedByEveryPath(dir));
  }
  int status = 0;
  if (child < 0 || waitpid(child, &status, 0) != child || !WIFEXITED(status)) return -1;
  return WEXITSTATUS(status);
}

TEST(ThreadsSetting, OneKeepsEveryPathOnTheCallingThread) { EXPECT_EQ(ThreadsStartedInChild("1"), 0); }

// The same paths do start threads otherwise, so the count above means something.
TEST(ThreadsSetting, UnsetOrAnyOtherValueLetsPathsTakeASecondThread) {
  for (const char* setting : {static_cast<const char*>(nullptr), "2", "0", "one"}) {
    const int started = ThreadsStartedInChild(setting);
    EXPECT_GT(started, 0) << (setting ? setting : "unset");
    EXPECT_NE(started, kFailed) << (setting ? setting : "unset");
  }
}

}  // namespace
}  // namespace tavlen
