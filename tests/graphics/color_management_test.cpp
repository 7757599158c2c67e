// Colour management at decode: pixels with a profile converted to sRGB as lcms2's own tools convert
// them, 16-bit pictures kept at 16 bits, profiles kept with the picture and written back, and damaged
// profiles and the default options leaving the pixels as decoded.
#include "platform/graphics/color_management.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "platform/graphics/codec_registry.h"
#include "tests/graphics/test_support.h"

namespace tavlen::gfx {
namespace {

using test::PixelAt;
using test::ReadFileBytes;
using test::TempDir;
using test::TestDataDir;

const std::filesystem::path kProfiles = "/usr/share/color/icc/colord";

constexpr DecodeOptions kManaged{.colorManaged = true};
constexpr DecodeOptions kKeepProfile{.keepProfile = true};

using test::HasTool;
using test::RunTool;

std::vector<uint8_t> Profile(const std::string& name) { return ReadFileBytes(kProfiles / name); }

// A smooth picture with saturated corners, so that a gamut conversion moves most pixels and JPEG's
// loss stays small.
Bitmap::Ptr Gradient(uint32_t width, uint32_t height, PixelFormat format = PixelFormat::RGB24bpp) {
  auto made = Bitmap::Create(width, height, format);
  EXPECT_TRUE(made.Ok());
  Bitmap::Ptr bitmap = std::move(made).Value();
  PixelBuffer& pixels = bitmap->Pixels();
  const bool wide = format == PixelFormat::RGB48bpp;
  for (uint32_t y = 0; y < height; ++y) {
    for (uint32_t x = 0; x < width; ++x) {
      const uint32_t r = x * 65535 / (width - 1), g = y * 65535 / (height - 1), b = 65535 - (r + g) / 2;
      if (wide) {
        auto* p = reinterpret_cast<uint16_t*>(pixels.Row(y)) + 3 * x;
        p[0] = static_cast<uint16_t>(b), p[1] = static_cast<uint16_t>(g), p[2] = static_cast<uint16_t>(r);
      } else {
        uint8_t* p = pixels.Row(y) + 3 * x;
        p[0] = static_cast<uint8_t>(b >> 8), p[1] = static_cast<uint8_t>(g >> 8), p[2] = static_cast<uint8_t>(r >> 8);
      }
    }
  }
  return bitmap;
}

void Embed(Bitmap& bitmap, const std::vector<uint8_t>& profile) {
  PropertyItemRecord record{kPropertyTagICCProfile, static_cast<uint32_t>(profile.size()), kPropertyTagTypeUndefined,
                            const_cast<uint8_t*>(profile.data())};
  ASSERT_EQ(bitmap.SetPropertyItem(record), Status::Ok);
}

std::vector<uint8_t> KeptProfile(const Bitmap& bitmap) {
  for (const PropertyItem& item : bitmap.PropertyItems())
    if (item.id == kPropertyTagICCProfile) return item.value;
  return {};
}

Bitmap::Ptr Load(const std::string& path, const DecodeOptions& options = {}) {
  auto loaded = Bitmap::FromFile(path, kDefaultLimits, options);
  EXPECT_TRUE(loaded.Ok()) << path << " status " << static_cast<int>(loaded.GetStatus());
  return loaded.Ok() ? std::move(loaded).Value() : nullptr;
}

// The largest difference of any channel between two bitmaps of the same size.
int LargestDifference(Bitmap& a, Bitmap& b) {
  EXPECT_EQ(a.Width(), b.Width());
  EXPECT_EQ(a.Height(), b.Height());
  int largest = 0;
  for (uint32_t y = 0; y < a.Height(); ++y) {
    for (uint32_t x = 0; x < a.Width(); ++x) {
      const uint32_t p = PixelAt(a, x, y), q = PixelAt(b, x, y);
      for (int shift = 0; shift < 24; shift += 8)
        largest =
            std::max(largest, std::abs(static_cast<int>(p >> shift & 0xFF) - static_cast<int>(q >> shift & 0xFF)));
    }
  }
  return largest;
}

class ProfiledPicture : public ::testing::TestWithParam<const char*> {
 protected:
  void SetUp() override {
    if (!std::filesystem::exists(kProfiles / GetParam())) GTEST_SKIP() << "colord-data's profiles are not installed";
  }
  TempDir m_dir;
};

// lcms2's tificc (perceptual, black-point compensation) on the same pixels in a TIFF gives the same
// sRGB values within one level.
TEST_P(ProfiledPicture, TiffMatchesTificc) {
  if (!HasTool("tificc")) GTEST_SKIP() << "tificc (liblcms2-utils) is not installed";
  Bitmap::Ptr source = Gradient(96, 64);
  Embed(*source, Profile(GetParam()));
  const std::string in = m_dir.File("in.tif"), out = m_dir.File("out.tif");
  ASSERT_EQ(source->Save(in, kTiffEncoderClsid), Status::Ok);
  ASSERT_TRUE(RunTool({"tificc", "-t0", "-b", in, out}));

  Bitmap::Ptr managed = Load(in, kManaged);
  Bitmap::Ptr reference = Load(out);
  Bitmap::Ptr unmanaged = Load(in);
  ASSERT_TRUE(managed && reference && unmanaged);
  EXPECT_LE(LargestDifference(*managed, *reference), 1);
  EXPECT_GT(LargestDifference(*managed, *unmanaged), 20) << "the conversion changed next to nothing";
  EXPECT_EQ(KeptProfile(*managed), SrgbProfileBytes());
  EXPECT_TRUE(KeptProfile(*unmanaged).empty()) << "the default options keep no profile";
}

// jpgicc converts the decoded JPEG and encodes it again, so it matches within JPEG's own loss.
TEST_P(ProfiledPicture, JpegMatchesJpgicc) {
  if (!HasTool("jpgicc")) GTEST_SKIP() << "jpgicc (liblcms2-utils) is not installed";
  Bitmap::Ptr source = Gradient(96, 64);
  Embed(*source, Profile(GetParam()));
  const std::string in = m_dir.File("in.jpg"), out = m_dir.File("out.jpg");
  ASSERT_EQ(source->Save(in, kJpegEncoderClsid), Status::Ok);
  ASSERT_TRUE(RunTool({"jpgicc", "-t0", "-b", "-q100", in, out}));

  Bitmap::Ptr managed = Load(in, kManaged);
  Bitmap::Ptr reference = Load(out);
  ASSERT_TRUE(managed && reference);
  EXPECT_LE(LargestDifference(*managed, *reference), 4);
}

INSTANTIATE_TEST_SUITE_P(AdobeRgbAndWideGamut, ProfiledPicture,
                         ::testing::Values("AdobeRGB1998.icc", "ProPhotoRGB.icc", "WideGamutRGB.icc"));

TEST(ColorManagement, SixteenBitPicturesAreConvertedAtSixteenBits) {
  const std::vector<uint8_t> adobe = Profile("AdobeRGB1998.icc");
  if (adobe.empty()) GTEST_SKIP() << "colord-data's profiles are not installed";
  TempDir dir;
  Bitmap::Ptr source = Gradient(128, 64, PixelFormat::RGB48bpp);
  Embed(*source, adobe);
  const std::string tiff = dir.File("deep.tif"), png = dir.File("deep.png");
  ASSERT_EQ(source->Save(tiff, kTiffEncoderClsid), Status::Ok);
  ASSERT_EQ(source->Save(png, kPngEncoderClsid), Status::Ok);
  Bitmap::Ptr fromTiff = Load(tiff, kManaged);
  Bitmap::Ptr fromPng = Load(png, kManaged);
  ASSERT_TRUE(fromTiff && fromPng);
  ASSERT_EQ(fromTiff->Format(), PixelFormat::RGB48bpp);
  ASSERT_EQ(fromPng->Format(), PixelFormat::RGB48bpp);
  EXPECT_EQ(test::OwnFormatBytes(*fromTiff), test::OwnFormatBytes(*fromPng));

  // Samples reduced to 8 bits before the conversion would all be multiples of 257 afterwards only by
  // chance; converted at 16 bits, most are not.
  const PixelBuffer& pixels = fromTiff->Pixels();
  size_t between = 0, total = 0;
  for (uint32_t y = 0; y < pixels.Height(); ++y) {
    const auto* row = reinterpret_cast<const uint16_t*>(pixels.Row(y));
    for (uint32_t i = 0; i < pixels.Width() * 3; ++i, ++total) between += row[i] % 257 != 0;
  }
  EXPECT_GT(between, total / 2);

  if (HasTool("tificc")) {
    const std::string out = dir.File("reference.tif");
    ASSERT_TRUE(RunTool({"tificc", "-t0", "-b", "-w16", tiff, out}));
    Bitmap::Ptr reference = Load(out);
    ASSERT_TRUE(reference);
    ASSERT_EQ(reference->Format(), PixelFormat::RGB48bpp);
    const PixelBuffer& expected = reference->Pixels();
    int largest = 0;
    for (uint32_t y = 0; y < pixels.Height(); ++y) {
      const auto* a = reinterpret_cast<const uint16_t*>(pixels.Row(y));
      const auto* b = reinterpret_cast<const uint16_t*>(expected.Row(y));
      for (uint32_t i = 0; i < pixels.Width() * 3; ++i) largest = std::max(largest, std::abs(a[i] - b[i]));
    }
    EXPECT_LE(largest, 257) << "within one 8-bit level of lcms2's 16-bit conversion";
  }
}

TEST(ColorManagement, DamagedProfileLoadsThePixelsUnconverted) {
  std::vector<uint8_t> damaged = Profile("AdobeRGB1998.icc");
  if (damaged.empty()) GTEST_SKIP() << "colord-data's profiles are not installed";
  damaged.resize(200);  // the tag table points past the end
  damaged[36] = 'x';    // and the signature is gone
  TempDir dir;
  Bitmap::Ptr source = Gradient(40, 30);
  Embed(*source, damaged);
  for (const Guid& encoder : {kTiffEncoderClsid, kJpegEncoderClsid}) {
    const std::string path = dir.File(encoder == kTiffEncoderClsid ? "damaged.tif" : "damaged.jpg");
    ASSERT_EQ(source->Save(path, encoder), Status::Ok);
    Bitmap::Ptr managed = Load(path, kManaged);
    Bitmap::Ptr plain = Load(path);
    ASSERT_TRUE(managed && plain);
    EXPECT_TRUE(test::SamePixels(*managed, *plain));
  }
}

TEST(ColorManagement, ProfileTravelsWithCopiesAndSaves) {
  const std::vector<uint8_t> adobe = Profile("AdobeRGB1998.icc");
  if (adobe.empty()) GTEST_SKIP() << "colord-data's profiles are not installed";
  TempDir dir;
  Bitmap::Ptr source = Gradient(32, 32);
  Embed(*source, adobe);
  const std::string original = dir.File("adobe.png");
  ASSERT_EQ(source->Save(original, kPngEncoderClsid), Status::Ok);

  Bitmap::Ptr managed = Load(original, kManaged);
  Bitmap::Ptr unmanaged = Load(original, kKeepProfile);
  ASSERT_TRUE(managed && unmanaged);
  EXPECT_EQ(KeptProfile(*unmanaged), adobe);
  auto copy = managed->Clone();
  ASSERT_TRUE(copy.Ok());
  EXPECT_EQ(KeptProfile(*copy.Value()), SrgbProfileBytes());

  // Managed pixels are written with the sRGB profile, unmanaged ones with the profile they came with.
  for (const Guid& encoder : {kJpegEncoderClsid, kPngEncoderClsid, kTiffEncoderClsid}) {
    const std::string a = dir.File("managed.out"), b = dir.File("unmanaged.out");
    ASSERT_EQ(copy.Value()->Save(a, encoder), Status::Ok);
    ASSERT_EQ(unmanaged->Save(b, encoder), Status::Ok);
    Bitmap::Ptr readA = Load(a, kKeepProfile), readB = Load(b, kKeepProfile);
    ASSERT_TRUE(readA && readB);
    EXPECT_EQ(KeptProfile(*readA), SrgbProfileBytes());
    EXPECT_EQ(KeptProfile(*readB), adobe);
    // The profile is not written among the EXIF tags as well, where a plain load would find it.
    Bitmap::Ptr plain = Load(a);
    ASSERT_TRUE(plain);
    EXPECT_TRUE(KeptProfile(*plain).empty());
  }
}

TEST(ColorManagement, RealFilesWithProfiles) {
  const std::filesystem::path icc = TestDataDir() / "icc";
  if (!std::filesystem::exists(icc)) GTEST_SKIP() << "no shared test data";
  // Each file loads managed and unmanaged; managed colours differ where the profile says they must.
  for (const char* name : {"Reagan-adobergb.jpg", "apple_gainmap_displayp3.jpg", "P3-sRGB-color-bars.png",
                           "exiv2-test-camera-rgb.tiff", "cmyk-fogra39.jpg"}) {
    SCOPED_TRACE(name);
    Bitmap::Ptr managed = Load((icc / name).string(), kManaged);
    Bitmap::Ptr plain = Load((icc / name).string());
    ASSERT_TRUE(managed && plain);
    EXPECT_GT(LargestDifference(*managed, *plain), 8);
    EXPECT_EQ(KeptProfile(*managed), SrgbProfileBytes());
  }
}

// The FOGRA39 profile spans nine APP2 segments: joined in order, it is whole, and the inverted Adobe
// inks convert as jpgicc converts them.
TEST(ColorManagement, CmykJpegMatchesJpgicc) {
  const std::filesystem::path file = TestDataDir() / "icc" / "cmyk-fogra39.jpg";
  if (!std::filesystem::exists(file)) GTEST_SKIP() << "no shared test data";
  Bitmap::Ptr kept = Load(file.string(), kKeepProfile);
  ASSERT_TRUE(kept);
  const std::vector<uint8_t> profile = KeptProfile(*kept);
  ASSERT_GE(profile.size(), 128u);
  const uint32_t declared =
      uint32_t{profile[0]} << 24 | uint32_t{profile[1]} << 16 | uint32_t{profile[2]} << 8 | profile[3];
  EXPECT_EQ(declared, profile.size());
  EXPECT_EQ(std::string(profile.begin() + 16, profile.begin() + 20), "CMYK");

  if (!HasTool("jpgicc")) GTEST_SKIP() << "jpgicc (liblcms2-utils) is not installed";
  TempDir dir;
  const std::string out = dir.File("srgb.jpg");
  ASSERT_TRUE(RunTool({"jpgicc", "-t0", "-b", "-q100", file.string(), out}));
  Bitmap::Ptr managed = Load(file.string(), kManaged);
  Bitmap::Ptr reference = Load(out);
  ASSERT_TRUE(managed && reference);
  EXPECT_LE(LargestDifference(*managed, *reference), 6);
}

// The same inks in a CMYK TIFF (not inverted there) convert as tificc converts them.
TEST(ColorManagement, CmykTiffMatchesTificc) {
  const std::filesystem::path file = TestDataDir() / "icc" / "cmyk-fogra39.jpg";
  if (!std::filesystem::exists(file)) GTEST_SKIP() << "no shared test data";
  if (!HasTool("tificc") || !test::HasImageMagick()) GTEST_SKIP() << "tificc or ImageMagick is not installed";
  TempDir dir;
  const std::string tiff = dir.File("cmyk.tif"), out = dir.File("srgb.tif");
  ASSERT_TRUE(RunTool({"convert", file.string(), "-compress", "lzw", tiff}));
  ASSERT_TRUE(RunTool({"tificc", "-t0", "-b", tiff, out}));
  Bitmap::Ptr managed = Load(tiff, kManaged);
  Bitmap::Ptr reference = Load(out);
  Bitmap::Ptr plain = Load(tiff);
  ASSERT_TRUE(managed && reference && plain);
  EXPECT_LE(LargestDifference(*managed, *reference), 1);
  EXPECT_GT(LargestDifference(*managed, *plain), 8);
}

// An AVIF with Display P3 primaries named in its colour description and no ICC profile: saturated
// colours move, grays stay where they are (same white point, same curve).
TEST(ColorManagement, AvifColourDescription) {
  if (!HasTool("avifenc")) GTEST_SKIP() << "avifenc (libavif-bin) is not installed";
  TempDir dir;
  Bitmap::Ptr source = Gradient(64, 64);
  PixelBuffer& pixels = source->Pixels();
  for (uint32_t x = 0; x < 8; ++x) std::fill_n(pixels.Row(0) + 3 * x, 3, static_cast<uint8_t>(128));  // gray
  const std::string png = dir.File("p3.png"), avif = dir.File("p3.avif");
  ASSERT_EQ(source->Save(png, kPngEncoderClsid), Status::Ok);
  ASSERT_TRUE(RunTool({"avifenc", "-l", "-s", "10", "--cicp", "12/13/0", png, avif}));
  const DecodeOptions managed{.colorManaged = true, .extraFormats = true};
  auto converted = Bitmap::FromFile(avif, kDefaultLimits, managed);
  auto plain = Bitmap::FromFile(avif, kDefaultLimits, {.extraFormats = true});
  ASSERT_TRUE(converted.Ok() && plain.Ok());
  EXPECT_GT(LargestDifference(*converted.Value(), *plain.Value()), 20);
  const uint32_t gray = PixelAt(*converted.Value(), 3, 0);
  for (int shift = 0; shift < 24; shift += 8) EXPECT_NEAR(static_cast<int>(gray >> shift & 0xFF), 128, 2);
}

// A PNG with gAMA 1.0 only holds linear samples: a mid gray in the file is much lighter in sRGB.
TEST(ColorManagement, PngGammaChunkAlone) {
  const std::filesystem::path file = TestDataDir() / "icc" / "red-blue-gradient.gamma1dot0.png";
  if (!std::filesystem::exists(file)) GTEST_SKIP() << "no shared test data";
  Bitmap::Ptr managed = Load(file.string(), kManaged);
  Bitmap::Ptr plain = Load(file.string());
  ASSERT_TRUE(managed && plain);
  int lighter = 0;
  for (uint32_t x = 0; x < plain->Width(); x += 8) {
    const uint32_t p = PixelAt(*plain, x, plain->Height() / 2), m = PixelAt(*managed, x, plain->Height() / 2);
    const int before = static_cast<int>(p >> 16 & 0xFF), after = static_cast<int>(m >> 16 & 0xFF);
    if (before > 40 && before < 200) lighter += after > before + 25;
  }
  EXPECT_GT(lighter, 4);
}

TEST(ColorManagement, PalettePicturesConvertTheirPalette) {
  const std::vector<uint8_t> wide = Profile("WideGamutRGB.icc");
  if (wide.empty()) GTEST_SKIP() << "colord-data's profiles are not installed";
  TempDir dir;
  Bitmap::Ptr source = test::MakePatternBitmap(16, 16, PixelFormat::Indexed8bpp);
  Embed(*source, wide);
  const std::string path = dir.File("palette.png");
  ASSERT_EQ(source->Save(path, kPngEncoderClsid), Status::Ok);
  Bitmap::Ptr managed = Load(path, kManaged);
  Bitmap::Ptr plain = Load(path);
  ASSERT_TRUE(managed && plain);
  EXPECT_EQ(managed->Format(), PixelFormat::Indexed8bpp);
  EXPECT_NE(managed->GetPalette(), plain->GetPalette());
  EXPECT_EQ(test::OwnFormatBytes(*managed), test::OwnFormatBytes(*plain)) << "the indices stay";
}

}  // namespace
}  // namespace tavlen::gfx
