// The soak run: one control loads, edits, undoes, saves and reloads real-world pictures in a loop for
// a number of minutes, and the process must stay level: after the first minute (which fills caches and
// the pixel-block pool) resident memory may grow by at most 2 MB a minute beyond its floor's noise, and
// open descriptors, threads and files in the save folder end where they were at the first minute.
// Usage: tavlen_soak TESTDATA_DIR MINUTES. Prints its figures; exit 1 when a figure is out of bounds.
#include <dirent.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "control/tavlen_ctrl.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr double kAllowedGrowthMbPerMinute = 2.0;
// The floors of two windows a minute apart differ by several megabytes with no leak at all (seen: +6 MB
// and -10 MB), as the allocator's arenas settle; a short run judges growth beyond this. A leak on the
// load path (kilobytes a load, dozens of loads a second) still rises by tens of megabytes a minute.
constexpr double kFloorNoiseMb = 10.0;
constexpr auto kSettle = std::chrono::seconds(60);
// Minimum resident memory over this window at the settle point and at the end: the pool and the
// allocator's free lists swing by tens of megabytes between two loads, a leak raises the floor.
constexpr auto kWindow = std::chrono::seconds(10);

struct Sample {
  double seconds;
  double rssMb;
  size_t fds;
  size_t threads;
  size_t files;
};

size_t CountEntries(const fs::path& dir) {
  std::error_code error;
  size_t count = 0;
  for (auto it = fs::directory_iterator(dir, error); !error && it != fs::directory_iterator(); it.increment(error))
    ++count;
  return count;
}

double ResidentMb() {
  std::ifstream statm("/proc/self/statm");
  uint64_t size = 0, resident = 0;
  statm >> size >> resident;
  return static_cast<double>(resident) * static_cast<double>(sysconf(_SC_PAGESIZE)) / (1 << 20);
}

// The pictures the loop cycles through: the common formats' real-world files below 4 MB, in name order
// so every run does the same work.
std::vector<std::string> Pictures(const fs::path& testdata) {
  std::vector<std::string> paths;
  for (const char* folder : {"jpeg", "png", "bmp", "gif", "tiff"}) {
    std::error_code error;
    for (auto it = fs::directory_iterator(testdata / folder, error); !error && it != fs::directory_iterator();
         it.increment(error)) {
      if (it->is_regular_file() && it->file_size() < (4u << 20)) paths.push_back(it->path().string());
    }
  }
  std::sort(paths.begin(), paths.end());
  return paths;
}

// Minimum resident memory of the samples in [from, from + kWindow).
double FloorFrom(const std::vector<Sample>& samples, double from) {
  double floor = 1e18;
  for (const Sample& s : samples)
    if (s.seconds >= from && s.seconds < from + std::chrono::duration<double>(kWindow).count())
      floor = std::min(floor, s.rssMb);
  return floor;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3 || std::atof(argv[2]) < 2) {
    std::fprintf(stderr, "usage: tavlen_soak TESTDATA_DIR MINUTES (at least 2)\n");
    return 2;
  }
  const std::vector<std::string> pictures = Pictures(argv[1]);
  if (pictures.empty()) {
    std::fprintf(stderr, "tavlen_soak: no pictures under %s\n", argv[1]);
    return 2;
  }
  const auto duration = std::chrono::duration<double, std::ratio<60>>(std::atof(argv[2]));
  char pattern[] = "/tmp/tavlen-soak-XXXXXX";
  if (!mkdtemp(pattern)) return 2;
  const fs::path folder = pattern;
  const std::string saved = (folder / "saved").string();

  tavlen::CTavlenCtrl ctrl;
  ctrl.InitNew();
  ctrl.CreateControlWindow(640, 480);

  const Clock::time_point start = Clock::now();
  const Clock::time_point end = start + std::chrono::duration_cast<Clock::duration>(duration);
  std::vector<Sample> samples;
  Clock::time_point nextSample = start;
  uint64_t loads = 0;
  for (size_t i = 0; Clock::now() < end; ++i) {
    ctrl.LoadImage(pictures[i % pictures.size()]);
    ++loads;
    if (ctrl.GetWidth() > 0) {
      ctrl.Rotate90();
      ctrl.ConvertImageToGrayScaled();
      ctrl.Resize(std::max(1, ctrl.GetWidth() / 2), std::max(1, ctrl.GetHeight() / 2));
      ctrl.Undo();
      const tavlen::BOOL ok = (i % 2 == 0) ? ctrl.SaveAsPng(saved) : ctrl.SaveAsJpg(saved);
      if (ok) ctrl.LoadImage(saved + ((i % 2 == 0) ? ".png" : ".jpg"));
    }
    ctrl.GetWindow()->Pump();
    if (Clock::now() >= nextSample) {
      nextSample += std::chrono::seconds(1);
      samples.push_back({std::chrono::duration<double>(Clock::now() - start).count(), ResidentMb(),
                         CountEntries("/proc/self/fd"), CountEntries("/proc/self/task"), CountEntries(folder)});
    }
  }

  const double settle = std::chrono::duration<double>(kSettle).count();
  const double last = samples.back().seconds - std::chrono::duration<double>(kWindow).count();
  const double growthMinutes = (last - settle) / 60;
  const double growth = growthMinutes > 0 ? (FloorFrom(samples, last) - FloorFrom(samples, settle)) / growthMinutes : 0;
  const Sample* atSettle = &samples.front();
  for (const Sample& s : samples)
    if (s.seconds <= settle) atSettle = &s;
  const Sample& final = samples.back();
  double peak = 0;
  for (const Sample& s : samples) peak = std::max(peak, s.rssMb);

  std::printf("soak: %.1f min, %zu pictures, %llu loads\n", samples.back().seconds / 60, pictures.size(),
              static_cast<unsigned long long>(loads));
  std::printf("soak: resident %.1f MB at 1 min (floor), %.1f MB at the end (floor), peak %.1f MB: %+.2f MB/min\n",
              FloorFrom(samples, settle), FloorFrom(samples, last), peak, growth);
  std::printf("soak: descriptors %zu -> %zu, threads %zu -> %zu, files in the save folder %zu -> %zu\n", atSettle->fds,
              final.fds, atSettle->threads, final.threads, atSettle->files, final.files);
  fs::remove_all(folder);

  bool level = true;
  if (growth * growthMinutes > kAllowedGrowthMbPerMinute * growthMinutes + kFloorNoiseMb) {
    std::printf("soak: FAIL resident memory grows by %.2f MB a minute (at most %.1f, beyond %.0f MB of noise)\n",
                growth, kAllowedGrowthMbPerMinute, kFloorNoiseMb);
    level = false;
  }
  if (final.fds > atSettle->fds || final.threads > atSettle->threads || final.files > atSettle->files) {
    std::printf("soak: FAIL descriptors, threads or files rose after the first minute\n");
    level = false;
  }
  return level ? 0 : 1;
}
