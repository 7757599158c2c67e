// Painting: alignment positions, the plain and hatched background around the picture, and the
// border's columns and rows, all read back from the window's framebuffer.
#include "tests/control/control_fixture.h"
#include "view/ole_color.h"

namespace tavlen {
namespace {

using gfx::test::CountPixels;
using gfx::test::PixelsAre;
using gfx::test::PixelsAreOutside;
using gfx::test::PixelsEqual;

constexpr win::COLORREF kRed = win::RGB(255, 0, 0);
constexpr win::COLORREF kBlue = win::RGB(0, 0, 255);
constexpr win::COLORREF kWhite = win::RGB(255, 255, 255);

TEST(ControlOleColor, SwapsRedAndBlueAndIsOpaque) {
  EXPECT_EQ(OleColorToArgb(0x000000FF), 0xFFFF0000u);
  EXPECT_EQ(OleColorToArgb(0x00123456), 0xFF563412u);
  EXPECT_EQ(OleColorToArgb(0x8000000F), 0xFF0F0000u) << "system colours are not resolved";
  EXPECT_EQ(OleColorToArgb(0x7F00FF00), 0xFF00FF00u);
}

void SetAlign(CTavlenCtrl& ctrl, int16_t align) { SetProperty(ctrl, "Align", align); }

TEST_F(ControlTest, AlignPlacesThePictureInTheClientArea) {
  LoadSolid(300, 200);
  const struct {
    int16_t align;
    double x, y;
  } cases[] = {{2, 0, 0}, {3, 200, 0}, {4, 100, 100}, {6, 0, 200}, {7, 200, 200}};
  for (const auto& c : cases) {
    SetAlign(ctrl, c.align);
    Paint();
    EXPECT_EQ(ctrl.GetImageXpos(), c.x) << c.align;
    EXPECT_EQ(ctrl.GetImageYpos(), c.y) << c.align;
    const auto x = static_cast<int32_t>(c.x), y = static_cast<int32_t>(c.y);
    EXPECT_EQ(Pixel(x, y), kPicture) << c.align;
    EXPECT_EQ(Pixel(x + 299, y + 199), kPicture) << c.align;
  }
  SetAlign(ctrl, 0);
  Paint();
  EXPECT_EQ(ctrl.GetImageXpos(), 200.0) << "None leaves the picture where it was";
}

TEST_F(ControlTest, TopAndBottomKeepTheCentredHorizontalPosition) {
  ctrl.m_align = 1;
  LoadSolid(300, 200);
  EXPECT_EQ(ctrl.GetImageXpos(), 100.0);
  EXPECT_EQ(ctrl.GetImageYpos(), 0.0);
  ctrl.m_align = 5;
  LoadSolid(300, 200);
  EXPECT_EQ(ctrl.GetImageXpos(), 100.0);
  EXPECT_EQ(ctrl.GetImageYpos(), 200.0);
}

TEST_F(ControlTest, CentreTruncatesOddRemainders) {
  ctrl.m_align = 4;
  LoadSolid(301, 201);
  EXPECT_EQ(ctrl.GetImageXpos(), 99.0);
  EXPECT_EQ(ctrl.GetImageYpos(), 99.0);
}

TEST_F(ControlTest, LargePictureAlignedBottomRightGetsNegativeCoordinates) {
  ctrl.m_align = 7;
  LoadSolid(700, 500);
  EXPECT_EQ(ctrl.GetImageXpos(), -200.0);
  EXPECT_EQ(ctrl.GetImageYpos(), -100.0);
  EXPECT_EQ(Pixel(0, 0), kPicture);
  EXPECT_EQ(Pixel(499, 399), kPicture);
}

TEST_F(ControlTest, PlainBackgroundTakesTheBackColourAroundThePicture) {
  ctrl.m_showBorder = win::FALSE;
  ctrl.SetBackColor(0x000000FF);
  LoadSolid(300, 200);
  for (auto [x, y] : {std::pair{300, 0}, {499, 0}, {0, 200}, {0, 399}, {499, 399}, {300, 200}}) {
    EXPECT_EQ(Pixel(x, y), kRed) << x << "," << y;
  }
  EXPECT_EQ(Pixel(299, 199), kPicture);
}

TEST_F(ControlTest, SystemColourReferenceIsReadAsPlainBytesAroundThePicture) {
  ctrl.m_showBorder = win::FALSE;
  LoadSolid(300, 200);
  EXPECT_EQ(ctrl.GetBackColor(), 0x8000000Fu);
  EXPECT_EQ(Pixel(400, 300), win::RGB(0x0F, 0, 0));
}

TEST_F(ControlTest, HatchBackgroundDrawsLinesInBackColourOnForeColour) {
  ctrl.m_showBorder = win::FALSE;
  ctrl.SetBackColor(0x000000FF);
  ctrl.SetForeColor(0x00FF0000);
  SetProperty(ctrl, "BackStyle", int16_t{5});  // Cross
  LoadSolid(300, 200);

  // The same pattern painted straight onto a bitmap of the client's size.
  auto reference = gfx::Bitmap::Create(500, 400, gfx::PixelFormat::RGB32bpp);
  ASSERT_TRUE(reference.Ok());
  auto graphics = gfx::Graphics::FromImage(*reference.Value());
  ASSERT_TRUE(graphics.Ok());
  auto hatch = gfx::Brush::Hatch(4, 0xFFFF0000, 0xFF0000FF);
  ASSERT_TRUE(hatch.Ok());
  ASSERT_EQ(graphics.Value()->FillRectangle(hatch.Value(), gfx::Rect{0, 0, 500, 400}), gfx::Status::Ok);
  graphics.Value().reset();

  gfx::Bitmap& painted = *reference.Value();
  const gfx::test::PixelReader expected = [&painted](int32_t x, int32_t y) {
    const uint32_t argb = gfx::test::PixelAt(painted, x, y);
    return win::RGB(gfx::RedOf(argb), gfx::GreenOf(argb), gfx::BlueOf(argb));
  };
  const gfx::Rect client{0, 0, 500, 400};
  EXPECT_TRUE(PixelsEqual(Pixels(), expected, client, gfx::Rect{0, 0, 300, 200}));
  const int64_t red = CountPixels(Pixels(), client, kRed);
  EXPECT_GT(red, 0);
  EXPECT_GT(CountPixels(Pixels(), client, kBlue), red) << "the lines are the thin part of the pattern";
  EXPECT_EQ(Pixel(150, 100), kPicture);
}

TEST_F(ControlTest, BackStyleOutsideTheHatchesLeavesTheBackgroundUnpainted) {
  ctrl.m_showBorder = win::FALSE;
  ctrl.SetBackColor(0x000000FF);
  LoadSolid(300, 200);
  ASSERT_EQ(Pixel(400, 300), kRed);
  ctrl.SetBackColor(0x00FF0000);
  SetProperty(ctrl, "BackStyle", int16_t{60});
  Paint();
  EXPECT_EQ(Pixel(400, 300), kRed) << "nothing painted over the old background";
}

TEST_F(ControlTest, BorderHugsAPictureAwayFromTheOrigin) {
  ctrl.SetBackColor(0x000000FF);
  LoadSolid(200, 100);
  ctrl.MoveTo(100, 50);
  Paint();
  EXPECT_TRUE(PixelsAreOutside(Pixels(), gfx::Rect{99, 49, 202, 102}, gfx::Rect{100, 50, 200, 100}, kWhite));
  EXPECT_EQ(Pixel(98, 100), kRed);
  EXPECT_EQ(Pixel(301, 100), kRed);
  EXPECT_EQ(Pixel(200, 48), kRed);
  EXPECT_EQ(Pixel(200, 151), kRed);
  EXPECT_EQ(Pixel(100, 50), kPicture);
  EXPECT_EQ(Pixel(299, 149), kPicture);
}

TEST_F(ControlTest, BorderAtTheOriginShowsOnlyTheFarStrokes) {
  ctrl.SetBackColor(0x000000FF);
  LoadSolid(200, 100);
  EXPECT_EQ(Pixel(0, 0), kPicture);
  EXPECT_TRUE(PixelsAre(Pixels(), gfx::Rect{200, 0, 1, 101}, kWhite));
  EXPECT_TRUE(PixelsAre(Pixels(), gfx::Rect{0, 100, 201, 1}, kWhite));
  EXPECT_EQ(Pixel(201, 50), kRed);
  EXPECT_EQ(Pixel(50, 101), kRed);
}

TEST_F(ControlTest, WideBorderInTheBorderColour) {
  ctrl.SetBackColor(0x000000FF);
  ctrl.m_borderColor = 0x00FF0000;
  ctrl.m_borderWidth = 3;
  LoadSolid(200, 100);
  ctrl.MoveTo(100, 50);
  Paint();
  // A band three pixels wide all round, inside the frame rectangle (97, 47, 206, 106).
  EXPECT_TRUE(PixelsAreOutside(Pixels(), gfx::Rect{97, 47, 206, 106}, gfx::Rect{100, 50, 200, 100}, kBlue));
  EXPECT_EQ(Pixel(96, 100), kRed);
  EXPECT_EQ(Pixel(303, 100), kRed);
}

TEST_F(ControlTest, NoBorderWhenShowBorderIsOff) {
  ctrl.SetBackColor(0x000000FF);
  ctrl.m_showBorder = win::FALSE;
  ctrl.m_borderWidth = 5;
  LoadSolid(200, 100);
  ctrl.MoveTo(100, 50);
  Paint();
  EXPECT_EQ(Pixel(99, 100), kRed);
  EXPECT_EQ(Pixel(300, 100), kRed);
}

}  // namespace
}  // namespace tavlen
