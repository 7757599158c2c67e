// Version 2 of the control beside version 1: upright pictures by their EXIF orientation, the tag set to
// 1 after every turn, redo steps, PictureChanged after every change, and version 1 left as it was.
#include <array>
#include <cstdlib>
#include <functional>

#include "metadata/orientation.h"
#include "tests/control/control_fixture.h"

namespace tavlen {
namespace {

using gfx::test::PixelAt;

// The upright picture: distinct pixels with its top-left corner marked pure red.
gfx::Bitmap::Ptr UprightPicture(uint32_t width, uint32_t height) {
  gfx::Bitmap::Ptr picture = gfx::test::MakePatternBitmap(width, height, gfx::PixelFormat::ARGB32bpp, 7);
  gfx::BitmapData data;
  const gfx::Rect corner{0, 0, 1, 1};
  EXPECT_EQ(picture->LockBits(&corner, gfx::kImageLockModeWrite, gfx::PixelFormat::ARGB32bpp, data), gfx::Status::Ok);
  *static_cast<uint32_t*>(data.scan0) = 0xFFFF0000;
  EXPECT_EQ(picture->UnlockBits(data), gfx::Status::Ok);
  return picture;
}

// How a camera stores the upright picture R under each orientation, straight from the tag's definition
// (where the stored 0th row and 0th column are in the upright view): stored (x, y) shows R at the point
// returned, for a stored picture of the returned size.
struct StoredLayout {
  bool transposed;
  std::function<std::array<uint32_t, 2>(uint32_t x, uint32_t y, uint32_t w, uint32_t h)> source;
};

StoredLayout LayoutOf(int orientation) {
  using P = std::array<uint32_t, 2>;
  switch (orientation) {
    case 2:
      return {false, [](uint32_t x, uint32_t y, uint32_t w, uint32_t) { return P{w - 1 - x, y}; }};
    case 3:
      return {false, [](uint32_t x, uint32_t y, uint32_t w, uint32_t h) { return P{w - 1 - x, h - 1 - y}; }};
    case 4:
      return {false, [](uint32_t x, uint32_t y, uint32_t, uint32_t h) { return P{x, h - 1 - y}; }};
    case 5:
      return {true, [](uint32_t x, uint32_t y, uint32_t, uint32_t) { return P{y, x}; }};
    case 6:
      return {true, [](uint32_t x, uint32_t y, uint32_t w, uint32_t) { return P{w - 1 - y, x}; }};
    case 7:
      return {true, [](uint32_t x, uint32_t y, uint32_t w, uint32_t h) { return P{w - 1 - y, h - 1 - x}; }};
    case 8:
      return {true, [](uint32_t x, uint32_t y, uint32_t, uint32_t h) { return P{y, h - 1 - x}; }};
    default:
      return {false, [](uint32_t x, uint32_t y, uint32_t, uint32_t) { return P{x, y}; }};
  }
}

gfx::Bitmap::Ptr StoredPicture(gfx::Bitmap& upright, int orientation) {
  const StoredLayout layout = LayoutOf(orientation);
  const uint32_t w = upright.Width();
  const uint32_t h = upright.Height();
  auto stored = gfx::Bitmap::Create(layout.transposed ? h : w, layout.transposed ? w : h, gfx::PixelFormat::ARGB32bpp);
  EXPECT_TRUE(stored.Ok());
  gfx::BitmapData data;
  EXPECT_EQ(stored.Value()->LockBits(nullptr, gfx::kImageLockModeWrite, gfx::PixelFormat::ARGB32bpp, data),
            gfx::Status::Ok);
  for (uint32_t y = 0; y < data.height; ++y) {
    auto* row = reinterpret_cast<uint32_t*>(static_cast<uint8_t*>(data.scan0) + y * data.stride);
    for (uint32_t x = 0; x < data.width; ++x) {
      const auto [ux, uy] = layout.source(x, y, w, h);
      row[x] = PixelAt(upright, ux, uy);
    }
  }
  EXPECT_EQ(stored.Value()->UnlockBits(data), gfx::Status::Ok);
  return std::move(stored).Value();
}

void SetTag(gfx::Bitmap& picture, uint16_t type, std::vector<uint8_t> value) {
  gfx::PropertyItemRecord item{metadata::kOrientationTag, static_cast<uint32_t>(value.size()), type, value.data()};
  ASSERT_EQ(picture.SetPropertyItem(item), gfx::Status::Ok);
}

// The raw tag value, -1 without a tag.
int RawTag(const gfx::Bitmap& picture) {
  for (const gfx::PropertyItem& item : picture.PropertyItems()) {
    if (item.id == metadata::kOrientationTag) return item.value.size() >= 2 ? item.value[0] | item.value[1] << 8 : 0;
  }
  return -1;
}

class Version2Test : public ControlTest {
 protected:
  Version2Test() : ControlTest(ControlVersion::Two) {}

  // A PNG of the upright picture stored under `orientation`, its tag a SHORT of that value.
  std::string WriteOriented(int orientation, const std::string& name = "oriented.png") {
    gfx::Bitmap::Ptr stored = StoredPicture(*upright, orientation);
    SetTag(*stored, gfx::kPropertyTagTypeShort, {static_cast<uint8_t>(orientation), 0});
    const std::string path = dir.File(name);
    EXPECT_EQ(stored->Save(path, gfx::kPngEncoderClsid), gfx::Status::Ok);
    return path;
  }
  gfx::Bitmap& Shown() { return *probe.Image()->Handle(); }

  gfx::Bitmap::Ptr upright = UprightPicture(7, 4);
};

TEST_F(Version2Test, EachOfTheEightOrientationsLoadsUprightPixelForPixel) {
  for (int orientation = 1; orientation <= 8; ++orientation) {
    SCOPED_TRACE(orientation);
    ctrl.LoadImage(WriteOriented(orientation));
    ASSERT_TRUE(probe.HasImage());
    EXPECT_TRUE(gfx::test::SamePixels(Shown(), *upright));
    EXPECT_EQ(PixelAt(Shown(), 0, 0), 0xFFFF0000u) << "the marked corner is at the top left";
    EXPECT_EQ(ctrl.GetImageOrientation(), orientation);
    EXPECT_EQ(RawTag(Shown()), 1) << "a save must not turn it again";
    EXPECT_EQ(ctrl.GetWidth(), 7);
    EXPECT_EQ(ctrl.GetUndo(), 0);
  }
}

TEST_F(Version2Test, WithoutAutoOrientThePictureStaysAsStoredWithItsTag) {
  ctrl.m_autoOrient = win::FALSE;
  ctrl.LoadImage(WriteOriented(6));
  EXPECT_TRUE(gfx::test::SamePixels(Shown(), *StoredPicture(*upright, 6)));
  EXPECT_EQ(ctrl.GetImageOrientation(), 6);
  EXPECT_EQ(RawTag(Shown()), 6);
  // A turn by hand leaves the picture as the user sees it, so the tag no longer applies.
  ctrl.Rotate90();
  EXPECT_EQ(RawTag(Shown()), 1);
}

TEST_F(Version2Test, SettingAutoOrientChangesNothingUntilTheNextLoad) {
  const std::string path = WriteOriented(8);
  ctrl.LoadImage(path);
  SetProperty(ctrl, "AutoOrient", false);
  EXPECT_TRUE(gfx::test::SamePixels(Shown(), *upright));
  ctrl.LoadImage(path);
  EXPECT_TRUE(gfx::test::SamePixels(Shown(), *StoredPicture(*upright, 8)));
}

TEST_F(Version2Test, MalformedTagsLoadAsIfThereWereNone) {
  struct Case {
    const char* what;
    uint16_t type;
    std::vector<uint8_t> value;
  };
  const Case cases[] = {{"a LONG", gfx::kPropertyTagTypeLong, {6, 0, 0, 0}},
                        {"no value", gfx::kPropertyTagTypeShort, {}},
                        {"value 0", gfx::kPropertyTagTypeShort, {0, 0}},
                        {"value 9", gfx::kPropertyTagTypeShort, {9, 0}},
                        {"value 0x0106", gfx::kPropertyTagTypeShort, {6, 1}}};
  gfx::Bitmap::Ptr stored = StoredPicture(*upright, 6);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    SetTag(*stored, c.type, c.value);
    EXPECT_EQ(metadata::ReadOrientation(*stored), 1);
    const std::string path = dir.File("malformed.png");
    ASSERT_EQ(stored->Save(path, gfx::kPngEncoderClsid), gfx::Status::Ok);
    ctrl.LoadImage(path);
    ASSERT_TRUE(probe.HasImage());
    EXPECT_TRUE(gfx::test::SamePixels(Shown(), *stored));
    EXPECT_EQ(ctrl.GetImageOrientation(), 1);
  }
}

TEST_F(Version2Test, EveryTurnAndMirrorMarksThePictureUpright) {
  const std::function<void()> edits[] = {[&] { ctrl.Rotate90(); }, [&] { ctrl.Rotate180(); }, [&] { ctrl.Rotate270(); },
                                         [&] { ctrl.Flip(win::TRUE); }, [&] { ctrl.Flip(win::FALSE); }};
  ctrl.m_autoOrient = win::FALSE;
  const std::string path = WriteOriented(3);
  for (const auto& edit : edits) {
    ctrl.LoadImage(path);
    ASSERT_EQ(RawTag(Shown()), 3);
    edit();
    EXPECT_EQ(RawTag(Shown()), 1);
  }
  // And a saved file carries the 1.
  ASSERT_TRUE(ctrl.SaveAsJpg(dir.File("saved")));
  auto reread = gfx::Bitmap::FromFile(dir.File("saved.jpg"));
  ASSERT_TRUE(reread.Ok());
  EXPECT_EQ(RawTag(*reread.Value()), 1);
}

TEST_F(Version2Test, ConversionsAndExportedFramesAreWrittenUpright) {
  const std::string source = WriteOriented(7);
  ASSERT_TRUE(ctrl.ConvertToPng(source, dir.File("converted")));
  ASSERT_TRUE(ctrl.ExportFrame(source, dir.File("exported"), "png", 1));
  for (const char* name : {"converted.png", "exported.png"}) {
    SCOPED_TRACE(name);
    auto written = gfx::Bitmap::FromFile(dir.File(name));
    ASSERT_TRUE(written.Ok());
    EXPECT_TRUE(gfx::test::SamePixels(*written.Value(), *upright));
    EXPECT_EQ(RawTag(*written.Value()), 1);
  }
}

TEST_F(ControlTest, Version1KeepsPicturesAndFilesAsStored) {
  gfx::Bitmap::Ptr upright = UprightPicture(7, 4);
  for (int orientation = 1; orientation <= 8; ++orientation) {
    SCOPED_TRACE(orientation);
    gfx::Bitmap::Ptr stored = StoredPicture(*upright, orientation);
    SetTag(*stored, gfx::kPropertyTagTypeShort, {static_cast<uint8_t>(orientation), 0});
    const std::string path = dir.File("stored.png");
    ASSERT_EQ(stored->Save(path, gfx::kPngEncoderClsid), gfx::Status::Ok);
    ctrl.LoadImage(path);
    EXPECT_TRUE(gfx::test::SamePixels(*probe.Image()->Handle(), *stored));
    EXPECT_EQ(RawTag(*probe.Image()->Handle()), orientation);
    ctrl.Rotate180();
    EXPECT_EQ(RawTag(*probe.Image()->Handle()), orientation) << "version 1 never touches the tag";
    ASSERT_TRUE(ctrl.ConvertToPng(path, dir.File("converted")));
    auto converted = gfx::Bitmap::FromFile(dir.File("converted.png"));
    ASSERT_TRUE(converted.Ok());
    EXPECT_TRUE(gfx::test::SamePixels(*converted.Value(), *stored));
  }
}

// --- Redo ---

class RedoTest : public Version2Test {
 protected:
  // Loads a picture and makes ten recorded edits that each leave a different width.
  void LoadAndEditNineTimes() {
    ctrl.LoadImage(WritePatternPng(dir, "redo.png", 40, 30));
    for (int i = 1; i <= 9; ++i) ctrl.Resize(40 + i, 30);
  }
};

TEST_F(RedoTest, RedoesAfterOneFiveAndNineUndos) {
  for (int undos : {1, 5, 9}) {
    SCOPED_TRACE(undos);
    LoadAndEditNineTimes();
    EXPECT_EQ(ctrl.GetRedo(), 0);
    for (int i = 0; i < undos; ++i) ctrl.Undo();
    EXPECT_EQ(ctrl.GetWidth(), 49 - undos);
    EXPECT_EQ(ctrl.GetRedo(), undos);
    for (int i = 1; i <= undos; ++i) {
      ctrl.Redo();
      EXPECT_EQ(ctrl.GetWidth(), 49 - undos + i);
      EXPECT_EQ(ctrl.GetUndo(), 9 - undos + i);
      EXPECT_EQ(ctrl.GetRedo(), undos - i);
    }
    ctrl.Redo();
    EXPECT_EQ(ctrl.GetWidth(), 49) << "nothing left to redo";
  }
}

TEST_F(RedoTest, AnEditOrALoadClearsTheRedoSteps) {
  LoadAndEditNineTimes();
  ctrl.Undo();
  ctrl.Undo();
  ctrl.Rotate180();
  EXPECT_EQ(ctrl.GetRedo(), 0);
  ctrl.Redo();
  EXPECT_EQ(ctrl.GetWidth(), 47);
  ctrl.Undo();
  EXPECT_EQ(ctrl.GetRedo(), 1);
  LoadSolid(10, 10);
  EXPECT_EQ(ctrl.GetRedo(), 0);
}

TEST_F(RedoTest, RedoneStatesShareTheirPixelsUntilWritten) {
  LoadAndEditNineTimes();
  ctrl.Undo();
  ctrl.Redo();
  // The restored picture and the kept snapshot are one buffer until the picture changes.
  const gfx::Bitmap& shown = *probe.Image()->Handle();
  const gfx::Bitmap& kept = *probe.Snapshot(9)->Handle();
  EXPECT_TRUE(shown.Pixels().SameBytes(kept.Pixels()));
}

// --- PictureChanged ---

class CountingCtrl final : public CTavlenCtrl {
 public:
  using CTavlenCtrl::CTavlenCtrl;
  int changes = 0;

 protected:
  void FirePictureChanged() override { ++changes; }
};

TEST(PictureChanged, FiresOnVersion2AfterEveryEditUndoRedoAndLoadAndNeverOnVersion1) {
  gfx::test::TempDir dir;
  const std::string path = WritePatternPng(dir, "p.png", 20, 10);
  for (ControlVersion version : {ControlVersion::One, ControlVersion::Two}) {
    CountingCtrl ctrl(version);
    ctrl.InitNew();
    ctrl.LoadImage(path);
    ctrl.Rotate90();
    ctrl.ConvertImageToGrayScaled();
    ctrl.Undo();
    ctrl.Redo();
    ctrl.Redo();  // nothing to redo: no event
    ctrl.DrawText(1, 1, "x");
    EXPECT_EQ(ctrl.changes, version == ControlVersion::Two ? 6 : 0);
  }
}

TEST(PictureChanged, ConvertFrom1bppIsOneEditAnnouncedOnce) {
  gfx::test::TempDir dir;
  CountingCtrl ctrl(ControlVersion::Two);
  ctrl.InitNew();
  ctrl.LoadImage(WritePatternPng(dir, "p.png", 20, 10));
  ctrl.ConvertFrom1bpp();
  EXPECT_EQ(ctrl.changes, 2);
  EXPECT_EQ(ctrl.GetUndo(), 2) << "its two half turns keep their two snapshots, as on version 1";
}

// --- Photos with each orientation (the shared test files) ---

// Mean difference per channel over a grid of points, 0-255; the two pictures must have one size.
double MeanGridDifference(gfx::Bitmap& a, gfx::Bitmap& b) {
  constexpr uint32_t kSteps = 24;
  double total = 0;
  for (uint32_t i = 0; i < kSteps; ++i) {
    for (uint32_t j = 0; j < kSteps; ++j) {
      const uint32_t x = a.Width() * (2 * i + 1) / (2 * kSteps);
      const uint32_t y = a.Height() * (2 * j + 1) / (2 * kSteps);
      const uint32_t p = PixelAt(a, x, y);
      const uint32_t q = PixelAt(b, x, y);
      for (int shift : {0, 8, 16})
        total += std::abs(static_cast<int>((p >> shift) & 0xFF) - static_cast<int>((q >> shift) & 0xFF));
    }
  }
  return total / (kSteps * kSteps * 3);
}

TEST_F(Version2Test, LabelledPhotosOfAllEightOrientationsShowAlike) {
  const std::string folder = std::string(TAVLEN_TESTDATA_DIR) + "/orient/";
  auto reference = gfx::Bitmap::FromFile(folder + "Landscape_1.jpg");
  if (!reference.Ok()) GTEST_SKIP() << "no shared test photos at " << folder;
  for (int orientation = 1; orientation <= 8; ++orientation) {
    SCOPED_TRACE(orientation);
    ctrl.LoadImage(folder + "Landscape_" + std::to_string(orientation) + ".jpg");
    ASSERT_TRUE(probe.HasImage());
    EXPECT_EQ(ctrl.GetImageOrientation(), orientation);
    ASSERT_EQ(ctrl.GetWidth(), 1800);
    ASSERT_EQ(ctrl.GetHeight(), 1200);
    // Only the centred digit and the compression differ; a picture turned or mirrored wrongly differs
    // everywhere.
    EXPECT_LT(MeanGridDifference(Shown(), *reference.Value()), 8.0);
  }
  // The measure tells a picture shown upside down apart.
  ctrl.m_autoOrient = win::FALSE;
  ctrl.LoadImage(folder + "Landscape_3.jpg");
  EXPECT_GT(MeanGridDifference(Shown(), *reference.Value()), 8.0);
}

TEST_F(Version2Test, PhonePhotosComeUpright) {
  const std::string folder = std::string(TAVLEN_TESTDATA_DIR) + "/jpeg/";
  struct Photo {
    const char* name;
    int orientation;
    int32_t width, height;
  };
  for (const Photo& photo : {Photo{"landscape_6.jpg", 6, 600, 450}, Photo{"portrait_5.jpg", 5, 450, 600},
                             Photo{"hopper_orientation_2.jpg", 2, 128, 128}}) {
    SCOPED_TRACE(photo.name);
    if (!gfx::Bitmap::FromFile(folder + photo.name).Ok()) GTEST_SKIP() << "no shared test photos at " << folder;
    ctrl.LoadImage(folder + photo.name);
    EXPECT_EQ(ctrl.GetImageOrientation(), photo.orientation);
    EXPECT_EQ(ctrl.GetWidth(), photo.width);
    EXPECT_EQ(ctrl.GetHeight(), photo.height);
    EXPECT_EQ(RawTag(Shown()), 1);
  }
}

}  // namespace
}  // namespace tavlen
