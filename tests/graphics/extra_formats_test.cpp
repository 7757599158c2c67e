// WebP, AVIF, HEIF and JPEG XL: read only when asked for, each real file loaded with its frames, tags
// and profile, pixels compared with the libraries' own command-line decoders, damaged files refused,
// and the WebP encoder's round trips.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>

#include "platform/graphics/codec_registry.h"
#include "platform/graphics/codecs/heif_library.h"
#include "platform/graphics/color_management.h"
#include "platform/graphics/exif.h"
#include "tests/graphics/test_support.h"

namespace tavlen::gfx {
namespace {

using test::PixelAt;
using test::TempDir;
using test::TestDataDir;

constexpr DecodeOptions kExtra{.keepProfile = true, .extraFormats = true};

using test::HasTool;
using test::RunTool;

std::string Data(const std::string& relative) { return (TestDataDir() / relative).string(); }

Result<Bitmap::Ptr> Open(const std::string& path, const DecodeOptions& options = kExtra) {
  return Bitmap::FromFile(path, kDefaultLimits, options);
}

class ExtraFormats : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!std::filesystem::exists(TestDataDir() / "webp")) GTEST_SKIP() << "no shared test data";
  }

  // The file as this library decodes it; a null pointer (with a failure) when it does not load.
  Bitmap::Ptr Load(const std::string& relative) {
    auto loaded = Open(Data(relative));
    EXPECT_TRUE(loaded.Ok()) << relative << ": status " << static_cast<int>(loaded.GetStatus());
    return loaded.Ok() ? std::move(loaded).Value() : nullptr;
  }

  // The largest channel difference, alpha included, against a PNG another decoder wrote (or with
  // `mean`, the mean difference).
  int DifferenceFromPng(Bitmap& ours, const std::string& png, bool mean = false) {
    auto reference = Bitmap::FromFile(png);
    EXPECT_TRUE(reference.Ok());
    if (!reference.Ok()) return 256;
    Bitmap& theirs = *reference.Value();
    EXPECT_EQ(ours.Width(), theirs.Width());
    EXPECT_EQ(ours.Height(), theirs.Height());
    if (ours.Width() != theirs.Width() || ours.Height() != theirs.Height()) return 256;
    int largest = 0;
    uint64_t sum = 0, count = 0;
    for (uint32_t y = 0; y < ours.Height(); ++y) {
      for (uint32_t x = 0; x < ours.Width(); ++x) {
        const uint32_t p = PixelAt(ours, x, y), q = PixelAt(theirs, x, y);
        if ((p >> 24) == 0 && (q >> 24) == 0) continue;  // the colour of invisible pixels is free
        for (int shift = 0; shift < 32; shift += 8, ++count) {
          const int difference = std::abs(static_cast<int>(p >> shift & 0xFF) - static_cast<int>(q >> shift & 0xFF));
          largest = std::max(largest, difference);
          sum += static_cast<uint64_t>(difference);
        }
      }
    }
    return mean ? static_cast<int>(count ? sum / count : 0) : largest;
  }

  static uint32_t Frames(const Bitmap& bitmap, const Guid& dimension) {
    uint32_t count = 0;
    EXPECT_EQ(bitmap.GetFrameCount(dimension, count), Status::Ok);
    return count;
  }

  static bool HasItem(const Bitmap& bitmap, uint32_t id) {
    uint32_t size = 0;
    return bitmap.GetPropertyItemSize(id, size) == Status::Ok && size > 0;
  }

  TempDir m_dir;
};

TEST_F(ExtraFormats, RefusedUnlessAskedFor) {
  for (const char* file : {"webp/hopper.webp", "avif/transparency.avif", "heif/example.heic", "jxl/grayscale.jxl"}) {
    EXPECT_EQ(Open(Data(file), {}).GetStatus(), Status::UnknownImageFormat) << file;
    EXPECT_EQ(Open(Data(file), {.colorManaged = true, .keepProfile = true}).GetStatus(), Status::UnknownImageFormat)
        << file;
  }
}

TEST_F(ExtraFormats, WebpStillsMatchDwebp) {
  if (!HasTool("dwebp")) GTEST_SKIP() << "dwebp is not installed";
  for (const char* file : {"webp/hopper.webp", "webp/hat.lossless.webp", "webp/transparent.webp"}) {
    SCOPED_TRACE(file);
    Bitmap::Ptr ours = Load(file);
    ASSERT_TRUE(ours);
    const std::string png = m_dir.File("dwebp.png");
    ASSERT_TRUE(RunTool({"dwebp", "-quiet", Data(file), "-o", png}));
    EXPECT_EQ(DifferenceFromPng(*ours, png), 0);
  }
  Bitmap::Ptr alpha = Load("webp/transparent.webp");
  ASSERT_TRUE(alpha);
  EXPECT_EQ(alpha->Format(), PixelFormat::ARGB32bpp);
}

TEST_F(ExtraFormats, WebpAnimationFramesAndTiming) {
  Bitmap::Ptr animation = Load("webp/iss634.webp");
  ASSERT_TRUE(animation);
  EXPECT_EQ(animation->Width(), 245u);
  ASSERT_EQ(Frames(*animation, kFrameDimensionTime), 42u);
  uint32_t pages = 0;
  EXPECT_EQ(animation->GetFrameCount(kFrameDimensionPage, pages), Status::InvalidParameter);
  const auto delays = std::find_if(animation->PropertyItems().begin(), animation->PropertyItems().end(),
                                   [](const PropertyItem& item) { return item.id == 0x5100; });
  ASSERT_NE(delays, animation->PropertyItems().end());
  EXPECT_EQ(delays->value.size(), 42u * 4);

  const std::string first = test::OwnFormatBytes(*animation);
  ASSERT_EQ(animation->SelectActiveFrame(kFrameDimensionTime, 41), Status::Ok);
  const std::string last = test::OwnFormatBytes(*animation);
  EXPECT_NE(first, last);
  // Going back starts the composition again and gives the same first frame.
  ASSERT_EQ(animation->SelectActiveFrame(kFrameDimensionTime, 0), Status::Ok);
  EXPECT_EQ(test::OwnFormatBytes(*animation), first);
  EXPECT_EQ(animation->SelectActiveFrame(kFrameDimensionTime, 42), Status::InvalidParameter);
}

TEST_F(ExtraFormats, WebpProfileAndExif) {
  Bitmap::Ptr photo = Load("webp/exiv2-bug1199-adobergb.webp");
  ASSERT_TRUE(photo);
  EXPECT_EQ(photo->Width(), 1200u);
  EXPECT_TRUE(HasItem(*photo, kPropertyTagICCProfile));
  EXPECT_TRUE(HasItem(*photo, 0x0001) || HasItem(*photo, 0x0002)) << "GPS tags";
  EXPECT_EQ(ExifOrientation(photo->PropertyItems()), 1);
}

TEST_F(ExtraFormats, AvifStillsAlphaGridsAndSequences) {
  Bitmap::Ptr alpha = Load("avif/transparency.avif");
  ASSERT_TRUE(alpha);
  EXPECT_EQ(alpha->Format(), PixelFormat::ARGB32bpp);
  EXPECT_EQ(alpha->Width(), 64u);

  Bitmap::Ptr grid = Load("avif/sofa_grid1x5_420.avif");
  ASSERT_TRUE(grid);
  EXPECT_EQ(grid->Width(), 1024u);
  EXPECT_EQ(grid->Height(), 770u);

  Bitmap::Ptr deep = Load("avif/cosmos1650_yuv444_10bpc_p3pq.avif");
  ASSERT_TRUE(deep);
  EXPECT_EQ(deep->Width(), 1024u);

  Bitmap::Ptr spin = Load("avif/red-at-12-oclock-with-color-profile-lossy.avif");
  ASSERT_TRUE(spin);
  EXPECT_TRUE(HasItem(*spin, kPropertyTagICCProfile));

  Bitmap::Ptr sequence = Load("avif/colors-animated-8bpc-alpha-exif-xmp.avif");
  ASSERT_TRUE(sequence);
  ASSERT_EQ(Frames(*sequence, kFrameDimensionTime), 5u);
  EXPECT_TRUE(HasItem(*sequence, 0x0001) || HasItem(*sequence, 0x0002)) << "GPS tags";
  EXPECT_FALSE(HasItem(*sequence, 0x0112)) << "the file's own transforms are its orientation";
  const std::string first = test::OwnFormatBytes(*sequence);
  ASSERT_EQ(sequence->SelectActiveFrame(kFrameDimensionTime, 4), Status::Ok);
  EXPECT_NE(test::OwnFormatBytes(*sequence), first);
}

// libavif leaves the file's turn and mirror to its caller; heif-convert (libheif) applies them, as a
// viewer must.
TEST_F(ExtraFormats, AvifTurnAndMirrorMatchHeifConvert) {
  if (!HasTool("heif-convert")) GTEST_SKIP() << "heif-convert (libheif-examples) is not installed";
  Bitmap::Ptr ours = Load("avif/rot1mir1.avif");
  ASSERT_TRUE(ours);
  const std::string png = m_dir.File("heif-convert.png");
  if (!RunTool({"heif-convert", Data("avif/rot1mir1.avif"), png})) GTEST_SKIP() << "this libheif reads no AVIF";
  // Two YUV conversions with their own chroma upsampling differ a little at edges; a picture turned or
  // mirrored the wrong way differs by tens of levels on average.
  EXPECT_LE(DifferenceFromPng(*ours, png, true), 2);
}

TEST_F(ExtraFormats, HeifImagesAlphaAndExif) {
  if (Heif() == nullptr) GTEST_SKIP() << HeifUnavailableReason();
  Bitmap::Ptr pages = Load("heif/example.heic");
  ASSERT_TRUE(pages);
  EXPECT_EQ(pages->Width(), 1280u);
  ASSERT_EQ(Frames(*pages, kFrameDimensionPage), 2u);
  ASSERT_EQ(pages->SelectActiveFrame(kFrameDimensionPage, 1), Status::Ok);
  EXPECT_EQ(pages->Width(), 1280u);

  Bitmap::Ptr alpha = Load("heif/with-alpha-512x512.heic");
  ASSERT_TRUE(alpha);
  EXPECT_EQ(alpha->Format(), PixelFormat::ARGB32bpp);
  EXPECT_TRUE(HasItem(*alpha, kPropertyTagICCProfile));

  Bitmap::Ptr nikon = Load("heif/Stonehenge.heic");
  ASSERT_TRUE(nikon);
  uint32_t size = 0;
  ASSERT_EQ(nikon->GetPropertyItemSize(kPropertyTagEquipMake, size), Status::Ok);
  std::vector<uint8_t> record(size);
  ASSERT_EQ(nikon->GetPropertyItem(kPropertyTagEquipMake, size, reinterpret_cast<PropertyItemRecord*>(record.data())),
            Status::Ok);
  const auto* make = reinterpret_cast<const PropertyItemRecord*>(record.data());
  EXPECT_EQ(std::string(static_cast<const char*>(make->value)).substr(0, 5), "NIKON");
}

TEST_F(ExtraFormats, HeifMatchesHeifConvert) {
  if (Heif() == nullptr) GTEST_SKIP() << HeifUnavailableReason();
  if (!HasTool("heif-convert")) GTEST_SKIP() << "heif-convert (libheif-examples) is not installed";
  Bitmap::Ptr ours = Load("heif/with-alpha-512x512.heic");
  ASSERT_TRUE(ours);
  const std::string png = m_dir.File("heif-convert.png");
  ASSERT_TRUE(RunTool({"heif-convert", Data("heif/with-alpha-512x512.heic"), png}));
  EXPECT_EQ(DifferenceFromPng(*ours, png), 0);
}

TEST(HeifLibrary, MissingLibrarySaysWhy) {
  std::string reason;
  EXPECT_EQ(LoadHeifLibrary("libheif-that-is-not-there.so.0", reason), nullptr);
  EXPECT_NE(reason.find("libheif"), std::string::npos) << reason;
  // A library without libheif's calls is refused by the first one missing.
  reason.clear();
  EXPECT_EQ(LoadHeifLibrary("libc.so.6", reason), nullptr);
  EXPECT_NE(reason.find("heif_context_alloc"), std::string::npos) << reason;
}

TEST_F(ExtraFormats, JxlStillsAnimationAndOrientation) {
  Bitmap::Ptr triangles = Load("jxl/alpha_triangles.jxl");
  ASSERT_TRUE(triangles);
  EXPECT_EQ(triangles->Format(), PixelFormat::ARGB32bpp);
  EXPECT_EQ(triangles->Width(), 1024u);

  Bitmap::Ptr gray = Load("jxl/grayscale.jxl");
  ASSERT_TRUE(gray);
  EXPECT_TRUE(HasItem(*gray, kPropertyTagICCProfile));

  Bitmap::Ptr animation = Load("jxl/animation_icos4d.jxl");
  ASSERT_TRUE(animation);
  ASSERT_EQ(Frames(*animation, kFrameDimensionTime), 48u);
  const std::string first = test::OwnFormatBytes(*animation);
  ASSERT_EQ(animation->SelectActiveFrame(kFrameDimensionTime, 47), Status::Ok);
  EXPECT_NE(test::OwnFormatBytes(*animation), first);

  // Orientation 5 (transposed) is applied by libjxl: the stored 500x606 shows as 606x500, and the EXIF
  // orientation beside it is left out so that it is not applied a second time.
  Bitmap::Ptr oriented = Load("jxl/bench_oriented_brg.jxl");
  ASSERT_TRUE(oriented);
  EXPECT_EQ(oriented->Width(), 606u);
  EXPECT_EQ(oriented->Height(), 500u);
  EXPECT_EQ(ExifOrientation(oriented->PropertyItems()), 1);
  EXPECT_FALSE(oriented->PropertyItems().empty()) << "the other EXIF tags are read";
}

TEST_F(ExtraFormats, JxlMatchesDjxl) {
  if (!HasTool("djxl")) GTEST_SKIP() << "djxl (libjxl-tools) is not installed";
  for (const char* file : {"jxl/grayscale.jxl", "jxl/bench_oriented_brg.jxl"}) {
    SCOPED_TRACE(file);
    Bitmap::Ptr ours = Load(file);
    ASSERT_TRUE(ours);
    const std::string png = m_dir.File("djxl.png");
    ASSERT_TRUE(RunTool({"djxl", Data(file), png}));
    EXPECT_LE(DifferenceFromPng(*ours, png), 1);
  }
}

TEST_F(ExtraFormats, DamagedFilesFailCleanly) {
  for (const char* file : {"bad/webp-exiv2-cve_2017_1000126.webp", "bad/webp-exiv2-issue_1841_poc.webp",
                           "bad/avif-mp4parse-bug-1655846.avif", "bad/avif-17000x17000.avif",
                           "bad/heic-libheif-crash-20ca2625.heic", "bad/heic-libheif-github_15.heic",
                           "bad/jxl-clusterfuzz-4718378999218176.jxl", "bad/jxl-clusterfuzz-5392074930782208.jxl"}) {
    SCOPED_TRACE(file);
    auto loaded = Open(Data(file));
    EXPECT_FALSE(loaded.Ok());
  }
  // Over the limits: refused before the pixels are allocated.
  DecodeLimits small;
  small.maxPixelBytes = 64 * 64 * 4 - 1;
  for (const char* file : {"webp/hopper.webp", "avif/sofa_grid1x5_420.avif", "jxl/alpha_triangles.jxl"}) {
    EXPECT_EQ(Bitmap::FromFile(Data(file), small, kExtra).GetStatus(), Status::OutOfMemory) << file;
  }
}

// Lossless at quality 100 gives back every pixel, alpha included; lossy files are smaller and close.
TEST(WebpEncoder, LosslessAndLossy) {
  TempDir dir;
  Bitmap::Ptr source = test::MakePatternBitmap(61, 37, PixelFormat::ARGB32bpp);
  auto encode = [&](int32_t quality) {
    const EncoderParameter parameter{kEncoderQuality, 1, kEncoderParameterValueTypeLong, &quality};
    std::vector<uint8_t> bytes;
    EXPECT_EQ(source->SaveToMemory(kWebpEncoderClsid, {&parameter, 1}, bytes), Status::Ok);
    return bytes;
  };
  const std::vector<uint8_t> lossless = encode(100), lossy = encode(50);
  auto back = Bitmap::FromMemory(lossless, kDefaultLimits, kExtra);
  ASSERT_TRUE(back.Ok());
  EXPECT_TRUE(test::SamePixels(*source, *back.Value()));
  EXPECT_LT(lossy.size(), lossless.size());
  auto approximate = Bitmap::FromMemory(lossy, kDefaultLimits, kExtra);
  ASSERT_TRUE(approximate.Ok());
  EXPECT_EQ(approximate.Value()->Width(), 61u);

  // Other formats go through 32bppARGB.
  Bitmap::Ptr indexed = test::MakePatternBitmap(20, 10, PixelFormat::Indexed4bpp);
  std::vector<uint8_t> bytes;
  const int32_t quality = 100;
  const EncoderParameter parameter{kEncoderQuality, 1, kEncoderParameterValueTypeLong, &quality};
  ASSERT_EQ(indexed->SaveToMemory(kWebpEncoderClsid, {&parameter, 1}, bytes), Status::Ok);
  auto decoded = Bitmap::FromMemory(bytes, kDefaultLimits, kExtra);
  ASSERT_TRUE(decoded.Ok());
  EXPECT_TRUE(test::SamePixels(*indexed, *decoded.Value()));
}

// The profile and the EXIF items are written beside the picture and read back.
TEST(WebpEncoder, ProfileAndTagsTravel) {
  Bitmap::Ptr source = test::MakePatternBitmap(16, 16, PixelFormat::RGB24bpp);
  const std::vector<uint8_t>& srgb = SrgbProfileBytes();
  ASSERT_EQ(source->SetPropertyItem({kPropertyTagICCProfile, static_cast<uint32_t>(srgb.size()),
                                     kPropertyTagTypeUndefined, const_cast<uint8_t*>(srgb.data())}),
            Status::Ok);
  char artist[] = "Someone";
  ASSERT_EQ(source->SetPropertyItem({kPropertyTagArtist, sizeof artist, kPropertyTagTypeASCII, artist}), Status::Ok);
  std::vector<uint8_t> bytes;
  ASSERT_EQ(source->SaveToMemory(kWebpEncoderClsid, {}, bytes), Status::Ok);
  auto back = Bitmap::FromMemory(bytes, kDefaultLimits, kExtra);
  ASSERT_TRUE(back.Ok());
  std::vector<uint8_t> profile, name;
  for (const PropertyItem& item : back.Value()->PropertyItems()) {
    if (item.id == kPropertyTagICCProfile) profile = item.value;
    if (item.id == kPropertyTagArtist) name = item.value;
  }
  EXPECT_EQ(profile, srgb);
  EXPECT_EQ(std::string(name.begin(), name.end()), std::string(artist, sizeof artist));
}

TEST(WebpEncoder, RefusesWhatItCannotWrite) {
  Bitmap::Ptr source = test::MakePatternBitmap(8, 8, PixelFormat::RGB24bpp);
  std::vector<uint8_t> bytes{1, 2, 3};
  const int16_t wrongType = 50;
  const EncoderParameter parameter{kEncoderQuality, 1, kEncoderParameterValueTypeShort, &wrongType};
  EXPECT_EQ(source->SaveToMemory(kWebpEncoderClsid, {&parameter, 1}, bytes), Status::InvalidParameter);
  EXPECT_EQ(bytes, (std::vector<uint8_t>{1, 2, 3}));
  auto wide = Bitmap::Create(16384, 1, PixelFormat::RGB24bpp);
  ASSERT_TRUE(wide.Ok());
  EXPECT_EQ(wide.Value()->SaveToMemory(kWebpEncoderClsid, {}, bytes), Status::InvalidParameter);
}

TEST(ExifOrientation, ReadFromItems) {
  std::vector<PropertyItem> items;
  EXPECT_EQ(ExifOrientation(items), 1);
  items.push_back({0x0112, kPropertyTagTypeShort, {6, 0}});
  EXPECT_EQ(ExifOrientation(items), 6);
  items[0].value = {9, 0};
  EXPECT_EQ(ExifOrientation(items), 1) << "out of range";
}

TEST(EmbeddedExif, HeaderFoundBehindPrefixes) {
  const std::vector<uint8_t> block =
      BuildExif(std::vector<PropertyItem>{{kPropertyTagArtist, kPropertyTagTypeASCII, {'A', 0}}});
  ASSERT_FALSE(block.empty());
  std::vector<uint8_t> exifPrefix{'E', 'x', 'i', 'f', 0, 0};
  exifPrefix.insert(exifPrefix.end(), block.begin(), block.end());
  std::vector<uint8_t> offsetPrefix{0, 0, 0, 2, 'x', 'x'};
  offsetPrefix.insert(offsetPrefix.end(), block.begin(), block.end());
  for (const auto& payload : {block, exifPrefix, offsetPrefix}) {
    std::vector<PropertyItem> items;
    EXPECT_TRUE(ParseEmbeddedExif(payload, items));
    ASSERT_EQ(items.size(), 1u);
    EXPECT_EQ(items[0].id, kPropertyTagArtist);
  }
  std::vector<PropertyItem> items;
  EXPECT_FALSE(ParseEmbeddedExif(std::vector<uint8_t>{0xFF, 0xFF, 0xFF, 0xF0, 1, 2, 3}, items));
}

}  // namespace
}  // namespace tavlen::gfx
