// The fast PNG row paths, in memory and streamed from a file: every filter and sample layout against
// known pixels, and the files they must hand back to libpng (damaged data, chunks after the image
// data, truncation).
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/mman.h>
#include <unistd.h>
#include <zlib.h>

#include <array>
#include <cstring>
#include <filesystem>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "platform/base/unique_fd.h"
#include "platform/graphics/bitmap.h"
#include "platform/graphics/codecs/png_file.h"
#include "tests/graphics/test_support.h"

namespace tavlen::gfx {
namespace {

void Put32(std::vector<uint8_t>& out, uint32_t v) {
  for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<uint8_t>(v >> shift));
}

void PutChunk(std::vector<uint8_t>& out, const char* type, const std::vector<uint8_t>& data) {
  Put32(out, static_cast<uint32_t>(data.size()));
  const size_t start = out.size();
  out.insert(out.end(), type, type + 4);
  out.insert(out.end(), data.begin(), data.end());
  Put32(out, static_cast<uint32_t>(crc32(0, &out[start], static_cast<uInt>(data.size() + 4))));
}

// Row y filtered with filter y % 5, so that every filter meets every neighbour.
std::vector<uint8_t> FilterRows(const std::vector<uint8_t>& raw, size_t rowBytes, uint32_t height, uint32_t bpp) {
  std::vector<uint8_t> out;
  for (uint32_t y = 0; y < height; ++y) {
    const uint8_t filter = static_cast<uint8_t>(y % 5);
    out.push_back(filter);
    const uint8_t* row = &raw[y * rowBytes];
    const uint8_t* up = y > 0 ? row - rowBytes : nullptr;
    for (size_t i = 0; i < rowBytes; ++i) {
      const int a = i >= bpp ? row[i - bpp] : 0, b = up ? up[i] : 0, c = up && i >= bpp ? up[i - bpp] : 0;
      const int predictor = test::PngPredictor(filter, a, b, c);
      out.push_back(static_cast<uint8_t>(row[i] - predictor));
    }
  }
  return out;
}

struct PngParts {
  std::vector<uint8_t> raw;  // unfiltered samples, as stored
  std::vector<uint8_t> file;
};

// How MakePng lays out the image data.
struct PngLayout {
  size_t idatBytes = 1000;  // payload of each IDAT chunk
  bool emptyIdats = false;  // a zero-length IDAT before each one
  bool textAfter = false;   // tEXt chunks between the image data and IEND
  bool textBefore = false;  // a tEXt chunk of the same key before the image data
  int level = 6;            // zlib level
  bool zeros = false;       // all samples zero instead of noise
  uint32_t period = 0;      // rows repeating every so many rows: deflate then copies whole rows
};

// An 8-bit PNG of the colour type with noisy samples; the image data split over several IDAT chunks.
PngParts MakePng(uint8_t colorType, uint32_t channels, uint32_t width, uint32_t height, PngLayout layout = {}) {
  PngParts p;
  const size_t rowBytes = size_t{width} * channels;
  uint32_t state = 12345;
  for (size_t i = 0; i < rowBytes * height; ++i) {
    state = state * 1103515245u + 12345u;
    p.raw.push_back(layout.zeros ? 0 : static_cast<uint8_t>(i % 7 == 0 ? state >> 24 : (i * 3) & 0xFF));
  }
  if (layout.period > 0)
    for (size_t i = rowBytes * layout.period; i < p.raw.size(); ++i) p.raw[i] = p.raw[i - rowBytes * layout.period];
  const std::vector<uint8_t> filtered = FilterRows(p.raw, rowBytes, height, channels);
  std::vector<uint8_t> packed(compressBound(static_cast<uLong>(filtered.size())));
  uLongf packedSize = static_cast<uLongf>(packed.size());
  compress2(packed.data(), &packedSize, filtered.data(), static_cast<uLong>(filtered.size()), layout.level);
  packed.resize(packedSize);

  const uint8_t signature[] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  p.file.assign(signature, signature + 8);
  std::vector<uint8_t> ihdr;
  Put32(ihdr, width);
  Put32(ihdr, height);
  ihdr.insert(ihdr.end(), {8, colorType, 0, 0, 0});
  PutChunk(p.file, "IHDR", ihdr);
  if (colorType == 3) {
    std::vector<uint8_t> plte;
    for (int i = 0; i < 256; ++i) plte.insert(plte.end(), {static_cast<uint8_t>(i), static_cast<uint8_t>(255 - i), 7});
    PutChunk(p.file, "PLTE", plte);
  }
  if (layout.textBefore) {
    const std::string text = std::string("Title") + '\0' + "before the pixels";
    PutChunk(p.file, "tEXt", {text.begin(), text.end()});
  }
  for (size_t at = 0; at < packed.size(); at += layout.idatBytes) {
    if (layout.emptyIdats) PutChunk(p.file, "IDAT", {});
    const auto end = packed.begin() + static_cast<ptrdiff_t>(std::min(packed.size(), at + layout.idatBytes));
    PutChunk(p.file, "IDAT", {packed.begin() + static_cast<ptrdiff_t>(at), end});
  }
  if (layout.textAfter) {
    for (const std::string& text :
         {std::string("Title") + '\0' + "after the pixels", std::string("Author") + '\0' + "someone"})
      PutChunk(p.file, "tEXt", {text.begin(), text.end()});
  }
  PutChunk(p.file, "IEND", {});
  return p;
}

// The stored samples read back through the library's own format.
void ExpectSamples(Bitmap& b, const PngParts& p, uint32_t channels) {
  BitmapData data;
  ASSERT_EQ(b.LockBits(nullptr, kImageLockModeRead, b.Format(), data), Status::Ok);
  bool same = true;
  for (uint32_t y = 0; y < data.height && same; ++y) {
    const auto* row = static_cast<const uint8_t*>(data.scan0) + size_t(y) * static_cast<size_t>(data.stride);
    for (uint32_t x = 0; x < data.width * channels && same; ++x) {
      // The library keeps colours as B, G, R (, A).
      const uint32_t c = x % channels;
      const uint32_t from = channels == 1 || c == 1 || c == 3 ? x : x - c + (2 - c);
      same = row[x] == p.raw[size_t(y) * data.width * channels + from];
      EXPECT_TRUE(same) << "at row " << y << " byte " << x;
    }
  }
  EXPECT_EQ(b.UnlockBits(data), Status::Ok);
}

struct Layout {
  uint8_t colorType;
  uint32_t channels;
  PixelFormat format;
};

TEST(PngPlainRows, EveryFilterAndLayoutDecodesExactly) {
  for (const Layout& l : {Layout{0, 1, PixelFormat::Indexed8bpp}, Layout{3, 1, PixelFormat::Indexed8bpp},
                          Layout{2, 3, PixelFormat::RGB24bpp}, Layout{6, 4, PixelFormat::ARGB32bpp}}) {
    // 37 and 38 pixels: strides with and without padding, longer and shorter than a filtered row.
    for (uint32_t width : {37u, 38u, 1u}) {
      SCOPED_TRACE("colour type " + std::to_string(l.colorType) + ", width " + std::to_string(width));
      const PngParts p = MakePng(l.colorType, l.channels, width, 23);
      auto b = Bitmap::FromMemory(p.file);
      ASSERT_TRUE(b.Ok());
      EXPECT_EQ(b.Value()->Format(), l.format);
      ExpectSamples(*b.Value(), p, l.channels);
    }
  }
}

TEST(PngPlainRows, ChunksAfterTheImageDataAreStillRead) {
  const PngParts p = MakePng(2, 3, 20, 9, {.textAfter = true});
  auto b = Bitmap::FromMemory(p.file);
  ASSERT_TRUE(b.Ok());
  ExpectSamples(*b.Value(), p, 3);
  uint32_t size = 0;
  EXPECT_EQ(b.Value()->GetPropertyItemSize(kPropertyTagImageTitle, size), Status::Ok);
}

TEST(PngPlainRows, DamagedImageDataIsRefusedAsBefore) {
  const PngParts good = MakePng(6, 4, 30, 30);
  // A flipped bit in the compressed data (its CRC then fails too), a bad filter type, a truncated file.
  std::vector<uint8_t> flipped = good.file;
  flipped[flipped.size() - 40] ^= 0x10;
  EXPECT_FALSE(Bitmap::FromMemory(flipped).Ok());
  std::vector<uint8_t> truncated(good.file.begin(), good.file.end() - 200);
  EXPECT_FALSE(Bitmap::FromMemory(truncated).Ok());

  PngParts badFilter = MakePng(0, 1, 8, 4);
  // Rebuild with a filter byte of 9 on the first row.
  std::vector<uint8_t> rows = FilterRows(badFilter.raw, 8, 4, 1);
  rows[0] = 9;
  std::vector<uint8_t> packed(compressBound(static_cast<uLong>(rows.size())));
  uLongf packedSize = static_cast<uLongf>(packed.size());
  compress2(packed.data(), &packedSize, rows.data(), static_cast<uLong>(rows.size()), 6);
  packed.resize(packedSize);
  std::vector<uint8_t> file(badFilter.file.begin(), badFilter.file.begin() + 33);  // signature and IHDR
  PutChunk(file, "IDAT", packed);
  PutChunk(file, "IEND", {});
  EXPECT_FALSE(Bitmap::FromMemory(file).Ok());
}

// The bytes as a file on a descriptor, the way Bitmap::FromFile hands them to the streamed reader.
base::UniqueFd MemoryFile(const std::vector<uint8_t>& bytes) {
  base::UniqueFd fd(memfd_create("png_stream_test", MFD_CLOEXEC));
  EXPECT_TRUE(fd.Valid());
  EXPECT_EQ(write(fd.Get(), bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
  return fd;
}

// Whether the streamed reader takes the file, and the pixels it gives.
Bitmap::Ptr ReadStreamed(const std::vector<uint8_t>& file) {
  base::UniqueFd fd = MemoryFile(file);
  DecodedFrame frame;
  if (!ReadStreamedPng(fd.Get(), file.size(), kDefaultLimits, frame)) return nullptr;
  return Bitmap::FromPixels(std::move(frame.pixels), std::move(frame.properties));
}

// The streamed reader declines, and the file through FromFile fails or succeeds as it does in memory.
void ExpectHandedBack(const std::vector<uint8_t>& file, const test::TempDir& dir) {
  EXPECT_EQ(ReadStreamed(file), nullptr);
  const std::string path = dir.File("handed_back.png");
  {
    base::UniqueFd fd(::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600));
    ASSERT_EQ(write(fd.Get(), file.data(), file.size()), static_cast<ssize_t>(file.size()));
  }
  EXPECT_EQ(Bitmap::FromFile(path).GetStatus(), Bitmap::FromMemory(file).GetStatus());
}

TEST(PngStreamedRows, EveryLayoutDecodesExactlyOnOneThreadAndOnTwo) {
  for (const Layout& l : {Layout{0, 1, PixelFormat::Indexed8bpp}, Layout{3, 1, PixelFormat::Indexed8bpp},
                          Layout{2, 3, PixelFormat::RGB24bpp}, Layout{6, 4, PixelFormat::ARGB32bpp}}) {
    // The small pictures run on one thread; 1100 x 1000 has enough rows for a second one.
    for (const auto& [width, height] :
         {std::pair{37u, 23u}, std::pair{38u, 23u}, std::pair{1u, 5u}, std::pair{1100u, 1000u}}) {
      SCOPED_TRACE("colour type " + std::to_string(l.colorType) + ", " + std::to_string(width) + " x " +
                   std::to_string(height));
      const PngParts p = MakePng(l.colorType, l.channels, width, height, {.idatBytes = 65536});
      Bitmap::Ptr streamed = ReadStreamed(p.file);
      ASSERT_NE(streamed, nullptr);
      EXPECT_EQ(streamed->Format(), l.format);
      ExpectSamples(*streamed, p, l.channels);
      auto inMemory = Bitmap::FromMemory(p.file);
      ASSERT_TRUE(inMemory.Ok());
      EXPECT_TRUE(test::SamePixels(*streamed, *inMemory.Value()));
    }
  }
}

TEST(PngStreamedRows, ImageDataSplitAnywhereDecodesExactly) {
  // One-byte chunks split every header, length and checksum of the zlib stream; empty ones between.
  for (const PngLayout layout : {PngLayout{.idatBytes = 1}, PngLayout{.idatBytes = 1, .emptyIdats = true},
                                 PngLayout{.idatBytes = 7, .emptyIdats = true}, PngLayout{.idatBytes = 1 << 20}}) {
    SCOPED_TRACE("chunks of " + std::to_string(layout.idatBytes));
    const PngParts p = MakePng(2, 3, 41, 17, layout);
    Bitmap::Ptr streamed = ReadStreamed(p.file);
    ASSERT_NE(streamed, nullptr);
    ExpectSamples(*streamed, p, 3);
  }
}

TEST(PngStreamedRows, CopiesOfRowsAlreadyWrittenDecodeExactly) {
  // Every row's image data is a deflate copy of the rows five above, whose inflated bytes the pixels
  // of those rows have overwritten by then: the inflater must copy from its own history.
  for (const auto& [width, height, idatBytes] :
       {std::tuple{41u, 40u, size_t{1}}, std::tuple{1100u, 1000u, size_t{8192}}}) {
    SCOPED_TRACE(std::to_string(width) + " x " + std::to_string(height));
    for (const Layout& l : {Layout{2, 3, PixelFormat::RGB24bpp}, Layout{6, 4, PixelFormat::ARGB32bpp}}) {
      const PngParts p = MakePng(l.colorType, l.channels, width, height, {.idatBytes = idatBytes, .period = 5});
      Bitmap::Ptr streamed = ReadStreamed(p.file);
      ASSERT_NE(streamed, nullptr);
      ExpectSamples(*streamed, p, l.channels);
    }
  }
}

TEST(PngStreamedRows, AllZeroPictureAtTheHighestRatioIsNoBomb) {
  const PngParts p = MakePng(6, 4, 2000, 1500, {.idatBytes = 8192, .level = 9, .zeros = true});
  Bitmap::Ptr streamed = ReadStreamed(p.file);
  ASSERT_NE(streamed, nullptr);
  ExpectSamples(*streamed, p, 4);
}

TEST(PngStreamedRows, TinyFileClaimingAHugePictureIsRefused) {
  // 16000 x 16000 RGB is within the pixel limit, but its rows cannot come out of 3 KB of deflate.
  std::vector<uint8_t> file = MakePng(2, 3, 40, 40).file;
  for (size_t at : {16u, 20u}) file[at] = 0, file[at + 1] = 0, file[at + 2] = 0x3E, file[at + 3] = 0x80;
  const uint32_t crc = static_cast<uint32_t>(crc32(0, &file[12], 17));
  for (int i = 0; i < 4; ++i) file[29 + i] = static_cast<uint8_t>(crc >> (24 - 8 * i));
  EXPECT_EQ(ReadStreamed(file), nullptr);
  EXPECT_EQ(Bitmap::FromMemory(file).GetStatus(), Status::GenericError);
}

// The property items as FromMemory gives them: the same ids, types and values, in the same order.
void ExpectPropertiesAsInMemory(Bitmap& streamed, const std::vector<uint8_t>& file) {
  auto inMemory = Bitmap::FromMemory(file);
  ASSERT_TRUE(inMemory.Ok());
  uint32_t bytes = 0, count = 0, memoryBytes = 0, memoryCount = 0;
  streamed.GetPropertySize(bytes, count);
  inMemory.Value()->GetPropertySize(memoryBytes, memoryCount);
  ASSERT_EQ(count, memoryCount);
  ASSERT_EQ(bytes, memoryBytes);
  if (count == 0) return;
  std::vector<uint8_t> ours(bytes), theirs(bytes);
  auto* a = reinterpret_cast<PropertyItemRecord*>(ours.data());
  auto* b = reinterpret_cast<PropertyItemRecord*>(theirs.data());
  ASSERT_EQ(streamed.GetAllPropertyItems(bytes, count, a), Status::Ok);
  ASSERT_EQ(inMemory.Value()->GetAllPropertyItems(bytes, count, b), Status::Ok);
  for (uint32_t i = 0; i < count; ++i) {
    EXPECT_EQ(a[i].id, b[i].id);
    EXPECT_EQ(a[i].type, b[i].type);
    ASSERT_EQ(a[i].length, b[i].length);
    EXPECT_EQ(std::memcmp(a[i].value, b[i].value, a[i].length), 0) << "item " << i;
  }
}

TEST(PngStreamedRows, TextAfterTheImageDataIsReadWithoutDecodingTwice) {
  for (const PngLayout layout : {PngLayout{.textAfter = true}, PngLayout{.textAfter = true, .textBefore = true}}) {
    SCOPED_TRACE(layout.textBefore ? "title before and after" : "text after");
    const PngParts p = MakePng(2, 3, 20, 9, layout);
    Bitmap::Ptr streamed = ReadStreamed(p.file);
    ASSERT_NE(streamed, nullptr);
    ExpectSamples(*streamed, p, 3);
    uint32_t size = 0;
    EXPECT_EQ(streamed->GetPropertyItemSize(kPropertyTagArtist, size), Status::Ok);
    ExpectPropertiesAsInMemory(*streamed, p.file);
  }
}

TEST(PngStreamedRows, DamagedFilesAreHandedBackWithTheirStatus) {
  const test::TempDir dir;
  // Large enough for two threads, so that failures stop a running inflater.
  for (const auto& [width, height] : {std::pair{30u, 30u}, std::pair{1100u, 1000u}}) {
    SCOPED_TRACE(std::to_string(width) + " x " + std::to_string(height));
    const PngParts good = MakePng(6, 4, width, height, {.idatBytes = 4096});
    const size_t end = good.file.size();
    std::vector<uint8_t> badCrc = good.file;
    badCrc[end - 12 - 1] ^= 1;  // the last IDAT's checksum, its data intact
    ExpectHandedBack(badCrc, dir);
    std::vector<uint8_t> badData = good.file;
    badData[end / 2] ^= 0x10;
    ExpectHandedBack(badData, dir);
    for (size_t cut : {size_t{40}, end / 3, end - 13})
      ExpectHandedBack({good.file.begin(), good.file.begin() + static_cast<ptrdiff_t>(cut)}, dir);
  }
}

TEST(PngStreamedRows, DamageAfterTheImageDataKeepsThePixels) {
  const PngParts good = MakePng(6, 4, 30, 30, {.textAfter = true});
  const size_t end = good.file.size();
  std::vector<uint8_t> badEnd = good.file;
  badEnd[end - 1] ^= 1;  // IEND's checksum
  std::vector<uint8_t> badText = good.file;
  badText[end - 14] ^= 1;  // the last tEXt chunk's checksum
  for (const std::vector<uint8_t>& file :
       {badEnd, badText, std::vector<uint8_t>(good.file.begin(), good.file.end() - 12),
        std::vector<uint8_t>(good.file.begin(), good.file.end() - 1)}) {
    SCOPED_TRACE(file.size());
    Bitmap::Ptr streamed = ReadStreamed(file);
    ASSERT_NE(streamed, nullptr);
    ExpectSamples(*streamed, good, 4);
    ExpectPropertiesAsInMemory(*streamed, file);
  }
}

TEST(PngStreamedRows, BadFilterOrExtraDataIsHandedBack) {
  const test::TempDir dir;
  const uint32_t width = 1100, height = 1000;
  const PngParts p = MakePng(2, 3, width, height);
  std::vector<uint8_t> rows = FilterRows(p.raw, width * 3, height, 3);
  const std::vector<uint8_t> head(p.file.begin(), p.file.begin() + 33);  // signature and IHDR
  auto withRows = [&](const std::vector<uint8_t>& filtered, const std::vector<uint8_t>& extra) {
    std::vector<uint8_t> packed(compressBound(static_cast<uLong>(filtered.size())));
    uLongf packedSize = static_cast<uLongf>(packed.size());
    compress2(packed.data(), &packedSize, filtered.data(), static_cast<uLong>(filtered.size()), 1);
    packed.resize(packedSize);
    packed.insert(packed.end(), extra.begin(), extra.end());
    std::vector<uint8_t> file = head;
    PutChunk(file, "IDAT", packed);
    PutChunk(file, "IEND", {});
    return file;
  };
  ASSERT_NE(ReadStreamed(withRows(rows, {})), nullptr);
  ExpectHandedBack(withRows(rows, {0, 0, 0}), dir);  // bytes after the end of the zlib stream
  std::vector<uint8_t> late = rows;
  late[size_t{height - 3} * (width * 3 + 1)] = 5;
  ExpectHandedBack(withRows(late, {}), dir);
  std::vector<uint8_t> shortRows(rows.begin(), rows.end() - 1);
  ExpectHandedBack(withRows(shortRows, {}), dir);
}

TEST(PngStreamedRows, RealFilesDecodeAsInMemory) {
  const auto dir = test::TestDataDir();
  if (dir.empty() || !std::filesystem::exists(dir / "png")) GTEST_SKIP() << "no test data";
  int streamedFiles = 0;
  for (const auto& entry : std::filesystem::directory_iterator(dir / "png")) {
    SCOPED_TRACE(entry.path().filename().string());
    const std::vector<uint8_t> bytes = test::ReadFileBytes(entry.path());
    auto fromFile = Bitmap::FromFile(entry.path().string());
    auto inMemory = Bitmap::FromMemory(bytes);
    ASSERT_EQ(fromFile.GetStatus(), inMemory.GetStatus());
    if (!fromFile.Ok()) continue;
    EXPECT_TRUE(test::SamePixels(*fromFile.Value(), *inMemory.Value()));
    ExpectPropertiesAsInMemory(*fromFile.Value(), bytes);
    if (ReadStreamed(bytes) != nullptr) ++streamedFiles;
  }
  // Plain 8-bit files among them, with text and EXIF before and after their image data.
  EXPECT_GT(streamedFiles, 0);
}

}  // namespace
}  // namespace tavlen::gfx
