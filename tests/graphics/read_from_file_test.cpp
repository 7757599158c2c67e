// The codec table's file readers: plain 24-bit BMP and plain PNG files are decoded from their descriptor
// under their own format; every other file is left to the whole-file decoders, untouched.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <fstream>
#include <tuple>
#include <vector>

#include "platform/base/unique_fd.h"
#include "platform/graphics/codec_registry.h"
#include "tests/graphics/test_support.h"

namespace tavlen::gfx {
namespace {

using test::MakePatternBitmap;
using test::TempDir;

struct FileRead {
  Status status = Status::GenericError;
  bool read = false;
  Guid format = kImageFormatGif;  // a sentinel: neither reader's format
  DecodedFrame frame;
};

FileRead ReadThroughTable(const std::string& path) {
  FileRead result;
  base::UniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
  if (!fd.Valid()) return result;
  const off_t size = ::lseek(fd.Get(), 0, SEEK_END);
  result.status =
      ReadFromFile(fd.Get(), static_cast<uint64_t>(size), kDefaultLimits, result.frame, result.format, result.read);
  return result;
}

std::string Saved(const TempDir& dir, PixelFormat format, const Guid& encoder, const char* name) {
  Bitmap::Ptr picture = MakePatternBitmap(13, 7, format);
  const std::string path = dir.File(name);
  EXPECT_EQ(picture->Save(path, encoder), Status::Ok);
  return path;
}

TEST(ReadFromFile, PlainBmpAndPngAreReadUnderTheirFormat) {
  TempDir dir;
  for (const auto& [encoder, format, name] : {std::tuple{kBmpEncoderClsid, kImageFormatBmp, "plain.bmp"},
                                              std::tuple{kPngEncoderClsid, kImageFormatPng, "plain.png"}}) {
    const FileRead got = ReadThroughTable(Saved(dir, PixelFormat::RGB24bpp, encoder, name));
    EXPECT_EQ(got.status, Status::Ok) << name;
    EXPECT_TRUE(got.read) << name;
    EXPECT_EQ(got.format, format) << name;
    EXPECT_EQ(got.frame.pixels.Width(), 13u) << name;
    EXPECT_EQ(got.frame.pixels.Height(), 7u) << name;
  }
}

TEST(ReadFromFile, OtherFilesAreLeftToTheWholeFileDecoders) {
  TempDir dir;
  const std::string indexedBmp = Saved(dir, PixelFormat::Indexed8bpp, kBmpEncoderClsid, "indexed.bmp");
  const std::string gif = Saved(dir, PixelFormat::Indexed8bpp, kGifEncoderClsid, "picture.gif");
  const std::string shortFile = dir.File("short");
  std::ofstream(shortFile) << "BM";
  for (const std::string& path : {indexedBmp, gif, shortFile}) {
    const FileRead got = ReadThroughTable(path);
    EXPECT_EQ(got.status, Status::Ok) << path;
    EXPECT_FALSE(got.read) << path;
    EXPECT_EQ(got.format, kImageFormatGif) << path << ": the format stays as it was";
    EXPECT_EQ(got.frame.pixels.Width(), 0u) << path;
  }
}

TEST(ReadFromFile, ARefusedFileIsReadAndReportsTheRefusal) {
  // A plain BMP header claiming 6000 x 4000 pixels (72 MB of rows) over a few bytes: the BMP reader takes the file and
  // refuses its unbacked rows.
  TempDir dir;
  std::vector<uint8_t> bytes(54 + 16, 0);
  const auto put32 = [&](size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<uint8_t>(v >> (8 * i));
  };
  bytes[0] = 'B', bytes[1] = 'M';
  put32(10, 54);
  put32(14, 40);
  put32(18, 6000);
  put32(22, 4000);
  bytes[26] = 1, bytes[28] = 24;
  const std::string path = dir.File("bomb.bmp");
  std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), bytes.size());
  const FileRead got = ReadThroughTable(path);
  EXPECT_TRUE(got.read);
  EXPECT_EQ(got.status, Status::OutOfMemory);
  EXPECT_EQ(got.format, kImageFormatGif) << "the format stays as it was";
}

}  // namespace
}  // namespace tavlen::gfx
