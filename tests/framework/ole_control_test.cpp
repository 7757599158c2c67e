// Tests of the control base class: colour translation, stock properties and their repaint,
// persistence through DoPropExchange, the paint entry and the stock mouse events.
#include "platform/framework/ole_control.h"

#include <gtest/gtest.h>

#include <vector>

#include "tests/window/window_pixels.h"

namespace tavlen::fw {
namespace {

// A control that records what the framework hands it and persists one property of its own.
class TestControl : public COleControl {
 public:
  struct Draw {
    RECT bounds;
    RECT invalid;
  };
  std::vector<Draw> draws;
  std::vector<std::string> events;
  int16_t custom = 0;
  int destroys = 0;

  using COleControl::GetDC;
  using COleControl::InvalidateRect;
  using COleControl::OnResetState;
  using COleControl::SetScrollInfo;

 protected:
  void OnDraw(win::DeviceContext* dc, const RECT& bounds, const RECT& invalid) override {
    draws.push_back({bounds, invalid});
    dc->FillRect(bounds, TranslateColor(GetBackColor()));
  }
  void DoPropExchange(CPropExchange* pPX) override {
    uint32_t version = 0;
    pPX->ExchangeVersion(version, 0x00010000, win::TRUE);
    COleControl::DoPropExchange(pPX);
    PX_Short(pPX, "Custom", custom, 5);
  }
  void OnDestroy() override {
    COleControl::OnDestroy();
    ++destroys;
  }
  void FireMouseMove(int16_t button, int16_t shift, int32_t x, int32_t y) override {
    events.push_back("move " + std::to_string(button) + " " + std::to_string(shift) + " " + std::to_string(x) + "," +
                     std::to_string(y));
  }
  void FireMouseDown(int16_t button, int16_t shift, int32_t, int32_t) override {
    events.push_back("down " + std::to_string(button) + " " + std::to_string(shift));
  }
  void FireMouseUp(int16_t button, int16_t, int32_t, int32_t) override {
    events.push_back("up " + std::to_string(button));
  }
  void FireClick() override { events.push_back("click"); }
  void FireDblClick() override { events.push_back("dblclick"); }
};

TEST(OleColor, SystemColoursResolveAndPlainColoursPassThrough) {
  EXPECT_EQ(TranslateOleColor(0x8000000F), 0x00F0F0F0u);
  EXPECT_EQ(TranslateOleColor(0x80000012), 0x00000000u);
  EXPECT_EQ(TranslateOleColor(0x80000005), 0x00FFFFFFu);
  EXPECT_EQ(TranslateOleColor(0x000000FF), 0x000000FFu);
  EXPECT_EQ(TranslateOleColor(0x00123456), 0x00123456u);
  EXPECT_EQ(TranslateOleColor(0x02123456), 0x00123456u);  // palette-relative: the colour itself
}

TEST(StockProperties, DefaultsOfAFreshControl) {
  TestControl control;
  EXPECT_EQ(control.GetBackColor(), 0x8000000Fu);
  EXPECT_EQ(control.GetForeColor(), 0x80000012u);
  EXPECT_EQ(control.GetAppearance(), 0);
  EXPECT_EQ(control.GetEnabled(), win::TRUE);
  EXPECT_EQ(control.IsModified(), win::FALSE);
  EXPECT_EQ(control.TranslateColor(control.GetBackColor()), 0x00F0F0F0u);
}

TEST(StockProperties, ChangeMarksModifiedAndRepaintsOnce) {
  TestControl control;
  control.CreateControlWindow(40, 30);
  ASSERT_EQ(control.GetWindow()->Pump(), 1);
  const gfx::Rect client{0, 0, 40, 30};
  // The back colour, resolved, over the whole client area.
  EXPECT_TRUE(gfx::test::PixelsAre(win::test::ClientPixels(*control.GetWindow()), client, 0x00F0F0F0u));

  control.SetBackColor(0x000000FF);
  EXPECT_EQ(control.IsModified(), win::TRUE);
  EXPECT_EQ(control.GetWindow()->Pump(), 1);
  EXPECT_TRUE(gfx::test::PixelsAre(win::test::ClientPixels(*control.GetWindow()), client, 0x000000FFu));
  EXPECT_EQ(control.GetWindow()->Pump(), 0);

  control.SetModifiedFlag(win::FALSE);
  control.SetForeColor(1);
  control.SetAppearance(1);
  control.SetEnabled(win::FALSE);
  EXPECT_EQ(control.IsModified(), win::TRUE);
  EXPECT_EQ(control.GetWindow()->Pump(), 1);
  EXPECT_EQ(control.GetForeColor(), 1u);
  EXPECT_EQ(control.GetAppearance(), 1);
  EXPECT_EQ(control.GetEnabled(), win::FALSE);
}

TEST(ControlPaint, OnDrawGetsTheClientRectAndTheInvalidPart) {
  TestControl control;
  control.CreateControlWindow(100, 60);
  control.GetWindow()->Pump();
  RECT part{10, 20, 30, 40};
  control.InvalidateRect(&part, win::TRUE);
  control.GetWindow()->Pump();
  ASSERT_EQ(control.draws.size(), 2u);
  EXPECT_EQ(control.draws[1].bounds, (RECT{0, 0, 100, 60}));
  EXPECT_EQ(control.draws[1].invalid, part);
  // The fill of the bounds is clipped to the invalid part.
  control.SetModifiedFlag(win::FALSE);
  EXPECT_EQ(control.IsModified(), win::FALSE);
  control.GetWindow()->ShowScrollBar(win::SB_VERT, win::TRUE);
  control.GetWindow()->Pump();
  EXPECT_EQ(control.draws.back().bounds, (RECT{0, 0, 83, 60}));
}

TEST(ControlPaint, NothingHappensWithoutAWindow) {
  TestControl control;
  control.InvalidateRect(nullptr, win::TRUE);
  EXPECT_EQ(control.GetDC(), nullptr);
  win::SCROLLINFO info;
  info.fMask = win::SIF_ALL;
  EXPECT_EQ(control.SetScrollInfo(win::SB_HORZ, info, win::TRUE), 0);
  control.SetBackColor(0x0000FF00);
  EXPECT_EQ(control.IsModified(), win::TRUE);
}

TEST(ControlWindow, DestroyAndCreateAgain) {
  TestControl control;
  control.CreateControlWindow(20, 20);
  control.GetWindow()->Pump();
  control.GetWindow()->DestroyWindow();
  EXPECT_EQ(control.destroys, 1);
  control.CreateControlWindow(30, 25);
  ASSERT_TRUE(control.GetWindow()->Exists());
  EXPECT_EQ(control.GetWindow()->GetClientRect(), (RECT{0, 0, 30, 25}));
  EXPECT_EQ(control.GetWindow()->Pump(), 1);
  EXPECT_EQ(control.draws.back().bounds, (RECT{0, 0, 30, 25}));
}

TEST(ControlPersistence, SaveAndLoadCarryStockAndCustomProperties) {
  TestControl source;
  source.CreateControlWindow(96, 48);
  source.SetBackColor(0x00336699);
  source.SetForeColor(0x80000008);
  source.SetAppearance(1);
  source.SetEnabled(win::FALSE);
  source.custom = -7;
  PropertyBag bag;
  source.Save(bag);
  EXPECT_EQ(source.IsModified(), win::FALSE);
  EXPECT_EQ(bag.Version(), 0x00010000u);

  PropertyBag reread;
  ASSERT_TRUE(reread.Parse(bag.ToText()));
  TestControl target;
  target.Load(reread);
  EXPECT_EQ(target.GetBackColor(), 0x00336699u);
  EXPECT_EQ(target.GetForeColor(), 0x80000008u);
  EXPECT_EQ(target.GetAppearance(), 1);
  EXPECT_EQ(target.GetEnabled(), win::FALSE);
  EXPECT_EQ(target.custom, -7);
  EXPECT_EQ(target.IsModified(), win::FALSE);
  EXPECT_EQ(target.GetExtent().cx, 2540);  // 96 pixels: one inch
  EXPECT_EQ(target.GetExtent().cy, 1270);
}

TEST(ControlPersistence, DamagedBagLoadsWhatIsValid) {
  PropertyBag bag;
  EXPECT_FALSE(bag.Parse(R"({"format":"tavlen-properties","version":65536,"properties":{"BackColor":255,)"
                         R"("Appearance":70000,"Enabled":"yes","Custom":3,"ForeColor":12)"));
  TestControl control;
  control.SetForeColor(99);
  control.Load(bag);
  EXPECT_EQ(control.GetBackColor(), 255u);
  EXPECT_EQ(control.GetAppearance(), 0);
  EXPECT_EQ(control.GetEnabled(), win::TRUE);
  EXPECT_EQ(control.custom, 3);
  EXPECT_EQ(control.GetForeColor(), 0x80000012u);  // cut off: the default, not the old value
}

TEST(ControlPersistence, InitNewAndResetStateRestoreDefaultsAndRepaint) {
  TestControl control;
  control.CreateControlWindow(10, 10);
  control.GetWindow()->Pump();
  control.SetBackColor(1);
  control.custom = 9;
  control.GetWindow()->Pump();
  control.OnResetState();
  EXPECT_EQ(control.GetBackColor(), 0x8000000Fu);
  EXPECT_EQ(control.custom, 5);
  EXPECT_EQ(control.GetWindow()->Pump(), 1);
  control.SetAppearance(1);
  control.InitNew();
  EXPECT_EQ(control.GetAppearance(), 0);
  EXPECT_EQ(control.IsModified(), win::FALSE);
}

TEST(ControlMouse, StockEventsFromWindowMessages) {
  TestControl control;
  control.CreateControlWindow(50, 50);
  win::Window& window = *control.GetWindow();
  window.InjectMouseMove(win::MK_LBUTTON | win::MK_SHIFT | win::MK_CONTROL, {3, 4});
  window.InjectMouseButton(win::WM_LBUTTONDOWN, win::MK_LBUTTON | win::MK_CONTROL, {1, 1});
  window.InjectMouseButton(win::WM_LBUTTONUP, 0, {1, 1});
  window.InjectMouseButton(win::WM_LBUTTONDBLCLK, win::MK_LBUTTON, {1, 1});
  window.InjectMouseButton(win::WM_LBUTTONUP, 0, {1, 1});
  window.InjectMouseButton(win::WM_RBUTTONDOWN, win::MK_RBUTTON, {1, 1});
  window.InjectMouseButton(win::WM_RBUTTONUP, 0, {1, 1});
  window.InjectMouseButton(win::WM_LBUTTONUP, 0, {1, 1});  // no press before it: no Click
  std::vector<std::string> expected = {"move 1 3 3,4", "down 1 2", "up 1", "click", "dblclick",
                                       "up 1",         "down 2 0", "up 2", "up 1"};
  EXPECT_EQ(control.events, expected);
}

}  // namespace
}  // namespace tavlen::fw
