// The placement state's events, and when the renderer lets moved pixels stand for a paint.
#include "view/placement_state.h"

#include <gtest/gtest.h>

#include <cstdint>

#include "view/picture_renderer.h"

namespace tavlen {
namespace {

TEST(PlacementState, ANewWindowIsFilledAndLeavesThePictureWhereItIs) {
  const PlacementState state;
  EXPECT_TRUE(state.FillsClientArea());
  EXPECT_FALSE(state.AlignsBeforePaint());
  EXPECT_FALSE(state.CanMovePixels());
  EXPECT_FALSE(state.PaintsInvalidOnly());
}

TEST(PlacementState, LoadOrZoomAlignsUntilAMoveOrShiftAndEndsTheFill) {
  PlacementState state;
  state.Resized();
  EXPECT_TRUE(state.AlignsBeforePaint());
  EXPECT_FALSE(state.FillsClientArea());
  state.Shifted();
  EXPECT_FALSE(state.AlignsBeforePaint());
  state.Resized();
  state.Moved();
  EXPECT_FALSE(state.AlignsBeforePaint());
}

TEST(PlacementState, OnlyLoadsZoomsAndMovesEndTheFillOfARecreatedWindow) {
  PlacementState state;
  state.Moved();
  state.WindowDestroyed();
  EXPECT_TRUE(state.FillsClientArea());
  state.Shifted();
  state.Realign();
  state.Painted();
  EXPECT_TRUE(state.FillsClientArea()) << "shifts, Align and paints keep it";
  EXPECT_TRUE(state.AlignsBeforePaint()) << "Align applies again, filled or not";
  state.Moved();
  EXPECT_FALSE(state.FillsClientArea());
  state.WindowDestroyed();
  state.Resized();
  EXPECT_FALSE(state.FillsClientArea());
}

TEST(PlacementState, PixelsMoveOnlyForAPicturePutByHandOverNoFill) {
  PlacementState aligned;
  aligned.Resized();
  aligned.PixelsMoved();
  EXPECT_FALSE(aligned.PaintsInvalidOnly());
  aligned.Shifted();
  EXPECT_FALSE(aligned.PaintsInvalidOnly()) << "a refused pixel move is not remembered";

  PlacementState filled;
  filled.Shifted();
  EXPECT_FALSE(filled.CanMovePixels());
  filled.PixelsMoved();
  EXPECT_FALSE(filled.PaintsInvalidOnly());

  PlacementState moved;
  moved.Moved();
  ASSERT_TRUE(moved.CanMovePixels());
  const PlacementState before = moved;
  moved.PixelsMoved();
  EXPECT_TRUE(moved.PaintsInvalidOnly());
  EXPECT_TRUE(moved.CanMovePixels());
  moved.Painted();
  EXPECT_FALSE(moved.PaintsInvalidOnly());
  EXPECT_EQ(moved, before);
}

TEST(PlacementState, AlignmentAfterMovedPixelsPaintsWhole) {
  PlacementState state;
  state.Moved();
  state.PixelsMoved();
  state.Realign();
  EXPECT_FALSE(state.PaintsInvalidOnly());
  EXPECT_FALSE(state.CanMovePixels());
}

gfx::Bitmap::Ptr Picture(gfx::PixelFormat format) {
  auto bitmap = gfx::Bitmap::Create(4, 4, format);
  EXPECT_TRUE(bitmap.Ok());
  return std::move(bitmap.Value());
}

TEST(MovedPixelsMatchPaint, WhileAnOpaquePictureCoversTheClientAreaBeforeAndAfter) {
  const gfx::Bitmap::Ptr opaque = Picture(gfx::PixelFormat::RGB24bpp);
  const Viewport shown{-100, -50, 1000, 800};
  const ClientSize client{500, 400};
  EXPECT_TRUE(PictureRenderer::MovedPixelsMatchPaint(*opaque, shown, client, -400, 0));
  EXPECT_TRUE(PictureRenderer::MovedPixelsMatchPaint(*opaque, shown, client, 100, 50));
  EXPECT_FALSE(PictureRenderer::MovedPixelsMatchPaint(*opaque, shown, client, -401, 0)) << "right edge shows";
  EXPECT_FALSE(PictureRenderer::MovedPixelsMatchPaint(*opaque, shown, client, 0, 51)) << "top edge shows";
  EXPECT_FALSE(PictureRenderer::MovedPixelsMatchPaint(*opaque, Viewport{1, 0, 1000, 800}, client, -1, 0))
      << "the background showed before the move";
  EXPECT_FALSE(PictureRenderer::MovedPixelsMatchPaint(*Picture(gfx::PixelFormat::ARGB32bpp), shown, client, -10, 0))
      << "what lies under a translucent picture is not the picture's";
}

TEST(MovedPixelsMatchPaint, ExtremeRectanglesAndMovesDoNotOverflow) {
  const gfx::Bitmap::Ptr opaque = Picture(gfx::PixelFormat::RGB24bpp);
  const ClientSize client{500, 400};
  const Viewport huge{INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX};
  EXPECT_FALSE(PictureRenderer::MovedPixelsMatchPaint(*opaque, huge, client, INT32_MAX, INT32_MAX));
  const Viewport far{-2000000000, 0, INT32_MAX, 400};
  EXPECT_TRUE(PictureRenderer::MovedPixelsMatchPaint(*opaque, far, client, INT32_MAX - 2000000000, 0));
  EXPECT_FALSE(PictureRenderer::MovedPixelsMatchPaint(*opaque, far, client, INT32_MIN, 0));
}

}  // namespace
}  // namespace tavlen
