// The viewport arithmetic without a window: alignment, centring, zoom acceptance, fits, shifts,
// scroll-bar layouts and scroll targets.
#include "view/viewport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace tavlen {
namespace {

constexpr ClientSize kClient{500, 400};

Viewport At(int32_t left, int32_t top, int32_t width, int32_t height) { return Viewport{left, top, width, height}; }

TEST(ViewportAlign, EachRulePlacesTheRectangle) {
  struct Case {
    ImageAlign align;
    int32_t left, top;
  } cases[] = {
      {ImageAlign::None, 7, 9},         {ImageAlign::Top, 7, 0},
      {ImageAlign::TopLeft, 0, 0},      {ImageAlign::TopRight, 200, 0},
      {ImageAlign::Center, 100, 100},   {ImageAlign::Bottom, 7, 200},
      {ImageAlign::BottomLeft, 0, 200}, {ImageAlign::BottomRight, 200, 200},
  };
  for (const Case& c : cases) {
    Viewport viewport = At(7, 9, 300, 200);
    viewport.Align(static_cast<int16_t>(c.align), kClient);
    EXPECT_EQ(viewport, At(c.left, c.top, 300, 200)) << static_cast<int>(c.align);
  }
}

TEST(ViewportAlign, ValuesOutsideTheEnumerationLeaveThePlacement) {
  for (int16_t align : {int16_t{-1}, int16_t{8}, int16_t{300}}) {
    Viewport viewport = At(7, 9, 300, 200);
    viewport.Align(align, kClient);
    EXPECT_EQ(viewport, At(7, 9, 300, 200)) << align;
  }
}

TEST(ViewportAlign, HalvesTruncateAndLargePicturesGoNegative) {
  Viewport odd = At(0, 0, 301, 201);
  odd.Align(static_cast<int16_t>(ImageAlign::Center), kClient);
  EXPECT_EQ(odd, At(99, 99, 301, 201));
  Viewport large = At(0, 0, 700, 500);
  large.Align(static_cast<int16_t>(ImageAlign::BottomRight), kClient);
  EXPECT_EQ(large, At(-200, -100, 700, 500));
}

TEST(ViewportCentre, APictureAtItsPixelSizeIsCentredTruncatingTowardZero) {
  EXPECT_EQ(Viewport::CenteredAtPixelSize(kClient, 300, 200), At(100, 100, 300, 200));
  EXPECT_EQ(Viewport::CenteredAtPixelSize(kClient, 301, 201), At(99, 99, 301, 201));
  EXPECT_EQ(Viewport::CenteredAtPixelSize(kClient, 700, 500), At(-100, -50, 700, 500));
  EXPECT_EQ(Viewport::CenteredAtPixelSize(kClient, 0, 0), At(250, 200, 0, 0));
}

TEST(ViewportZoom, RelativeZoomMultipliesTheDisplayedSize) {
  Viewport viewport = At(0, 0, 800, 600);
  EXPECT_TRUE(viewport.Zoom(2.0));
  EXPECT_EQ(viewport, At(0, 0, 1600, 1200));
  EXPECT_TRUE(viewport.Zoom(1.25));
  EXPECT_EQ(viewport, At(0, 0, 2000, 1500));
}

TEST(ViewportZoom, SidesOfTenOrLessAndBadFactorsAreRefused) {
  for (double factor : {0.01, 0.0, -2.0, std::nan(""), std::numeric_limits<double>::infinity(), 0.1}) {
    Viewport viewport = At(3, 4, 100, 300);
    EXPECT_FALSE(viewport.Zoom(factor)) << factor;
    EXPECT_EQ(viewport, At(3, 4, 100, 300)) << factor;
  }
  Viewport eleven = At(0, 0, 100, 300);
  EXPECT_TRUE(eleven.Zoom(0.11));
  EXPECT_EQ(eleven, At(0, 0, 11, 33));
}

TEST(ViewportZoom, ZoomByOriginalIsAbsoluteAndFallsBackToThePixelSize) {
  Viewport viewport = At(0, 0, 1234, 567);
  viewport.ZoomByOriginal(400, 300, 2.0);
  EXPECT_EQ(viewport, At(0, 0, 800, 600));
  for (double factor : {0.01, 0.0, -1.0}) {
    viewport.ZoomByOriginal(400, 300, factor);
    EXPECT_EQ(viewport, At(0, 0, 400, 300)) << factor;
  }
}

TEST(ViewportFit, KeepsTheAspectAndTruncates) {
  struct Case {
    FitMode mode;
    uint32_t width, height;
    int32_t shownWidth, shownHeight;
  } cases[] = {
      {FitMode::Both, 1000, 600, 500, 300},  {FitMode::Both, 300, 200, 500, 333},
      {FitMode::Both, 3, 7, 171, 400},       {FitMode::Both, 2000, 20, 2000, 20},  // height 4 is refused
      {FitMode::Height, 300, 200, 600, 400}, {FitMode::Width, 300, 200, 500, 333},
      {FitMode::Width, 1000, 21, 500, 10},  // 10.5 passes untruncated and shows 10
      {FitMode::Both, 0, 0, 0, 0},
  };
  for (const Case& c : cases) {
    Viewport viewport = At(5, 5, 77, 77);
    viewport.Fit(c.mode, c.width, c.height, kClient);
    EXPECT_EQ(viewport, At(5, 5, c.shownWidth, c.shownHeight)) << c.width << " x " << c.height;
  }
  Viewport narrow;
  narrow.Fit(FitMode::Width, 289, 100, ClientSize{100, 100});
  EXPECT_EQ(narrow.viewWidth, 99) << "the deciding side may come out one pixel short";
}

TEST(ViewportShift, ShiftsAreRelativeAndStopAtThe32BitLimits) {
  Viewport viewport = At(-50, -20, 10, 10);
  viewport.ShiftX(10);
  viewport.ShiftY(-5);
  EXPECT_EQ(viewport, At(-40, -25, 10, 10));
  viewport.imageLeft = std::numeric_limits<int32_t>::max() - 1;
  viewport.ShiftX(5);
  EXPECT_EQ(viewport.imageLeft, std::numeric_limits<int32_t>::max());
  viewport.imageTop = std::numeric_limits<int32_t>::min() + 1;
  viewport.ShiftY(-5);
  EXPECT_EQ(viewport.imageTop, std::numeric_limits<int32_t>::min());
}

TEST(ViewportScrollBars, ABarShowsOnlyWhileThePictureOverhangsItsAxis) {
  const Viewport wide = At(0, 0, 1300, 400);
  const BarLayout horizontal = wide.Bar(ScrollAxis::Horizontal, kClient);
  EXPECT_TRUE(horizontal.shown);
  EXPECT_EQ(horizontal.maximum, 1300);
  EXPECT_EQ(horizontal.page, 500u);
  EXPECT_FALSE(wide.Bar(ScrollAxis::Vertical, kClient).shown) << "equal to the client size";
  EXPECT_EQ(wide.Excess(ScrollAxis::Horizontal, kClient), 800);
  EXPECT_EQ(At(0, 0, 100, 50).Excess(ScrollAxis::Vertical, kClient), -350);
}

TEST(ViewportScrollBars, RequestCodesMoveByLinesPagesAndEnds) {
  const Viewport wide = At(0, 0, 1300, 400);  // excess 800, page step 200
  const auto target = [&](uint32_t code, int32_t current) {
    return wide.ScrollTarget(ScrollAxis::Horizontal, kClient, code, current);
  };
  EXPECT_EQ(target(static_cast<uint32_t>(ScrollCode::PageForward), 750), 800);
  EXPECT_EQ(target(static_cast<uint32_t>(ScrollCode::LineForward), 750), 751);
  EXPECT_EQ(target(static_cast<uint32_t>(ScrollCode::LineForward), 800), 800);
  EXPECT_EQ(target(static_cast<uint32_t>(ScrollCode::PageBack), 150), 0);
  EXPECT_EQ(target(static_cast<uint32_t>(ScrollCode::PageBack), 650), 450);
  EXPECT_EQ(target(static_cast<uint32_t>(ScrollCode::LineBack), 0), 0);
  EXPECT_EQ(target(static_cast<uint32_t>(ScrollCode::ToStart), 321), 0);
  EXPECT_EQ(target(static_cast<uint32_t>(ScrollCode::ToEnd), 3), 800);
  for (ScrollCode code : {ScrollCode::ThumbPosition, ScrollCode::ThumbTrack, ScrollCode::EndScroll}) {
    EXPECT_FALSE(target(static_cast<uint32_t>(code), 10)) << static_cast<uint32_t>(code);
  }
  EXPECT_FALSE(target(1000, 10));
}

TEST(ViewportScrollBars, OnlyWholeSingleWheelNotchesMoveAPage) {
  const Viewport tall = At(0, 0, 400, 1200);  // vertical excess 800
  EXPECT_EQ(tall.WheelTarget(ScrollAxis::Vertical, kClient, 120, 500), 300);
  EXPECT_EQ(tall.WheelTarget(ScrollAxis::Vertical, kClient, 120, 100), 0);
  EXPECT_EQ(tall.WheelTarget(ScrollAxis::Vertical, kClient, -120, 750), 800);
  for (int16_t delta : {int16_t{240}, int16_t{60}, int16_t{-240}, int16_t{0}}) {
    EXPECT_FALSE(tall.WheelTarget(ScrollAxis::Vertical, kClient, delta, 400)) << delta;
  }
}

}  // namespace
}  // namespace tavlen
