// The undo history's slots without a control: nine steps back at most, the oldest state dropped
// when full, abandoned states overwritten, failed copies kept as empty states.
#include "edit/undo_history.h"

#include <gtest/gtest.h>

#include "tests/graphics/test_support.h"

namespace tavlen {
namespace {

// A picture whose width tells the states apart.
ImageObject::Ptr StateOfWidth(uint32_t width) {
  return ImageObject::Adopt(gfx::test::MakePatternBitmap(width, 2, gfx::PixelFormat::RGB24bpp, width));
}

class UndoHistoryTest : public ::testing::Test {
 protected:
  // Restarts with a picture of width 1, then pushes pictures of widths 2, 3, ... up to `last`.
  void RecordStates(uint32_t last) {
    history.Restart(StateOfWidth(1), PictureSize{1, 2});
    for (uint32_t width = 2; width <= last; ++width) history.Push(*StateOfWidth(width));
  }
  int32_t StepBackWidth() {
    UndoHistory::Restored restored = history.StepBack();
    EXPECT_NE(restored.image, nullptr);
    if (!restored.image) return -1;
    EXPECT_EQ(static_cast<int32_t>(restored.image->Width()), restored.size.width);
    return restored.size.width;
  }

  UndoHistory history;
};

TEST_F(UndoHistoryTest, EachStepBackRestoresTheStateBefore) {
  RecordStates(4);
  EXPECT_EQ(history.Count(), 3);
  EXPECT_EQ(StepBackWidth(), 3);
  EXPECT_EQ(StepBackWidth(), 2);
  EXPECT_EQ(StepBackWidth(), 1);
  EXPECT_EQ(history.Count(), 0);
  UndoHistory::Restored none = history.StepBack();
  EXPECT_EQ(none.image, nullptr);
  EXPECT_EQ(history.Count(), 0) << "at the oldest state nothing moves";
}

TEST_F(UndoHistoryTest, AFullHistoryDropsItsOldestState) {
  RecordStates(13);  // the installed picture and twelve edits
  EXPECT_EQ(history.Count(), UndoHistory::kSlots - 1);
  for (int32_t expected = 12; expected >= 4; --expected) EXPECT_EQ(StepBackWidth(), expected);
  EXPECT_EQ(history.Count(), 0) << "nine steps end at the state after the third edit";
  EXPECT_EQ(history.SizeOf(0).width, 4);
}

TEST_F(UndoHistoryTest, AnEditAfterStepsBackOverwritesTheAbandonedStates) {
  RecordStates(5);
  EXPECT_EQ(StepBackWidth(), 4);
  EXPECT_EQ(StepBackWidth(), 3);
  history.Push(*StateOfWidth(30));
  EXPECT_EQ(history.Count(), 3);
  EXPECT_EQ(history.SizeOf(3).width, 30);
  EXPECT_EQ(StepBackWidth(), 3);
}

TEST_F(UndoHistoryTest, StepsForwardOverWhatWasSteppedBackUntilTheNextPush) {
  RecordStates(13);  // a full history: nine steps back, nine forward
  for (int i = 0; i < 9; ++i) (void)StepBackWidth();
  EXPECT_EQ(history.RedoCount(), 9);
  for (int32_t expected = 5; expected <= 13; ++expected) {
    UndoHistory::Restored restored = history.StepForward();
    ASSERT_NE(restored.image, nullptr);
    EXPECT_EQ(restored.size.width, expected);
  }
  EXPECT_EQ(history.RedoCount(), 0);
  EXPECT_EQ(history.StepForward().image, nullptr);
  EXPECT_EQ(history.Count(), 9) << "nothing to redo moves nothing";

  (void)StepBackWidth();
  (void)StepBackWidth();
  history.Push(*StateOfWidth(40));
  EXPECT_EQ(history.RedoCount(), 0);
  EXPECT_EQ(history.StepForward().image, nullptr);
  history.Restart(StateOfWidth(9), PictureSize{9, 2});
  EXPECT_EQ(history.RedoCount(), 0);
}

TEST_F(UndoHistoryTest, RestartKeepsOnlyTheInstalledPicture) {
  RecordStates(6);
  history.Restart(StateOfWidth(9), PictureSize{9, 2});
  EXPECT_EQ(history.Count(), 0);
  EXPECT_EQ(history.SizeOf(0), (PictureSize{9, 2}));
  for (int slot = 1; slot < UndoHistory::kSlots; ++slot) {
    EXPECT_EQ(history.Snapshot(slot), nullptr) << slot;
    EXPECT_EQ(history.SizeOf(slot), PictureSize{}) << slot;
  }
}

TEST_F(UndoHistoryTest, ACopyThatFailsLeavesAnEmptyStateTheCountStillPasses) {
  RecordStates(2);
  auto failed = StateOfWidth(7);
  failed->Record(gfx::Status::OutOfMemory);
  history.Push(*failed);
  EXPECT_EQ(history.Count(), 2);
  EXPECT_EQ(history.Snapshot(2), nullptr);
  EXPECT_EQ(history.SizeOf(2).width, 7) << "the size is recorded all the same";
  history.Push(*StateOfWidth(8));
  UndoHistory::Restored empty = history.StepBack();
  EXPECT_EQ(empty.image, nullptr);
  EXPECT_EQ(empty.size.width, 7);
  EXPECT_EQ(history.Count(), 2) << "the count moves back past an empty state";
  EXPECT_EQ(StepBackWidth(), 2);
}

TEST_F(UndoHistoryTest, RestoredPicturesAreCopiesAndTheStateStays) {
  RecordStates(3);
  UndoHistory::Restored first = history.StepBack();
  ASSERT_NE(first.image, nullptr);
  EXPECT_NE(first.image.get(), history.Snapshot(1));
  ASSERT_EQ(first.image->Handle()->RotateFlip(gfx::RotateFlipType::RotateNoneFlipX), gfx::Status::Ok);
  history.Push(*StateOfWidth(3));
  UndoHistory::Restored again = history.StepBack();
  ASSERT_NE(again.image, nullptr);
  auto original = StateOfWidth(2);
  EXPECT_TRUE(gfx::test::SamePixels(*again.image->Handle(), *original->Handle()))
      << "changing a restored picture leaves the recorded state alone";
}

}  // namespace
}  // namespace tavlen
