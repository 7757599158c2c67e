// Helpers shared by the imaging-library tests.
#include "tests/graphics/test_support.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>
#include <random>

namespace tavlen::gfx::test {

namespace {

constexpr const char* kConvert = "/usr/bin/convert";

}  // namespace

std::filesystem::path TestDataDir() {
  const std::filesystem::path dir = TAVLEN_TESTDATA_DIR;
  std::error_code ec;
  return std::filesystem::is_directory(dir, ec) ? dir : std::filesystem::path();
}

TempDir::TempDir() {
  std::string pattern = (std::filesystem::temp_directory_path() / "tavlen-test-XXXXXX").string();
  if (::mkdtemp(pattern.data()) == nullptr) ADD_FAILURE() << "cannot make a temporary folder";
  m_path = pattern;
}

TempDir::~TempDir() {
  std::error_code ec;
  std::filesystem::remove_all(m_path, ec);
}

Bitmap::Ptr MakePatternBitmap(uint32_t width, uint32_t height, PixelFormat format, uint32_t seed) {
  auto created = Bitmap::Create(width, height, format);
  if (!created.Ok()) return nullptr;
  Bitmap::Ptr bitmap = std::move(created.Value());
  std::mt19937 random(seed);
  if (IsIndexed(format)) {
    Palette palette;
    const uint32_t n = 1u << BitsPerPixel(format);
    for (uint32_t i = 0; i < n; ++i) {
      // Distinct opaque colours, so that indices are recoverable from colours.
      palette.entries.push_back(0xFF000000 | ((i * 97 + seed * 31) & 0xFF) << 16 | ((i * 57) & 0xFF) << 8 |
                                (i * 13 + (i >> 4) * 7) % 256);
    }
    if (n == 2) palette.entries = {0xFF000000, 0xFFFFFFFF};
    std::sort(palette.entries.begin(), palette.entries.end());
    palette.entries.erase(std::unique(palette.entries.begin(), palette.entries.end()), palette.entries.end());
    while (palette.entries.size() < n) palette.entries.push_back(0xFF000000 | static_cast<uint32_t>(random() & 0xFFFFFF));
    Ignore(bitmap->SetPalette(palette));
  }
  PixelBuffer& pixels = bitmap->Pixels();
  const size_t rowBytes = (size_t{width} * BitsPerPixel(format) + 7) / 8;
  for (uint32_t y = 0; y < height; ++y) {
    uint8_t* row = pixels.Row(y);
    for (size_t i = 0; i < rowBytes; ++i) row[i] = static_cast<uint8_t>(random());
    if (format == PixelFormat::RGB32bpp)
      for (uint32_t x = 0; x < width; ++x) row[4 * x + 3] = 0xFF;
    if (format == PixelFormat::PARGB32bpp)
      for (uint32_t x = 0; x < width; ++x)
        for (int c = 0; c < 3; ++c) row[4 * x + c] = std::min(row[4 * x + c], row[4 * x + 3]);
    if (format == PixelFormat::PARGB64bpp) {
      auto* words = reinterpret_cast<uint16_t*>(row);
      for (uint32_t x = 0; x < width; ++x)
        for (int c = 0; c < 3; ++c) words[4 * x + c] = std::min(words[4 * x + c], words[4 * x + 3]);
    }
    if (format == PixelFormat::RGB555_16bpp) {
      auto* words = reinterpret_cast<uint16_t*>(row);
      for (uint32_t x = 0; x < width; ++x) words[x] &= 0x7FFF;
    }
  }
  return bitmap;
}

uint32_t PixelAt(Bitmap& bitmap, uint32_t x, uint32_t y) {
  const Rect one{static_cast<int32_t>(x), static_cast<int32_t>(y), 1, 1};
  BitmapData data;
  if (bitmap.LockBits(&one, kImageLockModeRead, PixelFormat::ARGB32bpp, data) != Status::Ok) return 0xDEADBEEF;
  uint32_t argb = 0;
  std::memcpy(&argb, data.scan0, 4);
  Ignore(bitmap.UnlockBits(data));
  return argb;
}

::testing::AssertionResult SamePixels(Bitmap& a, Bitmap& b) {
  if (a.Width() != b.Width() || a.Height() != b.Height())
    return ::testing::AssertionFailure() << "sizes differ: " << a.Width() << "x" << a.Height() << " vs " << b.Width()
                                         << "x" << b.Height();
  const bool wide = IsExtended(a.Format()) || IsExtended(b.Format());
  const PixelFormat f = wide ? PixelFormat::ARGB64bpp : PixelFormat::ARGB32bpp;
  const size_t bytes = wide ? 8 : 4;
  BitmapData da, db;
  if (a.LockBits(nullptr, kImageLockModeRead, f, da) != Status::Ok) return ::testing::AssertionFailure() << "lock a";
  if (b.LockBits(nullptr, kImageLockModeRead, f, db) != Status::Ok) {
    Ignore(a.UnlockBits(da));
    return ::testing::AssertionFailure() << "lock b";
  }
  ::testing::AssertionResult result = ::testing::AssertionSuccess();
  for (uint32_t y = 0; y < a.Height() && result; ++y) {
    const auto* ra = static_cast<const uint8_t*>(da.scan0) + static_cast<ptrdiff_t>(y) * da.stride;
    const auto* rb = static_cast<const uint8_t*>(db.scan0) + static_cast<ptrdiff_t>(y) * db.stride;
    for (uint32_t x = 0; x < a.Width(); ++x) {
      if (std::memcmp(ra + x * bytes, rb + x * bytes, bytes) != 0) {
        uint64_t va = 0, vb = 0;
        std::memcpy(&va, ra + x * bytes, bytes);
        std::memcpy(&vb, rb + x * bytes, bytes);
        char text[96];
        std::snprintf(text, sizeof text, "pixel (%u, %u): %llx vs %llx", x, y, static_cast<unsigned long long>(va),
                      static_cast<unsigned long long>(vb));
        result = ::testing::AssertionFailure() << text;
        break;
      }
    }
  }
  Ignore(a.UnlockBits(da));
  Ignore(b.UnlockBits(db));
  return result;
}

std::vector<uint8_t> ReadFileBytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

bool HasImageMagick() { return ::access(kConvert, X_OK) == 0; }

namespace {

// The whole standard output of `argv` run without a shell (paths need no quoting), its errors dropped;
// nothing when it cannot run or does not exit with 0.
std::optional<std::string> RunForOutput(std::vector<std::string> argv) {
  int fds[2];
  if (::pipe(fds) != 0) return std::nullopt;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, fds[1], STDOUT_FILENO);
  posix_spawn_file_actions_addclose(&actions, fds[0]);
  posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
  std::vector<char*> args;
  for (std::string& arg : argv) args.push_back(arg.data());
  args.push_back(nullptr);
  pid_t child = 0;
  const int spawned = ::posix_spawn(&child, args[0], &actions, nullptr, args.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  ::close(fds[1]);
  std::string out;
  char buffer[65536];
  for (ssize_t n; spawned == 0 && (n = ::read(fds[0], buffer, sizeof buffer)) != 0;) {
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) break;
    out.append(buffer, static_cast<size_t>(n));
  }
  ::close(fds[0]);
  int status = 0;
  if (spawned != 0 || ::waitpid(child, &status, 0) != child || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
    return std::nullopt;
  return out;
}

// One PAM image ("P7", WIDTH, HEIGHT, DEPTH, MAXVAL, ENDHDR, then samples) at `pos`, appended to `picture`.
bool ReadPam(const std::string& data, size_t& pos, MagickPicture& picture) {
  uint32_t width = 0, height = 0, depth = 0, maxval = 0;
  if (data.compare(pos, 3, "P7\n") != 0) return false;
  pos += 3;
  while (true) {
    const size_t end = data.find('\n', pos);
    if (end == std::string::npos) return false;
    const std::string line = data.substr(pos, end - pos);
    pos = end + 1;
    if (line == "ENDHDR") break;
    unsigned value = 0;
    if (std::sscanf(line.c_str(), "WIDTH %u", &value) == 1) width = value;
    if (std::sscanf(line.c_str(), "HEIGHT %u", &value) == 1) height = value;
    if (std::sscanf(line.c_str(), "DEPTH %u", &value) == 1) depth = value;
    if (std::sscanf(line.c_str(), "MAXVAL %u", &value) == 1) maxval = value;
  }
  if (width == 0 || height == 0 || depth < 1 || depth > 4 || maxval < 1 || maxval > 65535) return false;
  if (picture.width != 0 && (picture.width != width || picture.height != height)) return false;
  picture.width = width;
  picture.height = height;
  const size_t sampleBytes = maxval > 255 ? 2 : 1;
  const size_t pixels = size_t{width} * height;
  if (data.size() - pos < pixels * depth * sampleBytes) return false;
  for (size_t i = 0; i < pixels; ++i) {
    uint32_t v[4] = {};
    for (uint32_t c = 0; c < depth; ++c) {
      const auto* p = reinterpret_cast<const uint8_t*>(&data[pos]);
      const uint32_t raw = sampleBytes == 2 ? uint32_t{p[0]} << 8 | p[1] : p[0];
      v[c] = (raw * 65535 + maxval / 2) / maxval;
      pos += sampleBytes;
    }
    const bool gray = depth <= 2;
    const bool alpha = depth % 2 == 0;
    picture.rgba.push_back({static_cast<uint16_t>(v[0]), static_cast<uint16_t>(gray ? v[0] : v[1]),
                            static_cast<uint16_t>(gray ? v[0] : v[2]),
                            static_cast<uint16_t>(alpha ? v[depth - 1] : 65535)});
  }
  return true;
}

}  // namespace

bool HasTool(const std::string& name) { return ::access(("/usr/bin/" + name).c_str(), X_OK) == 0; }

bool RunTool(std::vector<std::string> argv) {
  argv[0] = "/usr/bin/" + argv[0];
  return RunForOutput(std::move(argv)).has_value();
}

uint32_t MagickPicture::Argb(size_t frame, uint32_t x, uint32_t y) const {
  const auto& p = Rgba16(frame, x, y);
  auto eight = [](uint16_t v) { return (uint32_t{v} + 128) / 257; };
  return eight(p[3]) << 24 | eight(p[0]) << 16 | eight(p[1]) << 8 | eight(p[2]);
}

std::vector<uint32_t> MagickPicture::Argbs() const {
  std::vector<uint32_t> out;
  for (size_t f = 0; f < Frames(); ++f)
    for (uint32_t y = 0; y < height; ++y)
      for (uint32_t x = 0; x < width; ++x) out.push_back(Argb(f, x, y));
  return out;
}

std::optional<MagickPicture> ReadWithImageMagick(const std::filesystem::path& path, const MagickOptions& options) {
  if (!HasImageMagick()) return std::nullopt;
  std::string input = path.string();
  if (options.frame >= 0) input += "[" + std::to_string(options.frame) + "]";
  std::vector<std::string> argv = {kConvert, input};
  if (options.coalesce) argv.push_back("-coalesce");
  argv.insert(argv.end(), {"-depth", "16", "pam:-"});
  const std::optional<std::string> output = RunForOutput(std::move(argv));
  if (!output) return std::nullopt;
  MagickPicture picture;
  size_t pos = 0;
  while (pos < output->size()) {
    if (!ReadPam(*output, pos, picture)) return std::nullopt;
  }
  if (picture.rgba.empty()) return std::nullopt;
  return picture;
}

std::string OwnFormatBytes(Bitmap& bitmap) {
  BitmapData data;
  if (bitmap.LockBits(nullptr, kImageLockModeRead, bitmap.Format(), data) != Status::Ok) return {};
  const size_t rowBytes = (size_t{data.width} * BitsPerPixel(bitmap.Format()) + 7) / 8;
  std::string out;
  const uint32_t usedBits = (data.width * BitsPerPixel(bitmap.Format())) % 8;
  for (uint32_t y = 0; y < data.height; ++y) {
    out.append(static_cast<const char*>(data.scan0) + static_cast<ptrdiff_t>(y) * data.stride, rowBytes);
    // Bits past the last pixel are padding: they mean nothing and need not survive anything.
    if (usedBits != 0) out.back() = static_cast<char>(out.back() & (0xFF00 >> usedBits));
  }
  Ignore(bitmap.UnlockBits(data));
  return out;
}

std::vector<uint32_t> ChangedRows(const std::string& before, const std::string& after, uint32_t height) {
  const size_t rowBytes = before.size() / height;
  std::vector<uint32_t> rows;
  for (uint32_t y = 0; y < height; ++y) {
    if (before.compare(y * rowBytes, rowBytes, after, y * rowBytes, rowBytes) != 0) rows.push_back(y);
  }
  return rows;
}

int PngPredictor(int filter, int a, int b, int c) {
  switch (filter) {
    case 1: return a;
    case 2: return b;
    case 3: return (a + b) / 2;
    case 4: {
      const int pa = std::abs(b - c), pb = std::abs(a - c), pc = std::abs(a + b - 2 * c);
      return pa <= pb && pa <= pc ? a : pb <= pc ? b : c;
    }
    default: return 0;
  }
}

}  // namespace tavlen::gfx::test
