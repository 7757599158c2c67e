// Pictures shown at half their size or less: version 2 paints them from an area-averaged copy that
// follows every edit and travels with a handed-over picture; version 1 paints the picture itself.
#include "platform/graphics/area_average.h"
#include "tests/control/control_fixture.h"
#include "view/reduced_copy.h"

namespace tavlen {
namespace {

// A noise picture of odd sides: fitted to the 500 x 400 client area it shows at 480 x 400, under
// half its size, and its copy ends in cut blocks.
constexpr uint32_t kWidth = 1203;
constexpr uint32_t kHeight = 1001;

class ReducedPaintTest : public ControlTest {
 protected:
  explicit ReducedPaintTest(ControlVersion version = ControlVersion::Two) : ControlTest(version) {}

  // Installs the picture and paints it fitted, or at `zoom` times its size.
  void InstallNoise(double zoom = 0) {
    auto picture = ImageObject::Adopt(gfx::test::MakePatternBitmap(kWidth, kHeight, gfx::PixelFormat::RGB24bpp, 5));
    ctrl.InstallImage(*picture, kWidth, kHeight);
    if (zoom > 0) {
      ctrl.m_zoomValue = zoom;
      ctrl.ZoomByOriginal();
    } else {
      ctrl.ZoomToFit();
    }
    Paint();
  }
  void Repaint() {
    Window()->InvalidateRect(nullptr, win::TRUE);
    Paint();
  }
  // Whether the client area shows `level`'s area average of the working image as it is now (the
  // picture itself for level 0).
  ::testing::AssertionResult Shows(uint32_t level) {
    const gfx::Bitmap& picture = *probe.Image()->Handle();
    gfx::RectF area{0, 0, static_cast<float>(picture.Width()), static_cast<float>(picture.Height())};
    if (level == 0) return ShowsDrawn(picture, area);
    auto copy = gfx::AverageDown(picture, level);
    if (!copy.Ok()) return ::testing::AssertionFailure() << "no area average";
    area.width /= static_cast<float>(1u << level);
    area.height /= static_cast<float>(1u << level);
    return ShowsDrawn(*copy.Value(), area) << " (level " << level << ")";
  }
  // The level the copy needs for the view as it is now.
  uint32_t Needed() {
    gfx::Bitmap& picture = *probe.Image()->Handle();
    return ReducedCopy::LevelFor(picture.Width(), picture.Height(), probe.ViewWidth(), probe.ViewHeight());
  }
};

class Version1ShrinkTest : public ReducedPaintTest {
 protected:
  Version1ShrinkTest() : ReducedPaintTest(ControlVersion::One) {}
};

TEST_F(ReducedPaintTest, FittedPicturesShowTheAreaAverageOfThePictureAsItIsNow) {
  InstallNoise();
  ASSERT_EQ(Needed(), 1u);
  EXPECT_TRUE(Shows(1)) << "fitted";

  // Every edit gives the paint a copy of the pixels as they are now.
  ctrl.Rotate90();
  ctrl.ZoomToFit();
  Paint();
  EXPECT_TRUE(Shows(Needed())) << "turned";
  FillArea(*probe.Image()->Handle(), gfx::Rect{50, 40, 300, 200}, 0xFF0000FF);
  Repaint();
  EXPECT_TRUE(Shows(Needed())) << "written through the pixels";
  ctrl.m_textSize = 120;
  ctrl.m_textColor = 0x00FFFFFF;
  ctrl.DrawText(100, 300, "Tavlen");
  Repaint();
  EXPECT_TRUE(Shows(Needed())) << "text drawn";
  ctrl.Undo();
  Repaint();
  EXPECT_TRUE(Shows(Needed())) << "undone";
  ctrl.LoadImage(WritePatternPng(dir, "other.png", kWidth, kHeight, 9));
  ctrl.ZoomToFit();
  Paint();
  EXPECT_TRUE(Shows(Needed())) << "another file loaded";
}

TEST_F(ReducedPaintTest, OneCopyServesEveryPaintAtItsLevelOrSmaller) {
  InstallNoise();
  const gfx::Bitmap* made = probe.Reduced().Kept();
  ASSERT_NE(made, nullptr);
  ctrl.MoveTo(-20, -10);
  Paint();
  ctrl.ShiftX(7);
  Paint();
  EXPECT_EQ(probe.Reduced().Kept(), made) << "moved";
  EXPECT_TRUE(Shows(1)) << "moved";

  // Zoomed out past the next level, the finer copy still shrinks into the view.
  ctrl.m_zoomValue = 0.2;
  ctrl.ZoomByOriginal();
  Paint();
  ASSERT_EQ(Needed(), 2u);
  EXPECT_EQ(probe.Reduced().Kept(), made);
  EXPECT_TRUE(Shows(1)) << "zoomed out";

  // Over half the size the picture itself is drawn, and the copy waits for the next fit.
  ctrl.m_zoomValue = 1.0;
  ctrl.ZoomByOriginal();
  Paint();
  EXPECT_TRUE(Shows(0)) << "100 %";
  ctrl.ZoomToFit();
  Paint();
  EXPECT_EQ(probe.Reduced().Kept(), made);
  EXPECT_TRUE(Shows(1)) << "fitted again";
}

TEST_F(ReducedPaintTest, AViewTooLargeForTheCopyGetsAFinerOne) {
  InstallNoise(0.2);
  ASSERT_EQ(Needed(), 2u);
  EXPECT_EQ(probe.Reduced().Level(), 2u);
  EXPECT_TRUE(Shows(2));
  ctrl.ZoomToFit();
  Paint();
  EXPECT_EQ(probe.Reduced().Level(), 1u);
  EXPECT_TRUE(Shows(1));
}

TEST_F(Version1ShrinkTest, ShrunkPicturesAreDrawnFromTheirOwnPixels) {
  InstallNoise();
  EXPECT_TRUE(Shows(0)) << "fitted";
  ctrl.m_zoomValue = 0.3;
  ctrl.ZoomByOriginal();
  Paint();
  EXPECT_TRUE(Shows(0)) << "zoomed out";
  EXPECT_EQ(probe.Reduced().Kept(), nullptr);
}

TEST_F(ReducedPaintTest, AHandedOverPictureBringsItsCopyAndPaintsFromIt) {
  // The detaching control has no window: its copy suits the picture fitted to a full-HD screen.
  CTavlenCtrl worker(ControlVersion::Two);
  worker.InitNew();
  worker.LoadImage(WritePatternPng(dir, "large.png", 2401, 2161, 3));
  CTavlenCtrl::LoadedPicture loaded;
  ASSERT_EQ(worker.DetachLoaded(loaded), CTavlenCtrl::Handover::Done);
  const gfx::Bitmap* carried = loaded.reduced.Kept();
  ASSERT_NE(carried, nullptr);
  EXPECT_EQ(loaded.reduced.Level(), 1u);  // fitted to a full-HD screen it shows at 1199 x 1080
  EXPECT_EQ(CTavlenCtrlProbe(worker).Reduced().Kept(), nullptr);

  ASSERT_EQ(ctrl.AdoptLoaded(loaded), CTavlenCtrl::Handover::Done);
  ctrl.ZoomToFit();  // 444 x 400: a copy at level 2 would do, the finer one carried serves
  Paint();
  EXPECT_EQ(probe.Reduced().Kept(), carried) << "made again instead of drawn";
  EXPECT_TRUE(Shows(1));

  // Told the view it is shown in, the detaching control makes the copy that view's fit draws from.
  worker.LoadImage(dir.File("large.png"));
  worker.SetAdoptingView(ClientSize{500, 400});
  ASSERT_EQ(worker.DetachLoaded(loaded), CTavlenCtrl::Handover::Done);
  EXPECT_EQ(loaded.reduced.Level(), 2u);
  carried = loaded.reduced.Kept();
  ASSERT_EQ(ctrl.AdoptLoaded(loaded), CTavlenCtrl::Handover::Done);
  ctrl.ZoomToFit();
  Paint();
  EXPECT_EQ(probe.Reduced().Kept(), carried);
  EXPECT_TRUE(Shows(2));
}

}  // namespace
}  // namespace tavlen
