// The control's text overlays: properties read at the call, snapshots even when nothing is drawn, zoom,
// and undo and redo of text over many levels.
// Each style's pixels, Undo, the font list and the tags are checked end to end (tests/e2e/).
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "tests/control/control_fixture.h"

namespace tavlen {
namespace {

constexpr gfx::Argb kWhiteArgb = 0xFFFFFFFF;

class TextOverlayTest : public ControlTest {
 protected:
  void LoadWhite(uint32_t width = 200, uint32_t height = 80) {
    ctrl.LoadImage(WriteSolidPng(dir, "white.png", width, height, kWhiteArgb));
    Paint();
    ctrl.m_textFont = "DejaVu Sans";
    ctrl.m_textSize = 30;
  }
  // Pixels of the working image (not of the window) that have exactly this colour.
  size_t Count(gfx::Argb color) {
    size_t n = 0;
    gfx::Bitmap& picture = *probe.Image()->Handle();
    for (uint32_t y = 0; y < picture.Height(); ++y) {
      for (uint32_t x = 0; x < picture.Width(); ++x) n += gfx::test::PixelAt(picture, x, y) == color;
    }
    return n;
  }
  size_t Changed() { return probe.Image()->Handle()->Width() * probe.Image()->Handle()->Height() - Count(kWhiteArgb); }
};

TEST_F(TextOverlayTest, NothingWithoutAPicture) {
  ctrl.DrawText(0, 0, "text");
  ctrl.DrawShadowText(0, 0, "text", 0xFF);
  EXPECT_EQ(ctrl.GetUndo(), 0);
  EXPECT_EQ(Paint(), 0);
}

TEST_F(TextOverlayTest, ColoursComeFromTheLowThreeBytes) {
  LoadWhite();
  ctrl.m_textColor = 0x00FF0000;  // OLE blue
  ctrl.DrawText(10, 10, "Tavlen");
  EXPECT_GT(Count(0xFF0000FF), 50u);
  ctrl.m_textColor = 0x8000000F;  // a system-colour value is not resolved
  ctrl.DrawOutlineText(10, 40, "Tavlen");
  EXPECT_GT(Count(0xFF0F0000), 50u);
  ctrl.m_textBold = win::TRUE;  // stems wide enough for fill inside the 2-pixel outline
  ctrl.m_textSize = 50;
  ctrl.DrawFillOutlineText(100, 10, "HO", 0x7F00FF00);  // the fill's high byte is ignored too
  EXPECT_GT(Count(0xFF00FF00), 20u);
}

TEST_F(TextOverlayTest, AnyNonzeroBoldCountsAsBold) {
  LoadWhite();
  ctrl.m_textBold = 1;
  ctrl.DrawText(10, 10, "Bold");
  const size_t bold = Changed();
  ctrl.Undo();
  ctrl.m_textBold = 5;
  ctrl.DrawText(10, 10, "Bold");
  EXPECT_EQ(Changed(), bold);
  ctrl.Undo();
  ctrl.m_textBold = 0;
  ctrl.DrawText(10, 10, "Bold");
  EXPECT_LT(Changed(), bold);
}

// Each case draws nothing and still records a snapshot and repaints.
TEST_F(TextOverlayTest, FailedDrawingStillRecordsASnapshot) {
  LoadWhite();
  ctrl.m_textFont = "No Such Family 12345";
  ctrl.DrawText(10, 10, "text");
  ctrl.m_textFont = "DejaVu Sans";
  ctrl.DrawWaterMarkText(10, 10, "");
  ctrl.m_textSize = 0;
  ctrl.DrawShadowText(10, 10, "text", 0);
  ctrl.m_textSize = 30;
  ctrl.DrawOutlineText(1000, 1000, "text");
  EXPECT_EQ(ctrl.GetUndo(), 4);
  EXPECT_GT(Paint(), 0);
  EXPECT_EQ(Changed(), 0u);
  // The failures are not held against the picture: it can still be copied, turned and undone.
  ctrl.Rotate90();
  EXPECT_EQ(ctrl.GetUndo(), 5);
  EXPECT_NE(probe.Snapshot(5), nullptr);
  ctrl.Undo();
  EXPECT_EQ(ctrl.GetWidth(), 200);
}

TEST_F(TextOverlayTest, IndexedPictureGetsNoTextButASnapshot) {
  auto indexed = gfx::test::MakePatternBitmap(40, 30, gfx::PixelFormat::Indexed8bpp);
  ASSERT_EQ(indexed->Save(dir.File("indexed.gif"), gfx::kGifEncoderClsid), gfx::Status::Ok);
  ctrl.LoadImage(dir.File("indexed.gif"));
  ASSERT_TRUE(probe.HasImage());
  const std::string before = gfx::test::OwnFormatBytes(*probe.Image()->Handle());
  ctrl.DrawText(0, 0, "text");
  EXPECT_EQ(ctrl.GetUndo(), 1);
  EXPECT_NE(probe.Snapshot(1), nullptr);
  EXPECT_EQ(gfx::test::OwnFormatBytes(*probe.Image()->Handle()), before);
}

TEST_F(TextOverlayTest, ZoomPlaysNoPartInWhereTextLands) {
  LoadWhite();
  ctrl.DrawText(5, 5, "Zoom");
  const std::string plain = gfx::test::OwnFormatBytes(*probe.Image()->Handle());
  ctrl.Undo();
  ctrl.m_zoomValue = 2.0;
  ctrl.ZoomByOriginal();
  ctrl.ShiftX(-30);
  ctrl.DrawText(5, 5, "Zoom");
  EXPECT_EQ(gfx::test::OwnFormatBytes(*probe.Image()->Handle()), plain);
}

// Text at the edges, partly outside, large, italic and outlined, undone and redone over several
// levels: each state comes back exactly, in both versions of the control.
class TextUndoTest : public ControlTest, public ::testing::WithParamInterface<ControlVersion> {
 protected:
  TextUndoTest() : ControlTest(GetParam()) {}
  std::string Picture() { return gfx::test::OwnFormatBytes(*probe.Image()->Handle()); }
};

TEST_P(TextUndoTest, EveryStateComesBackExactly) {
  ctrl.LoadImage(WritePatternPng(dir, "pattern.png", 260, 330, 4));
  ASSERT_TRUE(probe.HasImage());
  ctrl.m_textFont = "DejaVu Sans";
  ctrl.m_textColor = 0x000000FF;
  const std::function<void()> edits[] = {
      [&] {
        ctrl.m_textSize = 24;
        ctrl.DrawText(5, -9, "Top edge");
      },
      [&] {
        ctrl.m_textItalic = win::TRUE;
        ctrl.m_textSize = 70;
        ctrl.DrawOutlineText(-30, 290, "Wide");
      },
      [&] {
        ctrl.m_textSize = 140;
        ctrl.DrawFillOutlineText(40, 60, "Mg", 0x00FF00);
      },
      [&] {
        ctrl.m_textItalic = win::FALSE;
        ctrl.m_textSize = 30;
        ctrl.DrawShadowText(210, 120, "right", 0xFF0000);
      },
      [&] { ctrl.DrawWaterMarkText(10, 312, "bottom"); },
  };
  std::vector<std::string> states{Picture()};
  // Each edit writes into the picture's own bytes: its snapshot takes copies of the rows it changes only.
  const uint8_t* bytes = std::as_const(*probe.Image()->Handle()).Pixels().Data();
  for (const auto& edit : edits) {
    edit();
    states.push_back(Picture());
    EXPECT_NE(states.back(), states[states.size() - 2]) << "edit " << states.size() - 1 << " drew nothing";
    EXPECT_EQ(std::as_const(*probe.Image()->Handle()).Pixels().Data(), bytes) << "edit " << states.size() - 1;
  }
  for (size_t i = states.size() - 1; i > 0; --i) {
    ctrl.Undo();
    EXPECT_EQ(Picture(), states[i - 1]) << "undo to " << i - 1;
  }
  for (size_t i = 1; i < states.size(); ++i) {
    ctrl.Redo();
    EXPECT_EQ(Picture(), states[i]) << "redo to " << i;
  }
  // Text drawn after stepping back ends the redo steps and leaves the earlier states as they were.
  ctrl.Undo();
  ctrl.Undo();
  ctrl.DrawText(100, 100, "new");
  EXPECT_EQ(ctrl.GetRedo(), 0);
  ctrl.Undo();
  EXPECT_EQ(Picture(), states[3]);
  ctrl.Undo();
  EXPECT_EQ(Picture(), states[2]);
  ctrl.Redo();
  ctrl.Redo();
  EXPECT_NE(Picture(), states[4]);
  ctrl.Undo();
  EXPECT_EQ(Picture(), states[3]);
}

INSTANTIATE_TEST_SUITE_P(Versions, TextUndoTest, ::testing::Values(ControlVersion::One, ControlVersion::Two));

}  // namespace
}  // namespace tavlen
