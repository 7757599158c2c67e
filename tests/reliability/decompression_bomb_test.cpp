// Decompression bombs: each is opened in a child process that reports how far its peak resident memory
// rose; every one must be refused, or decoded within the limits, without the memory it claims.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "platform/graphics/bitmap.h"
#include "platform/graphics/image_guids.h"
#include "tests/reliability/bomb_files.h"
#include "tests/reliability/test_guards.h"

namespace tavlen::reliability {
namespace {

constexpr long kBudgetKb = 64 * 1024;

// A field of /proc/self/status in kB, or -1.
long StatusKb(const char* field) {
  std::ifstream in("/proc/self/status");
  std::string line;
  const std::string prefix = std::string(field) + ":";
  while (std::getline(in, line)) {
    if (line.rfind(prefix, 0) == 0) return std::stol(line.substr(prefix.size()));
  }
  return -1;
}

// Lets the peak resident size start again from the present size.
bool ResetPeakMemory() { return static_cast<bool>(std::ofstream("/proc/self/clear_refs") << "5" << std::flush); }

struct Outcome {
  gfx::Status status = gfx::Status::GenericError;
  uint32_t width = 0, height = 0, frames = 0;
  long peakRiseKb = -1;
  bool stderrQuiet = false;
};

// Decodes the file the way the control does, visits its last frame, and measures.
Outcome OpenBomb(const std::string& path) {
  Outcome outcome;
  StderrCapture capture;
  const long baseline = StatusKb("VmHWM");
  {
    auto bitmap = gfx::Bitmap::FromFile(path);
    outcome.status = bitmap.GetStatus();
    if (bitmap.Ok()) {
      gfx::Bitmap& b = *bitmap.Value();
      outcome.width = b.Width(), outcome.height = b.Height();
      gfx::Guid dimension;
      if (b.GetFrameDimensionsList(std::span(&dimension, 1)) == gfx::Status::Ok &&
          b.GetFrameCount(dimension, outcome.frames) == gfx::Status::Ok && outcome.frames > 1) {
        gfx::Ignore(b.SelectActiveFrame(dimension, outcome.frames - 1));
      }
    }
  }
  outcome.peakRiseKb = StatusKb("VmHWM") - baseline;
  outcome.stderrQuiet = capture.Finish().empty();
  return outcome;
}

// Runs OpenBomb in a child so that its peak memory is its own and a crash is reported, not suffered.
::testing::AssertionResult OpenInChild(const std::string& path, Outcome& outcome) {
  int pipeFds[2];
  if (::pipe(pipeFds) != 0) return ::testing::AssertionFailure() << "no pipe";
  const pid_t child = ::fork();
  if (child == 0) {
    ::close(pipeFds[0]);
    const Outcome measured = OpenBomb(path);
    const bool sent = ::write(pipeFds[1], &measured, sizeof measured) == static_cast<ssize_t>(sizeof measured);
    ::_exit(sent ? 0 : 1);
  }
  ::close(pipeFds[1]);
  const bool received = ::read(pipeFds[0], &outcome, sizeof outcome) == static_cast<ssize_t>(sizeof outcome);
  ::close(pipeFds[0]);
  int status = 0;
  ::waitpid(child, &status, 0);
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0 || !received)
    return ::testing::AssertionFailure() << "the child died (wait status " << status << ")";
  return ::testing::AssertionSuccess();
}

// Opens each file in a child and expects a refusal, or a picture within the limits, well within the budget.
void ExpectEachWithinBudget(const std::vector<BombFile>& bombs) {
  const ScratchDir scratch;
  ASSERT_FALSE(scratch.Path().empty());
  const gfx::DecodeLimits limits;
  for (const BombFile& bomb : bombs) {
    SCOPED_TRACE(bomb.name);
    const std::string path = (scratch.Path() / ("bomb" + bomb.extension)).string();
    ASSERT_FALSE(bomb.bytes.empty());
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bomb.bytes.data()), static_cast<std::streamsize>(bomb.bytes.size()));
    Outcome outcome;
    ASSERT_TRUE(OpenInChild(path, outcome));
    SCOPED_TRACE("status " + std::to_string(static_cast<int>(outcome.status)) + ", " + std::to_string(outcome.width) +
                 " x " + std::to_string(outcome.height) + ", " + std::to_string(outcome.frames) + " frames");
    EXPECT_GE(outcome.peakRiseKb, 0);
    EXPECT_LT(outcome.peakRiseKb, kBudgetKb) << "peak resident memory rose by this many kB";
    EXPECT_TRUE(outcome.stderrQuiet) << "a library wrote to stderr";
    if (std::getenv("TAVLEN_BOMB_REPORT") != nullptr) {
      std::printf("%-70s status %2d  %6u x %-6u  peak +%ld kB\n", bomb.name.c_str(), static_cast<int>(outcome.status),
                  outcome.width, outcome.height, outcome.peakRiseKb);
    }
    if (outcome.status == gfx::Status::Ok) {
      EXPECT_LE(outcome.width, limits.maxSide);
      EXPECT_LE(outcome.height, limits.maxSide);
    }
  }
}

TEST(DecompressionBombs, AreRefusedOrDecodedWithoutTheMemoryTheyClaim) {
  if (!ResetPeakMemory()) GTEST_SKIP() << "this kernel cannot reset the peak resident size";
  ExpectEachWithinBudget(MakeBombFiles());
}

// Sizes inside the limits: memory has to follow the data present, not the header's claim.
TEST(DecompressionBombs, ClaimsTheDataCannotBackCostNoMoreThanTheData) {
  if (!ResetPeakMemory()) GTEST_SKIP() << "this kernel cannot reset the peak resident size";
  ExpectEachWithinBudget(MakeUnbackedFiles());
}

}  // namespace
}  // namespace tavlen::reliability
