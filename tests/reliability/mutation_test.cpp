// Damaged copies of the shared real-world pictures, made from a fixed seed, loaded into a control and
// converted to each format: every one ends in a picture or a clean failure, never a crash, leak, hang,
// oversized allocation or a word on stderr, and a failed conversion leaves the shown picture alone.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/graphics/limits.h"
#include "tests/control/control_fixture.h"
#include "tests/reliability/file_mutator.h"
#include "tests/reliability/test_guards.h"

namespace tavlen {
namespace {

namespace fs = std::filesystem;
using reliability::SeededRandom;

// One shard per format family; together they make the thousand damaged files.
struct Shard {
  const char* name;
  std::vector<const char*> folders;
  int files;
};

const Shard kShards[] = {{"Bmp", {"bmp", "dib"}, 167}, {"Gif", {"gif"}, 167},   {"Jpeg", {"jpeg"}, 167},
                         {"Png", {"png"}, 167},        {"Tiff", {"tiff"}, 166}, {"Metafile", {"wmf", "emf"}, 166}};

constexpr uint64_t kSeed = 0x7a11e2f15eedull;
// Small sources keep a thousand decodes under a minute with the sanitizers on a busy machine.
constexpr uintmax_t kLargestSource = 64 * 1024;
constexpr unsigned kSecondsPerFile = 10;

using Conversion = BOOL (CTavlenCtrl::*)(const std::string&, const std::string&);
constexpr std::array<std::pair<Conversion, const char*>, 5> kConversions = {{{&CTavlenCtrl::ConvertToBmp, ".bmp"},
                                                                             {&CTavlenCtrl::ConvertToGif, ".gif"},
                                                                             {&CTavlenCtrl::ConvertToJpg, ".jpg"},
                                                                             {&CTavlenCtrl::ConvertToPng, ".png"},
                                                                             {&CTavlenCtrl::ConvertToTif, ".tiff"}}};

// FNV-1a: the same on every platform, unlike std::hash.
uint64_t NameHash(std::string_view name) {
  uint64_t hash = 0xcbf29ce484222325ull;
  for (const char c : name) hash = (hash ^ static_cast<uint8_t>(c)) * 0x100000001b3ull;
  return hash;
}

std::vector<fs::path> SourcesOf(const Shard& shard) {
  std::vector<fs::path> files;
  for (const char* folder : shard.folders) {
    const fs::path dir = gfx::test::TestDataDir() / folder;
    if (!fs::is_directory(dir)) continue;
    for (const auto& entry : fs::directory_iterator(dir)) {
      if (entry.is_regular_file() && entry.file_size() <= kLargestSource && entry.path().has_extension())
        files.push_back(entry.path());
    }
  }
  std::sort(files.begin(), files.end());
  return files;
}

std::string LowerExtension(const fs::path& path) {
  std::string ext = path.extension().string();
  std::transform(ext.begin(), ext.end(), ext.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return ext;
}

void WriteBytes(const fs::path& path, const std::vector<uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

// Names the shard in test output instead of its bytes.
void PrintTo(const Shard& shard, std::ostream* out) { *out << shard.name; }

class DamagedFiles : public ControlTest, public ::testing::WithParamInterface<Shard> {};

TEST_P(DamagedFiles, LoadAndConvertEndInAPictureOrACleanFailure) {
  const Shard& shard = GetParam();
  const std::vector<fs::path> sources = SourcesOf(shard);
  if (sources.empty()) GTEST_SKIP() << "no " << shard.name << " pictures in " << gfx::test::TestDataDir();

  const reliability::ScratchDir scratch;
  ASSERT_FALSE(scratch.Path().empty());
  const std::string fresh = WritePatternPng(dir, "fresh.png", 16, 12);
  auto reference = gfx::Bitmap::FromFile(fresh);
  ASSERT_TRUE(reference.Ok());
  const bool watchAllocations = reliability::AllocationWatch::Available();
  const uint64_t allocationLimit = gfx::kDefaultLimits.maxPixelBytes;

  SeededRandom random(kSeed ^ NameHash(shard.name));
  std::vector<std::string> faults;
  reliability::StderrCapture capture;
  reliability::Watchdog watchdog(kSecondsPerFile, capture.RealStderr());
  for (int i = 0; i < shard.files; ++i) {
    const fs::path& source = sources[static_cast<size_t>(i) % sources.size()];
    const reliability::MutatedFile mutated = reliability::Mutate(gfx::test::ReadFileBytes(source), random);
    const std::string label = "#" + std::to_string(i) + " " + source.filename().string() + " (" +
                              reliability::DamageName(mutated.damage) + ")";
    const fs::path damaged = scratch.Path() / ("damaged" + LowerExtension(source));
    WriteBytes(damaged, mutated.bytes);
    watchdog.Step(label);
    if (watchAllocations) reliability::AllocationWatch::Reset();

    // A conversion of the damaged file never touches the shown picture.
    ctrl.LoadImage(fresh);
    const auto& [convert, extension] = kConversions[static_cast<size_t>(i) % kConversions.size()];
    const fs::path output = scratch.Path() / (std::string("out") + extension);
    const bool converted = (ctrl.*convert)(damaged.string(), (scratch.Path() / "out").string()) != win::FALSE;
    if (converted != fs::exists(output)) faults.push_back(label + ": conversion result disagrees with the file");
    if (converted && !gfx::Bitmap::FromFile(output.string()).Ok())
      faults.push_back(label + ": the converted file cannot be read back");
    fs::remove(output);
    if (!probe.HasImage() || !gfx::test::SamePixels(*probe.Image()->Handle(), *reference.Value()) ||
        ctrl.GetUndo() != 0) {
      faults.push_back(label + ": the conversion changed the shown picture");
    }

    // A load gives a whole picture or the documented empty control, never something in between.
    ctrl.LoadImage(damaged.string());
    const int32_t width = ctrl.GetWidth(), height = ctrl.GetHeight();
    if (probe.HasImage()) {
      const gfx::Bitmap& shown = *probe.Image()->Handle();
      if (width <= 0 || height <= 0 || static_cast<uint32_t>(width) != shown.Width() ||
          static_cast<uint32_t>(height) != shown.Height() || probe.Snapshot(0) == nullptr) {
        faults.push_back(label + ": a loaded picture with inconsistent size or history");
      }
    } else if (width != 0 || height != 0 || probe.Snapshot(0) != nullptr || ctrl.GetUndo() != 0) {
      faults.push_back(label + ": a failed load left part of a picture");
    }
    if (watchAllocations && reliability::AllocationWatch::Largest() > allocationLimit)
      faults.push_back(label + ": allocated " + std::to_string(reliability::AllocationWatch::Largest()) + " bytes");
    if (!reliability::AtomicWriterTemporaries(scratch.Path()).empty())
      faults.push_back(label + ": a temporary file was left behind");
  }
  const std::string errors = capture.Finish();
  for (const std::string& fault : faults) ADD_FAILURE() << fault;
  EXPECT_EQ(errors, "") << "libraries wrote to stderr";
}

INSTANTIATE_TEST_SUITE_P(SharedTestData, DamagedFiles, ::testing::ValuesIn(kShards),
                         [](const ::testing::TestParamInfo<Shard>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace tavlen
