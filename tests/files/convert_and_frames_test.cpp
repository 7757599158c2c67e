// Tests of file-to-file conversion and of frame counting, opening and export on multi-frame files.
#include <tiffio.h>

#include <filesystem>
#include <fstream>

#include "files/convert_file.h"
#include "files/frames.h"
#include "files/save_image.h"
#include "tests/files/file_inspection.h"
#include "tests/files/multi_frame_files.h"
#include "tests/graphics/test_support.h"

namespace tavlen::files {
namespace {

namespace fs = std::filesystem;
using gfx::PixelFormat;
using gfx::test::PixelAt;
using gfx::test::TempDir;
using tavlen::test::FrameSpec;

class FilesWithFrames : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(tavlen::test::WriteMultiPageTiff(
        m_pages, {FrameSpec{100, 80, 0xFF0000}, FrameSpec{60, 40, 0x00FF00}, FrameSpec{30, 20, 0x0000FF}}));
    ASSERT_TRUE(tavlen::test::WriteAnimatedGif(m_anim, 40, 30, {0xFF0000, 0x00FF00, 0x0000FF}));
    auto photo = gfx::test::MakePatternBitmap(48, 32, PixelFormat::RGB24bpp);
    ASSERT_EQ(SaveImage(*photo, m_dir.File("photo"), FileFormat::Png, {}), gfx::Status::Ok);
  }

  gfx::Bitmap::Ptr Load(const std::string& path) {
    auto loaded = gfx::Bitmap::FromFile(path);
    EXPECT_TRUE(loaded.Ok()) << path;
    return loaded.Ok() ? std::move(loaded).Value() : nullptr;
  }

  TempDir m_dir;
  std::string m_pages = m_dir.File("pages.tif");
  std::string m_anim = m_dir.File("anim.gif");
  std::string m_photo = m_dir.File("photo.png");
};

TEST_F(FilesWithFrames, ConvertToTiffFollowsTheCompressionSetting) {
  struct Case {
    int32_t setting;
    uint16_t compression;
    uint16_t bits;
  };
  const Case cases[] = {{0, COMPRESSION_LZW, 8},      {1, COMPRESSION_CCITTFAX3, 1}, {2, COMPRESSION_CCITTFAX4, 1},
                        {3, COMPRESSION_PACKBITS, 1}, {4, COMPRESSION_NONE, 8},      {9, COMPRESSION_LZW, 8},
                        {-1, COMPRESSION_LZW, 8}};
  for (const Case& c : cases) {
    ASSERT_EQ(
        ConvertFile(m_photo, m_dir.File("t"), FileFormat::Tiff, {.jpegQuality = 100, .tiffCompression = c.setting}),
        gfx::Status::Ok);
    const test::TiffTags tags = test::ReadTiffTags(m_dir.File("t.tiff"));
    EXPECT_EQ(tags.compression, c.compression) << c.setting;
    EXPECT_EQ(tags.bitsPerSample, c.bits) << c.setting;
  }
  // The bilevel file holds the threshold of the source, which stays in colour on disk.
  ASSERT_EQ(ConvertFile(m_photo, m_dir.File("bw"), FileFormat::Tiff, {.jpegQuality = 100, .tiffCompression = 2}),
            gfx::Status::Ok);
  auto source = Load(m_photo);
  auto bw = Load(m_dir.File("bw.tiff"));
  for (uint32_t x = 0; x < 48; ++x) {
    const uint32_t c = PixelAt(*source, x, 5);
    const bool white = ((c >> 16) & 0xFF) > 128 && ((c >> 8) & 0xFF) > 128 && (c & 0xFF) > 128;
    EXPECT_EQ(PixelAt(*bw, x, 5), white ? 0xFFFFFFFFu : 0xFF000000u) << x;
  }
}

TEST_F(FilesWithFrames, AnUnreadableSourceWritesNothing) {
  std::ofstream(m_dir.File("notes.png")) << "not a picture";
  EXPECT_NE(ConvertFile(m_dir.File("notes.png"), m_dir.File("out"), FileFormat::Png, {}), gfx::Status::Ok);
  EXPECT_NE(ConvertFile(m_dir.File("missing.png"), m_dir.File("out"), FileFormat::Png, {}), gfx::Status::Ok);
  EXPECT_FALSE(fs::exists(m_dir.File("out.png")));
}

TEST_F(FilesWithFrames, OpensTheAskedPageOnly) {
  const std::pair<int32_t, std::pair<uint32_t, uint32_t>> pages[] = {
      {1, {100, 0xFFFF0000}}, {2, {60, 0xFF00FF00}}, {3, {30, 0xFF0000FF}}};
  for (const auto& [page, expect] : pages) {
    auto frame = OpenFrame(m_pages, page);
    ASSERT_TRUE(frame.Ok()) << page;
    EXPECT_EQ(frame.Value()->Width(), expect.first);
    EXPECT_EQ(PixelAt(*frame.Value(), 1, 1), expect.second);
  }
  for (int32_t page : {0, -1, 4, INT32_MIN, INT32_MAX})
    EXPECT_EQ(OpenFrame(m_pages, page).GetStatus(), gfx::Status::InvalidParameter) << page;
  auto second = OpenFrame(m_anim, 2);
  ASSERT_TRUE(second.Ok());
  EXPECT_EQ(PixelAt(*second.Value(), 1, 1), 0xFF00FF00u) << "a GIF's frames are its pages here";
}

TEST_F(FilesWithFrames, ExportOfAnUnknownTypeOrPageWritesNothing) {
  const auto before = std::distance(fs::directory_iterator(m_dir.Path()), fs::directory_iterator());
  EXPECT_EQ(ExportFrame(m_pages, m_dir.File("x"), "BMPX", 1, 100), gfx::Status::InvalidParameter);
  EXPECT_EQ(ExportFrame(m_pages, m_dir.File("x"), " BMP", 1, 100), gfx::Status::InvalidParameter);
  EXPECT_EQ(ExportFrame(m_pages, m_dir.File("x"), "", 1, 100), gfx::Status::InvalidParameter);
  EXPECT_EQ(ExportFrame(m_pages, m_dir.File("x"), "PNG", 0, 100), gfx::Status::InvalidParameter);
  EXPECT_EQ(ExportFrame(m_pages, m_dir.File("x"), "PNG", 4, 100), gfx::Status::InvalidParameter);
  EXPECT_NE(ExportFrame(m_dir.File("missing.tif"), m_dir.File("x"), "PNG", 1, 100), gfx::Status::Ok);
  EXPECT_EQ(std::distance(fs::directory_iterator(m_dir.Path()), fs::directory_iterator()), before);
}

}  // namespace
}  // namespace tavlen::files
