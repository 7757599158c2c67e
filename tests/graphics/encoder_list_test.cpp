// The encoder list as callers walk it, and saving through it.
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>

#include "platform/graphics/bitmap.h"
#include "platform/graphics/codec_registry.h"
#include "tests/graphics/test_support.h"

namespace tavlen::gfx {
namespace {

// The lookup callers make: fetch the list, walk it, compare MIME types exactly.
int LookupEncoder(const char* mime, Guid& clsid) {
  uint32_t count = 0, bytes = 0;
  GetImageEncodersSize(count, bytes);
  std::vector<uint8_t> buffer(bytes);
  auto* codecs = reinterpret_cast<ImageCodecInfo*>(buffer.data());
  if (GetImageEncoders(count, bytes, codecs) != Status::Ok) return -1;
  for (uint32_t i = 0; i < count; ++i) {
    if (std::strcmp(codecs[i].mimeType, mime) == 0) {
      clsid = codecs[i].clsid;
      return static_cast<int>(i);
    }
  }
  return -1;
}

TEST(EncoderList, HasTheFiveFormatsWithStringsInsideTheBuffer) {
  uint32_t count = 0, bytes = 0;
  GetImageEncodersSize(count, bytes);
  ASSERT_EQ(count, 5u);
  std::vector<uint8_t> buffer(bytes);
  auto* codecs = reinterpret_cast<ImageCodecInfo*>(buffer.data());
  ASSERT_EQ(GetImageEncoders(count, bytes, codecs), Status::Ok);
  for (uint32_t i = 0; i < count; ++i) {
    const auto* text = reinterpret_cast<const uint8_t*>(codecs[i].mimeType);
    EXPECT_GE(text, buffer.data());
    EXPECT_LT(text, buffer.data() + buffer.size());
    EXPECT_NE(FindEncoder(codecs[i].clsid), nullptr);
  }
  EXPECT_EQ(GetImageEncoders(count, bytes - 1, codecs), Status::InsufficientBuffer);
  EXPECT_EQ(GetImageEncoders(count + 1, bytes, codecs), Status::InsufficientBuffer);

  Guid clsid;
  for (const char* mime : {"image/bmp", "image/jpeg", "image/gif", "image/tiff", "image/png"})
    EXPECT_GE(LookupEncoder(mime, clsid), 0) << mime;
  EXPECT_EQ(LookupEncoder("image/PNG", clsid), -1);
  EXPECT_EQ(LookupEncoder("image/x-icon", clsid), -1);
}

TEST(Saving, AFailedSaveLeavesTheExistingFileAlone) {
  test::TempDir dir;
  const std::string path = dir.File("keep.tiff");
  {
    std::ofstream out(path, std::ios::binary);
    out << "precious";
  }
  auto colour = test::MakePatternBitmap(8, 8, PixelFormat::RGB24bpp);
  const uint32_t ccitt4 = kEncoderValueCompressionCCITT4;
  const EncoderParameter parameter{kEncoderCompression, 1, kEncoderParameterValueTypeLong, &ccitt4};
  // A bilevel scheme for a colour image is refused, and nothing is written.
  EXPECT_EQ(colour->Save(path, kTiffEncoderClsid, std::span(&parameter, 1)), Status::InvalidParameter);
  std::ifstream in(path, std::ios::binary);
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "precious");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), {}), 1);
  EXPECT_EQ(colour->Save(dir.File("x.bin"), Guid{}, {}), Status::FileNotFound);
  EXPECT_FALSE(std::filesystem::exists(dir.File("x.bin")));
}

TEST(Saving, EveryEncoderWritesAFileThatDecodesToTheSameSize) {
  test::TempDir dir;
  auto source = test::MakePatternBitmap(31, 17, PixelFormat::RGB24bpp);
  for (const Guid& clsid :
       {kBmpEncoderClsid, kJpegEncoderClsid, kGifEncoderClsid, kTiffEncoderClsid, kPngEncoderClsid}) {
    const std::string path = dir.File("out-" + base::FormatGuid(clsid));
    ASSERT_EQ(source->Save(path, clsid), Status::Ok) << base::FormatGuid(clsid);
    auto back = Bitmap::FromFile(path);
    ASSERT_TRUE(back.Ok()) << base::FormatGuid(clsid);
    EXPECT_EQ(back.Value()->Width(), 31u);
    EXPECT_EQ(back.Value()->Height(), 17u);
  }
}

TEST(Saving, WritesAsItEncodesTheFileTheEncoderMakesInMemory) {
  test::TempDir dir;
  // Many bands, strips and units: each written in its place in the file as it is made.
  auto source = test::MakePatternBitmap(700, 600, PixelFormat::RGB24bpp, 9);
  for (const Guid& clsid :
       {kBmpEncoderClsid, kTiffEncoderClsid, kPngEncoderClsid, kJpegEncoderClsid, kGifEncoderClsid}) {
    const std::string path = dir.File("big-" + base::FormatGuid(clsid));
    ASSERT_EQ(source->Save(path, clsid), Status::Ok) << base::FormatGuid(clsid);
    std::vector<uint8_t> inMemory;
    ASSERT_EQ(source->SaveToMemory(clsid, {}, inMemory), Status::Ok);
    if (clsid == kPngEncoderClsid) {
      // Deflated in pieces as the rows come: other bytes, the same pixels.
      auto back = Bitmap::FromFile(path);
      ASSERT_TRUE(back.Ok());
      EXPECT_TRUE(test::SamePixels(*source, *back.Value()));
    } else {
      EXPECT_TRUE(test::ReadFileBytes(path) == inMemory) << base::FormatGuid(clsid);
    }
  }
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), {}), 5) << "a temporary left behind";
}

TEST(Saving, TheSevenTextTagsSurviveJpegPngAndTiff) {
  test::TempDir dir;
  const std::pair<uint32_t, const char*> tags[] = {{kPropertyTagArtist, "An artist"},
                                                   {kPropertyTagCopyright, "(c) someone"},
                                                   {kPropertyTagDateTime, "2026:12:07 21:00:00"},
                                                   {kPropertyTagImageDescription, "A description"},
                                                   {kPropertyTagEquipMake, "Maker"},
                                                   {kPropertyTagEquipModel, "Model 7"},
                                                   {kPropertyTagImageTitle, "A title"}};
  auto source = test::MakePatternBitmap(16, 16, PixelFormat::RGB24bpp);
  for (const auto& [id, text] : tags)
    ASSERT_EQ(source->SetPropertyItem(
                  {id, static_cast<uint32_t>(std::strlen(text) + 1), kPropertyTagTypeASCII, const_cast<char*>(text)}),
              Status::Ok);
  for (const Guid& clsid : {kJpegEncoderClsid, kPngEncoderClsid, kTiffEncoderClsid}) {
    const std::string path = dir.File("tags-" + base::FormatGuid(clsid));
    ASSERT_EQ(source->Save(path, clsid), Status::Ok);
    auto back = Bitmap::FromFile(path);
    ASSERT_TRUE(back.Ok());
    for (const auto& [id, text] : tags) {
      uint32_t size = 0;
      ASSERT_EQ(back.Value()->GetPropertyItemSize(id, size), Status::Ok)
          << std::hex << id << " " << base::FormatGuid(clsid);
      std::vector<uint8_t> buffer(size);
      auto* item = reinterpret_cast<PropertyItemRecord*>(buffer.data());
      ASSERT_EQ(back.Value()->GetPropertyItem(id, size, item), Status::Ok);
      EXPECT_EQ(item->type, kPropertyTagTypeASCII);
      EXPECT_EQ(std::string(static_cast<const char*>(item->value)), text);
    }
  }
}

}  // namespace
}  // namespace tavlen::gfx
