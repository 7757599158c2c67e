// The control's text overlays, font list and metadata tags: properties read at the call, snapshots, undo.
#include "tests/control/control_fixture.h"

namespace tavlen {
namespace {

constexpr gfx::Argb kWhiteArgb = 0xFFFFFFFF;

class TextAndTagsTest : public ControlTest {
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

TEST_F(TextAndTagsTest, NothingWithoutAPicture) {
  ctrl.DrawText(0, 0, "text");
  ctrl.DrawShadowText(0, 0, "text", 0xFF);
  ctrl.SetImageArtist("someone");
  EXPECT_EQ(ctrl.GetImageArtist(), "");
  EXPECT_EQ(ctrl.GetUndo(), 0);
  EXPECT_EQ(Paint(), 0);
}

TEST_F(TextAndTagsTest, TextIsASnapshotThatUndoTakesBack) {
  LoadWhite();
  ctrl.m_textColor = 0x000000FF;  // OLE red
  ctrl.DrawText(10, 10, "Tavlen");
  EXPECT_EQ(ctrl.GetUndo(), 1);
  EXPECT_GT(Paint(), 0);
  EXPECT_GT(Count(0xFFFF0000), 50u) << "drawn in pure red";
  EXPECT_NE(probe.Snapshot(1), nullptr) << "the snapshot holds the text";
  ctrl.Undo();
  EXPECT_EQ(ctrl.GetUndo(), 0);
  EXPECT_EQ(Changed(), 0u);
}

TEST_F(TextAndTagsTest, ColoursComeFromTheLowThreeBytes) {
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

TEST_F(TextAndTagsTest, AnyNonzeroBoldCountsAsBold) {
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
TEST_F(TextAndTagsTest, FailedDrawingStillRecordsASnapshot) {
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

TEST_F(TextAndTagsTest, IndexedPictureGetsNoTextButASnapshot) {
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

TEST_F(TextAndTagsTest, ZoomPlaysNoPartInWhereTextLands) {
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

TEST_F(TextAndTagsTest, FontListAnswersFromConstructionAndNamesFindTheirFamily) {
  const int32_t count = ctrl.GetTextFontCount();
  ASSERT_GT(count, 0);
  EXPECT_EQ(ctrl.GetTextFont(-1), "");
  EXPECT_EQ(ctrl.GetTextFont(static_cast<int16_t>(count)), "");
  EXPECT_FALSE(ctrl.GetTextFont(static_cast<int16_t>(count - 1)).empty());
  LoadWhite();
  for (int16_t i = 0; i < count; ++i) {
    const std::string name = ctrl.GetTextFont(i);
    if (name.rfind("DejaVu Sans Mono", 0) != 0) continue;
    ctrl.m_textFont = name;
    ctrl.DrawText(10, 10, "Mono");
    EXPECT_GT(Changed(), 0u) << name;
    return;
  }
  GTEST_SKIP() << "DejaVu Sans Mono is not installed";
}

TEST_F(TextAndTagsTest, TagsSetAndReadWithoutSnapshotOrRepaint) {
  LoadWhite();
  ctrl.SetImageArtist("Ann Artist");
  ctrl.SetImageCopyright("\xC2\xA9 Ann");
  ctrl.SetImageDateTime("not a date");
  ctrl.SetImageDescription("A description");
  ctrl.SetImageEquipMake("Make");
  ctrl.SetImageEquipModel("Model");
  ctrl.SetImageTitle("Title");
  EXPECT_EQ(ctrl.GetUndo(), 0);
  EXPECT_EQ(Paint(), 0);
  EXPECT_FALSE(ctrl.IsModified());
  EXPECT_EQ(ctrl.GetImageArtist(), "Ann Artist");
  EXPECT_EQ(ctrl.GetImageCopyright(), "\xC2\xA9 Ann");
  EXPECT_EQ(ctrl.GetImageDateTime(), "not a date");
  EXPECT_EQ(ctrl.GetImageDescription(), "A description");
  EXPECT_EQ(ctrl.GetImageEquipMake(), "Make");
  EXPECT_EQ(ctrl.GetImageEquipModel(), "Model");
  EXPECT_EQ(ctrl.GetImageTitle(), "Title");
  ctrl.SetImageTitle("");
  EXPECT_EQ(ctrl.GetImageTitle(), "Title");
}

TEST_F(TextAndTagsTest, TagsFollowThePictureThroughEditsAndUndo) {
  LoadWhite();
  ctrl.SetImageArtist("after loading");
  ctrl.Rotate90();
  ctrl.Resize(50, 20);
  EXPECT_EQ(ctrl.GetImageArtist(), "after loading");
  ctrl.Undo();
  EXPECT_EQ(ctrl.GetImageArtist(), "after loading") << "the snapshot of the turn was taken with the tag";
  ctrl.Undo();
  EXPECT_EQ(ctrl.GetImageArtist(), "") << "the loaded picture had no artist";
  // A new picture brings its own tags.
  ctrl.SetImageArtist("gone");
  LoadWhite();
  EXPECT_EQ(ctrl.GetImageArtist(), "");
}

}  // namespace
}  // namespace tavlen
