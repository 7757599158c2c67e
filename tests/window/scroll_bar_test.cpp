// Tests of the standard scroll bars: clamping of page and position, return values, masks, and the
// bars appearing and disappearing with their range.
#include <gtest/gtest.h>

#include "platform/window/window.h"
#include "tests/window/recording_owner.h"

namespace tavlen::win {
namespace {

using test::RecordingOwner;

SCROLLINFO Info(uint32_t mask, int32_t min, int32_t max, uint32_t page, int32_t pos) {
  SCROLLINFO info;
  info.fMask = mask;
  info.nMin = min;
  info.nMax = max;
  info.nPage = page;
  info.nPos = pos;
  return info;
}

class ScrollBarTest : public ::testing::Test {
 protected:
  RecordingOwner owner;
  std::unique_ptr<Window> window = Window::Create(&owner, 500, 400);
};

TEST_F(ScrollBarTest, ThumbReachesMaxMinusPagePlusOne) {
  EXPECT_EQ(window->SetScrollInfo(SB_HORZ, Info(SIF_ALL, 0, 1300, 500, 0), TRUE), 0);
  EXPECT_EQ(window->SetScrollPos(SB_HORZ, 5000, TRUE), 0);  // the previous position
  EXPECT_EQ(window->GetScrollPos(SB_HORZ), 801);
  EXPECT_EQ(window->SetScrollPos(SB_HORZ, -20, TRUE), 801);
  EXPECT_EQ(window->GetScrollPos(SB_HORZ), 0);
  EXPECT_EQ(window->SetScrollInfo(SB_HORZ, Info(SIF_POS, 0, 0, 0, 900), TRUE), 801);
  EXPECT_EQ(window->SetScrollInfo(SB_HORZ, Info(SIF_POS, 0, 0, 0, 750), TRUE), 750);
}

TEST_F(ScrollBarTest, ShrinkingTheRangeClampsThePosition) {
  window->SetScrollInfo(SB_VERT, Info(SIF_ALL, 0, 1300, 500, 700), TRUE);
  EXPECT_EQ(window->GetScrollPos(SB_VERT), 700);
  EXPECT_EQ(window->SetScrollInfo(SB_VERT, Info(SIF_ALL, 0, 900, 500, 700), TRUE), 401);
  window->SetScrollRange(SB_VERT, 0, 450, TRUE);
  EXPECT_EQ(window->GetScrollPos(SB_VERT), 0);  // page 451 now covers the whole range
  EXPECT_EQ(window->GetScrollBarState(SB_VERT).page, 451u);
}

TEST_F(ScrollBarTest, PageIsClampedToTheRangeAndZeroPageAllowsMax) {
  window->SetScrollInfo(SB_HORZ, Info(SIF_RANGE | SIF_PAGE, 10, 20, 100, 0), TRUE);
  EXPECT_EQ(window->GetScrollBarState(SB_HORZ).page, 11u);
  EXPECT_EQ(window->GetScrollPos(SB_HORZ), 10);  // raised to the minimum
  window->SetScrollInfo(SB_HORZ, Info(SIF_PAGE | SIF_POS, 0, 0, 0, 99), TRUE);
  EXPECT_EQ(window->GetScrollPos(SB_HORZ), 20);
}

TEST_F(ScrollBarTest, MaskSelectsWhatIsSetAndRead) {
  window->SetScrollInfo(SB_HORZ, Info(SIF_ALL, 0, 1000, 100, 300), TRUE);
  // Only the position is set: range and page stay.
  window->SetScrollInfo(SB_HORZ, Info(SIF_POS, 5, 6, 7, 400), TRUE);
  SCROLLINFO read = Info(SIF_RANGE | SIF_PAGE, -1, -1, 77, -1);
  EXPECT_EQ(window->GetScrollInfo(SB_HORZ, read), TRUE);
  EXPECT_EQ(read.nMin, 0);
  EXPECT_EQ(read.nMax, 1000);
  EXPECT_EQ(read.nPage, 100u);
  EXPECT_EQ(read.nPos, -1);  // not asked for, left alone
  read.fMask = SIF_POS | SIF_TRACKPOS;
  window->GetScrollInfo(SB_HORZ, read);
  EXPECT_EQ(read.nPos, 400);
  EXPECT_EQ(read.nTrackPos, 400);
  read.fMask = SIF_DISABLENOSCROLL;
  EXPECT_EQ(window->GetScrollInfo(SB_HORZ, read), FALSE);
  read.fMask = SIF_ALL;
  EXPECT_EQ(window->GetScrollInfo(SB_CTL, read), FALSE);
  EXPECT_EQ(window->SetScrollPos(7, 3, TRUE), 0);
}

TEST_F(ScrollBarTest, ReversedOrTooWideRangeBecomesEmpty) {
  window->SetScrollRange(SB_HORZ, 50, 10, TRUE);
  EXPECT_EQ(window->GetScrollBarState(SB_HORZ).min, 0);
  EXPECT_EQ(window->GetScrollBarState(SB_HORZ).max, 0);
  window->SetScrollRange(SB_HORZ, -2000000000, 2000000000, TRUE);
  EXPECT_EQ(window->GetScrollBarState(SB_HORZ).max, 0);
  window->SetScrollRange(SB_HORZ, -5, 5, TRUE);
  EXPECT_EQ(window->GetScrollBarState(SB_HORZ).min, -5);
  EXPECT_EQ(window->GetScrollPos(SB_HORZ), 0);
}

TEST_F(ScrollBarTest, ScrollableRangeShowsTheBarAndEmptyRangeHidesIt) {
  window->SetScrollInfo(SB_HORZ, Info(SIF_ALL, 0, 1300, 500, 0), TRUE);
  EXPECT_TRUE(window->GetScrollBarState(SB_HORZ).shown);
  EXPECT_EQ(window->GetClientRect().bottom, 383);
  window->SetScrollRange(SB_HORZ, 0, 0, TRUE);
  EXPECT_FALSE(window->GetScrollBarState(SB_HORZ).shown);
  EXPECT_EQ(window->GetClientRect().bottom, 400);
  // With SIF_DISABLENOSCROLL a bar that cannot scroll stays, disabled.
  window->ShowScrollBar(SB_VERT, TRUE);
  window->SetScrollInfo(SB_VERT, Info(SIF_RANGE | SIF_PAGE | SIF_DISABLENOSCROLL, 0, 10, 20, 0), TRUE);
  EXPECT_TRUE(window->GetScrollBarState(SB_VERT).shown);
  EXPECT_TRUE(window->GetScrollBarState(SB_VERT).disabled);
  window->SetScrollInfo(SB_VERT, Info(SIF_RANGE, 0, 100, 0, 0), TRUE);
  EXPECT_FALSE(window->GetScrollBarState(SB_VERT).disabled);
}

TEST_F(ScrollBarTest, PositionOnlyChangesNeverShowOrHide) {
  window->SetScrollRange(SB_HORZ, 0, 100, TRUE);
  window->ShowScrollBar(SB_HORZ, FALSE);
  window->SetScrollPos(SB_HORZ, 50, TRUE);
  EXPECT_FALSE(window->GetScrollBarState(SB_HORZ).shown);
  EXPECT_EQ(window->GetScrollPos(SB_HORZ), 50);
  // Setting the same range again is no change, so the hidden bar stays hidden.
  window->SetScrollRange(SB_HORZ, 0, 100, TRUE);
  EXPECT_FALSE(window->GetScrollBarState(SB_HORZ).shown);
}

TEST_F(ScrollBarTest, ScrollBarCallsRepaintNothingUnlessTheClientSizeChanges) {
  window->Pump();
  owner.paints.clear();
  window->SetScrollRange(SB_HORZ, 0, 0, TRUE);
  window->SetScrollPos(SB_HORZ, 0, TRUE);
  window->ShowScrollBar(SB_HORZ, FALSE);
  window->ShowScrollBar(SB_VERT, FALSE);
  EXPECT_EQ(window->Pump(), 0);
  window->ShowScrollBar(SB_BOTH, TRUE);
  EXPECT_EQ(window->Pump(), 1);
  EXPECT_EQ(owner.paints[0].invalid, (RECT{0, 0, 483, 383}));
}

}  // namespace
}  // namespace tavlen::win
