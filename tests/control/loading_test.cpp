// Loading: the accepted-file check, the existence check, placement of a loaded picture, failed
// loads and the restart of the history.
#include <filesystem>
#include <fstream>

#include "tests/control/control_fixture.h"

namespace tavlen {
namespace {

TEST(ControlLoading, AcceptsTheElevenExtensionsInAnyCase) {
  CTavlenCtrl ctrl;
  for (const char* path : {"C:\\x\\photo.jpeg", "C:\\x\\PHOTO.Jpe", "scan.tif", "drawing.emf", "a.BMP", "a.dib",
                           "a.gif", "a.png", "a.jpg", "a.TIFF", "a.wmf"}) {
    EXPECT_TRUE(ctrl.IsSupportedImageFile(path)) << path;
  }
}

TEST(ControlLoading, RefusesOtherExtensionsAndDotlessNames) {
  CTavlenCtrl ctrl;
  for (const char* path : {"a.jpg.txt", "readme", "pic.ico", "name.", "", "photo.jpg.bak", "C:\\pics.2006\\photo",
                           "/home/u/pics.png/photo", ".pngx", "a.jp"}) {
    EXPECT_FALSE(ctrl.IsSupportedImageFile(path)) << path;
  }
}

TEST(ControlLoading, FileExistsForFilesAndDirectoriesButNotPatterns) {
  gfx::test::TempDir dir;
  CTavlenCtrl ctrl;
  const std::string file = WriteSolidPng(dir, "here.png", 4, 4, 0xFF000000);
  std::filesystem::create_directory(dir.Path() / "album.png");
  EXPECT_TRUE(ctrl.FileExists(file));
  EXPECT_TRUE(ctrl.FileExists(dir.File("album.png")));
  EXPECT_FALSE(ctrl.FileExists(dir.File("*.png")));
  EXPECT_FALSE(ctrl.FileExists(dir.File("missing.png")));
  EXPECT_FALSE(ctrl.FileExists(""));
}

TEST_F(ControlTest, LoadCentresThePictureWhenAlignIsNone) {
  ctrl.m_align = 0;
  const struct {
    uint32_t w, h;
    double x, y;
  } cases[] = {{300, 200, 100, 100}, {301, 201, 99, 99}, {700, 500, -100, -50}};
  for (const auto& c : cases) {
    ctrl.LoadImage(WriteSolidPng(dir, "c.png", c.w, c.h, kPictureArgb));
    Paint();
    EXPECT_EQ(ctrl.GetImageXpos(), c.x) << c.w;
    EXPECT_EQ(ctrl.GetImageYpos(), c.y) << c.h;
  }
  ctrl.LoadImage(WriteSolidPng(dir, "c.png", 300, 200, kPictureArgb));
  Paint();
  EXPECT_EQ(Pixel(100, 100), kPicture);
  EXPECT_EQ(Pixel(399, 299), kPicture);
  EXPECT_NE(Pixel(98, 100), kPicture);
  EXPECT_NE(Pixel(401, 100), kPicture);
}

TEST_F(ControlTest, LoadWithDefaultAlignShowsThePictureAtTheOriginAfterThePaint) {
  ctrl.LoadImage(WriteSolidPng(dir, "c.png", 300, 200, kPictureArgb));
  EXPECT_EQ(ctrl.GetImageXpos(), 100.0) << "centred until the paint aligns it";
  Paint();
  EXPECT_EQ(ctrl.GetImageXpos(), 0.0);
  EXPECT_EQ(ctrl.GetImageYpos(), 0.0);
  EXPECT_EQ(Pixel(0, 0), kPicture);
  EXPECT_EQ(Pixel(299, 199), kPicture);
}

TEST_F(ControlTest, LoadShowsPixelSizeWhateverZoomValueSays) {
  ctrl.m_zoomValue = 2;
  LoadSolid(120, 80);
  EXPECT_EQ(probe.ViewWidth(), 120);
  EXPECT_EQ(probe.ViewHeight(), 80);
  EXPECT_EQ(ctrl.GetWidth(), 120);
  EXPECT_EQ(ctrl.m_zoomValue, 2.0);
}

TEST_F(ControlTest, WorkingImageAndFirstSnapshotAreSeparateCopiesOfTheDecodedPixels) {
  const std::string path = WritePatternPng(dir, "p.png", 37, 23);
  ctrl.LoadImage(path);
  auto reference = gfx::Bitmap::FromFile(path);
  ASSERT_TRUE(reference.Ok());
  ASSERT_TRUE(probe.HasImage());
  ASSERT_NE(probe.Snapshot(0), nullptr);
  EXPECT_NE(probe.Snapshot(0)->Handle(), probe.Image()->Handle());
  EXPECT_TRUE(gfx::test::SamePixels(*probe.Image()->Handle(), *reference.Value()));
  EXPECT_TRUE(gfx::test::SamePixels(*probe.Snapshot(0)->Handle(), *reference.Value()));
  EXPECT_EQ(probe.Image()->LastStatus(), gfx::Status::Ok);
  EXPECT_EQ(probe.SnapshotSize(0).width, 37);
  EXPECT_EQ(probe.SnapshotSize(0).height, 23);
}

TEST_F(ControlTest, RefusedPathsChangeNothingAndRepaintNothing) {
  LoadSolid(300, 200);
  WriteSolidPng(dir, "pic.ico", 10, 10, 0xFF0000FF);
  for (const std::string& path : {std::string(), dir.File("pic.ico"), dir.File("missing.png")}) {
    ctrl.LoadImage(path);
    EXPECT_EQ(Paint(), 0) << path;
    EXPECT_EQ(ctrl.GetWidth(), 300) << path;
  }
}

TEST_F(ControlTest, UndecodableFileEmptiesTheControl) {
  LoadSolid(300, 200);
  ctrl.Rotate90();
  {
    std::ofstream out(dir.File("text.png"));
    out << "not a picture at all";
  }
  ctrl.LoadImage(dir.File("text.png"));
  EXPECT_FALSE(probe.HasImage());
  EXPECT_EQ(probe.Snapshot(0), nullptr);
  EXPECT_EQ(probe.Snapshot(1), nullptr);
  EXPECT_EQ(ctrl.GetWidth(), 0);
  EXPECT_EQ(ctrl.GetHeight(), 0);
  EXPECT_EQ(ctrl.GetUndo(), 0);
  EXPECT_EQ(probe.ViewWidth(), 0);
  EXPECT_EQ(ctrl.GetImageXpos(), 250.0);
  EXPECT_EQ(ctrl.GetImageYpos(), 200.0);
  EXPECT_FALSE(probe.HorzBarShown());
  EXPECT_GT(Paint(), 0);
  EXPECT_NE(Pixel(10, 10), kPicture) << "the previous picture is no longer shown";
}

TEST_F(ControlTest, DirectoryNamedLikeAPictureEmptiesTheControl) {
  LoadSolid(300, 200);
  std::filesystem::create_directory(dir.Path() / "album.png");
  ctrl.LoadImage(dir.File("album.png"));
  EXPECT_FALSE(probe.HasImage());
  EXPECT_EQ(ctrl.GetWidth(), 0);
}

TEST_F(ControlTest, LoadAfterEditsRestartsTheHistory) {
  LoadSolid(300, 200);
  ctrl.Rotate90();
  ctrl.Rotate90();
  ctrl.Rotate90();
  ASSERT_EQ(ctrl.GetUndo(), 3);
  LoadSolid(50, 40);
  EXPECT_EQ(ctrl.GetUndo(), 0);
  for (int slot = 1; slot < UndoHistory::kSlots; ++slot) EXPECT_EQ(probe.Snapshot(slot), nullptr) << slot;
  ctrl.Undo();
  EXPECT_EQ(ctrl.GetWidth(), 50);
}

TEST(ControlImageObject, FailedDecodeKeepsTheStatusAndCopiesNothing) {
  gfx::test::TempDir dir;
  auto image = ImageObject::FromFile(dir.File("none.png"));
  EXPECT_EQ(image->Handle(), nullptr);
  EXPECT_EQ(image->LastStatus(), gfx::Status::FileNotFound);
  EXPECT_EQ(image->Width(), 0u);
  EXPECT_EQ(image->Copy(0, 0, 1, 1, gfx::PixelFormat::DontCare), nullptr);
}

TEST(ControlImageObject, AFailureOnceRecordedBlocksEveryLaterCopy) {
  auto image = ImageObject::Adopt(gfx::test::MakePatternBitmap(8, 8, gfx::PixelFormat::RGB24bpp));
  auto copy = image->Copy(0, 0, 8, 8, gfx::PixelFormat::DontCare);
  ASSERT_NE(copy, nullptr);
  EXPECT_EQ(copy->LastStatus(), gfx::Status::Ok);
  EXPECT_EQ(image->Copy(0, 0, 9, 9, gfx::PixelFormat::DontCare), nullptr) << "area outside the bitmap";
  EXPECT_EQ(image->LastStatus(), gfx::Status::InvalidParameter);
  EXPECT_EQ(image->Copy(0, 0, 8, 8, gfx::PixelFormat::DontCare), nullptr);
  image->Record(gfx::Status::Ok);
  EXPECT_EQ(image->LastStatus(), gfx::Status::InvalidParameter) << "success does not clear a failure";
}

}  // namespace
}  // namespace tavlen
