// Gradient fills: colours across rectangles and triangles, vertices far outside the picture, and the fuzzers'
// gradient-fill inputs that once kept the player busy for minutes.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "tests/graphics/metafile/metafile_writer.h"
#include "tests/graphics/metafile/render_util.h"

namespace tavlen::gfx {
namespace {

using test::Rgb;

struct Vertex {
  int32_t x, y;
  uint32_t rgb;  // 0xRRGGBB
};

// EMR_GRADIENTFILL: bounds, counts, mode, then the vertices (16-bit channels) and the shapes' indexes.
void Gradient(test::EmfWriter& e, const std::vector<Vertex>& vertices, const std::vector<int32_t>& indexes,
              int32_t perShape, int32_t mode) {
  std::vector<int32_t> values = {
      0, 0, 0, 0, static_cast<int32_t>(vertices.size()), static_cast<int32_t>(indexes.size()) / perShape, mode};
  for (const Vertex& v : vertices) {
    values.push_back(v.x);
    values.push_back(v.y);
    const uint32_t r = (v.rgb >> 16) & 0xFF, g = (v.rgb >> 8) & 0xFF, b = v.rgb & 0xFF;
    values.push_back(static_cast<int32_t>((r << 8) | (g << 24)));
    values.push_back(static_cast<int32_t>((b << 8)));
  }
  values.insert(values.end(), indexes.begin(), indexes.end());
  e.Record(118, values);
}

int Channel(uint32_t rgb, int shift) { return static_cast<int>((rgb >> shift) & 0xFF); }

TEST(MetafileGradients, HorizontalRectangleRampsBetweenItsColours) {
  test::EmfWriter e(110, 20);
  Gradient(e, {{0, 0, 0xFF0000}, {100, 20, 0x0000FF}}, {0, 1}, 2, 0);
  const PixelBuffer px = test::PlayEmfOrFail(e.Finish());
  EXPECT_GT(Channel(Rgb(px, 1, 10), 16), 240);
  EXPECT_GT(Channel(Rgb(px, 98, 10), 0), 240);
  EXPECT_NEAR(Channel(Rgb(px, 50, 10), 16), 127, 8);
  EXPECT_NEAR(Channel(Rgb(px, 50, 10), 0), 127, 8);
  EXPECT_EQ(Rgb(px, 105, 10), test::kWhite);
}

TEST(MetafileGradients, TriangleBlendsItsCorners) {
  test::EmfWriter e(100, 100);
  Gradient(e, {{0, 0, 0xFF0000}, {90, 0, 0x00FF00}, {0, 90, 0x0000FF}}, {0, 1, 2}, 3, 2);
  const PixelBuffer px = test::PlayEmfOrFail(e.Finish());
  EXPECT_GT(Channel(Rgb(px, 1, 1), 16), 240);
  EXPECT_GT(Channel(Rgb(px, 86, 1), 8), 230);
  EXPECT_GT(Channel(Rgb(px, 1, 86), 0), 230);
  const uint32_t centre = Rgb(px, 30, 30);
  for (int shift : {0, 8, 16}) EXPECT_NEAR(Channel(centre, shift), 85, 10);
  EXPECT_EQ(Rgb(px, 80, 80), test::kWhite);
}

TEST(MetafileGradients, VertexFarOutsideStillShadesTheVisiblePart) {
  // One vertex two billion units away: only the part inside the picture is shaded.
  test::EmfWriter e(100, 100);
  Gradient(e, {{0, 0, 0xFF0000}, {2000000000, 0, 0xFF0000}, {0, 90, 0xFF0000}}, {0, 1, 2}, 3, 2);
  Gradient(e, {{-2000000000, 95, 0x00FF00}, {100, 100, 0x00FF00}}, {0, 1}, 2, 0);
  const PixelBuffer px = test::PlayEmfOrFail(e.Finish());
  EXPECT_EQ(Rgb(px, 5, 5), 0xFF0000u);
  EXPECT_EQ(Rgb(px, 95, 5), 0xFF0000u);
  EXPECT_EQ(Rgb(px, 50, 97), 0x00FF00u);
}

TEST(MetafileGradients, KeptFuzzerInputsRender) {
  // The suite's time-out guards these: each once kept the player busy for minutes.
  const auto dir = std::filesystem::path(TAVLEN_SOURCE_DIR) / "tests" / "data" / "fuzz" / "emf";
  size_t seen = 0;
  for (const auto& entry : std::filesystem::directory_iterator(dir)) {
    std::ifstream in(entry.path(), std::ios::binary);
    const std::vector<uint8_t> bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    PixelBuffer px;
    EXPECT_EQ(metafile::PlayEmf(bytes, kDefaultLimits, px), Status::Ok) << entry.path().filename();
    ++seen;
  }
  EXPECT_GE(seen, 3u);
}

}  // namespace
}  // namespace tavlen::gfx
