// The fast 8-bit conversion against lcms2's own transform on a dense sample of colours, for the
// profiles photos come with and a linear one (the steepest for sRGB's curve near black), and the
// profiles it must leave to lcms2.
#include "platform/graphics/color_management_fast.h"

#include <gtest/gtest.h>
#include <lcms2.h>

#include <filesystem>
#include <string>

#include "platform/graphics/codec_registry.h"
#include "platform/graphics/color_management.h"
#include "platform/graphics/color_management_handles.h"
#include "tests/graphics/test_support.h"

namespace tavlen::gfx {
namespace {

const std::filesystem::path kProfiles = "/usr/share/color/icc/colord";

Profile FromBytes(const std::vector<uint8_t>& bytes) {
  if (bytes.empty()) return nullptr;
  return Profile(cmsOpenProfileFromMem(bytes.data(), static_cast<cmsUInt32Number>(bytes.size())));
}

// The profile embedded in a test picture.
Profile EmbeddedIn(const std::filesystem::path& file) {
  if (!std::filesystem::exists(file)) return nullptr;
  auto loaded = Bitmap::FromFile(file.string(), kDefaultLimits, {.keepProfile = true});
  if (!loaded.Ok()) return nullptr;
  for (const PropertyItem& item : loaded.Value()->PropertyItems())
    if (item.id == kPropertyTagICCProfile) return FromBytes(item.value);
  return nullptr;
}

// Rec. 2020's primaries with a linear curve, as a PNG with gAMA 1.0 and cHRM describes.
Profile LinearWideGamut() {
  cmsCIExyY white{0.3127, 0.3290, 1.0};
  cmsCIExyYTRIPLE primaries{{0.708, 0.292, 1.0}, {0.170, 0.797, 1.0}, {0.131, 0.046, 1.0}};
  cmsToneCurve* linear = cmsBuildGamma(nullptr, 1.0);
  cmsToneCurve* curves[3] = {linear, linear, linear};
  Profile profile(cmsCreateRGBProfile(&white, &primaries, curves));
  cmsFreeToneCurve(linear);
  return profile;
}

Profile Named(const std::string& name) {
  return std::filesystem::exists(kProfiles / name) ? Profile(cmsOpenProfileFromFile((kProfiles / name).c_str(), "r"))
                                                   : nullptr;
}

// B, G, R(, A) pixels: every third level of each channel, and every level of the darkest cube, where
// the curves are steepest. The fourth byte counts so that a changed one shows.
std::vector<uint8_t> DenseSample(uint32_t bytesPerPixel) {
  std::vector<uint8_t> pixels;
  uint8_t fourth = 0;
  auto add = [&](int r, int g, int b) {
    pixels.insert(pixels.end(), {static_cast<uint8_t>(b), static_cast<uint8_t>(g), static_cast<uint8_t>(r)});
    if (bytesPerPixel == 4) pixels.push_back(fourth++);
  };
  for (int r = 0; r < 256; r += 3)
    for (int g = 0; g < 256; g += 3)
      for (int b = 0; b < 256; b += 3) add(r, g, b);
  for (int r = 0; r < 16; ++r)
    for (int g = 0; g < 16; ++g)
      for (int b = 0; b < 16; ++b) add(r, g, b);
  return pixels;
}

struct Conversion {
  Profile srgb{cmsCreate_sRGBProfile()};
  Transform reference;
  std::optional<FastRgbToSrgb> fast;

  explicit Conversion(void* source)
      : reference(cmsCreateTransform(source, TYPE_BGR_8, srgb.get(), TYPE_BGR_8, INTENT_PERCEPTUAL,
                                     cmsFLAGS_BLACKPOINTCOMPENSATION | cmsFLAGS_NOCACHE)),
        fast(reference ? FastRgbToSrgb::Make(source, srgb.get(), reference.get()) : std::nullopt) {}
};

class FastConversion : public ::testing::TestWithParam<std::string> {
 protected:
  Profile Source() {
    const std::string& name = GetParam();
    if (name == "linear-rec2020") return LinearWideGamut();
    if (name == "display-p3") return EmbeddedIn(test::TestDataDir() / "icc" / "apple_gainmap_displayp3.jpg");
    return Named(name);
  }
};

TEST_P(FastConversion, MatchesLcms2WithinOneLevel) {
  Profile source = Source();
  if (!source) GTEST_SKIP() << GetParam() << " is not available";
  Conversion conversion(source.get());
  ASSERT_TRUE(conversion.fast) << "a matrix-shaper profile is left to lcms2";
  const std::vector<uint8_t> packed = DenseSample(3);
  const auto count = static_cast<uint32_t>(packed.size() / 3);
  std::vector<uint8_t> theirs(packed.size());
  cmsDoTransform(conversion.reference.get(), packed.data(), theirs.data(), count);
  for (const uint32_t bytesPerPixel : {3u, 4u}) {
    const std::vector<uint8_t> original = DenseSample(bytesPerPixel);
    std::vector<uint8_t> ours = original;
    conversion.fast->ConvertRow(ours.data(), count, bytesPerPixel);
    int largest = 0, changed = 0;
    for (uint32_t i = 0; i < count; ++i) {
      for (uint32_t c = 0; c < 3; ++c) {
        const int a = ours[i * bytesPerPixel + c];
        largest = std::max(largest, std::abs(a - theirs[i * 3 + c]));
        changed += a != original[i * bytesPerPixel + c];
      }
      if (bytesPerPixel == 4) {
        ASSERT_EQ(ours[i * 4 + 3], original[i * 4 + 3]) << "the fourth byte was changed";
      }
    }
    EXPECT_LE(largest, 1) << GetParam() << ", " << bytesPerPixel << " bytes a pixel";
    EXPECT_GT(changed, static_cast<int>(count)) << "the conversion changed next to nothing";
  }
}

INSTANTIATE_TEST_SUITE_P(MatrixShaperProfiles, FastConversion,
                         ::testing::Values("AdobeRGB1998.icc", "ProPhotoRGB.icc", "display-p3", "linear-rec2020"),
                         [](const auto& info) {
                           std::string name = info.param.substr(0, info.param.find('.'));
                           std::erase(name, '-');
                           return name;
                         });

// A picture large enough to be converted in two halves, with alpha: the pixels as lcms2 converts them
// and the alpha as it was.
TEST(FastConversionOfFrames, ArgbPictureInTwoHalvesKeepsAlphaAndMatchesLcms2) {
  const std::vector<uint8_t> adobe = test::ReadFileBytes(kProfiles / "AdobeRGB1998.icc");
  if (adobe.empty()) GTEST_SKIP() << "colord-data's profiles are not installed";
  constexpr uint32_t kWidth = 1200, kHeight = 1000;
  auto made = PixelBuffer::Allocate(PixelFormat::ARGB32bpp, kWidth, kHeight, PixelBuffer::Init::Zero);
  ASSERT_TRUE(made.Ok());
  DecodedFrame frame;
  frame.pixels = std::move(made).Value();
  for (uint32_t y = 0; y < kHeight; ++y)
    for (uint32_t x = 0; x < kWidth; ++x) {
      uint8_t* p = frame.pixels.Row(y) + 4 * x;
      p[0] = static_cast<uint8_t>(x * 7), p[1] = static_cast<uint8_t>(y), p[2] = static_cast<uint8_t>(x + y);
      p[3] = static_cast<uint8_t>(x ^ y);
    }
  std::vector<uint8_t> expected(size_t{kWidth} * kHeight * 4);
  for (uint32_t y = 0; y < kHeight; ++y)
    std::copy_n(frame.pixels.Row(y), kWidth * 4, &expected[size_t{y} * kWidth * 4]);
  Profile source = FromBytes(adobe), srgb(cmsCreate_sRGBProfile());
  Transform lcms(cmsCreateTransform(source.get(), TYPE_BGRA_8, srgb.get(), TYPE_BGRA_8, INTENT_PERCEPTUAL,
                                    cmsFLAGS_BLACKPOINTCOMPENSATION | cmsFLAGS_COPY_ALPHA));
  ASSERT_TRUE(lcms);
  cmsDoTransform(lcms.get(), expected.data(), expected.data(), kWidth * kHeight);

  frame.color.iccProfile = adobe;
  ApplyColorOptions(frame, {.colorManaged = true});
  int largest = 0;
  for (uint32_t y = 0; y < kHeight; ++y)
    for (uint32_t x = 0; x < kWidth; ++x) {
      const uint8_t* p = frame.pixels.Row(y) + 4 * x;
      const uint8_t* q = &expected[(size_t{y} * kWidth + x) * 4];
      ASSERT_EQ(p[3], static_cast<uint8_t>(x ^ y)) << "alpha at " << x << ", " << y;
      for (int c = 0; c < 3; ++c) largest = std::max(largest, std::abs(p[c] - q[c]));
    }
  EXPECT_LE(largest, 1);
}

// sRGB's matrix and curves, and a table for the perceptual intent, which lcms2 uses: a 2x2x2 grid,
// linear in the encoded values rather than in light.
Profile MatrixAndTable() {
  Profile profile(cmsCreate_sRGBProfile());
  cmsPipeline* table = cmsPipelineAlloc(nullptr, 3, 3);
  if (!profile || !table) return nullptr;
  cmsUInt16Number corners[8 * 3];
  for (int i = 0; i < 8; ++i)
    for (int c = 0; c < 3; ++c) corners[i * 3 + c] = (i >> (2 - c) & 1) ? 0x7000 : 0x0400;
  cmsPipelineInsertStage(table, cmsAT_END, cmsStageAllocCLut16bit(nullptr, 2, 3, 3, corners));
  const bool written = cmsWriteTag(profile.get(), cmsSigAToB0Tag, table);
  cmsPipelineFree(table);
  return written ? std::move(profile) : nullptr;
}

// Profiles whose conversion is not one matrix between curves stay with lcms2.
TEST(FastConversionRefuses, ProfilesThatAreNotRgbMatrixShapers) {
  Profile gray(cmsCreateGrayProfile(cmsD50_xyY(), nullptr));
  Profile lab(cmsCreateLab4Profile(nullptr));
  Profile table = MatrixAndTable();
  ASSERT_TRUE(table && cmsIsMatrixShaper(table.get())) << "the test profile has a matrix too";
  for (void* source : {gray.get(), lab.get(), table.get()}) {
    ASSERT_NE(source, nullptr);
    Profile srgb(cmsCreate_sRGBProfile());
    EXPECT_FALSE(FastRgbToSrgb::Make(source, srgb.get(), nullptr));
  }
}

}  // namespace
}  // namespace tavlen::gfx
