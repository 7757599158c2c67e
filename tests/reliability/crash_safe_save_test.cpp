// Saves and conversions killed at random moments leave the old file or the whole new one, and the next
// save in the folder removes what the killed writer left; the removal touches nothing else.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "files/convert_file.h"
#include "files/save_image.h"
#include "platform/base/file_io.h"
#include "platform/graphics/codec_registry.h"
#include "tests/graphics/test_support.h"
#include "tests/reliability/file_mutator.h"
#include "tests/reliability/test_guards.h"

namespace tavlen::reliability {
namespace {

namespace fs = std::filesystem;
using files::FileFormat;

constexpr int kKillsPerCase = 20;

std::vector<uint8_t> Bytes(const fs::path& path) { return gfx::test::ReadFileBytes(path); }

void Put(const fs::path& path, const std::vector<uint8_t>& bytes) {
  ASSERT_EQ(base::WriteFileAtomically(path.string(), bytes), 0);
}

// One way of writing the target: a save of the new picture or a conversion of a file holding it.
struct SaveCase {
  std::string name;
  FileFormat format;
  bool conversion;
};

void PrintTo(const SaveCase& c, std::ostream* out) { *out << c.name; }

class CrashSafeSave : public ::testing::TestWithParam<SaveCase> {
 protected:
  void SetUp() override {
    m_oldPicture = gfx::test::MakePatternBitmap(96, 64, gfx::PixelFormat::RGB24bpp, 1);
    m_newPicture = gfx::test::MakePatternBitmap(160, 120, gfx::PixelFormat::RGB24bpp, 2);
    ASSERT_EQ(m_newPicture->Save(Path("source.png"), gfx::kPngEncoderClsid), gfx::Status::Ok);
  }

  std::string Path(const std::string& name) const { return (m_dir.Path() / name).string(); }

  gfx::Status Write(const gfx::Bitmap& picture, const std::string& base) const {
    const SaveCase& c = GetParam();
    if (c.conversion && &picture == m_newPicture.get())
      return files::ConvertFile(Path("source.png"), base, c.format, {});
    return files::SaveImage(picture, base, c.format, {});
  }

  // On disk, not in memory: the writer's flush to disk is the widest window for a kill to hit.
  gfx::test::TempDir m_dir;
  gfx::Bitmap::Ptr m_oldPicture;
  gfx::Bitmap::Ptr m_newPicture;
};

TEST_P(CrashSafeSave, AKilledWriterLeavesTheOldFileOrTheNewOne) {
  const FileFormat format = GetParam().format;
  const fs::path target = files::OutputPath(Path("target"), format);
  ASSERT_EQ(Write(*m_oldPicture, Path("old")), gfx::Status::Ok);
  const std::vector<uint8_t> oldBytes = Bytes(files::OutputPath(Path("old"), format));

  // The complete new file, and how long writing it takes here, which spreads the kills over the write.
  const auto started = std::chrono::steady_clock::now();
  ASSERT_EQ(Write(*m_newPicture, Path("new")), gfx::Status::Ok);
  const auto took = std::chrono::steady_clock::now() - started;
  const std::vector<uint8_t> newBytes = Bytes(files::OutputPath(Path("new"), format));
  ASSERT_EQ(Write(*m_newPicture, Path("again")), gfx::Status::Ok);
  ASSERT_EQ(Bytes(files::OutputPath(Path("again"), format)), newBytes) << "the encoder must be deterministic";
  ASSERT_NE(oldBytes, newBytes);
  const auto window = std::chrono::duration_cast<std::chrono::microseconds>(took).count() * 3 / 2 + 1;

  SeededRandom random(0x5afe5a7e ^ static_cast<uint64_t>(format) ^ (GetParam().conversion ? 0x100 : 0));
  for (int kill = 0; kill < kKillsPerCase; ++kill) {
    SCOPED_TRACE("kill " + std::to_string(kill));
    Put(target, oldBytes);
    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    const pid_t writer = ::fork();
    ASSERT_GE(writer, 0);
    if (writer == 0) {
      ::close(ready[0]);
      (void)::write(ready[1], "go", 2);
      ::_exit(Write(*m_newPicture, Path("target")) == gfx::Status::Ok ? 0 : 1);
    }
    ::close(ready[1]);
    char signal[2];
    (void)::read(ready[0], signal, sizeof signal);
    ::close(ready[0]);
    std::this_thread::sleep_for(std::chrono::microseconds(random.Below(static_cast<uint64_t>(window))));
    ::kill(writer, SIGKILL);
    int status = 0;
    ASSERT_EQ(::waitpid(writer, &status, 0), writer);
    if (WIFEXITED(status)) {
      EXPECT_EQ(WEXITSTATUS(status), 0) << "the save failed on its own";
    }

    const std::vector<uint8_t> now = Bytes(target);
    EXPECT_TRUE(now == oldBytes || now == newBytes) << "the target holds " << now.size() << " bytes of neither file";
    ASSERT_EQ(Write(*m_oldPicture, Path("next")), gfx::Status::Ok);
    EXPECT_EQ(AtomicWriterTemporaries(m_dir.Path()), std::vector<std::string>()) << "left after the next save";
  }
}

INSTANTIATE_TEST_SUITE_P(
    FormatsAndConversion, CrashSafeSave,
    ::testing::Values(SaveCase{"Bmp", FileFormat::Bmp, false}, SaveCase{"Gif", FileFormat::Gif, false},
                      SaveCase{"Jpeg", FileFormat::Jpeg, false}, SaveCase{"Png", FileFormat::Png, false},
                      SaveCase{"Tiff", FileFormat::Tiff, false}, SaveCase{"PngToJpeg", FileFormat::Jpeg, true}),
    [](const ::testing::TestParamInfo<SaveCase>& info) { return info.param.name; });

// The clean-up after a save removes only our own temporaries, and only those no writer is still using.
class StaleTemporaries : public ::testing::Test {
 protected:
  std::string Path(const std::string& name) const { return (m_dir.Path() / name).string(); }
  void Touch(const std::string& name, int ageSeconds = 0) {
    std::ofstream(Path(name)) << "partial";
    const auto when = fs::file_time_type::clock::now() - std::chrono::seconds(ageSeconds);
    fs::last_write_time(Path(name), when);
  }
  // A process id that has just ended, so no process holds it.
  static pid_t EndedProcess() {
    const pid_t child = ::fork();
    if (child == 0) ::_exit(0);
    ::waitpid(child, nullptr, 0);
    return child;
  }
  bool Exists(const std::string& name) const { return fs::exists(fs::symlink_status(Path(name))); }

  ScratchDir m_dir;
};

TEST_F(StaleTemporaries, TheNextSaveRemovesThoseOfEndedOrAncientWriters) {
  const std::string ended = ".tavlen-" + std::to_string(EndedProcess()) + "-0-17.tmp";
  const std::string ancient = ".tavlen-1-3-17.tmp";  // pid 1 lives, but no write takes two hours
  Touch(ended);
  Touch(ancient, 2 * 60 * 60);
  ASSERT_EQ(base::WriteFileAtomically(Path("picture.png"), std::string_view("x")), 0);
  EXPECT_FALSE(Exists(ended));
  EXPECT_FALSE(Exists(ancient));
}

TEST_F(StaleTemporaries, WritersStillAtWorkAndOtherNamesAreLeftAlone) {
  const std::string gone = std::to_string(EndedProcess());
  const std::vector<std::string> kept = {
      ".tavlen-1-0-17.tmp",                                   // pid 1 is alive: a write in progress
      ".tavlen-" + std::to_string(::getpid()) + "-9-17.tmp",  // this process's own writer
      ".tavlen-" + gone + "-0-17.tmp.bak",                    // not exactly our pattern
      "tavlen-" + gone + "-0-17.tmp",
      ".tavlen-" + gone + "-0.tmp",
      "picture.png",
  };
  for (const std::string& name : kept) Touch(name);
  const std::string folder = ".tavlen-" + gone + "-1-17.tmp";
  fs::create_directory(Path(folder));
  const std::string link = ".tavlen-" + gone + "-2-17.tmp";
  fs::create_symlink(Path("picture.png"), Path(link));

  ASSERT_EQ(base::WriteFileAtomically(Path("other.png"), std::string_view("x")), 0);
  for (const std::string& name : kept) EXPECT_TRUE(Exists(name)) << name;
  EXPECT_TRUE(Exists(folder));
  EXPECT_TRUE(Exists(link));
}

}  // namespace
}  // namespace tavlen::reliability
