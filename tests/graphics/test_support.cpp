// Helpers shared by the imaging-library tests.
#include "tests/graphics/test_support.h"

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <memory>
#include <random>

namespace tavlen::gfx::test {

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

bool HasImageMagick() { return std::filesystem::exists("/usr/bin/convert"); }

std::vector<uint8_t> ImageMagickPixels(const std::string& input, const std::string& map, const std::string& options) {
  if (!HasImageMagick()) return {};
  const std::string command =
      "/usr/bin/convert '" + input + "' " + options + " -depth 8 " + map + ":- 2>/dev/null";
  std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
  std::vector<uint8_t> out;
  if (!pipe) return out;
  uint8_t buffer[65536];
  for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe.get())) > 0;) out.insert(out.end(), buffer, buffer + n);
  return out;
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

}  // namespace tavlen::gfx::test
