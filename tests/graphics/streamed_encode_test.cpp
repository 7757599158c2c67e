// Files written as they are encoded. PNG: every pixel format gives the pixels and the chunks before the
// image data that the whole-picture encoder gives. TIFF and BMP: the whole-picture encoder's bytes, for
// pictures of many units or bands. A sink that fails stops the encoder, GIF's too, with its status.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "platform/graphics/codecs/codec.h"
#include "platform/graphics/codecs/picture_rows.h"
#include "tests/graphics/test_support.h"

namespace tavlen::gfx {
namespace {

// The file in memory; fails every write that would pass `limit` bytes.
class MemorySink final : public ByteSink {
 public:
  explicit MemorySink(size_t limit = SIZE_MAX) : m_limit(limit) {}
  Status Write(std::span<const uint8_t> bytes) override {
    if (bytes.size() > m_limit - written.size()) {
      ++failures;
      return Status::Win32Error;
    }
    written.insert(written.end(), bytes.begin(), bytes.end());
    return Status::Ok;
  }
  Status WriteAt(uint64_t offset, std::span<const uint8_t> bytes) override {
    if (offset + bytes.size() > m_limit) {
      ++failures;
      return Status::Win32Error;
    }
    if (offset + bytes.size() > written.size()) written.resize(offset + bytes.size());
    std::copy(bytes.begin(), bytes.end(), written.begin() + static_cast<ptrdiff_t>(offset));
    return Status::Ok;
  }

  Bytes written;
  int failures = 0;

 private:
  size_t m_limit;
};

// The bytes before the first IDAT chunk: signature, header, palette, profile, Exif.
Bytes BeforeImageData(const Bytes& file) {
  const uint8_t idat[4] = {'I', 'D', 'A', 'T'};
  const auto at = std::search(file.begin(), file.end(), idat, idat + 4);
  return at - file.begin() < 4 ? Bytes() : Bytes(file.begin(), at - 4);
}

std::vector<PropertyItem> SomeItems() {
  const std::string text = "A lake";
  PropertyItem item{kPropertyTagImageDescription, kPropertyTagTypeASCII,
                    std::vector<uint8_t>(text.begin(), text.end())};
  item.value.push_back(0);
  return {item};
}

TEST(StreamPngRows, GivesTheWholeEncodersPixelsAndChunksInEveryFormat) {
  const std::vector<PropertyItem> items = SomeItems();
  for (PixelFormat format :
       {PixelFormat::RGB24bpp, PixelFormat::RGB32bpp, PixelFormat::ARGB32bpp, PixelFormat::PARGB32bpp,
        PixelFormat::RGB565_16bpp, PixelFormat::RGB48bpp, PixelFormat::ARGB64bpp, PixelFormat::GrayScale16bpp,
        PixelFormat::Indexed8bpp, PixelFormat::Indexed4bpp, PixelFormat::Indexed1bpp}) {
    SCOPED_TRACE(::testing::Message() << "format " << static_cast<int>(format));
    const Bitmap::Ptr picture = test::MakePatternBitmap(97, 33, format, 3);
    const PixelBuffer& pixels = std::as_const(*picture).Pixels();
    Bytes whole;
    ASSERT_EQ(EncodePng(pixels, items, {}, whole), Status::Ok);
    MemorySink sink;
    ASSERT_EQ(StreamPngRows(PictureRows(pixels), items, {}, sink), Status::Ok);
    EXPECT_FALSE(BeforeImageData(whole).empty());
    EXPECT_TRUE(BeforeImageData(sink.written) == BeforeImageData(whole));
    auto expected = Bitmap::FromMemory(whole);
    auto actual = Bitmap::FromMemory(sink.written);
    ASSERT_TRUE(expected.Ok() && actual.Ok());
    EXPECT_EQ(actual.Value()->Format(), expected.Value()->Format());
    EXPECT_TRUE(test::SamePixels(*expected.Value(), *actual.Value()));
  }
}

TEST(StreamedEncoders, StopAtTheSinksFailure) {
  const Bitmap::Ptr picture = test::MakePatternBitmap(900, 700, PixelFormat::RGB24bpp, 5);
  const PixelBuffer& pixels = std::as_const(*picture).Pixels();
  using Stream = std::function<Status(ByteSink&)>;
  auto rows = [&pixels](auto stream) {
    return Stream([&pixels, stream](ByteSink& out) { return stream(PictureRows(pixels), {}, {}, out); });
  };
  for (const Stream& stream : {rows(StreamPngRows), rows(StreamTiffRows), rows(StreamBmpRows),
                               Stream([&pixels](ByteSink& out) { return StreamGif(pixels, {}, {}, out); })}) {
    MemorySink complete;
    ASSERT_EQ(stream(complete), Status::Ok);
    // In the header, in the middle, and in the last bytes: a TIFF's directory, a BMP's first band.
    for (size_t limit : {size_t{4}, complete.written.size() / 2, complete.written.size() - 1}) {
      MemorySink failing(limit);
      EXPECT_EQ(stream(failing), Status::Win32Error) << limit;
      EXPECT_EQ(failing.failures, 1) << "a write after the failure";
    }
  }
}

TEST(StreamPngRows, RefusesWhatTheWholeEncoderRefuses) {
  const Bitmap::Ptr picture = test::MakePatternBitmap(90, 70, PixelFormat::RGB24bpp, 5);
  const PixelBuffer& pixels = std::as_const(*picture).Pixels();
  MemorySink unused;
  uint32_t quality = 50;
  const EncoderParameter parameter{kEncoderQuality, 1, kEncoderParameterValueTypeLong, &quality};
  EXPECT_EQ(StreamPngRows(PictureRows(pixels), {}, EncoderParameters(&parameter, 1), unused), Status::InvalidParameter);
  EXPECT_TRUE(unused.written.empty());
}

EncoderParameter CompressionParameter(const uint32_t& scheme) {
  return {kEncoderCompression, 1, kEncoderParameterValueTypeLong, &scheme};
}

TEST(StreamTiffRows, GivesTheWholeEncodersBytesForEveryCompressionAndFormat) {
  const std::vector<PropertyItem> items = SomeItems();
  // 260 rows: four units of 64 rows and a short fifth, so the two-unit steps end on one unit.
  for (PixelFormat format : {PixelFormat::RGB24bpp, PixelFormat::ARGB32bpp, PixelFormat::Indexed8bpp,
                             PixelFormat::Indexed1bpp, PixelFormat::GrayScale16bpp, PixelFormat::RGB48bpp}) {
    const Bitmap::Ptr picture = test::MakePatternBitmap(301, 260, format, 7);
    const PixelBuffer& pixels = std::as_const(*picture).Pixels();
    for (uint32_t scheme : {kEncoderValueCompressionLZW, kEncoderValueCompressionDeflate, kEncoderValueCompressionNone,
                            kEncoderValueCompressionRle, kEncoderValueCompressionCCITT4}) {
      if (scheme == kEncoderValueCompressionCCITT4 && format != PixelFormat::Indexed1bpp) continue;
      SCOPED_TRACE(::testing::Message() << "format " << static_cast<int>(format) << ", scheme " << scheme);
      const EncoderParameter parameter = CompressionParameter(scheme);
      Bytes whole;
      ASSERT_EQ(EncodeTiff(pixels, items, EncoderParameters(&parameter, 1), whole), Status::Ok);
      MemorySink sink;
      ASSERT_EQ(StreamTiffRows(PictureRows(pixels), items, EncoderParameters(&parameter, 1), sink), Status::Ok);
      EXPECT_TRUE(sink.written == whole);
    }
  }
}

TEST(StreamBmpRows, PlacesBandsBottomUpInEveryStoredFormat) {
  // 1000 rows are several bands; 97 pixels leave padding and, at one bit a pixel, a partly used byte.
  for (PixelFormat format : {PixelFormat::RGB24bpp, PixelFormat::RGB32bpp, PixelFormat::ARGB32bpp,
                             PixelFormat::RGB565_16bpp, PixelFormat::Indexed1bpp, PixelFormat::Indexed4bpp}) {
    SCOPED_TRACE(::testing::Message() << "format " << static_cast<int>(format));
    const Bitmap::Ptr picture = test::MakePatternBitmap(97, 1000, format, 11);
    const PixelBuffer& pixels = std::as_const(*picture).Pixels();
    MemorySink sink;
    ASSERT_EQ(StreamBmpRows(PictureRows(pixels), {}, {}, sink), Status::Ok);
    auto read = Bitmap::FromMemory(sink.written);
    ASSERT_TRUE(read.Ok());
    EXPECT_TRUE(test::SamePixels(*picture, *read.Value()));
    Bytes whole;
    ASSERT_EQ(EncodeBmp(pixels, {}, {}, whole), Status::Ok);
    EXPECT_TRUE(sink.written == whole);
  }
}

}  // namespace
}  // namespace tavlen::gfx
