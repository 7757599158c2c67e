// The renderer's layers drawn on a framebuffer in memory: the background leaves the picture's
// rectangle alone, the hatch takes its colours the right way round, and the border frame lies where
// the frame rule puts it.
#include "view/picture_renderer.h"

#include <gtest/gtest.h>

#include <array>
#include <memory>

#include "tests/graphics/drawing/drawing_test_util.h"
#include "tests/graphics/pixel_expect.h"

namespace tavlen {
namespace {

using gfx::test::PixelsAre;
using gfx::test::PixelsAreOutside;
using gfx::test::PixelsOf;
using gfx::test::TestWindow;

constexpr gfx::Argb kUntouched = 0xFF123456, kRed = 0xFFFF0000, kBlue = 0xFF0000FF, kWhite = 0xFFFFFFFF;
constexpr ClientSize kClient{60, 40};

TEST(BorderFrame, HugsThePictureOrGrowsByOneWidthAtTheClientEdge) {
  const gfx::Rect away = BorderFrame(Viewport{100, 50, 200, 100}, 1.0);
  EXPECT_EQ((std::array{away.x, away.y, away.width, away.height}), (std::array{99, 49, 202, 102}));
  const gfx::Rect atOrigin = BorderFrame(Viewport{0, 0, 200, 100}, 1.0);
  EXPECT_EQ((std::array{atOrigin.x, atOrigin.y, atOrigin.width, atOrigin.height}), (std::array{0, 0, 201, 101}));
  const gfx::Rect fractional = BorderFrame(Viewport{10, 0, 20, 20}, 2.5);
  EXPECT_EQ((std::array{fractional.x, fractional.y, fractional.width, fractional.height}), (std::array{7, 0, 25, 22}));
  const gfx::Rect huge = BorderFrame(Viewport{5, 5, 20, 20}, 1e300);
  EXPECT_EQ(huge.x, INT32_MIN) << "saturates instead of overflowing";
  EXPECT_EQ(huge.width, INT32_MAX);
}

TEST(RendererBackground, PlainFillCoversTheClientAreaLessThePicture) {
  TestWindow window(kClient.width, kClient.height, kUntouched);
  const Viewport viewport{10, 5, 20, 15};
  EXPECT_EQ(PictureRenderer::DrawBackground(*window.Open(), viewport, kClient, PaintStyle{0, kRed, kBlue}),
            gfx::Status::Ok);
  const auto pixels = PixelsOf(window.pixels, kClient.width);
  EXPECT_TRUE(PixelsAreOutside(pixels, gfx::Rect{0, 0, 60, 40}, viewport.Rectangle(), kRed));
  EXPECT_TRUE(PixelsAre(pixels, viewport.Rectangle(), kUntouched));
}

TEST(RendererBackground, HatchLinesTakeTheBackColourAndSpacesTheForeColour) {
  TestWindow window(kClient.width, kClient.height, kUntouched);
  const Viewport viewport{-5, -5, 30, 30};
  EXPECT_EQ(PictureRenderer::DrawBackground(*window.Open(), viewport, kClient, PaintStyle{5 /* Cross */, kRed, kBlue}),
            gfx::Status::Ok);
  const auto pixels = PixelsOf(window.pixels, kClient.width);
  const gfx::Rect outside{25, 0, 35, 40};
  EXPECT_TRUE(gfx::test::PixelsMatch(
      pixels, outside, [](uint32_t c) { return c == kRed || c == kBlue; }, "back or fore colour"));
  // Cross lines every 8 pixels: a line row is all back colour, a space row mixes both.
  EXPECT_GT(gfx::test::CountPixels(pixels, outside, kRed), 0);
  EXPECT_GT(gfx::test::CountPixels(pixels, outside, kBlue), gfx::test::CountPixels(pixels, outside, kRed));
  EXPECT_TRUE(PixelsAre(pixels, gfx::Rect{0, 0, 25, 25}, kUntouched));
}

TEST(RendererBackground, AStyleOutsideTheHatchesPaintsNothing) {
  for (int16_t style : {int16_t{-1}, int16_t{54}}) {
    TestWindow window(kClient.width, kClient.height, kUntouched);
    EXPECT_EQ(PictureRenderer::DrawBackground(*window.Open(), Viewport{10, 10, 5, 5}, kClient,
                                              PaintStyle{style, kRed, kBlue}),
              gfx::Status::Ok);
    EXPECT_TRUE(PixelsAre(PixelsOf(window.pixels, kClient.width), gfx::Rect{0, 0, 60, 40}, kUntouched)) << style;
  }
}

TEST(RendererBorder, OnePixelFrameAroundThePicture) {
  TestWindow window(kClient.width, kClient.height, kUntouched);
  const Viewport viewport{10, 5, 20, 15};
  EXPECT_EQ(PictureRenderer::DrawBorder(*window.Open(), viewport, PaintStyle{0, kRed, kBlue, true, 1.0, kWhite}),
            gfx::Status::Ok);
  const auto pixels = PixelsOf(window.pixels, kClient.width);
  const gfx::Rect frame{9, 4, 22, 17};
  EXPECT_TRUE(PixelsAreOutside(pixels, frame, gfx::Rect{10, 5, 20, 15}, kWhite));
  EXPECT_TRUE(PixelsAre(pixels, viewport.Rectangle(), kUntouched));
  EXPECT_TRUE(PixelsAreOutside(pixels, gfx::Rect{0, 0, 60, 40}, frame, kUntouched));
}

TEST(RendererBorder, AtTheOriginOnlyTheFarStrokesLieOutsideThePicture) {
  TestWindow window(kClient.width, kClient.height, kUntouched);
  EXPECT_EQ(PictureRenderer::DrawBorder(*window.Open(), Viewport{0, 0, 20, 10},
                                        PaintStyle{0, kRed, kBlue, true, 1.0, kWhite}),
            gfx::Status::Ok);
  const auto pixels = PixelsOf(window.pixels, kClient.width);
  EXPECT_TRUE(PixelsAre(pixels, gfx::Rect{20, 0, 1, 11}, kWhite));
  EXPECT_TRUE(PixelsAre(pixels, gfx::Rect{0, 10, 21, 1}, kWhite));
  EXPECT_TRUE(PixelsAre(pixels, gfx::Rect{21, 0, 39, 40}, kUntouched));
}

TEST(RendererBorder, AWidthBelowOnePixelStillDrawsAOnePixelFrame) {
  const Viewport viewport{10, 5, 20, 15};
  const auto frameOf = [&](double width) {
    auto window = std::make_unique<TestWindow>(kClient.width, kClient.height, kUntouched);
    EXPECT_EQ(PictureRenderer::DrawBorder(*window->Open(), viewport, PaintStyle{0, kRed, kBlue, true, width, kWhite}),
              gfx::Status::Ok);
    return window;
  };
  // Width 0.5 frames (9, 4, 21, 16): the one-pixel stroke lies just outside the picture all round.
  const auto half = frameOf(0.5);
  EXPECT_TRUE(PixelsAreOutside(PixelsOf(half->pixels, 60), gfx::Rect{9, 4, 22, 17}, viewport.Rectangle(), kWhite));
  EXPECT_TRUE(PixelsAre(PixelsOf(half->pixels, 60), viewport.Rectangle(), kUntouched));
  // Width 0.25 frames (9, 4, 20, 15): the left and top strokes show, the others lie on the picture.
  const auto quarter = frameOf(0.25);
  EXPECT_TRUE(PixelsAre(PixelsOf(quarter->pixels, 60), gfx::Rect{9, 4, 1, 16}, kWhite));
  EXPECT_TRUE(PixelsAre(PixelsOf(quarter->pixels, 60), gfx::Rect{9, 4, 21, 1}, kWhite));
  // Width 0 frames the picture's own rectangle: the right and bottom strokes lie just outside.
  const auto none = frameOf(0.0);
  EXPECT_TRUE(PixelsAre(PixelsOf(none->pixels, 60), gfx::Rect{30, 5, 1, 16}, kWhite));
  EXPECT_TRUE(PixelsAre(PixelsOf(none->pixels, 60), gfx::Rect{10, 20, 21, 1}, kWhite));
}

TEST(RendererBorder, APenThePainterRefusesIsReportedAndDrawsNothing) {
  TestWindow window(kClient.width, kClient.height, kUntouched);
  EXPECT_EQ(PictureRenderer::DrawBorder(*window.Open(), Viewport{10, 5, 20, 15},
                                        PaintStyle{0, kRed, kBlue, true, -1.0, kWhite}),
            gfx::Status::InvalidParameter);
  EXPECT_TRUE(PixelsAre(PixelsOf(window.pixels, kClient.width), gfx::Rect{0, 0, 60, 40}, kUntouched));
}

TEST(RendererBorder, NoFrameWhenTheBorderIsOff) {
  TestWindow window(kClient.width, kClient.height, kUntouched);
  EXPECT_EQ(PictureRenderer::DrawBorder(*window.Open(), Viewport{10, 5, 20, 15},
                                        PaintStyle{0, kRed, kBlue, false, 3.0, kWhite}),
            gfx::Status::Ok);
  EXPECT_TRUE(PixelsAre(PixelsOf(window.pixels, kClient.width), gfx::Rect{0, 0, 60, 40}, kUntouched));
}

// A window of the client size and a black 20 x 15 picture to paint into it at (10, 5).
class RendererPaint : public ::testing::Test {
 protected:
  class QuietOwner final : public win::WindowOwner {
   public:
    void OnPaint(win::DeviceContext&, const win::RECT&, bool) override {}
  };

  gfx::Status PaintWithBorder(double borderWidth) {
    if (!window || !picture.Ok()) return gfx::Status::GenericError;
    return renderer.Paint(*window->GetDC(), picture.Value().get(), Viewport{10, 5, 20, 15}, kClient,
                          PaintStyle{0, kRed, kBlue, true, borderWidth, kWhite});
  }

  QuietOwner owner;
  std::unique_ptr<win::Window> window = win::Window::Create(&owner, kClient.width, kClient.height);
  gfx::Result<gfx::Bitmap::Ptr> picture = gfx::Bitmap::Create(20, 15, gfx::PixelFormat::RGB32bpp);
  PictureRenderer renderer;
};

TEST_F(RendererPaint, AllLayersPaintAndReportOk) {
  EXPECT_EQ(PaintWithBorder(1.0), gfx::Status::Ok);
  EXPECT_EQ(window->GetPixel(0, 0), win::RGB(0xFF, 0, 0));
  EXPECT_EQ(window->GetPixel(9, 4), win::RGB(0xFF, 0xFF, 0xFF));
  EXPECT_EQ(window->GetPixel(15, 10), win::RGB(0, 0, 0));
}

TEST_F(RendererPaint, ARefusedLayerIsReportedAndTheOthersStillPaint) {
  // A negative border width is refused by the pen; the background and the picture still paint.
  EXPECT_EQ(PaintWithBorder(-1.0), gfx::Status::InvalidParameter);
  EXPECT_EQ(window->GetPixel(0, 0), win::RGB(0xFF, 0, 0));
  EXPECT_EQ(window->GetPixel(9, 4), win::RGB(0xFF, 0, 0)) << "no frame";
  EXPECT_EQ(window->GetPixel(15, 10), win::RGB(0, 0, 0)) << "the picture";
}

}  // namespace
}  // namespace tavlen
