// The control object: property defaults, persistence, reset, change notifications, the atom and
// hot key, and what the paints fill before and after a load.
#include "platform/framework/prop_exchange.h"
#include "tests/control/control_fixture.h"

namespace tavlen {
namespace {

// The property defaults are checked row by row against the dispatch table
// (tests/control/module/dispatch_table_test.cpp); the view state starts empty.
TEST(ControlProperties, FreshControlStartsWithoutHistoryOrPositions) {
  CTavlenCtrl ctrl;
  ctrl.InitNew();
  EXPECT_EQ(ctrl.GetUndo(), 0);
  EXPECT_EQ(ctrl.GetMouseXpos(), 0.0);
  EXPECT_EQ(ctrl.GetImageXpos(), 0.0);
}

TEST(ControlProperties, ElevenPropertiesSurviveSaveAndLoadButTextColorAndTiffCompressionDoNot) {
  fw::PropertyBag bag;
  {
    CTavlenCtrl ctrl;
    ctrl.InitNew();
    ctrl.m_align = 7;
    ctrl.m_backStyle = 12;
    ctrl.m_showBorder = win::FALSE;
    ctrl.m_borderWidth = 2.5;
    ctrl.m_borderColor = 0x00123456;
    ctrl.m_jpgQuality = 55;
    ctrl.m_textBold = win::TRUE;
    ctrl.m_textFont = "DejaVu Sans";
    ctrl.m_textItalic = win::TRUE;
    ctrl.m_textSize = 33;
    ctrl.m_zoomValue = 1.25;
    ctrl.m_textColor = 0x000000FF;
    ctrl.m_tiffCompression = 3;
    ctrl.Save(bag);
  }
  EXPECT_FALSE(bag.Has("TextColor"));
  EXPECT_FALSE(bag.Has("TiffCompression"));

  fw::PropertyBag reread;
  ASSERT_TRUE(reread.Parse(bag.ToText()));
  CTavlenCtrl ctrl;
  ctrl.Load(reread);
  EXPECT_EQ(ctrl.m_align, 7);
  EXPECT_EQ(ctrl.m_backStyle, 12);
  EXPECT_EQ(ctrl.m_showBorder, win::FALSE);
  EXPECT_EQ(ctrl.m_borderWidth, 2.5);
  EXPECT_EQ(ctrl.m_borderColor, 0x00123456u);
  EXPECT_EQ(ctrl.m_jpgQuality, 55);
  EXPECT_EQ(ctrl.m_textBold, win::TRUE);
  EXPECT_EQ(ctrl.m_textFont, "DejaVu Sans");
  EXPECT_EQ(ctrl.m_textItalic, win::TRUE);
  EXPECT_EQ(ctrl.m_textSize, 33);
  EXPECT_EQ(ctrl.m_zoomValue, 1.25);
  EXPECT_EQ(ctrl.m_textColor, 0u);
  EXPECT_EQ(ctrl.m_tiffCompression, 0);
}

TEST(ControlLifetime, HoldsTheAtomAndF1HotKeyOnlyWhileItLives) {
  uint16_t atom = 0;
  {
    CTavlenCtrl ctrl;
    atom = static_cast<uint16_t>(CTavlenCtrlProbe(ctrl).HotKeyAtom());
    ASSERT_NE(atom, 0);
    EXPECT_EQ(win::GlobalFindAtom("FileType2App1"), atom);
    EXPECT_TRUE(win::IsHotKeyRegistered(atom, win::VK_F1));
  }
  EXPECT_FALSE(win::IsHotKeyRegistered(atom, win::VK_F1));
  EXPECT_EQ(win::GlobalFindAtom("FileType2App1"), 0);
}

TEST(ControlLifetime, HotKeyTakesNoKeyPressesFromWindows) {
  struct KeyCounter : win::WindowOwner {
    void OnPaint(win::DeviceContext&, const win::RECT&, bool) override {}
    void OnKey(win::Message, uint32_t key) override { keys += key == win::VK_F1; }
    int keys = 0;
  } owner;
  CTavlenCtrl ctrl;
  auto other = win::Window::Create(&owner, 50, 50);
  other->InjectKey(win::WM_KEYDOWN, win::VK_F1);
  EXPECT_EQ(owner.keys, 1);
}

TEST_F(ControlTest, ResetRestoresPropertiesButKeepsPictureAndHistory) {
  LoadSolid(60, 40);
  ctrl.Rotate90();
  ctrl.m_align = 4;
  ctrl.m_zoomValue = 3;
  ctrl.OnResetState();
  EXPECT_EQ(ctrl.m_align, 2);
  EXPECT_EQ(ctrl.m_zoomValue, 1.0);
  EXPECT_EQ(ctrl.GetWidth(), 40);
  EXPECT_EQ(ctrl.GetUndo(), 1);
}

TEST_F(ControlTest, AlignChangeRepositionsAtOnceAndRepaints) {
  LoadSolid(300, 200);
  SetProperty(ctrl, "Align", int16_t{7});
  EXPECT_EQ(ctrl.GetImageXpos(), 200.0);
  EXPECT_EQ(ctrl.GetImageYpos(), 200.0);
  EXPECT_TRUE(ctrl.IsModified());
  EXPECT_GT(Paint(), 0);
  EXPECT_EQ(Pixel(200, 200), kPicture);
  EXPECT_EQ(Pixel(499, 399), kPicture);
}

TEST_F(ControlTest, AlignOutsideRangeKeepsPlacementButMarksModified) {
  LoadSolid(300, 200);
  ctrl.MoveTo(33, 44);
  ctrl.SetModifiedFlag(win::FALSE);
  SetProperty(ctrl, "Align", int16_t{9});
  Paint();
  EXPECT_EQ(ctrl.GetImageXpos(), 33.0);
  EXPECT_EQ(ctrl.GetImageYpos(), 44.0);
  EXPECT_TRUE(ctrl.IsModified());
}

TEST_F(ControlTest, TextSizeChangeRepaintsNothing) {
  LoadSolid(300, 200);
  ctrl.SetModifiedFlag(win::FALSE);
  SetProperty(ctrl, "TextSize", int16_t{30});
  EXPECT_EQ(Paint(), 0);
  EXPECT_TRUE(ctrl.IsModified());
}

TEST_F(ControlTest, EmptyControlPaintsTheResolvedBackColour) {
  EXPECT_EQ(Pixel(0, 0), win::GetSysColor(15));
  EXPECT_EQ(Pixel(499, 399), win::GetSysColor(15));
  EXPECT_EQ(probe.ClientWidth(), 500);
  EXPECT_EQ(probe.ClientHeight(), 400);
}

// A fully transparent picture lets the paint show what lies under it: OnDraw's fill only while the
// control fills the client area first.
TEST_F(ControlTest, FillsBeforeFirstLoadAndAgainAfterWindowIsRecreated) {
  auto clear = gfx::Bitmap::Create(100, 100, gfx::PixelFormat::ARGB32bpp);
  ASSERT_TRUE(clear.Ok());
  const std::string path = dir.File("clear.png");
  ASSERT_EQ(clear.Value()->Save(path, gfx::kPngEncoderClsid), gfx::Status::Ok);
  ctrl.LoadImage(path);
  ctrl.SetBackColor(0x000000FF);
  Paint();
  EXPECT_EQ(Pixel(300, 300), win::RGB(255, 0, 0));
  EXPECT_EQ(Pixel(50, 50), win::GetSysColor(15)) << "no fill under the picture after a load";

  Window()->DestroyWindow();
  Window()->Recreate();
  Window()->SetScrollBarThickness(0);
  Paint();
  EXPECT_EQ(Pixel(50, 50), win::RGB(255, 0, 0)) << "the re-created window is filled first";

  ctrl.MoveTo(0, 0);
  ctrl.SetBackColor(0x00FF0000);
  Paint();
  EXPECT_EQ(Pixel(300, 300), win::RGB(0, 0, 255));
  EXPECT_EQ(Pixel(50, 50), win::RGB(255, 0, 0)) << "a move stops the fill again";
}

TEST_F(ControlTest, FirstPaintOnlyInitialisesTheScrollBars) {
  EXPECT_FALSE(Window()->GetScrollBarState(win::SB_HORZ).shown);
  LoadSolid(300, 200);
  ctrl.ZoomToFitByHeight();
  Paint();
  Window()->InvalidateRect(nullptr, win::TRUE);
  Paint();
  EXPECT_TRUE(Window()->GetScrollBarState(win::SB_HORZ).shown);
  EXPECT_EQ(Window()->GetScrollBarState(win::SB_HORZ).max, 600);
}

}  // namespace
}  // namespace tavlen
