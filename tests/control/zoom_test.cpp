// Zoom, fit, moves and shifts: the displayed size and position, never the pixels.
#include "tests/control/control_fixture.h"

namespace tavlen {
namespace {

struct Size {
  int32_t w = 0, h = 0;
  friend bool operator==(const Size&, const Size&) = default;
  friend std::ostream& operator<<(std::ostream& os, const Size& s) { return os << s.w << "x" << s.h; }
};

Size Shown(const CTavlenCtrlProbe& probe) { return {probe.ViewWidth(), probe.ViewHeight()}; }

TEST_F(ControlTest, WithoutAPictureZoomsMovesAndShiftsDoNothing) {
  ctrl.Zoom();
  ctrl.ZoomByOriginal();
  ctrl.ZoomToFit();
  ctrl.ZoomToFitByWidth();
  ctrl.ZoomToFitByHeight();
  ctrl.MoveTo(5, 6);
  ctrl.MoveXTo(7);
  ctrl.MoveYTo(8);
  ctrl.ShiftX(9);
  ctrl.ShiftY(10);
  EXPECT_EQ(Paint(), 0);
  EXPECT_EQ(ctrl.GetImageXpos(), 0.0);
  EXPECT_EQ(ctrl.GetWidth(), 0);
  EXPECT_EQ(ctrl.GetHeight(), 0);
}

TEST_F(ControlTest, ZoomByOriginalIsAbsoluteAndZoomIsCumulative) {
  LoadSolid(400, 300);
  ctrl.m_zoomValue = 2;
  ctrl.ZoomByOriginal();
  EXPECT_EQ(Shown(probe), (Size{800, 600}));
  ctrl.Zoom();
  EXPECT_EQ(Shown(probe), (Size{1600, 1200}));
  EXPECT_EQ(ctrl.GetWidth(), 400);
  ctrl.ZoomByOriginal();
  EXPECT_EQ(Shown(probe), (Size{800, 600}));
}

TEST_F(ControlTest, ZoomTruncatesAtEveryStep) {
  LoadSolid(101, 51);
  ctrl.m_zoomValue = 1.25;
  ctrl.Zoom();
  EXPECT_EQ(Shown(probe), (Size{126, 63}));
  ctrl.Zoom();
  EXPECT_EQ(Shown(probe), (Size{157, 78}));
}

TEST_F(ControlTest, TooSmallZoomsAreRefused) {
  LoadSolid(400, 300);
  ctrl.m_zoomValue = 2;
  ctrl.ZoomByOriginal();
  for (double factor : {0.01, 0.0, -2.0, 0.015}) {
    ctrl.m_zoomValue = factor;
    ctrl.Zoom();
    EXPECT_EQ(Shown(probe), (Size{800, 600})) << factor;
  }
  for (double factor : {0.01, 0.0, -2.0}) {
    ctrl.m_zoomValue = 2;
    ctrl.ZoomByOriginal();
    ctrl.m_zoomValue = factor;
    ctrl.ZoomByOriginal();
    EXPECT_EQ(Shown(probe), (Size{400, 300})) << factor;
  }
}

TEST_F(ControlTest, ZoomWithFactorOneStillRealignsAndRepaints) {
  LoadSolid(100, 80);
  ctrl.MoveTo(40, 40);
  Paint();
  ctrl.Zoom();
  EXPECT_GT(Paint(), 0);
  EXPECT_EQ(ctrl.GetImageXpos(), 0.0);
  EXPECT_EQ(Shown(probe), (Size{100, 80}));
}

TEST_F(ControlTest, ZoomToFitKeepsTheAspectRatioAndRefusesSlivers) {
  const struct {
    uint32_t w, h;
    Size shown;
  } cases[] = {{1000, 600, {500, 300}},
               {300, 200, {500, 333}},
               {3, 7, {171, 400}},
               {2000, 20, {2000, 20}},
               {1000, 21, {500, 10}}};
  for (const auto& c : cases) {
    LoadSolid(c.w, c.h);
    ctrl.ZoomToFit();
    EXPECT_EQ(Shown(probe), c.shown) << c.w << "x" << c.h;
  }
}

TEST_F(ControlTest, FitByHeightAndByWidth) {
  LoadSolid(300, 200);
  ctrl.ZoomToFitByHeight();
  EXPECT_EQ(Shown(probe), (Size{600, 400}));
  EXPECT_TRUE(probe.HorzBarShown());
  EXPECT_FALSE(probe.VertBarShown());
  ctrl.ZoomToFitByWidth();
  EXPECT_EQ(Shown(probe), (Size{500, 333}));
  EXPECT_FALSE(probe.HorzBarShown());
}

TEST(ControlZoom, FittedSideMayComeOutOnePixelShort) {
  gfx::test::TempDir dir;
  CTavlenCtrl ctrl;
  ctrl.InitNew();
  ctrl.CreateControlWindow(100, 400);
  ctrl.GetWindow()->SetScrollBarThickness(0);
  ctrl.GetWindow()->Pump();
  ctrl.LoadImage(WriteSolidPng(dir, "w.png", 289, 100, 0xFF000000));
  ctrl.ZoomToFitByWidth();
  EXPECT_EQ(CTavlenCtrlProbe(ctrl).ViewWidth(), 99);
}

TEST_F(ControlTest, MovesAndShiftsPlaceThePictureFreely) {
  ctrl.m_showBorder = win::FALSE;
  LoadSolid(300, 200);
  ctrl.MoveTo(-50, -20);
  ctrl.ShiftX(10);
  EXPECT_EQ(ctrl.GetImageXpos(), -40.0);
  EXPECT_EQ(ctrl.GetImageYpos(), -20.0);
  Paint();
  EXPECT_EQ(ctrl.GetImageXpos(), -40.0) << "no realignment in free mode";
  EXPECT_EQ(Pixel(259, 179), kPicture);
  EXPECT_NE(Pixel(260, 100), kPicture);
  EXPECT_NE(Pixel(100, 180), kPicture);
  ctrl.MoveXTo(7);
  ctrl.MoveYTo(9);
  ctrl.ShiftY(-4);
  EXPECT_EQ(ctrl.GetImageXpos(), 7.0);
  EXPECT_EQ(ctrl.GetImageYpos(), 5.0);
}

// A fully transparent picture shows whether a paint filled the client area under it first.
TEST_F(ControlTest, ShiftsKeepTheFillOfARecreatedWindowAndMovesEndIt) {
  auto clear = gfx::Bitmap::Create(100, 100, gfx::PixelFormat::ARGB32bpp);
  ASSERT_TRUE(clear.Ok());
  const std::string path = dir.File("clear.png");
  ASSERT_EQ(clear.Value()->Save(path, gfx::kPngEncoderClsid), gfx::Status::Ok);
  ctrl.LoadImage(path);
  Paint();
  Window()->DestroyWindow();
  Window()->Recreate();
  Window()->SetScrollBarThickness(0);
  ctrl.SetBackColor(0x000000FF);
  ctrl.ShiftX(5);
  Paint();
  EXPECT_EQ(Pixel(50, 50), win::RGB(255, 0, 0)) << "a shift keeps the fill under the picture";
  ctrl.MoveXTo(5);
  ctrl.SetBackColor(0x00FF0000);
  Paint();
  EXPECT_EQ(Pixel(300, 300), win::RGB(0, 0, 255));
  EXPECT_EQ(Pixel(50, 50), win::RGB(255, 0, 0)) << "a move ends the fill";
}

TEST_F(ControlTest, CentreAlignmentFollowsTheClientSizeUntilAMove) {
  ctrl.m_align = 4;
  LoadSolid(300, 200);
  ctrl.Zoom();
  Paint();
  EXPECT_EQ(ctrl.GetImageXpos(), 100.0);
  Window()->Resize(700, 600);
  Paint();
  EXPECT_EQ(ctrl.GetImageXpos(), 200.0);
  EXPECT_EQ(ctrl.GetImageYpos(), 200.0);
  ctrl.MoveTo(10, 10);
  Window()->Resize(500, 400);
  Paint();
  EXPECT_EQ(ctrl.GetImageXpos(), 10.0);
}

TEST_F(ControlTest, PointerPositionComesFromTheLastMouseMove) {
  EXPECT_EQ(ctrl.GetMouseXpos(), 0.0);
  Window()->InjectMouseMove(0, win::POINT{30, 40});
  EXPECT_EQ(ctrl.GetMouseXpos(), 30.0);
  EXPECT_EQ(ctrl.GetMouseYpos(), 40.0);
}

}  // namespace
}  // namespace tavlen
