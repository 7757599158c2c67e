// Conversions that stream rows from the decoder to the encoder: the same bytes as loading and saving (the
// same pixels for PNG, whose image data is deflated by chunks), the same failures, and the old file kept
// when they fail.
#include <fcntl.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <iterator>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "files/convert_file.h"
#include "files/frames.h"
#include "files/save_image.h"
#include "metadata/orientation.h"
#include "platform/graphics/codec_registry.h"
#include "platform/graphics/codecs/picture_rows.h"
#include "platform/graphics/codecs/png_file.h"
#include "platform/graphics/streamed_picture.h"
#include "tests/graphics/test_support.h"

namespace tavlen::files {
namespace {

namespace fs = std::filesystem;
using gfx::PixelFormat;
using gfx::Status;
using gfx::test::ReadFileBytes;
using gfx::test::TempDir;

// Both files decoded by our decoder, and the streamed one by ImageMagick too when `independent`.
::testing::AssertionResult SamePngPixels(const std::string& held, const std::string& streamed,
                                         bool independent = false) {
  auto expected = gfx::Bitmap::FromFile(held);
  auto actual = gfx::Bitmap::FromFile(streamed);
  if (!expected.Ok() || !actual.Ok()) return ::testing::AssertionFailure() << "a file does not decode";
  if (expected.Value()->Format() != actual.Value()->Format())
    return ::testing::AssertionFailure() << "pixel formats differ";
  if (auto same = gfx::test::SamePixels(*expected.Value(), *actual.Value()); !same) return same;
  if (!independent || !gfx::test::HasImageMagick()) return ::testing::AssertionSuccess();
  const auto magick = gfx::test::ReadWithImageMagick(streamed);
  if (!magick) return ::testing::AssertionFailure() << "ImageMagick cannot read " << streamed;
  gfx::Bitmap& picture = *expected.Value();
  if (magick->width != picture.Width() || magick->height != picture.Height())
    return ::testing::AssertionFailure() << "ImageMagick reads another size";
  // One lock for the whole picture: a lock a pixel takes minutes under the thread sanitizer.
  const gfx::Rect all{0, 0, static_cast<int32_t>(picture.Width()), static_cast<int32_t>(picture.Height())};
  gfx::BitmapData data;
  if (picture.LockBits(&all, gfx::kImageLockModeRead, PixelFormat::ARGB32bpp, data) != Status::Ok)
    return ::testing::AssertionFailure() << "no lock";
  ::testing::AssertionResult result = ::testing::AssertionSuccess();
  for (uint32_t y = 0; y < data.height && result; ++y) {
    const auto* row = static_cast<const uint8_t*>(data.scan0) + static_cast<ptrdiff_t>(y) * data.stride;
    for (uint32_t x = 0; x < data.width && result; ++x) {
      uint32_t argb = 0;
      std::memcpy(&argb, row + 4 * size_t{x}, 4);
      if (magick->Argb(0, x, y) != argb)
        result = ::testing::AssertionFailure() << "ImageMagick reads another pixel at " << x << "," << y;
    }
  }
  gfx::Ignore(picture.UnlockBits(data));
  return result;
}

struct Target {
  FileFormat format;
  int32_t tiffCompression = 0;
  int32_t jpegQuality = 100;
};
// BMP, PNG, LZW, Deflate and uncompressed TIFF (the bilevel schemes write a black-and-white copy, made
// whole), and JPEG with full and halved colour planes.
constexpr Target kTargets[] = {{FileFormat::Png},        {FileFormat::Bmp},     {FileFormat::Tiff, 0},
                               {FileFormat::Tiff, 5},    {FileFormat::Tiff, 4}, {FileFormat::Jpeg, 0, 90},
                               {FileFormat::Jpeg, 0, 75}};

// One target of each encoder, for the many small real files.
constexpr Target kEachEncoder[] = {
    {FileFormat::Png}, {FileFormat::Bmp}, {FileFormat::Tiff, 0}, {FileFormat::Jpeg, 0, 75}};

// What ConvertFile wrote before it streamed: the picture loaded whole, then saved.
Status LoadThenSave(const std::string& source, const std::string& base, const Target& target,
                    const ConvertSettings& settings, const gfx::DecodeOptions& decode) {
  auto loaded = gfx::Bitmap::FromFile(source, gfx::ProcessLimits(), decode);
  if (!loaded.Ok()) return loaded.GetStatus();
  if (settings.upright) {
    if (Status s = metadata::TurnUpright(*loaded.Value()); s != Status::Ok) return s;
  }
  EncodeOptions options{.jpegQuality = target.jpegQuality, .tiffCompression = std::nullopt};
  if (target.format == FileFormat::Tiff)
    options.tiffCompression = ChooseTiffCompression(target.tiffCompression).encoderValue;
  return SaveImage(*loaded.Value(), base, target.format, options);
}

class StreamedConversion : public ::testing::Test {
 protected:
  static bool Streams(const std::string& source, const gfx::DecodeOptions& decode = {}) {
    return gfx::StreamedPicture::Open(source, gfx::ProcessLimits(), decode) != nullptr;
  }

  // Converts `source` both ways into every target and compares the files; true when it streamed.
  // `independent`: ImageMagick must read the streamed PNG's pixels as well.
  bool ExpectSameFiles(const std::string& source, const ConvertSettings& base = {},
                       const gfx::DecodeOptions& decode = {}, std::span<const Target> targets = kTargets,
                       bool independent = false) {
    const bool streams = Streams(source, decode);
    for (const Target& target : targets) {
      ConvertSettings settings = base;
      settings.tiffCompression = target.tiffCompression;
      settings.jpegQuality = target.jpegQuality;
      const Status held = LoadThenSave(source, m_dir.File("held"), target, settings, decode);
      const Status streamed = ConvertFile(source, m_dir.File("streamed"), target.format, settings, decode);
      EXPECT_EQ(streamed, held) << source;
      if (held != Status::Ok || streamed != Status::Ok) continue;
      const std::string extension(InfoFor(target.format).extension);
      if (target.format == FileFormat::Png) {
        EXPECT_TRUE(SamePngPixels(m_dir.File("held.png"), m_dir.File("streamed.png"), independent)) << source;
        continue;
      }
      const auto expected = ReadFileBytes(m_dir.File("held" + extension));
      EXPECT_FALSE(expected.empty());
      EXPECT_TRUE(expected == ReadFileBytes(m_dir.File("streamed" + extension)))
          << source << " as " << extension << " compression " << target.tiffCompression << " quality "
          << target.jpegQuality;
    }
    return streams;
  }

  // A 24-bit BMP of the pattern, stored bottom-up or top-down.
  std::string WriteBmp(uint32_t width, uint32_t height, bool topDown) {
    auto picture = gfx::test::MakePatternBitmap(width, height, PixelFormat::RGB24bpp, width);
    const std::string base = m_dir.File("pattern" + std::to_string(width) + (topDown ? "td" : "bu"));
    EXPECT_EQ(SaveImage(*picture, base, FileFormat::Bmp, {}), Status::Ok);
    const std::string path = base + ".bmp";
    if (topDown) {
      // Rows reversed and the height negated: the same picture stored the other way.
      auto bytes = ReadFileBytes(path);
      const size_t start = bytes[10] | bytes[11] << 8, row = (size_t{width} * 3 + 3) / 4 * 4;
      std::vector<uint8_t> flipped(bytes.begin(), bytes.begin() + static_cast<long>(start));
      for (uint32_t r = height; r-- > 0;)
        flipped.insert(flipped.end(), bytes.begin() + static_cast<long>(start + r * row),
                       bytes.begin() + static_cast<long>(start + (r + 1) * row));
      const int32_t negative = -static_cast<int32_t>(height);
      for (int i = 0; i < 4; ++i) flipped[22 + i] = static_cast<uint8_t>(static_cast<uint32_t>(negative) >> (8 * i));
      std::FILE* f = std::fopen(path.c_str(), "wb");
      std::fwrite(flipped.data(), 1, flipped.size(), f);
      std::fclose(f);
    }
    return path;
  }

  TempDir m_dir;
};

TEST_F(StreamedConversion, RealJpegsGiveTheFilesOfLoadingAndSaving) {
  const fs::path dir = gfx::test::TestDataDir() / "jpeg";
  if (!fs::is_directory(dir)) GTEST_SKIP() << "no test data beside the checkout";
  int streamed = 0;
  // Gray, progressive and CMYK files load whole, as before; most photos stream.
  for (const auto& entry : fs::directory_iterator(dir))
    if (Streams(entry.path().string())) streamed += ExpectSameFiles(entry.path().string());
  EXPECT_GE(streamed, 15);
}

TEST_F(StreamedConversion, LargePicturesCrossManyBandsAndTheLoadersTwoHalves) {
  // Big enough that loading decodes the JPEG in two parts at once and the TIFF strips in two halves.
  auto picture = gfx::test::MakePatternBitmap(1500, 1100, PixelFormat::RGB24bpp, 7);
  ASSERT_EQ(
      SaveImage(*picture, m_dir.File("large"), FileFormat::Jpeg, {.jpegQuality = 90, .tiffCompression = std::nullopt}),
      Status::Ok);
  EXPECT_TRUE(ExpectSameFiles(m_dir.File("large.jpg"), {}, {}, kTargets, true));
  // Far more inflated rows than the PNG reader's window holds.
  ASSERT_EQ(SaveImage(*picture, m_dir.File("large"), FileFormat::Png, {}), Status::Ok);
  EXPECT_TRUE(ExpectSameFiles(m_dir.File("large.png"), {}, {}, kEachEncoder));
  EXPECT_TRUE(ExpectSameFiles(WriteBmp(600, 300, false)));
  EXPECT_TRUE(ExpectSameFiles(WriteBmp(333, 201, true)));
  EXPECT_TRUE(ExpectSameFiles(WriteBmp(1, 1, false), {}, {}, kTargets, true));
  // One row; a height that is a multiple of the pipe's bands; a row longer than a deflated chunk.
  EXPECT_TRUE(ExpectSameFiles(WriteBmp(77, 1, true), {}, {}, std::span(kTargets, 1), true));
  EXPECT_TRUE(ExpectSameFiles(WriteBmp(50, 128, false), {}, {}, std::span(kTargets, 1)));
  EXPECT_TRUE(ExpectSameFiles(WriteBmp(180000, 3, false), {}, {}, std::span(kTargets, 1)));
}

TEST_F(StreamedConversion, RealBmpsStreamWhenPlainAndLoadWholeOtherwise) {
  const fs::path dir = gfx::test::TestDataDir() / "bmp";
  if (!fs::is_directory(dir)) GTEST_SKIP() << "no test data beside the checkout";
  for (const auto& entry : fs::directory_iterator(dir))
    if (Streams(entry.path().string())) ExpectSameFiles(entry.path().string());
  EXPECT_TRUE(Streams((dir / "bmpsuite-g-rgb24.bmp").string()));
  EXPECT_FALSE(Streams((dir / "bmpsuite-g-pal8.bmp").string()));
}

TEST_F(StreamedConversion, NewerOptionsStreamOnlyWherePixelsStayAsDecoded) {
  const fs::path data = gfx::test::TestDataDir();
  if (!fs::is_directory(data)) GTEST_SKIP() << "no test data beside the checkout";
  const std::string profiled = (data / "jpeg" / "Canon_40D.jpg").string();
  const std::string turned = (data / "orient" / "Landscape_6.jpg").string();
  const gfx::DecodeOptions keep{.colorManaged = false, .keepProfile = true, .extraFormats = false};
  const gfx::DecodeOptions managed{.colorManaged = true, .keepProfile = false, .extraFormats = true};
  // The kept profile goes into the file as loading keeps it.
  EXPECT_TRUE(ExpectSameFiles(profiled, {}, keep));
  // Pixels converted to sRGB, or turned upright, need the whole picture.
  EXPECT_FALSE(Streams(profiled, managed));
  // The file opens for streaming, but the conversion must turn it: the file shows it upright.
  EXPECT_TRUE(
      ExpectSameFiles(turned, {.jpegQuality = 100, .tiffCompression = 0, .upright = true}, {}, std::span(kTargets, 1)));
}

TEST_F(StreamedConversion, DamagedFilesFailAsLoadingDoesAndKeepTheOldFile) {
  const fs::path bad = gfx::test::TestDataDir() / "bad";
  if (!fs::is_directory(bad)) GTEST_SKIP() << "no test data beside the checkout";
  const std::string old = m_dir.File("out.png");
  const std::vector<uint8_t> oldBytes = {1, 2, 3};
  int streamed = 0;
  for (const auto& entry : fs::directory_iterator(bad)) {
    const std::string source = entry.path().string(), name = entry.path().filename().string();
    const bool streamable =
        name.starts_with("jpeg-") || name.starts_with("bmp-") || name.starts_with("png-") || name.starts_with("tiff-");
    if (!streamable || !Streams(source)) continue;
    ++streamed;
    std::FILE* f = std::fopen(old.c_str(), "wb");
    std::fwrite(oldBytes.data(), 1, oldBytes.size(), f);
    std::fclose(f);
    const Status held = LoadThenSave(source, m_dir.File("held"), kTargets[0], {}, {});
    const Status status = ConvertFile(source, m_dir.File("out"), FileFormat::Png, {}, {});
    EXPECT_EQ(status, held) << name;
    if (status != Status::Ok) {
      EXPECT_EQ(ReadFileBytes(old), oldBytes) << name;
    } else if (held == Status::Ok) {
      // Truncated data decodes to the same filler either way.
      EXPECT_TRUE(SamePngPixels(m_dir.File("held.png"), old)) << name;
    }
  }
  EXPECT_GE(streamed, 8);
}

TEST_F(StreamedConversion, RealPngsStreamUnlessInterlacedAnimatedOrGammaManaged) {
  const fs::path dir = gfx::test::TestDataDir() / "png";
  if (!fs::is_directory(dir)) GTEST_SKIP() << "no test data beside the checkout";
  int streamed = 0;
  // Every colour type and depth, palettes shorter than their indices, text and EXIF before and after the
  // image data; indexed pictures still load whole for PNG, whose palette is cut to the indices used.
  for (const auto& entry : fs::directory_iterator(dir))
    if (Streams(entry.path().string())) streamed += ExpectSameFiles(entry.path().string(), {}, {}, kEachEncoder);
  EXPECT_GE(streamed, 60);
  EXPECT_TRUE(Streams((dir / "pngsuite-basn3p04.png").string()));
  EXPECT_TRUE(Streams((dir / "pngsuite-basn6a16.png").string()));
  // Those that load whole still convert.
  EXPECT_FALSE(ExpectSameFiles((dir / "pngsuite-basi0g08.png").string(), {}, {}, kEachEncoder));
  EXPECT_FALSE(ExpectSameFiles((dir / "apng_dispose_op_previous.png").string(), {}, {}, kEachEncoder));
  // A gamma chunk alone changes managed pixels.
  const gfx::DecodeOptions managed{.colorManaged = true, .keepProfile = false, .extraFormats = false};
  EXPECT_FALSE(Streams((dir / "pngsuite-g04n2c08.png").string(), managed));
  EXPECT_TRUE(Streams((dir / "pngsuite-g04n2c08.png").string()));
}

TEST_F(StreamedConversion, RealTiffsStreamTheirFirstPageWhenReadRowByRow) {
  const fs::path dir = gfx::test::TestDataDir() / "tiff";
  if (!fs::is_directory(dir)) GTEST_SKIP() << "no test data beside the checkout";
  int streamed = 0;
  // Strips and tiles of every codec libtiff has, 1 to 16 bits, palettes, planar pages, several pages.
  for (const auto& entry : fs::directory_iterator(dir))
    if (Streams(entry.path().string())) streamed += ExpectSameFiles(entry.path().string(), {}, {}, kEachEncoder);
  EXPECT_GE(streamed, 30);
  EXPECT_TRUE(Streams((dir / "multipage.tiff").string()));
  EXPECT_TRUE(Streams((dir / "quad-tile.tif").string()));
  EXPECT_TRUE(Streams((dir / "palette-1c-8b.tiff").string()));
  // Turned pages and colour through libtiff's RGBA reader load whole.
  EXPECT_FALSE(ExpectSameFiles((dir / "g4_orientation_3.tif").string(), {}, {}, kEachEncoder));
  EXPECT_FALSE(Streams((dir / "tiled-jpeg-ycbcr.tif").string()));
  EXPECT_FALSE(Streams((dir / "cmyk-3c-8b.tiff").string()));
}

uint32_t Crc32(const uint8_t* p, size_t n) {
  uint32_t crc = 0xFFFFFFFFu;
  for (size_t i = 0; i < n; ++i) {
    crc ^= p[i];
    for (int k = 0; k < 8; ++k) crc = crc >> 1 ^ (0xEDB88320u & (0u - (crc & 1)));
  }
  return ~crc;
}

void PutBig32(std::vector<uint8_t>& bytes, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<uint8_t>(v >> (24 - 8 * i));
}

void WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
  std::FILE* f = std::fopen(path.c_str(), "wb");
  ASSERT_NE(f, nullptr);
  std::fwrite(bytes.data(), 1, bytes.size(), f);
  std::fclose(f);
}

// The pattern saved as a PNG (RGB) or an LZW TIFF with many strips.
std::string WritePattern(TempDir& dir, const std::string& name, FileFormat format) {
  auto picture = gfx::test::MakePatternBitmap(700, 300, PixelFormat::RGB24bpp, 3);
  EncodeOptions options{.jpegQuality = 100, .tiffCompression = std::nullopt};
  if (format == FileFormat::Tiff) options.tiffCompression = ChooseTiffCompression(0).encoderValue;
  EXPECT_EQ(SaveImage(*picture, dir.File(name), format, options), Status::Ok);
  return dir.File(name) + std::string(InfoFor(format).extension);
}

// Converts `source` into every target over an old file: the load's status, the old file kept on failure,
// the load's file on success.
void ExpectLoadsOutcome(TempDir& dir, const std::string& source) {
  for (const Target& target : kTargets) {
    const std::string extension(InfoFor(target.format).extension);
    const std::vector<uint8_t> old = {7, 7, 7};
    WriteBytes(dir.File("out" + extension), old);
    const ConvertSettings settings{.jpegQuality = target.jpegQuality, .tiffCompression = target.tiffCompression};
    const Status held = LoadThenSave(source, dir.File("held"), target, settings, {});
    EXPECT_EQ(ConvertFile(source, dir.File("out"), target.format, settings, {}), held) << source << extension;
    if (held != Status::Ok) {
      EXPECT_EQ(ReadFileBytes(dir.File("out" + extension)), old) << source;
    } else if (target.format == FileFormat::Png) {
      EXPECT_TRUE(SamePngPixels(dir.File("held.png"), dir.File("out.png"))) << source;
    } else {
      EXPECT_EQ(ReadFileBytes(dir.File("held" + extension)), ReadFileBytes(dir.File("out" + extension))) << source;
    }
  }
}

TEST_F(StreamedConversion, PngAndTiffDamagedInTheirImageDataEndAsTheLoadEnds) {
  // Cut in the middle of the image data: the PNG's rows stop; the TIFF's directory, written last, is gone.
  for (FileFormat format : {FileFormat::Png, FileFormat::Tiff}) {
    const std::string path = WritePattern(m_dir, "cut", format);
    auto bytes = ReadFileBytes(path);
    bytes.resize(bytes.size() / 2);
    WriteBytes(path, bytes);
    EXPECT_EQ(Streams(path), format == FileFormat::Png);
    ExpectLoadsOutcome(m_dir, path);
  }
  // Bytes after the end of the deflated rows: the load's own inflater refuses them and libpng lets them
  // pass; the stream's inflater refuses them at the last row and libpng takes over there.
  const std::string png = WritePattern(m_dir, "trailing", FileFormat::Png);
  auto extra = ReadFileBytes(png);
  size_t lastIdat = 0;
  for (size_t chunk = 8; chunk + 8 <= extra.size();
       chunk += 12 + (size_t{extra[chunk]} << 24 | size_t{extra[chunk + 1]} << 16 | size_t{extra[chunk + 2]} << 8 |
                      extra[chunk + 3]))
    if (std::memcmp(extra.data() + chunk + 4, "IDAT", 4) == 0) lastIdat = chunk;
  ASSERT_NE(lastIdat, 0u);
  const size_t length =
      extra[lastIdat] << 24 | extra[lastIdat + 1] << 16 | extra[lastIdat + 2] << 8 | extra[lastIdat + 3];
  const size_t crcAt = lastIdat + 8 + length;
  extra.insert(extra.begin() + static_cast<long>(crcAt), {1, 2, 3, 4});
  PutBig32(extra, lastIdat, static_cast<uint32_t>(length + 4));
  PutBig32(extra, crcAt + 4, Crc32(extra.data() + lastIdat + 4, length + 8));
  WriteBytes(png, extra);
  {
    const base::UniqueFd fd(open(png.c_str(), O_RDONLY | O_CLOEXEC));
    gfx::DecodedFrame frame;
    EXPECT_FALSE(gfx::ReadStreamedPng(fd.Get(), extra.size(), gfx::ProcessLimits(), frame));
  }
  ASSERT_TRUE(Streams(png));
  ASSERT_EQ(LoadThenSave(png, m_dir.File("held"), kTargets[1], {}, {}), Status::Ok);
  ExpectLoadsOutcome(m_dir, png);

  // Strips overwritten in the middle: the load keeps what LZW decodes of them, and so does the stream.
  const std::string tiff = WritePattern(m_dir, "smudged", FileFormat::Tiff);
  auto bytes = ReadFileBytes(tiff);
  std::fill(bytes.begin() + static_cast<long>(bytes.size() / 3), bytes.begin() + static_cast<long>(bytes.size() / 2),
            0x5A);
  WriteBytes(tiff, bytes);
  ASSERT_TRUE(Streams(tiff));
  ExpectLoadsOutcome(m_dir, tiff);
}

TEST_F(StreamedConversion, HugeSidesInFewBytesAreRefusedAsTheLoadRefusesThem) {
  // A PNG header claiming 200000 × 200000 pixels over a few bytes of image data.
  const std::string png = WritePattern(m_dir, "huge", FileFormat::Png);
  auto bytes = ReadFileBytes(png);
  ASSERT_EQ(std::memcmp(bytes.data() + 12, "IHDR", 4), 0);
  PutBig32(bytes, 16, 200000);
  PutBig32(bytes, 20, 200000);
  PutBig32(bytes, 29, Crc32(bytes.data() + 12, 17));
  WriteBytes(png, bytes);
  // A TIFF whose directory says 100000 × 100000 with its strips unchanged.
  const std::string tiff = WritePattern(m_dir, "huge", FileFormat::Tiff);
  bytes = ReadFileBytes(tiff);
  ASSERT_EQ(bytes[0], 'I');
  const size_t ifd = bytes[4] | bytes[5] << 8 | bytes[6] << 16 | size_t{bytes[7]} << 24;
  const size_t entries = bytes[ifd] | bytes[ifd + 1] << 8;
  for (size_t i = 0; i < entries; ++i) {
    uint8_t* entry = bytes.data() + ifd + 2 + 12 * i;
    const int tag = entry[0] | entry[1] << 8;
    if (tag != 256 && tag != 257) continue;
    const uint8_t longOf100000[] = {4, 0, 1, 0, 0, 0, 0xA0, 0x86, 0x01, 0x00};
    std::memcpy(entry + 2, longOf100000, sizeof longOf100000);
  }
  WriteBytes(tiff, bytes);
  for (const std::string& path : {png, tiff}) {
    EXPECT_FALSE(Streams(path)) << path;
    EXPECT_NE(LoadThenSave(path, m_dir.File("held"), kTargets[0], {}, {}), Status::Ok) << path;
    ExpectLoadsOutcome(m_dir, path);
  }
}

TEST_F(StreamedConversion, ExportingTheFirstFrameStreamsAndWritesWhatTheLoadWrote) {
  const fs::path dir = gfx::test::TestDataDir() / "tiff";
  if (!fs::is_directory(dir)) GTEST_SKIP() << "no test data beside the checkout";
  const std::string multipage = (dir / "multipage.tiff").string();
  const std::string png = WritePattern(m_dir, "export", FileFormat::Png);
  for (const std::string& source : {multipage, png}) {
    ASSERT_TRUE(Streams(source));
    for (const char* type : {"BMP", "TIF", "JPG"}) {
      const FileFormat format = *FormatOfExportType(type);
      const std::string extension(InfoFor(format).extension);
      ASSERT_EQ(ExportFrame(source, m_dir.File("exported"), type, 1, 80, false, {}), Status::Ok);
      auto loaded = gfx::Bitmap::FromFile(source);
      ASSERT_TRUE(loaded.Ok());
      ASSERT_EQ(
          SaveImage(*loaded.Value(), m_dir.File("held"), format, {.jpegQuality = 80, .tiffCompression = std::nullopt}),
          Status::Ok);
      EXPECT_EQ(ReadFileBytes(m_dir.File("exported" + extension)), ReadFileBytes(m_dir.File("held" + extension)))
          << source << " " << type;
    }
  }
  // Later pages still come from the loaded file.
  EXPECT_EQ(ExportFrame(multipage, m_dir.File("second"), "BMP", 2, 80, false, {}), Status::Ok);
  auto second = gfx::Bitmap::FromFile(m_dir.File("second.bmp"));
  auto first = gfx::Bitmap::FromFile(m_dir.File("exported.bmp"));
  ASSERT_TRUE(second.Ok() && first.Ok());
  EXPECT_FALSE(gfx::test::SamePixels(*first.Value(), *second.Value()));
}

// Rows counted from a seed; fails at one row when asked.
class CountingRows final : public gfx::RowSource {
 public:
  CountingRows(uint32_t width, uint32_t failAt) : m_width(width), m_failAt(failAt) {}
  Status ReadRows(std::span<uint8_t* const> rows) override {
    for (uint8_t* row : rows) {
      if (m_next == m_failAt) return Status::GenericError;
      for (uint32_t i = 0; i < m_width * 3; ++i) row[i] = static_cast<uint8_t>(m_next * 7 + i);
      ++m_next;
    }
    return Status::Ok;
  }

 private:
  uint32_t m_width, m_failAt, m_next = 0;
};

TEST(RowPipe, HandsEveryRowOverInOrderAndReportsTheDecodersFailure) {
  constexpr uint32_t kWidth = 5, kHeight = 1000;
  {
    CountingRows source(kWidth, UINT32_MAX);
    gfx::RowPipe pipe(source, PixelFormat::RGB24bpp, kWidth, kHeight);
    ASSERT_EQ(pipe.Start(), Status::Ok);
    for (uint32_t y = 0; y < kHeight; ++y) {
      const uint8_t* row = pipe.Row(y);
      ASSERT_EQ(row[0], static_cast<uint8_t>(y * 7)) << y;
      ASSERT_EQ(row[14], static_cast<uint8_t>(y * 7 + 14)) << y;
    }
    EXPECT_EQ(pipe.Finish(), Status::Ok);
  }
  {
    CountingRows source(kWidth, 300);
    gfx::RowPipe pipe(source, PixelFormat::RGB24bpp, kWidth, kHeight);
    ASSERT_EQ(pipe.Start(), Status::Ok);
    gfx::Bytes png;
    const gfx::Palette none;
    // The encoder reads zeros past the failure and finishes; the failure is the pipe's to say.
    EXPECT_EQ(gfx::EncodePngRows(gfx::PictureRows(pipe, none), {}, {}, png), Status::Ok);
    EXPECT_EQ(pipe.Row(kHeight - 1)[0], 0);
    EXPECT_EQ(pipe.Finish(), Status::GenericError);
  }
  {
    // A reader that stops early leaves no decoder waiting for it.
    CountingRows source(kWidth, UINT32_MAX);
    gfx::RowPipe pipe(source, PixelFormat::RGB24bpp, kWidth, kHeight);
    ASSERT_EQ(pipe.Start(), Status::Ok);
    EXPECT_EQ(pipe.Row(0)[1], 1);
  }
}

// Rows of CountingRows streamed into a file by the encoder.
Status SaveCountedRows(const std::string& path, const gfx::Guid& encoder, uint32_t width, uint32_t height,
                       uint32_t failAt) {
  auto frame = std::make_unique<gfx::StreamedFrame>();
  frame->format = PixelFormat::RGB24bpp;
  frame->width = width;
  frame->height = height;
  frame->rows = std::make_unique<CountingRows>(width, failAt);
  return gfx::StreamedPicture::FromFrame(std::move(frame))->Save(path, encoder, {});
}

TEST(StreamedPicture, ASourceFailingMidwayLeavesTheOldFileAndNoTemporary) {
  // 6 MB of rows: many deflated chunks reach the temporary before the failure.
  constexpr uint32_t kWidth = 2000, kHeight = 1000;
  TempDir dir;
  const std::string path = dir.File("out");
  const std::vector<uint8_t> old = {1, 2, 3};
  std::FILE* f = std::fopen(path.c_str(), "wb");
  std::fwrite(old.data(), 1, old.size(), f);
  std::fclose(f);
  for (const gfx::Guid& encoder : {gfx::kPngEncoderClsid, gfx::kTiffEncoderClsid}) {
    EXPECT_EQ(SaveCountedRows(path, encoder, kWidth, kHeight, 900), Status::GenericError);
    EXPECT_EQ(ReadFileBytes(path), old);
  }
  EXPECT_EQ(std::distance(fs::directory_iterator(dir.Path()), fs::directory_iterator()), 1) << "a temporary is left";

  // Without the failure the rows replace it, each of them as the source gave it.
  ASSERT_EQ(SaveCountedRows(path, gfx::kPngEncoderClsid, kWidth, kHeight, UINT32_MAX), Status::Ok);
  auto written = gfx::Bitmap::FromFile(path);
  ASSERT_TRUE(written.Ok());
  ASSERT_EQ(written.Value()->Format(), PixelFormat::RGB24bpp);
  const std::string bytes = gfx::test::OwnFormatBytes(*written.Value());
  ASSERT_EQ(bytes.size(), size_t{kWidth} * 3 * kHeight);
  for (uint32_t y = 0; y < kHeight; ++y)
    for (uint32_t i = 0; i < kWidth * 3; i += 997)
      ASSERT_EQ(static_cast<uint8_t>(bytes[y * kWidth * 3 + i]), static_cast<uint8_t>(y * 7 + i)) << y << "," << i;
}

}  // namespace
}  // namespace tavlen::files
