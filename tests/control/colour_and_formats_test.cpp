// Version 2's colour management and today's formats through the control: the extra extensions loaded,
// counted, paged and exported, WebP written, colours converted only while ColorManaged is on, and
// version 1 refusing every new extension and converting no colour.
#include <tiffio.h>

#include <filesystem>

#include "tests/control/control_fixture.h"

namespace tavlen {
namespace {

std::string Shared(const std::string& name) { return std::string(TAVLEN_TESTDATA_DIR) + "/" + name; }

gfx::Bitmap::Ptr Copy(const gfx::Bitmap& picture) {
  auto copy = picture.Clone();
  EXPECT_TRUE(copy.Ok());
  return std::move(copy).Value();
}

class ExtraFormatsTest : public ControlTest {
 protected:
  ExtraFormatsTest() : ControlTest(ControlVersion::Two) {}
  void SetUp() override {
    ControlTest::SetUp();
    if (!std::filesystem::exists(Shared("webp/hopper.webp"))) GTEST_SKIP() << "no shared test files";
  }
  gfx::Bitmap& Shown() { return *probe.Image()->Handle(); }
};

TEST_F(ExtraFormatsTest, EachNewFormatLoadsOnVersion2) {
  struct Still {
    const char* name;
    int32_t width, height;
  };
  for (const Still& still : {Still{"webp/hopper.webp", 128, 128}, Still{"avif/transparency.avif", 64, 64},
                             Still{"jxl/grayscale.jxl", 200, 200}, Still{"heif/Stonehenge.heic", 300, 200}}) {
    SCOPED_TRACE(still.name);
    EXPECT_TRUE(ctrl.IsSupportedImageFile(Shared(still.name)));
    ctrl.LoadImage(Shared(still.name));
    ASSERT_TRUE(probe.HasImage());
    EXPECT_EQ(ctrl.GetWidth(), still.width);
    EXPECT_EQ(ctrl.GetHeight(), still.height);
  }
  EXPECT_EQ(ctrl.GetImageEquipMake(), "NIKON CORPORATION") << "the HEIF file's EXIF is read";
}

TEST_F(ExtraFormatsTest, FramesOfAnimationsAndHeifImagesAreCountedLoadedAndExported) {
  EXPECT_EQ(ctrl.GetFrameCount(Shared("webp/iss634.webp")), 42);
  EXPECT_EQ(ctrl.GetFrameCount(Shared("avif/colors-animated-8bpc-alpha-exif-xmp.avif")), 5);
  EXPECT_EQ(ctrl.GetFrameCount(Shared("jxl/animation_icos4d.jxl")), 48);
  EXPECT_EQ(ctrl.GetFrameCount(Shared("heif/example.heic")), 2);

  ctrl.LoadFrame(Shared("webp/iss634.webp"), 2);
  ASSERT_TRUE(probe.HasImage());
  EXPECT_EQ(ctrl.GetWidth(), 245);
  gfx::Bitmap::Ptr second = Copy(Shown());
  ctrl.LoadFrame(Shared("webp/iss634.webp"), 40);
  EXPECT_FALSE(gfx::test::SamePixels(Shown(), *second)) << "another frame shows other pixels";
  gfx::Bitmap::Ptr fortieth = Copy(Shown());
  ctrl.LoadFrame(Shared("webp/iss634.webp"), 43);
  EXPECT_TRUE(gfx::test::SamePixels(Shown(), *fortieth)) << "a frame beyond the count changes nothing";

  ASSERT_TRUE(ctrl.ExportFrame(Shared("webp/iss634.webp"), dir.File("frame2"), "png", 2));
  auto exported = gfx::Bitmap::FromFile(dir.File("frame2.png"));
  ASSERT_TRUE(exported.Ok());
  EXPECT_TRUE(gfx::test::SamePixels(*exported.Value(), *second));
  ASSERT_TRUE(ctrl.ExportFrame(Shared("heif/example.heic"), dir.File("second"), "bmp", 2));
  EXPECT_FALSE(ctrl.ExportFrame(Shared("heif/example.heic"), dir.File("third"), "bmp", 3));
}

TEST_F(ExtraFormatsTest, SavesAndConvertsToWebpLosslessAtQuality100) {
  ctrl.LoadImage(WritePatternPng(dir, "source.png", 40, 30));
  ASSERT_TRUE(ctrl.SaveAsWebp(dir.File("saved")));
  auto lossless = gfx::Bitmap::FromFile(dir.File("saved.webp"), gfx::ProcessLimits(), ctrl.DecodeOptions());
  ASSERT_TRUE(lossless.Ok());
  EXPECT_TRUE(gfx::test::SamePixels(*lossless.Value(), Shown()));

  ctrl.m_jpgQuality = 30;
  ASSERT_TRUE(ctrl.SaveAsWebp(dir.File("lossy.webp")));
  EXPECT_TRUE(std::filesystem::exists(dir.File("lossy.webp.webp"))) << "the extension is appended as for the others";
  auto lossy = gfx::Bitmap::FromFile(dir.File("lossy.webp.webp"), gfx::ProcessLimits(), ctrl.DecodeOptions());
  ASSERT_TRUE(lossy.Ok());
  EXPECT_FALSE(gfx::test::SamePixels(*lossy.Value(), Shown()));

  ASSERT_TRUE(ctrl.ConvertToWebp(Shared("heif/Stonehenge.heic"), dir.File("converted")));
  ctrl.LoadImage(dir.File("converted.webp"));
  EXPECT_EQ(ctrl.GetWidth(), 300);
  EXPECT_FALSE(ctrl.ConvertToWebp(dir.File("missing.png"), dir.File("none")));
  EXPECT_FALSE(std::filesystem::exists(dir.File("none.webp")));
  EXPECT_FALSE(ctrl.SaveAsWebp("")) << "no name, no file";
}

TEST_F(ExtraFormatsTest, WithoutExtraFormatsVersion2RefusesTheNewExtensions) {
  SetProperty(ctrl, "ExtraFormats", false);
  EXPECT_FALSE(ctrl.IsSupportedImageFile(Shared("webp/hopper.webp")));
  ctrl.LoadImage(Shared("webp/hopper.webp"));
  EXPECT_FALSE(probe.HasImage());
  EXPECT_EQ(ctrl.GetFrameCount(Shared("webp/iss634.webp")), 0);
}

// Version 1 knows the eleven extensions of old and nothing more, whatever the file holds.
// The compression tag of a TIFF file's first page, 0 when it cannot be read.
uint16_t TiffCompressionOf(const std::string& path) {
  TIFF* tif = TIFFOpen(path.c_str(), "r");
  if (tif == nullptr) return 0;
  uint16_t compression = 0;
  TIFFGetField(tif, TIFFTAG_COMPRESSION, &compression);
  TIFFClose(tif);
  return compression;
}

// TiffCompression 5 is Deflate on version 2; version 1 saves it with LZW, as any value it does not know.
TEST(TiffDeflate, Version2SavesAndConvertsWithDeflateAndVersion1WithLzw) {
  gfx::test::TempDir dir;
  const std::string source = WritePatternPng(dir, "source.png", 300, 200);
  auto original = gfx::Bitmap::FromFile(source);
  ASSERT_TRUE(original.Ok());
  for (const auto& [version, expected] :
       {std::pair{ControlVersion::One, COMPRESSION_LZW}, std::pair{ControlVersion::Two, COMPRESSION_ADOBE_DEFLATE}}) {
    SCOPED_TRACE(static_cast<int>(version));
    CTavlenCtrl ctrl(version);
    ctrl.InitNew();
    SetProperty(ctrl, "TiffCompression", ole::Variant(5));
    ctrl.LoadImage(source);
    ASSERT_TRUE(ctrl.SaveAsTif(dir.File("saved")));
    ASSERT_TRUE(ctrl.ConvertToTif(source, dir.File("converted")));
    for (const char* name : {"saved.tiff", "converted.tiff"}) {
      SCOPED_TRACE(name);
      EXPECT_EQ(TiffCompressionOf(dir.File(name)), expected);
      auto written = gfx::Bitmap::FromFile(dir.File(name));
      ASSERT_TRUE(written.Ok());
      EXPECT_TRUE(gfx::test::SamePixels(*written.Value(), *original.Value()));
    }
  }
}

TEST_F(ControlTest, Version1RefusesEveryNewExtension) {
  const std::string hopper = Shared("webp/hopper.webp");
  if (!std::filesystem::exists(hopper)) GTEST_SKIP() << "no shared test files";
  for (const char* name : {"webp/hopper.webp", "avif/transparency.avif", "jxl/grayscale.jxl", "heif/Stonehenge.heic",
                           "heif/sony_6_right_top.HIF"}) {
    SCOPED_TRACE(name);
    EXPECT_FALSE(ctrl.IsSupportedImageFile(Shared(name)));
    ctrl.LoadImage(Shared(name));
    EXPECT_FALSE(probe.HasImage());
    EXPECT_FALSE(ctrl.ConvertToPng(Shared(name), dir.File("converted")));
    EXPECT_EQ(ctrl.GetFrameCount(Shared(name)), 0);
  }
  ctrl.LoadFrame(Shared("webp/iss634.webp"), 1);
  EXPECT_FALSE(probe.HasImage());
  // A WebP under an old name is an unknown format to version 1.
  std::filesystem::copy_file(hopper, dir.File("renamed.png"));
  ctrl.LoadImage(dir.File("renamed.png"));
  EXPECT_FALSE(probe.HasImage() && probe.Image()->Handle());
  EXPECT_FALSE(ctrl.DecodeOptions().colorManaged || ctrl.DecodeOptions().extraFormats ||
               ctrl.DecodeOptions().keepProfile);
}

// A PNG with a DCI-P3 profile: bars of P3 colours that look alike only when converted.
class ColourManagedTest : public ExtraFormatsTest {
 protected:
  gfx::Bitmap::Ptr LoadWideGamut(CTavlenCtrl& control) {
    control.LoadImage(Shared("icc/P3-sRGB-color-bars.png"));
    EXPECT_TRUE(CTavlenCtrlProbe(control).HasImage());
    return Copy(*CTavlenCtrlProbe(control).Image()->Handle());
  }
};

TEST_F(ColourManagedTest, OnAndOffGiveDifferentPixelsAndVersion1TheUnmanagedOnes) {
  EXPECT_TRUE(ctrl.m_colorManaged);
  gfx::Bitmap::Ptr managed = LoadWideGamut(ctrl);
  SetProperty(ctrl, "ColorManaged", false);
  EXPECT_TRUE(gfx::test::SamePixels(Shown(), *managed)) << "nothing changes until the next load";
  gfx::Bitmap::Ptr unmanaged = LoadWideGamut(ctrl);
  EXPECT_FALSE(gfx::test::SamePixels(*unmanaged, *managed));

  CTavlenCtrl v1;
  v1.InitNew();
  gfx::Bitmap::Ptr old = LoadWideGamut(v1);
  EXPECT_TRUE(gfx::test::SamePixels(*old, *unmanaged)) << "version 1 converts no colours";
}

}  // namespace
}  // namespace tavlen
