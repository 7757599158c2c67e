// The PNG image data the encoder makes: inflated, every row must carry the filter libpng's adaptive
// heuristic picks (least sum of magnitudes as signed bytes, the first of equal ones) and exactly that
// filter's bytes, for every pixel size and for rows whose length is no multiple of the vector width.
// Deflated by chunks, the same filtered bytes must come out of one valid zlib stream wherever the
// chunks are cut, whatever the threads.
#include "platform/graphics/codecs/png_deflate.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "tests/graphics/test_support.h"

namespace tavlen::gfx {
namespace {

// Each row as libpng's heuristic filters it, one byte at a time.
std::vector<uint8_t> ReferenceFiltered(const std::vector<uint8_t>& raw, size_t rowBytes, uint32_t height, size_t bpp) {
  std::vector<uint8_t> out;
  for (uint32_t y = 0; y < height; ++y) {
    const uint8_t* row = &raw[y * rowBytes];
    const uint8_t* up = y > 0 ? row - rowBytes : nullptr;
    std::vector<uint8_t> best;
    long bestCost = -1;
    for (int filter = 0; filter < 5; ++filter) {
      std::vector<uint8_t> line{static_cast<uint8_t>(filter)};
      long cost = 0;
      for (size_t i = 0; i < rowBytes; ++i) {
        const int a = i >= bpp ? row[i - bpp] : 0, b = up ? up[i] : 0, c = up && i >= bpp ? up[i - bpp] : 0;
        const int predictor = test::PngPredictor(filter, a, b, c);
        line.push_back(static_cast<uint8_t>(row[i] - predictor));
        cost += std::abs(static_cast<int8_t>(line.back()));
      }
      if (bestCost < 0 || cost < bestCost) best = line, bestCost = cost;
    }
    out.insert(out.end(), best.begin(), best.end());
  }
  return out;
}

std::vector<uint8_t> Inflate(const Bytes& stream, size_t size) {
  std::vector<uint8_t> out(size);
  uLongf length = static_cast<uLongf>(size);
  EXPECT_EQ(uncompress(out.data(), &length, stream.data(), static_cast<uLong>(stream.size())), Z_OK);
  EXPECT_EQ(length, size);
  return out;
}

// Rows of three kinds, so that every filter wins somewhere: noise, smooth ramps, and ramps with
// steps (where Paeth's ties and the average's rounding decide).
std::vector<uint8_t> Samples(size_t rowBytes, uint32_t height, size_t bpp) {
  std::vector<uint8_t> raw(rowBytes * height);
  uint32_t state = 2463534242u;
  for (uint32_t y = 0; y < height; ++y) {
    for (size_t i = 0; i < rowBytes; ++i) {
      state ^= state << 13, state ^= state >> 17, state ^= state << 5;
      const size_t pixel = i / bpp;
      uint8_t& v = raw[y * rowBytes + i];
      switch (y % 3) {
        case 0:
          v = static_cast<uint8_t>(state);
          break;
        case 1:
          v = static_cast<uint8_t>(pixel * 3 + y * 2 + i % bpp * 40);
          break;
        default:
          v = static_cast<uint8_t>((pixel / 4) * 37 + (state & 3) + (y * 255) / height);
          break;
      }
    }
  }
  return raw;
}

TEST(PngDeflate, EveryRowGetsLibpngsFilterAndItsBytes) {
  for (uint32_t bpp : {1u, 2u, 3u, 4u, 6u, 8u}) {
    for (uint32_t width : {1u, 5u, 16u, 17u, 45u, 301u}) {
      SCOPED_TRACE(::testing::Message() << bpp << " bytes a pixel, " << width << " wide");
      const size_t rowBytes = size_t{width} * bpp;
      const uint32_t height = 12;
      const std::vector<uint8_t> raw = Samples(rowBytes, height, bpp);
      Bytes stream;
      ASSERT_EQ(DeflatePngRows(
                    height, rowBytes, bpp,
                    [&](uint32_t y, uint8_t* row) { std::copy_n(&raw[y * rowBytes], rowBytes, row); }, stream),
                Status::Ok);
      const std::vector<uint8_t> expected = ReferenceFiltered(raw, rowBytes, height, bpp);
      EXPECT_EQ(Inflate(stream, expected.size()), expected);
    }
  }
}

TEST(PngDeflate, RefusesShapesItCannotFilter) {
  Bytes stream{1, 2, 3};
  const auto fill = [](uint32_t, uint8_t*) {};
  EXPECT_EQ(DeflatePngRows(0, 4, 1, fill, stream), Status::InvalidParameter);
  EXPECT_EQ(DeflatePngRows(1, 0, 1, fill, stream), Status::InvalidParameter);
  EXPECT_EQ(DeflatePngRows(1, 4, 0, fill, stream), Status::InvalidParameter);
  EXPECT_EQ(DeflatePngRows(1, 64, 32, fill, stream), Status::InvalidParameter);
  EXPECT_EQ(stream, (Bytes{1, 2, 3})) << "a refusal leaves the stream alone";
}

struct Chunked {
  Status status = Status::Ok;
  Bytes stream;
  size_t pieces = 0;
};

Chunked DeflateInChunks(const std::vector<uint8_t>& raw, size_t rowBytes, uint32_t height, uint32_t bpp,
                        const ChunkShape& shape, size_t failAtPiece = SIZE_MAX) {
  Chunked out;
  out.status = DeflatePngRowsInChunks(
      height, rowBytes, bpp, [&](uint32_t y, uint8_t* row) { std::copy_n(&raw[y * rowBytes], rowBytes, row); }, shape,
      [&](std::span<const uint8_t> piece) {
        if (out.pieces++ == failAtPiece) return Status::Win32Error;
        out.stream.insert(out.stream.end(), piece.begin(), piece.end());
        return Status::Ok;
      });
  return out;
}

// zlib's inflate of the whole stream: it must end, Adler-32 checked, exactly where the bytes end.
std::vector<uint8_t> InflateExactly(const Bytes& stream, size_t size) {
  std::vector<uint8_t> out(size + 1);
  uLongf length = static_cast<uLongf>(out.size());
  uLong used = static_cast<uLong>(stream.size());
  EXPECT_EQ(uncompress2(out.data(), &length, stream.data(), &used), Z_OK);
  EXPECT_EQ(used, stream.size()) << "bytes after the end of the stream";
  out.resize(length);
  return out;
}

TEST(PngDeflate, ChunksJoinIntoOneStreamWhereverTheyAreCut) {
  struct Shape {
    uint32_t bpp, width, height;
  };
  // One row; rows of many chunks; a large picture whose window spans several short chunks.
  for (const Shape& shape : {Shape{3, 7, 1}, Shape{4, 301, 9}, Shape{3, 6000, 12}}) {
    const size_t rowBytes = size_t{shape.width} * shape.bpp, line = rowBytes + 1;
    const std::vector<uint8_t> raw = Samples(rowBytes, shape.height, shape.bpp);
    const std::vector<uint8_t> expected = ReferenceFiltered(raw, rowBytes, shape.height, shape.bpp);
    // A byte; less than a row; a row exactly; three rows, which the heights divide; less than the window;
    // the whole in one chunk.
    for (size_t chunkBytes : {size_t{1}, rowBytes / 2 + 1, line, 3 * line, size_t{10000}, expected.size() + 1}) {
      if (chunkBytes == 1 && expected.size() > 10000) continue;  // a million chunks prove nothing more
      SCOPED_TRACE(::testing::Message() << shape.width << "x" << shape.height << " in chunks of " << chunkBytes);
      const Chunked inline_ = DeflateInChunks(raw, rowBytes, shape.height, shape.bpp, {chunkBytes, 0});
      ASSERT_EQ(inline_.status, Status::Ok);
      EXPECT_EQ(InflateExactly(inline_.stream, expected.size()), expected);
      // A piece a chunk, and one more, empty but for the end of the stream, when the chunks fill exactly.
      EXPECT_EQ(inline_.pieces, expected.size() / chunkBytes + 1);
      const Chunked threaded = DeflateInChunks(raw, rowBytes, shape.height, shape.bpp, {chunkBytes, 2});
      ASSERT_EQ(threaded.status, Status::Ok);
      EXPECT_TRUE(threaded.stream == inline_.stream) << "the threads changed the bytes";
    }
  }
}

TEST(PngDeflate, ChunksCompressAboutAsWellAsTheWholeAndStopAtTheEmittersFailure) {
  const uint32_t bpp = 3, width = 2000, height = 200;
  const size_t rowBytes = size_t{width} * bpp;
  const std::vector<uint8_t> raw = Samples(rowBytes, height, bpp);
  Bytes whole;
  ASSERT_EQ(DeflatePngRows(
                height, rowBytes, bpp,
                [&](uint32_t y, uint8_t* row) { std::copy_n(&raw[y * rowBytes], rowBytes, row); }, whole),
            Status::Ok);
  const Chunked chunked = DeflateInChunks(raw, rowBytes, height, bpp, {size_t{64} << 10, 2});
  ASSERT_EQ(chunked.status, Status::Ok);
  // Each chunk sees the window before it, so cutting costs next to nothing.
  EXPECT_LT(chunked.stream.size(), whole.size() * 11 / 10);

  const Chunked failed = DeflateInChunks(raw, rowBytes, height, bpp, {size_t{64} << 10, 2}, 3);
  EXPECT_EQ(failed.status, Status::Win32Error);
  EXPECT_EQ(failed.pieces, 4u) << "no piece after the failure";
  EXPECT_EQ(DeflateInChunks(raw, rowBytes, height, bpp, {0, 2}).status, Status::InvalidParameter);
}

}  // namespace
}  // namespace tavlen::gfx
