// The atomic writer and whole-file reads: replaced files, refused targets, and injected write failures
// that must leave the old file byte for byte and no temporary behind.
#include "platform/base/file_io.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <set>
#include <thread>

namespace tavlen::base {
namespace {

namespace fs = std::filesystem;

class TempFolder {
 public:
  TempFolder() {
    std::string pattern = (fs::temp_directory_path() / "tavlen-base-XXXXXX").string();
    if (::mkdtemp(pattern.data())) m_path = pattern;
  }
  ~TempFolder() {
    std::error_code ignored;
    fs::permissions(m_path, fs::perms::owner_all, fs::perm_options::add, ignored);
    fs::remove_all(m_path, ignored);
  }
  std::string File(const std::string& name) const { return (m_path / name).string(); }
  std::set<std::string> Names() const {
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(m_path)) names.insert(entry.path().filename().string());
    return names;
  }
  const fs::path& Path() const { return m_path; }

 private:
  fs::path m_path;
};

std::string Slurp(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

mode_t ModeOf(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 ? st.st_mode & 07777 : 0;
}

// The writer's result when run without the right to write in `path`'s folder: root, whom permissions do
// not bind, writes as the unprivileged user in a child process.
int WriteWithoutPermission(const fs::path& folder, const std::string& path, const std::string& text) {
  if (::chmod(folder.c_str(), 0500) != 0) return -1;
  const pid_t child = ::fork();
  if (child == 0) {
    if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0)) ::_exit(255);
    ::_exit(WriteFileAtomically(path, text) & 0xFF);
  }
  int status = 0;
  const bool exited = child > 0 && ::waitpid(child, &status, 0) == child && WIFEXITED(status);
  ::chmod(folder.c_str(), 0700);
  return exited ? WEXITSTATUS(status) : -1;
}

// Makes every write past `bytes` bytes of a file fail with EFBIG while it lives, as a full disk would.
class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t bytes) {
    ::getrlimit(RLIMIT_FSIZE, &m_saved);
    m_oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit limit = m_saved;
    limit.rlim_cur = bytes;
    ::setrlimit(RLIMIT_FSIZE, &limit);
  }
  ~FileSizeLimit() {
    ::setrlimit(RLIMIT_FSIZE, &m_saved);
    std::signal(SIGXFSZ, m_oldHandler);
  }

 private:
  rlimit m_saved{};
  void (*m_oldHandler)(int) = nullptr;
};

TEST(AtomicWriter, CreatesAndReplaces) {
  TempFolder dir;
  const std::string path = dir.File("out.bin");
  ASSERT_EQ(WriteFileAtomically(path, std::string_view("first\0bytes", 11)), 0);
  EXPECT_EQ(Slurp(path), std::string("first\0bytes", 11));
  ASSERT_EQ(WriteFileAtomically(path, std::vector<uint8_t>{9}), 0);
  EXPECT_EQ(Slurp(path), "\x09");
  ASSERT_EQ(WriteFileAtomically(path, std::string_view()), 0);
  EXPECT_EQ(Slurp(path), "");
  EXPECT_EQ(dir.Names(), std::set<std::string>{"out.bin"});
}

TEST(AtomicWriter, NewFilesFollowTheUmaskAndReplacedFilesKeepTheirMode) {
  TempFolder dir;
  const mode_t mask = ::umask(027);
  const int created = WriteFileAtomically(dir.File("new"), std::string_view("x"));
  ::umask(mask);
  ASSERT_EQ(created, 0);
  EXPECT_EQ(ModeOf(dir.File("new")), 0640u);

  ASSERT_EQ(WriteFileAtomically(dir.File("kept"), std::string_view("x")), 0);
  ASSERT_EQ(::chmod(dir.File("kept").c_str(), 0604), 0);
  ASSERT_EQ(WriteFileAtomically(dir.File("kept"), std::string_view("y")), 0);
  EXPECT_EQ(ModeOf(dir.File("kept")), 0604u);
}

TEST(AtomicWriter, RefusesTargetsItCannotWrite) {
  TempFolder dir;
  EXPECT_EQ(WriteFileAtomically("", std::string_view("x")), EINVAL);
  EXPECT_EQ(WriteFileAtomically(dir.File("no/such/folder/x"), std::string_view("x")), ENOENT);
  fs::create_directory(dir.File("taken"));
  ASSERT_EQ(WriteFileAtomically(dir.File("taken/inside"), std::string_view("kept")), 0);
  EXPECT_EQ(WriteFileAtomically(dir.File("taken"), std::string_view("x")), EISDIR);
  EXPECT_EQ(Slurp(dir.File("taken/inside")), "kept");
  EXPECT_EQ(dir.Names(), std::set<std::string>{"taken"});
}

TEST(AtomicWriter, UnwritableFolderKeepsTheOldFile) {
  TempFolder dir;
  const std::string path = dir.File("old.txt");
  ASSERT_EQ(WriteFileAtomically(path, std::string_view("old contents")), 0);
  EXPECT_EQ(WriteWithoutPermission(dir.Path(), path, "new"), EACCES);
  EXPECT_EQ(Slurp(path), "old contents");
  EXPECT_EQ(dir.Names(), std::set<std::string>{"old.txt"});
}

TEST(AtomicWriter, FailingWriteLeavesTheOldFileAndNoTemporary) {
  TempFolder dir;
  const std::string path = dir.File("picture.png");
  const std::string old(3000, 'o');
  ASSERT_EQ(WriteFileAtomically(path, old), 0);
  const std::string longer(100000, 'n');
  int error = 0;
  {
    FileSizeLimit limit(4096);  // the new bytes stop part way
    error = WriteFileAtomically(path, longer);
  }
  EXPECT_EQ(error, EFBIG);
  EXPECT_EQ(Slurp(path), old);
  EXPECT_EQ(dir.Names(), std::set<std::string>{"picture.png"});
  // A failure when nothing was there leaves nothing.
  {
    FileSizeLimit limit(0);
    error = WriteFileAtomically(dir.File("fresh.png"), longer);
  }
  EXPECT_EQ(error, EFBIG);
  EXPECT_EQ(dir.Names(), std::set<std::string>{"picture.png"});
}

TEST(AtomicWriter, ConcurrentWritersOfOneFileLeaveOneWholeVersion) {
  TempFolder dir;
  const std::string path = dir.File("shared");
  std::vector<std::thread> writers;
  for (char c : std::string("abcd")) {
    writers.emplace_back([&path, c] {
      for (int i = 0; i < 20; ++i) EXPECT_EQ(WriteFileAtomically(path, std::string(5000, c)), 0);
    });
  }
  for (std::thread& writer : writers) writer.join();
  const std::string text = Slurp(path);
  ASSERT_EQ(text.size(), 5000u);
  EXPECT_EQ(text, std::string(5000, text[0]));
  EXPECT_EQ(dir.Names(), std::set<std::string>{"shared"});
}

TEST(WholeFileReader, ReadsOrLeavesTheOutputAlone) {
  TempFolder dir;
  ASSERT_EQ(WriteFileAtomically(dir.File("three"), std::string_view("\x01\x02\x03")), 0);
  std::vector<uint8_t> bytes;
  ASSERT_EQ(ReadWholeFile(dir.File("three"), bytes, 3), 0);
  EXPECT_EQ(bytes, (std::vector<uint8_t>{1, 2, 3}));

  std::string text = "sentinel";
  EXPECT_EQ(ReadWholeFile(dir.File("three"), text, 2), EFBIG);
  EXPECT_EQ(ReadWholeFile(dir.File("missing"), text, 100), ENOENT);
  EXPECT_EQ(ReadWholeFile(dir.Path().string(), text, 100), EISDIR);
  EXPECT_EQ(ReadWholeFile("/dev/null", text, 100), EINVAL);
  EXPECT_EQ(ReadWholeFile("", text, 100), EINVAL);
  EXPECT_EQ(text, "sentinel");
}

}  // namespace
}  // namespace tavlen::base
