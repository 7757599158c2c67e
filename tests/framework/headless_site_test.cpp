// The headless container's calls on a control's window: what each answers before the control has a
// window, which arguments it refuses, and that input and paints reach the control.
#include "platform/framework/headless_site.h"

#include <gtest/gtest.h>

#include <vector>

namespace tavlen::fw {
namespace {

using Outcome = HeadlessSite::Outcome;

// A control that paints its client area red and counts the scroll and wheel messages it gets.
class PaintingControl : public COleControl {
 public:
  std::vector<uint32_t> hscrolls;
  int wheels = 0;

 protected:
  void OnDraw(win::DeviceContext* dc, const RECT& bounds, const RECT& /*invalid*/) override {
    dc->FillRect(bounds, win::RGB(255, 0, 0));
  }
  void OnHScroll(uint32_t code, uint32_t /*position*/) override { hscrolls.push_back(code); }
  BOOL OnMouseWheel(uint32_t /*flags*/, int16_t /*delta*/, POINT /*point*/) override {
    ++wheels;
    return win::TRUE;
  }
};

TEST(HeadlessSite, WithoutAWindowEveryCallSaysSo) {
  PaintingControl control;
  HeadlessSite site(control);
  int32_t width = -1, height = -1;
  win::ScrollBarState state;
  win::BOOL handled = win::FALSE;
  EXPECT_EQ(site.ClientSize(width, height), Outcome::NoWindow);
  EXPECT_EQ(width, -1) << "out-values stay as they were";
  EXPECT_EQ(site.SetScrollBarThickness(0), Outcome::NoWindow);
  EXPECT_EQ(site.ScrollBar(win::SB_HORZ, state), Outcome::NoWindow);
  EXPECT_EQ(site.SaveClientPng("/tmp/never-written.png"), Outcome::NoWindow);
  EXPECT_EQ(site.MouseMove(0, 1, 1), Outcome::NoWindow);
  EXPECT_EQ(site.MouseButton(win::WM_LBUTTONDOWN, 0, 1, 1), Outcome::NoWindow);
  EXPECT_EQ(site.MouseWheel(0, 120, 1, 1, handled), Outcome::NoWindow);
  EXPECT_EQ(site.Scroll(win::SB_HORZ, win::SB_LINERIGHT, 0), Outcome::NoWindow);
  EXPECT_EQ(site.DestroyWindow(), Outcome::NoWindow);
  EXPECT_EQ(site.RecreateWindow(), Outcome::NoWindow);
  EXPECT_EQ(site.Pump(), 0);
  EXPECT_EQ(site.ClientPixel(0, 0), win::CLR_INVALID);
}

TEST(HeadlessSite, RefusesSizesBarsMessagesAndAnswersItCannotUse) {
  PaintingControl control;
  HeadlessSite site(control);
  for (auto [w, h] : {std::pair{0, 10}, std::pair{10, 0}, std::pair{32768, 10}, std::pair{-5, 10}}) {
    EXPECT_EQ(site.CreateWindow(w, h), Outcome::BadArgument) << w << " x " << h;
  }
  EXPECT_EQ(control.GetWindow(), nullptr);
  ASSERT_EQ(site.CreateWindow(40, 30), Outcome::Done);
  win::ScrollBarState state;
  EXPECT_EQ(site.ScrollBar(2, state), Outcome::BadArgument);
  EXPECT_EQ(site.Scroll(5, win::SB_LINERIGHT, 0), Outcome::BadArgument);
  EXPECT_EQ(site.SetScrollBarThickness(-1), Outcome::BadArgument);
  EXPECT_EQ(site.MouseButton(win::WM_MOUSEMOVE, 0, 1, 1), Outcome::BadArgument);
  EXPECT_EQ(HeadlessSite::AnswerDialogs("maybe"), Outcome::BadArgument);
  EXPECT_EQ(HeadlessSite::AnswerDialogs("OK"), Outcome::Done);
}

TEST(HeadlessSite, PaintsAndInputReachTheControl) {
  PaintingControl control;
  HeadlessSite site(control);
  ASSERT_EQ(site.CreateWindow(40, 30), Outcome::Done);
  ASSERT_EQ(site.SetScrollBarThickness(0), Outcome::Done);
  EXPECT_GT(site.Pump(), 0);
  int32_t width = 0, height = 0;
  ASSERT_EQ(site.ClientSize(width, height), Outcome::Done);
  EXPECT_EQ(width, 40);
  EXPECT_EQ(height, 30);
  EXPECT_EQ(site.ClientPixel(39, 29), win::RGB(255, 0, 0));
  EXPECT_EQ(site.ClientPixel(40, 0), win::CLR_INVALID);

  ASSERT_EQ(site.Scroll(win::SB_HORZ, win::SB_PAGERIGHT, 0), Outcome::Done);
  EXPECT_EQ(control.hscrolls, std::vector<uint32_t>{win::SB_PAGERIGHT});
  win::BOOL handled = win::FALSE;
  ASSERT_EQ(site.MouseWheel(0, -120, 5, 5, handled), Outcome::Done);
  EXPECT_EQ(control.wheels, 1);
  EXPECT_EQ(handled, win::TRUE);
}

TEST(HeadlessSite, DestroyingAndRecreatingTwiceIsHarmless) {
  PaintingControl control;
  HeadlessSite site(control);
  ASSERT_EQ(site.CreateWindow(20, 20), Outcome::Done);
  EXPECT_EQ(site.DestroyWindow(), Outcome::Done);
  EXPECT_EQ(site.DestroyWindow(), Outcome::Done);
  EXPECT_FALSE(control.GetWindow()->Exists());
  EXPECT_EQ(site.RecreateWindow(), Outcome::Done);
  EXPECT_EQ(site.RecreateWindow(), Outcome::Done);
  EXPECT_TRUE(control.GetWindow()->Exists());
}

}  // namespace
}  // namespace tavlen::fw
