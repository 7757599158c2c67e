// Every real-world file of the shared test data: the readable ones decode, every frame of them, and the
// broken or hostile ones end in a status or in what is valid in them — never in a crash, leak or hang.
#include <gtest/gtest.h>

#include <map>
#include <string>

#include "platform/graphics/bitmap.h"
#include "tests/graphics/test_support.h"

namespace tavlen::gfx {
namespace {

// Files of the format folders that may fail, and why.
const std::map<std::string, std::string> kMayFail = {
    {"bmp/bmpsuite-q-pal1huffmsb.bmp", "OS/2 Huffman 1D compression is not supported"},
    {"bmp/bmpsuite-q-pal1hufflsb.bmp", "OS/2 Huffman 1D compression is not supported"},
    {"bmp/bmpsuite-q-rgb24jpeg.bmp", "a JPEG stream inside a BMP is for printers, not files"},
    {"bmp/bmpsuite-q-rgb24png.bmp", "a PNG stream inside a BMP is for printers, not files"},
    {"emf/test_libuemf_p_ref.emf", "EMF+ records only, which the metafile player skips"},
    {"jpeg/monkey12.jpg", "12-bit JPEG samples"},
    {"tiff/testfax3_bug54_1dnoEOL.tif", "fax lines without EOL codes, which libtiff cannot resynchronise"},
};

// Decodes a file and every frame of it; returns the status of the file itself.
Status DecodeEverything(const std::filesystem::path& file, std::string& detail) {
  DecodeLimits limits;  // the defaults: what users get
  auto bitmap = Bitmap::FromFile(file.string(), limits);
  if (!bitmap.Ok()) return bitmap.GetStatus();
  Bitmap& b = *bitmap.Value();
  EXPECT_GT(b.Width(), 0u);
  EXPECT_GT(b.Height(), 0u);
  Guid dimension;
  EXPECT_EQ(b.GetFrameDimensionsList(std::span(&dimension, 1)), Status::Ok);
  uint32_t frames = 0;
  EXPECT_EQ(b.GetFrameCount(dimension, frames), Status::Ok);
  EXPECT_GE(frames, 1u);
  for (uint32_t i = 1; i < frames && i < 64; ++i) {
    const Status s = b.SelectActiveFrame(dimension, i);
    if (s != Status::Ok) detail += " frame " + std::to_string(i) + " failed;";
  }
  // Every decoded frame converts for display.
  BitmapData data;
  if (b.LockBits(nullptr, kImageLockModeRead, PixelFormat::ARGB32bpp, data) == Status::Ok) {
    Ignore(b.UnlockBits(data));
  } else {
    detail += " lock failed;";
  }
  return Status::Ok;
}

std::vector<std::filesystem::path> FilesIn(const std::filesystem::path& dir) {
  std::vector<std::filesystem::path> files;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(dir))
    if (entry.is_regular_file()) files.push_back(entry.path());
  std::sort(files.begin(), files.end());
  return files;
}

TEST(TestData, EveryReadableFileDecodes) {
  const auto root = test::TestDataDir();
  if (root.empty()) GTEST_SKIP() << "../shared/testdata is absent";
  size_t decoded = 0;
  for (const char* folder : {"bmp", "dib", "gif", "png", "jpeg", "tiff", "wmf", "emf"}) {
    for (const auto& file : FilesIn(root / folder)) {
      const std::string name = std::filesystem::relative(file, root).string();
      // PngSuite names its corrupt files x*; they belong with the broken ones.
      const bool corrupt = name.rfind("png/x", 0) == 0 || name.find("/pngsuite-x") != std::string::npos;
      std::string detail;
      const Status s = DecodeEverything(file, detail);
      if (corrupt) continue;
      if (s == Status::Ok) ++decoded;
      if (kMayFail.count(name)) continue;
      EXPECT_EQ(s, Status::Ok) << name;
      EXPECT_TRUE(detail.empty()) << name << ":" << detail;
    }
  }
  EXPECT_GT(decoded, 250u);
}

TEST(TestData, BrokenAndHostileFilesEndCleanly) {
  const auto root = test::TestDataDir();
  if (root.empty()) GTEST_SKIP() << "../shared/testdata is absent";
  size_t seen = 0;
  for (const auto& file : FilesIn(root / "bad")) {
    const std::string name = file.filename().string();
    std::string detail;
    const Status s = DecodeEverything(file, detail);
    EXPECT_NE(s, Status::NotImplemented) << name;
    ++seen;
  }
  EXPECT_GT(seen, 50u);
}

TEST(FuzzRegressions, EveryKeptInputEndsCleanly) {
  // Inputs the fuzzers once crashed on, kept under tests/data/fuzz/<fuzzer>/; the sanitizer build
  // is what watches them.
  const std::filesystem::path root = std::filesystem::path(TAVLEN_SOURCE_DIR) / "tests" / "data" / "fuzz";
  ASSERT_TRUE(std::filesystem::is_directory(root));
  size_t seen = 0;
  for (const auto& file : FilesIn(root)) {
    std::string detail;
    Ignore(DecodeEverything(file, detail));  // decoding or failing are both fine; crashing is not
    ++seen;
  }
  EXPECT_GT(seen, 0u);
}

}  // namespace
}  // namespace tavlen::gfx
