// The kept conversions to sRGB: one per profile and pixel types, apart for every part of the key,
// none for pixels without profile bytes, a bounded number kept; and pictures converted through a kept
// conversion alike whatever their layout.
#include "platform/graphics/srgb_conversion_cache.h"

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/graphics/codec_registry.h"
#include "platform/graphics/convert.h"
#include "tests/graphics/test_support.h"

namespace tavlen::gfx {
namespace {

// Bytes no other test uses as a profile: the cache lives as long as the process.
std::vector<uint8_t> UniqueProfile() {
  static std::atomic<int> next{0};
  const std::string text = "not a real profile " + std::to_string(next++);
  return {text.begin(), text.end()};
}

struct CountingMaker {
  int made = 0;
  SharedSrgbConversion Get(const SrgbConversionKey& key) {
    return CachedSrgbConversion(key, [this] {
      ++made;
      return SrgbConversion{};
    });
  }
};

TEST(SrgbConversionCache, MadeOncePerKeyAndApartForEveryPartOfIt) {
  const std::vector<uint8_t> profile = UniqueProfile(), other = UniqueProfile();
  const SrgbConversionKey key{profile, 1, 2, 3, false};
  CountingMaker maker;
  const SharedSrgbConversion first = maker.Get(key);
  ASSERT_TRUE(first);
  const std::vector<uint8_t> copy = profile;  // the same bytes elsewhere
  EXPECT_EQ(maker.Get({copy, 1, 2, 3, false}), first);
  EXPECT_EQ(maker.made, 1);

  for (const SrgbConversionKey& apart :
       {SrgbConversionKey{other, 1, 2, 3, false}, SrgbConversionKey{profile, 9, 2, 3, false},
        SrgbConversionKey{profile, 1, 9, 3, false}, SrgbConversionKey{profile, 1, 2, 9, false},
        SrgbConversionKey{profile, 1, 2, 3, true}}) {
    const int before = maker.made;
    EXPECT_NE(maker.Get(apart), first);
    EXPECT_EQ(maker.made, before + 1);
  }
}

TEST(SrgbConversionCache, PixelsWithoutProfileBytesAreNeverKept) {
  CountingMaker maker;
  const SharedSrgbConversion a = maker.Get({{}, 1, 2, 3, false});
  const SharedSrgbConversion b = maker.Get({{}, 1, 2, 3, false});
  EXPECT_TRUE(a && b);
  EXPECT_NE(a, b);
  EXPECT_EQ(maker.made, 2);
}

TEST(SrgbConversionCache, KeepsWhatIsUsedAndForgetsWhatIsNot) {
  const std::vector<uint8_t> busy = UniqueProfile();
  std::vector<std::vector<uint8_t>> passing;
  CountingMaker maker;
  for (int i = 0; i < 40; ++i) {
    maker.Get({busy, 1, 1, 0, false});
    passing.push_back(UniqueProfile());
    maker.Get({passing.back(), 1, 1, 0, false});
  }
  EXPECT_EQ(maker.made, 1 + 40) << "the profile used every other time was made once";
  const int before = maker.made;
  maker.Get({passing.front(), 1, 1, 0, false});
  EXPECT_EQ(maker.made, before + 1) << "the oldest of many was let go";
}

// One profile converts a 24-bit and a 32-bit picture, and a 48-bit and a 64-bit one, in turns: each
// layout gets a conversion of its own type, so all come out with the same colours.
TEST(SrgbConversionCache, PicturesOfEveryLayoutConvertAlikeInTurns) {
  const std::filesystem::path adobe = "/usr/share/color/icc/colord/AdobeRGB1998.icc";
  if (!std::filesystem::exists(adobe)) GTEST_SKIP() << "colord-data's profiles are not installed";
  const std::vector<uint8_t> profile = test::ReadFileBytes(adobe);
  test::TempDir dir;
  PropertyItemRecord record{kPropertyTagICCProfile, static_cast<uint32_t>(profile.size()), kPropertyTagTypeUndefined,
                            const_cast<uint8_t*>(profile.data())};
  auto made = Bitmap::Create(64, 32, PixelFormat::RGB24bpp);
  ASSERT_TRUE(made.Ok());
  PixelBuffer& colours = made.Value()->Pixels();
  for (uint32_t y = 0; y < 32; ++y) {
    uint8_t* row = colours.Row(y);
    for (uint32_t x = 0; x < 64; ++x)
      row[3 * x] = static_cast<uint8_t>(255 - x * 2), row[3 * x + 1] = static_cast<uint8_t>(y * 8),
              row[3 * x + 2] = static_cast<uint8_t>(x * 4);
  }
  std::vector<std::string> files;
  for (PixelFormat format :
       {PixelFormat::RGB24bpp, PixelFormat::ARGB32bpp, PixelFormat::RGB48bpp, PixelFormat::ARGB64bpp}) {
    auto converted = ConvertFormat(colours, format);
    ASSERT_TRUE(converted.Ok());
    Bitmap::Ptr bitmap = Bitmap::FromPixels(std::move(converted).Value());
    ASSERT_EQ(bitmap->SetPropertyItem(record), Status::Ok);
    files.push_back(dir.File("layout" + std::to_string(files.size()) + ".png"));
    ASSERT_EQ(bitmap->Save(files.back(), kPngEncoderClsid), Status::Ok);
  }
  // Pixels of each file, the first round's; 16-bit layouts hold other samples (converted to linear
  // light from the 24-bit pattern), so each depth is compared with itself.
  std::vector<std::vector<uint32_t>> first(files.size());
  for (int round = 0; round < 2; ++round) {
    for (size_t i = 0; i < files.size(); ++i) {
      SCOPED_TRACE(files[i]);
      auto loaded = Bitmap::FromFile(files[i], kDefaultLimits, {.colorManaged = true});
      ASSERT_TRUE(loaded.Ok());
      std::vector<uint32_t> pixels;
      for (uint32_t y = 0; y < 32; ++y)
        for (uint32_t x = 0; x < 64; ++x) pixels.push_back(test::PixelAt(*loaded.Value(), x, y));
      if (round == 0) first[i] = pixels;
      const std::vector<uint32_t>& same = first[i % 2 == 0 ? i : i - 1];  // RGB24 for ARGB32, RGB48 for ARGB64
      EXPECT_EQ(pixels, same);
    }
  }
  EXPECT_NE(first[0][5], 0xFF000000u | 20u << 16 | 245u) << "the profile changed the colours";
}

}  // namespace
}  // namespace tavlen::gfx
