// PNG written as it is encoded: every pixel format gives the pixels and the chunks before the image data
// that the whole-picture encoder gives, and a sink that fails stops the encoder with its status.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
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

TEST(StreamPngRows, StopsAtTheSinksFailureAndRefusesWhatTheWholeEncoderRefuses) {
  const Bitmap::Ptr picture = test::MakePatternBitmap(900, 700, PixelFormat::RGB24bpp, 5);
  const PixelBuffer& pixels = std::as_const(*picture).Pixels();
  MemorySink complete;
  ASSERT_EQ(StreamPngRows(PictureRows(pixels), {}, {}, complete), Status::Ok);
  // In the header, in the image data, and at the end.
  for (size_t limit : {size_t{10}, complete.written.size() / 2, complete.written.size() - 1}) {
    MemorySink failing(limit);
    EXPECT_EQ(StreamPngRows(PictureRows(pixels), {}, {}, failing), Status::Win32Error) << limit;
    EXPECT_EQ(failing.failures, 1) << "a write after the failure";
  }
  MemorySink unused;
  uint32_t quality = 50;
  const EncoderParameter parameter{kEncoderQuality, 1, kEncoderParameterValueTypeLong, &quality};
  EXPECT_EQ(StreamPngRows(PictureRows(pixels), {}, EncoderParameters(&parameter, 1), unused), Status::InvalidParameter);
  EXPECT_TRUE(unused.written.empty());
}

}  // namespace
}  // namespace tavlen::gfx
