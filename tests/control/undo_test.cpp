// The undo history and the geometric edits that record into it.
#include "tests/control/control_fixture.h"

namespace tavlen {
namespace {

class UndoTest : public ControlTest {
 protected:
  std::string LoadPattern(uint32_t w, uint32_t h) {
    const std::string path = WritePatternPng(dir, "pattern.png", w, h);
    ctrl.LoadImage(path);
    Paint();
    return path;
  }
  ::testing::AssertionResult ShowsFile(const std::string& path) {
    auto reference = gfx::Bitmap::FromFile(path);
    if (!reference.Ok() || !probe.HasImage()) return ::testing::AssertionFailure() << "no picture";
    return gfx::test::SamePixels(*probe.Image()->Handle(), *reference.Value());
  }
};

TEST_F(UndoTest, NothingToUndoBeforeAnyPicture) {
  EXPECT_EQ(ctrl.GetUndo(), 0);
  ctrl.Undo();
  ctrl.Rotate90();
  ctrl.Flip(win::TRUE);
  ctrl.Resize(10, 10);
  EXPECT_EQ(ctrl.GetUndo(), 0);
  EXPECT_EQ(Paint(), 0);
}

TEST_F(UndoTest, ThreeTurnsAreTakenBackOneByOne) {
  const std::string path = LoadPattern(40, 30);
  EXPECT_EQ(ctrl.GetUndo(), 0);
  ctrl.Rotate90();
  ctrl.Rotate90();
  ctrl.Rotate90();
  EXPECT_EQ(ctrl.GetUndo(), 3);
  EXPECT_EQ(ctrl.GetWidth(), 30);
  ctrl.Undo();
  EXPECT_EQ(ctrl.GetWidth(), 40);
  ctrl.Undo();
  ctrl.Undo();
  EXPECT_EQ(ctrl.GetUndo(), 0);
  EXPECT_TRUE(ShowsFile(path));
  EXPECT_GT(Paint(), 0);
  ctrl.Undo();
  EXPECT_EQ(ctrl.GetUndo(), 0);
  EXPECT_EQ(Paint(), 0) << "a fourth Undo does nothing";
  EXPECT_TRUE(ShowsFile(path));
}

TEST_F(UndoTest, HistoryKeepsNineStepsAndDropsTheOldest) {
  LoadPattern(20, 10);
  for (int edit = 1; edit <= 12; ++edit) {
    ctrl.Resize(20 + edit, 10);
    EXPECT_EQ(ctrl.GetUndo(), std::min(edit, 9)) << edit;
  }
  for (int step = 0; step < 9; ++step) ctrl.Undo();
  EXPECT_EQ(ctrl.GetUndo(), 0);
  EXPECT_EQ(ctrl.GetWidth(), 23) << "the state after the third edit";
  ctrl.Undo();
  EXPECT_EQ(ctrl.GetWidth(), 23);
}

TEST_F(UndoTest, UndoShowsThePictureAtItsPixelSize) {
  LoadPattern(400, 300);
  ctrl.m_zoomValue = 2;
  ctrl.ZoomByOriginal();
  ctrl.Rotate90();
  EXPECT_EQ(probe.ViewWidth(), 600);
  EXPECT_EQ(probe.ViewHeight(), 800);
  EXPECT_EQ(ctrl.GetWidth(), 300);
  ctrl.Undo();
  EXPECT_EQ(ctrl.GetWidth(), 400);
  EXPECT_EQ(ctrl.GetHeight(), 300);
  EXPECT_EQ(probe.ViewWidth(), 400);
  EXPECT_EQ(probe.ViewHeight(), 300);
}

TEST_F(UndoTest, UndoAfterResizeRestoresThePreviousSize) {
  LoadPattern(400, 400);
  ctrl.m_zoomValue = 2;
  ctrl.ZoomByOriginal();
  ctrl.Resize(100, 50);
  EXPECT_EQ(ctrl.GetWidth(), 100);
  EXPECT_EQ(ctrl.GetHeight(), 50);
  EXPECT_EQ(probe.ViewWidth(), 100);
  EXPECT_EQ(probe.ViewHeight(), 50);
  ctrl.Undo();
  EXPECT_EQ(ctrl.GetWidth(), 400);
  EXPECT_EQ(probe.ViewWidth(), 400);
}

TEST_F(UndoTest, NewEditAfterUndoAbandonsTheUndoneStates) {
  LoadPattern(10, 10);
  ctrl.Resize(11, 10);
  ctrl.Resize(12, 10);
  ctrl.Resize(13, 10);
  ctrl.Undo();
  ctrl.Undo();
  EXPECT_EQ(ctrl.GetWidth(), 11);
  ctrl.Resize(20, 10);
  EXPECT_EQ(ctrl.GetUndo(), 2);
  ctrl.Undo();
  EXPECT_EQ(ctrl.GetWidth(), 11);
  ctrl.Undo();
  EXPECT_EQ(ctrl.GetWidth(), 10);
}

TEST_F(UndoTest, SnapshotsAreSeparateFromTheWorkingImage) {
  LoadPattern(16, 12);
  ctrl.Flip(win::FALSE);
  ctrl.Flip(win::FALSE);
  ctrl.Undo();
  ASSERT_NE(probe.Snapshot(1), nullptr);
  EXPECT_NE(probe.Snapshot(1)->Handle(), probe.Image()->Handle());
  // Editing the restored picture leaves the snapshot it came from untouched.
  ctrl.Rotate180();
  EXPECT_FALSE(gfx::test::SamePixels(*probe.Snapshot(1)->Handle(), *probe.Image()->Handle()));
}

TEST_F(UndoTest, UndoOntoAFailedSnapshotKeepsTheCurrentPicture) {
  LoadPattern(40, 30);
  ctrl.Rotate90();
  probe.Image()->Record(gfx::Status::GenericError);  // from now on, copies of it yield nothing
  ctrl.Rotate90();
  ctrl.Rotate90();
  ASSERT_EQ(ctrl.GetUndo(), 3);
  EXPECT_EQ(probe.Snapshot(3), nullptr);
  EXPECT_EQ(probe.SnapshotSize(3).width, 30) << "the size entry is written all the same";
  ctrl.Undo();
  EXPECT_EQ(ctrl.GetUndo(), 2);
  EXPECT_TRUE(probe.HasImage());
  EXPECT_EQ(ctrl.GetWidth(), 30);
  ctrl.Undo();
  ctrl.Undo();
  EXPECT_EQ(ctrl.GetUndo(), 0);
  EXPECT_EQ(ctrl.GetWidth(), 40) << "the loaded picture comes back";
}

TEST_F(UndoTest, TurnsAndFlipsMoveThePixels) {
  LoadPattern(5, 3);
  gfx::Bitmap& before = *probe.Snapshot(0)->Handle();
  const uint32_t topLeft = gfx::test::PixelAt(before, 0, 0);
  const uint32_t topRight = gfx::test::PixelAt(before, 4, 0);
  const uint32_t bottomLeft = gfx::test::PixelAt(before, 0, 2);
  ctrl.Rotate90();
  EXPECT_EQ(gfx::test::PixelAt(*probe.Image()->Handle(), 2, 0), topLeft) << "clockwise";
  ctrl.Rotate270();
  EXPECT_TRUE(gfx::test::SamePixels(*probe.Image()->Handle(), before));
  ctrl.Flip(win::FALSE);
  EXPECT_EQ(gfx::test::PixelAt(*probe.Image()->Handle(), 0, 0), topRight);
  ctrl.Flip(win::FALSE);
  ctrl.Flip(-1);
  EXPECT_EQ(gfx::test::PixelAt(*probe.Image()->Handle(), 0, 0), bottomLeft);
  EXPECT_EQ(ctrl.GetUndo(), 5);
}

TEST_F(UndoTest, QuarterTurnsSwapTheZoomedSizeAndFourGiveItBack) {
  LoadPattern(300, 200);
  ctrl.m_zoomValue = 2;
  ctrl.ZoomByOriginal();
  ctrl.Rotate90();
  EXPECT_EQ(probe.ViewWidth(), 400);
  EXPECT_EQ(probe.ViewHeight(), 600);
  EXPECT_TRUE(probe.VertBarShown());
  ctrl.Rotate90();
  ctrl.Rotate90();
  ctrl.Rotate90();
  EXPECT_EQ(probe.ViewWidth(), 600);
  EXPECT_EQ(ctrl.GetUndo(), 4);
  EXPECT_TRUE(gfx::test::SamePixels(*probe.Image()->Handle(), *probe.Snapshot(0)->Handle()));
}

TEST_F(UndoTest, ResizeToAnImpossibleSizeKeepsEverything) {
  LoadPattern(30, 20);
  ctrl.Resize(0, 20);
  ctrl.Resize(30, -5);
  EXPECT_EQ(ctrl.GetWidth(), 30);
  EXPECT_EQ(probe.ViewWidth(), 30);
  EXPECT_EQ(ctrl.GetUndo(), 0);
}

TEST_F(UndoTest, ResizeDoesNotRefreshTheScrollBars) {
  LoadPattern(30, 20);
  ctrl.Resize(900, 20);
  EXPECT_FALSE(probe.HorzBarShown());
  ctrl.Zoom();
  EXPECT_TRUE(probe.HorzBarShown());
}

}  // namespace
}  // namespace tavlen
