// viewer_bench [MOVES]: the viewer's next picture with and without the neighbours decoded ahead, and the
// first paint of a photo opened, each against the control's own LoadImage of the same 24 MP JPEG in the
// same run. Moves through a folder of 20 such photos (from the key press to the end of the paint, each
// after the read-ahead finished, as a user who looks at every picture a moment); medians.
#include <stdlib.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <algorithm>
#include <cstdio>
#include <ctime>
#include <functional>
#include <memory>
#include <vector>

#include "bench/bench_photo.h"
#include "hosts/common/desktop_control.h"
#include "hosts/viewer/control_prog_id.h"
#include "hosts/viewer/main_window.h"
#include "hosts/viewer/read_ahead.h"
#include "platform/automation/com_object.h"
#include "platform/automation/loader.h"
#include "platform/graphics/codec_registry.h"

namespace tavlen {
namespace {

constexpr int kPhotos = 20;
constexpr int kWidth = 6000;
constexpr int kHeight = 4000;
constexpr int kOpenRuns = 5;

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  const size_t n = values.size();
  return n == 0 ? 0.0 : n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

// The control as a window sees it, without the picture hand-over: a viewer that decodes every picture.
class PlainDispatch final : public ole::ComObject<ole::IDispatch> {
 public:
  explicit PlainDispatch(ole::ComPtr<ole::IDispatch> inner) : m_inner(std::move(inner)) {}
  ole::HRESULT GetTypeInfoCount(uint32_t* count) override { return m_inner->GetTypeInfoCount(count); }
  ole::HRESULT GetTypeInfo(uint32_t index, ole::LCID lcid, ole::ITypeInfo** info) override {
    return m_inner->GetTypeInfo(index, lcid, info);
  }
  ole::HRESULT GetIDsOfNames(const ole::IID& iid, const char* const* names, uint32_t count, ole::LCID lcid,
                             ole::DISPID* ids) override {
    return m_inner->GetIDsOfNames(iid, names, count, lcid, ids);
  }
  ole::HRESULT Invoke(ole::DISPID id, const ole::IID& iid, ole::LCID lcid, uint16_t flags, ole::DISPPARAMS* params,
                      ole::Variant* result, ole::EXCEPINFO* info, uint32_t* argErr) override {
    return m_inner->Invoke(id, iid, lcid, flags, params, result, info, argErr);
  }

 private:
  ole::ComPtr<ole::IDispatch> m_inner;
};

// Counts the paints of the control's client area.
class PaintCounter : public QObject {
 public:
  int paints = 0;

 protected:
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::Paint) ++paints;
    return false;
  }
};

struct Window {
  std::unique_ptr<viewer::MainWindow> window;
  PaintCounter counter;
};

std::unique_ptr<Window> OpenWindow(bool readAhead) {
  host::DesktopControl control;
  std::string why;
  if (ole::FAILED(host::CreateDesktopControl(viewer::kControlProgId, "", nullptr, &control, &why))) {
    std::fprintf(stderr, "viewer_bench: the control could not be created: %s\n", why.c_str());
    return nullptr;
  }
  ole::ComPtr<ole::IDispatch> object = control.dispatch;
  if (!readAhead) object = ole::ComPtr<ole::IDispatch>(ole::MakeObject<PlainDispatch>(control.dispatch).Get());
  auto made = std::make_unique<Window>();
  made->window = std::make_unique<viewer::MainWindow>(control.widget, std::move(object));
  made->window->resize(960, 720);
  made->window->show();
  made->window->activateWindow();
  // Shortcuts reach an active window only.
  if (!QTest::qWaitForWindowExposed(made->window.get()) || !QTest::qWaitForWindowActive(made->window.get()))
    return nullptr;
  made->window->ClientWidget()->installEventFilter(&made->counter);
  QCoreApplication::processEvents();
  return made;
}

// Milliseconds of wall-clock time, of processor time of the window's thread and of the whole process. On
// a machine shared with other work the wall-clock time stretches; an idle machine would show about the
// window thread's time where the other threads run beside it, and at most the process's time. No
// decode ahead runs during a measurement: the neighbours are read once the picture has painted.
struct Timing {
  std::vector<double> wall;
  std::vector<double> thread;
  std::vector<double> process;
};

double CpuMs(clockid_t clock) {
  timespec now{};
  clock_gettime(clock, &now);
  return static_cast<double>(now.tv_sec) * 1e3 + static_cast<double>(now.tv_nsec) / 1e6;
}

// Times `act` into `timing`.
class Measure {
 public:
  explicit Measure(Timing& timing) : m_timing(timing) { m_clock.start(); }
  ~Measure() {
    m_timing.wall.push_back(static_cast<double>(m_clock.nsecsElapsed()) / 1e6);
    m_timing.thread.push_back(CpuMs(CLOCK_THREAD_CPUTIME_ID) - m_thread);
    m_timing.process.push_back(CpuMs(CLOCK_PROCESS_CPUTIME_ID) - m_process);
  }
  Measure(const Measure&) = delete;
  Measure& operator=(const Measure&) = delete;
  qint64 ElapsedMs() const { return m_clock.elapsed(); }

 private:
  Timing& m_timing;
  const double m_thread = CpuMs(CLOCK_THREAD_CPUTIME_ID);
  const double m_process = CpuMs(CLOCK_PROCESS_CPUTIME_ID);
  QElapsedTimer m_clock;
};

// Runs `act` and the event loop until the client area has painted.
void UntilPainted(Window& window, const std::function<void()>& act, Timing& timing) {
  const int before = window.counter.paints;
  Measure measure(timing);
  act();
  while (window.counter.paints == before && measure.ElapsedMs() < 10000) QCoreApplication::processEvents();
}

Timing LoadImageTimes(const QString& path) {
  Timing timing;
  ole::ComPtr<ole::IDispatch> object;
  if (ole::FAILED(ole::CreateObject(viewer::kControlProgId, &object))) return timing;
  viewer::AutomationClient control(object);
  const ole::Variant name(QFile::encodeName(path).toStdString());
  for (int run = 0; run < kOpenRuns; ++run) {
    Measure measure(timing);
    (void)control.Call("LoadImage", {name});
  }
  return timing;
}

Timing FirstPaintTimes(const QString& path) {
  Timing timing;
  for (int run = 0; run < kOpenRuns; ++run) {
    std::unique_ptr<Window> window = OpenWindow(true);
    if (!window) return {};
    UntilPainted(
        *window, [&] { window->window->OpenFile(path); }, timing);
  }
  return timing;
}

// `moves` moves: on to the last photo, then back.
Timing NextPictureTimes(const QStringList& photos, bool readAhead, int moves) {
  std::unique_ptr<Window> window = OpenWindow(readAhead);
  if (!window || !window->window->OpenFile(photos.front())) return {};
  viewer::MainWindow& shown = *window->window;
  Timing timing;
  int position = 0;
  for (int move = 0; move < moves; ++move) {
    const bool forward = position + 1 < photos.size() && move < photos.size() - 1;
    while (shown.ReadingAhead()) QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    UntilPainted(
        *window, [&] { QTest::keyClick(shown.ClientWidget(), forward ? Qt::Key_Right : Qt::Key_Left); }, timing);
    position += forward ? 1 : -1;
    if (shown.Folder().Current() != QFileInfo(photos[position]).fileName()) {
      std::fprintf(stderr, "viewer_bench: the key did not move to %s\n", qPrintable(photos[position]));
      return {};
    }
  }
  if (readAhead && shown.Ahead()->ShownCount() != moves) {
    std::fprintf(stderr, "viewer_bench: %d of %d moves were decoded ahead\n", shown.Ahead()->ShownCount(), moves);
    return {};
  }
  return timing;
}

void Report(const char* what, const Timing& timing, const Timing& load, const char* target) {
  const std::vector<double> Timing::*columns[] = {&Timing::wall, &Timing::thread, &Timing::process};
  std::printf("%-34s", what);
  for (auto column : columns) {
    const double ms = Median(timing.*column);
    std::printf(" %7.1f ms %5.2f x |", ms, ms / Median(load.*column));
  }
  std::printf(" %s\n", target);
}

}  // namespace
}  // namespace tavlen

int main(int argc, char** argv) {
  using namespace tavlen;
  const int moves = argc > 1 ? std::max(1, std::atoi(argv[1])) : kPhotos;
  ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
  QTemporaryDir dir;
  ::setenv("TAVLEN_REGISTRY", qPrintable(dir.filePath("registry")), 1);
  if (ole::FAILED(ole::RegisterModule(TAVLEN_MODULE_PATH))) {
    std::fprintf(stderr, "viewer_bench: the control could not be registered: %s\n", ole::LastLoadError().c_str());
    return 1;
  }
  std::printf("writing %d photos of %d x %d ...\n", kPhotos, kWidth, kHeight);
  std::fflush(stdout);
  const QString first = dir.filePath("photo01.jpg");
  if (gfx::MakePhoto(kWidth, kHeight, gfx::PixelFormat::RGB24bpp)->Save(first.toStdString(), gfx::kJpegEncoderClsid) !=
      gfx::Status::Ok)
    return 1;
  QStringList photos{first};
  for (int i = 2; i <= kPhotos; ++i) {
    photos << dir.filePath(QStringLiteral("photo%1.jpg").arg(i, 2, 10, QLatin1Char('0')));
    if (!QFile::copy(first, photos.back())) return 1;
  }
  QApplication app(argc, argv);

  const Timing load = LoadImageTimes(first);
  const Timing firstPaint = FirstPaintTimes(first);
  const Timing plain = NextPictureTimes(photos, false, moves);
  const Timing ahead = NextPictureTimes(photos, true, moves);
  for (const Timing* timing : {&load, &firstPaint, &plain, &ahead}) {
    if (timing->wall.empty()) return 1;
  }
  double loads[3] = {};
  if (FILE* file = std::fopen("/proc/loadavg", "r")) {
    if (std::fscanf(file, "%lf %lf %lf", &loads[0], &loads[1], &loads[2]) != 3) loads[0] = 0;
    std::fclose(file);
  }
  std::printf("medians, each beside its ratio to LoadImage's; load average %.1f on %d processors\n", loads[0],
              QThread::idealThreadCount());
  std::printf("%-34s %19s | %19s | %19s |\n", "", "wall-clock", "window thread CPU", "process CPU");
  Report("control LoadImage", load, load, "");
  Report("first paint after opening", firstPaint, load, "(target: 1.2 x)");
  Report("next picture, decoded on the key", plain, load, "");
  Report("next picture, decoded ahead", ahead, load, "(target: 50 ms)");
  std::printf("%-40s %8.1f x\n", "read-ahead speed-up (wall-clock)", Median(plain.wall) / Median(ahead.wall));
  return 0;
}
