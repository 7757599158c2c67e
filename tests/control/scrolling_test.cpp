// Scroll bars, scroll messages, the mouse wheel and the scroll-position methods.
#include "tests/control/control_fixture.h"

namespace tavlen {
namespace {

class ScrollTest : public ControlTest {
 protected:
  // Displayed w x h from a picture of half that size shown at twice its pixel size.
  void ShowAt(uint32_t w, uint32_t h) {
    LoadSolid(w / 2, h / 2);
    ctrl.m_zoomValue = 2;
    ctrl.ZoomByOriginal();
    Paint();
  }
  win::ScrollBarState Bar(int32_t bar) { return Window()->GetScrollBarState(bar); }
};

TEST_F(ScrollTest, WideDisplayShowsOnlyTheHorizontalBar) {
  ShowAt(1300, 400);
  EXPECT_TRUE(probe.HorzBarShown());
  EXPECT_FALSE(probe.VertBarShown());
  EXPECT_TRUE(Bar(win::SB_HORZ).shown);
  EXPECT_EQ(Bar(win::SB_HORZ).min, 0);
  EXPECT_EQ(Bar(win::SB_HORZ).max, 1300);
  EXPECT_EQ(Bar(win::SB_HORZ).page, 500u);
  EXPECT_FALSE(Bar(win::SB_VERT).shown) << "equal to the client size hides the bar";
}

TEST_F(ScrollTest, MessagesStepByLinesAndQuarterPagesWithinTheExcess) {
  ShowAt(1300, 400);
  const struct {
    uint32_t code;
    int32_t from, to;
  } cases[] = {
      {win::SB_PAGERIGHT, 750, 800}, {win::SB_LINERIGHT, 750, 751}, {win::SB_PAGELEFT, 150, 0},
      {win::SB_PAGERIGHT, 100, 300}, {win::SB_LINELEFT, 0, 0},      {win::SB_LINELEFT, 10, 9},
      {win::SB_LEFT, 500, 0},        {win::SB_RIGHT, 3, 800},       {win::SB_LINERIGHT, 800, 800},
  };
  for (const auto& c : cases) {
    Window()->InjectHScroll(win::SB_THUMBPOSITION, static_cast<uint32_t>(c.from));
    ASSERT_EQ(ctrl.GetImageXpos(), -c.from);
    Window()->InjectHScroll(c.code, 0);
    EXPECT_EQ(Window()->GetScrollPos(win::SB_HORZ), c.to) << c.code << " from " << c.from;
    EXPECT_EQ(ctrl.GetImageXpos(), -c.to) << c.code << " from " << c.from;
  }
}

TEST_F(ScrollTest, ThumbReachesOneBeyondTheExcess) {
  ShowAt(1300, 400);
  Window()->InjectHScroll(win::SB_THUMBTRACK, 5000);
  EXPECT_EQ(ctrl.GetImageXpos(), -801.0);
  Window()->InjectHScroll(win::SB_ENDSCROLL, 0);
  EXPECT_EQ(ctrl.GetImageXpos(), -801.0);
  Paint();
  EXPECT_EQ(ctrl.GetImageXpos(), -801.0) << "scrolling leaves the picture in free mode";
  EXPECT_EQ(Pixel(498, 10), kPicture);
  EXPECT_NE(Pixel(499, 10), kPicture);
}

TEST_F(ScrollTest, VerticalMessagesMoveTheTop) {
  ShowAt(400, 1000);
  Window()->InjectVScroll(win::SB_PAGEDOWN, 0);
  EXPECT_EQ(ctrl.GetImageYpos(), -150.0);
  Window()->InjectVScroll(win::SB_BOTTOM, 0);
  EXPECT_EQ(ctrl.GetImageYpos(), -600.0);
  EXPECT_EQ(ctrl.GetImageXpos(), 0.0);
}

TEST_F(ScrollTest, WheelScrollsHorizontallyOnlyWithCtrlAlone) {
  ShowAt(1300, 1000);
  ASSERT_TRUE(probe.VertBarShown());
  Window()->InjectMouseWheel(win::MK_CONTROL, -120, win::POINT{});
  EXPECT_EQ(ctrl.GetImageXpos(), -200.0);
  EXPECT_EQ(ctrl.GetImageYpos(), 0.0);
  Window()->InjectMouseWheel(0, -120, win::POINT{});
  EXPECT_EQ(ctrl.GetImageYpos(), -150.0);
  Window()->InjectMouseWheel(win::MK_CONTROL | win::MK_SHIFT, -120, win::POINT{});
  EXPECT_EQ(ctrl.GetImageYpos(), -300.0);
  EXPECT_EQ(ctrl.GetImageXpos(), -200.0);
  Window()->InjectMouseWheel(win::MK_SHIFT, 120, win::POINT{});
  EXPECT_EQ(ctrl.GetImageYpos(), -150.0);
  for (int16_t delta : {240, 60, -240, -1}) {
    Window()->InjectMouseWheel(0, delta, win::POINT{});
    Window()->InjectMouseWheel(win::MK_CONTROL, delta, win::POINT{});
  }
  EXPECT_EQ(ctrl.GetImageXpos(), -200.0);
  EXPECT_EQ(ctrl.GetImageYpos(), -150.0);
  Window()->InjectMouseWheel(win::MK_CONTROL, 120, win::POINT{});
  Window()->InjectMouseWheel(win::MK_CONTROL, 120, win::POINT{});
  EXPECT_EQ(ctrl.GetImageXpos(), 0.0) << "a page towards the start stops at 0";
}

TEST_F(ScrollTest, WheelWithoutCtrlNeedsTheVerticalBar) {
  SetProperty(ctrl, "Align", int16_t{4});  // centred, so that a resize shows whether Align still places it
  ShowAt(1300, 400);
  const double x = ctrl.GetImageXpos();
  Window()->InjectMouseWheel(0, -120, win::POINT{});
  EXPECT_EQ(ctrl.GetImageXpos(), x);
  EXPECT_EQ(ctrl.GetImageYpos(), 0.0);
  Window()->Resize(700, 400);
  Paint();
  const double followed = ctrl.GetImageXpos();
  EXPECT_NE(followed, x) << "nothing scrolled, so the picture still follows the Align rule";
  SetProperty(ctrl, "Align", int16_t{4});
  Paint();
  EXPECT_EQ(ctrl.GetImageXpos(), followed);
}

TEST_F(ScrollTest, SavedPositionsAreReportedUntilTheNextSave) {
  ShowAt(1300, 1000);
  EXPECT_EQ(ctrl.GetHorzScrollBarPos(), 0);
  Window()->InjectHScroll(win::SB_THUMBPOSITION, 300);
  Window()->InjectVScroll(win::SB_THUMBPOSITION, 100);
  ctrl.SaveScrollBarPos();
  Window()->InjectHScroll(win::SB_LEFT, 0);
  Window()->InjectVScroll(win::SB_TOP, 0);
  EXPECT_EQ(ctrl.GetHorzScrollBarPos(), 300);
  EXPECT_EQ(ctrl.GetVertScrollBarPos(), 100);
  ctrl.RestoreScrollBarPos();
  EXPECT_EQ(ctrl.GetImageXpos(), -300.0);
  EXPECT_EQ(ctrl.GetImageYpos(), -100.0);
  Window()->InjectHScroll(win::SB_LEFT, 0);
  ctrl.RestoreScrollBarPos();
  EXPECT_EQ(ctrl.GetImageXpos(), -300.0) << "a restore can be repeated";
}

TEST_F(ScrollTest, SetScrollBarPosMovesByTheClampedPosition) {
  ShowAt(1300, 400);
  ctrl.SetScrollBarPos(5000, 5000);
  EXPECT_EQ(ctrl.GetImageXpos(), -801.0);
  EXPECT_EQ(ctrl.GetImageYpos(), 0.0) << "the hidden vertical bar is left alone";
}

TEST_F(ScrollTest, SmallDisplayHidesBothBarsAndIgnoresSetScrollBarPos) {
  ShowAt(1300, 1000);
  ctrl.m_zoomValue = 0.25;
  ctrl.Zoom();
  Paint();
  EXPECT_FALSE(probe.HorzBarShown());
  EXPECT_FALSE(probe.VertBarShown());
  EXPECT_FALSE(Bar(win::SB_HORZ).shown);
  ctrl.SetScrollBarPos(100, 100);
  EXPECT_EQ(ctrl.GetImageXpos(), 0.0);
  EXPECT_EQ(Paint(), 0);
}

// After each scroll step the window shows what a full repaint shows, both where the picture covers
// the client area (its pixels are moved) and where the hatched background shows beside it.
TEST_F(ScrollTest, ScrolledRepaintEqualsAFullRepaint) {
  SetProperty(ctrl, "BackStyle", int16_t{5});
  struct Step {
    bool horizontal;
    uint32_t code, position;
  };
  const Step steps[] = {{true, win::SB_THUMBPOSITION, 100}, {true, win::SB_LINERIGHT, 0}, {false, win::SB_LINEDOWN, 0},
                        {true, win::SB_PAGERIGHT, 0},       {false, win::SB_PAGEDOWN, 0}, {true, win::SB_LINELEFT, 0},
                        {false, win::SB_THUMBTRACK, 3},     {false, win::SB_LINEUP, 0},   {true, win::SB_RIGHT, 0}};
  for (const auto& [width, height] : {std::pair{650u, 500u}, std::pair{650u, 150u}}) {
    // Shown at twice the pixel size, so that the tiles hold resampled pixels.
    ctrl.LoadImage(WritePatternPng(dir, "pattern.png", width, height));
    ctrl.m_zoomValue = 2;
    ctrl.ZoomByOriginal();
    Paint();
    for (const Step& step : steps) {
      if (step.horizontal) {
        Window()->InjectHScroll(step.code, step.position);
      } else {
        Window()->InjectVScroll(step.code, step.position);
      }
      Paint();
      const std::vector<uint32_t> scrolled = Window()->Framebuffer();
      Window()->InvalidateRect(nullptr, win::TRUE);
      Paint();
      const std::vector<uint32_t>& full = Window()->Framebuffer();
      ASSERT_EQ(scrolled.size(), full.size());
      size_t differing = 0;
      for (size_t i = 0; i < full.size(); ++i) differing += scrolled[i] != full[i];
      EXPECT_EQ(differing, 0u) << height * 2 << " high, code " << step.code << " at " << ctrl.GetImageXpos() << ", "
                               << ctrl.GetImageYpos();
    }
  }
}

TEST_F(ScrollTest, ScrollStepOverACoveringPicturePaintsOnlyTheUncoveredStrip) {
  ShowAt(1300, 1000);
  Window()->InjectHScroll(win::SB_THUMBPOSITION, 100);
  Paint();
  Window()->InjectHScroll(win::SB_LINERIGHT, 0);
  ASSERT_TRUE(Window()->GetDC()->FillRect(win::RECT{250, 200, 251, 201}, win::RGB(1, 2, 3)));
  Paint();
  EXPECT_EQ(Pixel(250, 200), win::RGB(1, 2, 3)) << "moved pixels are not painted again";
  EXPECT_EQ(ctrl.GetImageXpos(), -101.0);
}

TEST_F(ScrollTest, RefreshClampsThePositionButLeavesThePlacement) {
  ShowAt(1800, 200);
  Window()->InjectHScroll(win::SB_THUMBPOSITION, 700);
  ctrl.m_zoomValue = 1;
  ctrl.ZoomByOriginal();
  EXPECT_EQ(probe.ViewWidth(), 900);
  EXPECT_EQ(Window()->GetScrollPos(win::SB_HORZ), 401);
  EXPECT_EQ(ctrl.GetImageXpos(), -700.0);
}

}  // namespace
}  // namespace tavlen
