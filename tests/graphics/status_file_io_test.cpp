// Reads of whole files and atomic writes that never destroy an existing file.
#include "platform/graphics/status_file_io.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>

#include "tests/graphics/test_support.h"

namespace tavlen::gfx {
namespace {

std::string Slurp(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

size_t Entries(const std::filesystem::path& dir) {
  return static_cast<size_t>(std::distance(std::filesystem::directory_iterator(dir), {}));
}

TEST(FileIo, WritesAndReplacesAtomically) {
  test::TempDir dir;
  const std::string path = dir.File("out.bin");
  const std::vector<uint8_t> first = {1, 2, 3};
  ASSERT_EQ(WriteFileAtomically(path, first), Status::Ok);
  EXPECT_EQ(Slurp(path), "\x01\x02\x03");
  const std::vector<uint8_t> second = {9};
  ASSERT_EQ(WriteFileAtomically(path, second), Status::Ok);
  EXPECT_EQ(Slurp(path), "\x09");
  EXPECT_EQ(Entries(dir.Path()), 1u);  // no temporary left behind
  std::vector<uint8_t> read;
  ASSERT_EQ(ReadWholeFile(path, read), Status::Ok);
  EXPECT_EQ(read, second);
}

TEST(FileIo, FailedWritesLeaveNothingBehind) {
  test::TempDir dir;
  const std::vector<uint8_t> bytes = {1};
  EXPECT_EQ(WriteFileAtomically(dir.File("no/such/folder/x.png"), bytes), Status::FileNotFound);
  std::filesystem::create_directory(dir.Path() / "taken.png");
  EXPECT_EQ(WriteFileAtomically(dir.File("taken.png"), bytes), Status::AccessDenied);
  EXPECT_TRUE(std::filesystem::is_directory(dir.Path() / "taken.png"));
  EXPECT_EQ(WriteFileAtomically("", bytes), Status::InvalidParameter);
  EXPECT_EQ(Entries(dir.Path()), 1u);
  if (::geteuid() != 0) {  // root writes anywhere
    const std::string locked = dir.File("locked");
    std::filesystem::create_directory(locked);
    ::chmod(locked.c_str(), 0500);
    EXPECT_EQ(WriteFileAtomically(locked + "/x", bytes), Status::AccessDenied);
  }
}

TEST(FileIo, ReadFailuresAreStatuses) {
  test::TempDir dir;
  std::vector<uint8_t> out = {7};
  EXPECT_EQ(ReadWholeFile(dir.File("missing"), out), Status::FileNotFound);
  EXPECT_EQ(ReadWholeFile(dir.Path().string(), out), Status::AccessDenied);
  DecodeLimits tiny;
  tiny.maxFileBytes = 2;
  ASSERT_EQ(WriteFileAtomically(dir.File("three"), std::vector<uint8_t>{1, 2, 3}), Status::Ok);
  EXPECT_EQ(ReadWholeFile(dir.File("three"), out, tiny), Status::OutOfMemory);
  EXPECT_EQ(out, std::vector<uint8_t>{7});
}

}  // namespace
}  // namespace tavlen::gfx
