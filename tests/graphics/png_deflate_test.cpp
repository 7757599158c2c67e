// The PNG image data the encoder makes: inflated, every row must carry the filter libpng's adaptive
// heuristic picks (least sum of magnitudes as signed bytes, the first of equal ones) and exactly that
// filter's bytes, for every pixel size and for rows whose length is no multiple of the vector width.
#include "platform/graphics/codecs/png_deflate.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <cstdlib>
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

}  // namespace
}  // namespace tavlen::gfx
