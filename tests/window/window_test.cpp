// Tests of the headless window: client area, update region and paints, device contexts, resize,
// destroy and re-create, input delivery and PNG export.
#include "platform/window/window.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

#include "platform/graphics/bitmap.h"
#include "platform/graphics/drawing/graphics.h"
#include "tests/window/recording_owner.h"
#include "tests/window/window_pixels.h"

namespace tavlen::win {
namespace {

using gfx::test::PixelsAre;
using gfx::test::PixelsAreOutside;
using test::RecordingOwner;

struct Fixture {
  RecordingOwner owner;
  std::unique_ptr<Window> window;
  Fixture(int32_t w, int32_t h) : window(Window::Create(&owner, w, h)) {
    window->Pump();  // the first paint of a new window
    owner.paints.clear();
  }
};

TEST(WindowClientArea, ShownBarsTakeTheirThickness) {
  Fixture f(500, 400);
  EXPECT_EQ(f.window->GetClientRect(), (RECT{0, 0, 500, 400}));
  f.window->ShowScrollBar(SB_VERT, TRUE);
  EXPECT_EQ(f.window->GetClientRect(), (RECT{0, 0, 483, 400}));
  f.window->ShowScrollBar(SB_HORZ, TRUE);
  EXPECT_EQ(f.window->GetClientRect(), (RECT{0, 0, 483, 383}));
  EXPECT_EQ(f.window->Framebuffer().size(), 483u * 383u);
  f.window->SetScrollBarThickness(0);
  EXPECT_EQ(f.window->GetClientRect(), (RECT{0, 0, 500, 400}));
  f.window->SetScrollBarThickness(20);
  f.window->ShowScrollBar(SB_BOTH, FALSE);
  EXPECT_EQ(f.window->GetClientRect(), (RECT{0, 0, 500, 400}));
  EXPECT_EQ(f.window->GetOuterSize().cx, 500);
}

TEST(WindowClientArea, ShowingABarNotifiesKeepsPixelsAndRepaintsAll) {
  Fixture f(100, 80);
  auto dc = f.window->GetDC();
  dc->FillRect({0, 0, 100, 80}, RGB(255, 0, 0));
  dc.reset();
  f.window->ShowScrollBar(SB_VERT, TRUE);
  ASSERT_EQ(f.owner.sizes.size(), 1u);
  EXPECT_EQ(f.owner.sizes[0].cx, 83);
  EXPECT_EQ(f.owner.sizes[0].cy, 80);
  EXPECT_EQ(f.window->GetPixel(82, 79), RGB(255, 0, 0));
  EXPECT_EQ(f.window->Pump(), 1);
  EXPECT_EQ(f.owner.paints[0].invalid, (RECT{0, 0, 83, 80}));
  // Showing it again changes nothing: no notification, no paint.
  f.window->ShowScrollBar(SB_VERT, TRUE);
  EXPECT_EQ(f.owner.sizes.size(), 1u);
  EXPECT_EQ(f.window->Pump(), 0);
}

TEST(WindowPaint, NewWindowPaintsOnceThenNothing) {
  RecordingOwner owner;
  auto window = Window::Create(&owner, 40, 30);
  ASSERT_NE(window, nullptr);
  EXPECT_EQ(window->Pump(), 1);
  EXPECT_EQ(owner.paints[0].invalid, (RECT{0, 0, 40, 30}));
  EXPECT_EQ(window->Pump(), 0);
  EXPECT_FALSE(window->NeedsPaint());
}

TEST(WindowPaint, InvalidationsMergeIntoOnePaintOfTheirUnion) {
  Fixture f(200, 100);
  RECT first{10, 10, 20, 20};
  f.window->InvalidateRect(&first, FALSE);
  RECT second{50, 5, 60, 15};
  f.window->InvalidateRect(&second, TRUE);
  EXPECT_TRUE(f.window->NeedsPaint());
  EXPECT_EQ(f.window->Pump(), 1);
  ASSERT_EQ(f.owner.paints.size(), 1u);
  EXPECT_EQ(f.owner.paints[0].invalid, (RECT{10, 5, 60, 20}));
  EXPECT_EQ(f.owner.paints[0].clip, (RECT{10, 5, 60, 20}));
  EXPECT_TRUE(f.owner.paints[0].erase);
}

TEST(WindowPaint, InvalidationOutsideTheClientAreaPaintsNothing) {
  Fixture f(100, 100);
  RECT outside{150, 150, 200, 200};
  f.window->InvalidateRect(&outside, TRUE);
  RECT empty{30, 30, 30, 60};
  f.window->InvalidateRect(&empty, TRUE);
  EXPECT_EQ(f.window->Pump(), 0);
  RECT partly{90, -10, 120, 10};
  f.window->InvalidateRect(&partly, FALSE);
  EXPECT_EQ(f.window->Pump(), 1);
  EXPECT_EQ(f.owner.paints[0].invalid, (RECT{90, 0, 100, 10}));
  EXPECT_FALSE(f.owner.paints[0].erase);
}

TEST(WindowPaint, InvalidatingWhilePaintingGivesAnotherPaint) {
  Fixture f(50, 50);
  int remaining = 1;
  Window* window = f.window.get();
  f.owner.onPaint = [&](DeviceContext&) {
    if (remaining-- > 0) window->InvalidateRect(nullptr, FALSE);
  };
  f.window->InvalidateRect(nullptr, FALSE);
  EXPECT_EQ(f.window->Pump(), 2);
  // A handler that always invalidates cannot hang the pump.
  f.owner.onPaint = [&](DeviceContext&) { window->InvalidateRect(nullptr, FALSE); };
  f.window->InvalidateRect(nullptr, FALSE);
  EXPECT_EQ(f.window->Pump(), 16);
  EXPECT_TRUE(f.window->NeedsPaint());
}

// Every pixel tells where it was painted, so a move can be read back exactly.
uint32_t PositionPixel(int32_t x, int32_t y) {
  return 0xFF000000u | static_cast<uint32_t>(y) << 12 | static_cast<uint32_t>(x);
}

TEST(WindowPaint, ScrollClientMovesPixelsAndRepaintsOnlyTheUncoveredStrips) {
  const struct {
    int32_t dx, dy;
    RECT strip;
  } cases[] = {{7, 0, {0, 0, 7, 50}},
               {-5, 0, {55, 0, 60, 50}},
               {0, 3, {0, 0, 60, 3}},
               {0, -4, {0, 46, 60, 50}},
               {2, -1, {0, 0, 60, 50}}};
  for (const auto& c : cases) {
    Fixture f(60, 50);
    uint32_t* pixels = f.window->GetDC()->Surface().pixels;
    for (int32_t y = 0; y < 50; ++y)
      for (int32_t x = 0; x < 60; ++x) pixels[static_cast<size_t>(y) * 60 + x] = PositionPixel(x, y);
    f.window->ScrollClient(c.dx, c.dy);
    for (int32_t y = 0; y < 50; ++y) {
      for (int32_t x = 0; x < 60; ++x) {
        const int32_t sx = x - c.dx, sy = y - c.dy;
        if (sx < 0 || sy < 0 || sx >= 60 || sy >= 50) continue;
        ASSERT_EQ(pixels[static_cast<size_t>(y) * 60 + x], PositionPixel(sx, sy))
            << "(" << x << ", " << y << ") after " << c.dx << ", " << c.dy;
      }
    }
    EXPECT_EQ(f.window->Pump(), 1);
    ASSERT_EQ(f.owner.paints.size(), 1u);
    EXPECT_EQ(f.owner.paints[0].invalid, c.strip) << c.dx << ", " << c.dy;
  }
}

TEST(WindowPaint, ScrollClientKeepsPendingPaintsAndRepaintsAllForLongMoves) {
  Fixture f(60, 50);
  const RECT pending{10, 10, 20, 20};
  f.window->InvalidateRect(&pending, FALSE);
  f.window->ScrollClient(0, 5);
  EXPECT_EQ(f.window->Pump(), 1);
  EXPECT_EQ(f.owner.paints[0].invalid, (RECT{0, 0, 60, 25})) << "the strip, the old box and where its pixels went";
  f.window->ScrollClient(60, 0);
  EXPECT_EQ(f.window->Pump(), 1);
  EXPECT_EQ(f.owner.paints[1].invalid, (RECT{0, 0, 60, 50}));
  f.window->ScrollClient(0, 0);
  EXPECT_EQ(f.window->Pump(), 0);
}

TEST(WindowDeviceContext, PaintAndGetDCDrawIntoTheSameFramebuffer) {
  Fixture f(60, 40);
  f.owner.onPaint = [](DeviceContext& dc) {
    // The paint's context is clipped to the update box.
    EXPECT_EQ(dc.FillRect({0, 0, 60, 40}, RGB(0x12, 0x34, 0x56)), TRUE);
  };
  RECT box{10, 10, 20, 20};
  f.window->InvalidateRect(&box, TRUE);
  f.window->Pump();
  EXPECT_TRUE(PixelsAre(test::ClientPixels(*f.window), gfx::Rect{10, 10, 10, 10}, RGB(0x12, 0x34, 0x56)));
  EXPECT_TRUE(PixelsAreOutside(test::ClientPixels(*f.window), gfx::Rect{0, 0, 60, 40}, gfx::Rect{10, 10, 10, 10},
                               RGB(255, 255, 255)));
  EXPECT_EQ(f.window->Framebuffer()[10 * 60 + 10], 0xFF123456u);

  auto dc = f.window->GetDC();
  EXPECT_EQ(dc->ClipBox(), (RECT{0, 0, 60, 40}));
  dc->FillRect({55, 35, 70, 50}, RGB(0, 0xFF, 0));
  EXPECT_EQ(dc->GetPixel(59, 39), RGB(0, 0xFF, 0));
  EXPECT_TRUE(PixelsAre(test::ClientPixels(*f.window), gfx::Rect{55, 35, 5, 5}, RGB(0, 0xFF, 0)));
  EXPECT_EQ(f.window->GetPixel(54, 39), RGB(255, 255, 255));
}

TEST(WindowDeviceContext, PixelsOutsideTheClientAreaAreInvalid) {
  Fixture f(30, 20);
  auto dc = f.window->GetDC();
  EXPECT_EQ(dc->GetPixel(30, 0), CLR_INVALID);
  EXPECT_EQ(dc->GetPixel(0, 20), CLR_INVALID);
  EXPECT_EQ(dc->GetPixel(-1, 5), CLR_INVALID);
  EXPECT_EQ(f.window->GetPixel(29, 20), CLR_INVALID);
  EXPECT_NE(f.window->GetPixel(29, 19), CLR_INVALID);
}

TEST(WindowDeviceContext, RefusesColourReferences) {
  Fixture f(10, 10);
  auto dc = f.window->GetDC();
  EXPECT_EQ(dc->FillRect({0, 0, 10, 10}, 0x8000000F), FALSE);
  EXPECT_EQ(f.window->GetPixel(5, 5), RGB(255, 255, 255));
}

TEST(WindowDeviceContext, PainterDrawsThroughTheSurfaceWithinTheClip) {
  Fixture f(40, 40);
  f.owner.onPaint = [](DeviceContext& dc) {
    auto graphics = gfx::Graphics::FromSurface(dc.Surface());
    ASSERT_TRUE(graphics.Ok());
    EXPECT_EQ(graphics.Value()->FillRectangle(gfx::Brush::Solid(0xFF0000FF), gfx::Rect{0, 0, 40, 40}), gfx::Status::Ok);
  };
  RECT box{5, 5, 15, 25};
  f.window->InvalidateRect(&box, FALSE);
  f.window->Pump();
  EXPECT_TRUE(PixelsAre(test::ClientPixels(*f.window), gfx::Rect{5, 5, 10, 20}, RGB(0, 0, 255)));
  EXPECT_TRUE(PixelsAreOutside(test::ClientPixels(*f.window), gfx::Rect{0, 0, 40, 40}, gfx::Rect{5, 5, 10, 20},
                               RGB(255, 255, 255)));
}

TEST(WindowLifecycle, DestroyAndRecreateNotifyTheOwner) {
  Fixture f(50, 40);
  f.window->ShowScrollBar(SB_HORZ, TRUE);
  f.window->SetScrollRange(SB_HORZ, 0, 100, TRUE);
  f.window->Pump();
  f.window->InvalidateRect(nullptr, TRUE);
  f.window->DestroyWindow();
  EXPECT_EQ(f.owner.destroys, 1);
  EXPECT_FALSE(f.window->Exists());
  EXPECT_TRUE(f.window->Framebuffer().empty());
  EXPECT_EQ(f.window->GetPixel(0, 0), CLR_INVALID);
  EXPECT_EQ(f.window->Pump(), 0);  // the pending paint went with the window
  EXPECT_EQ(f.window->SetScrollPos(SB_HORZ, 5, TRUE), 0);
  auto dc = f.window->GetDC();
  ASSERT_NE(dc, nullptr);
  EXPECT_TRUE(dc->ClipBox().IsEmpty());
  EXPECT_EQ(dc->Surface().pixels, nullptr);
  dc.reset();
  f.window->DestroyWindow();
  EXPECT_EQ(f.owner.destroys, 1);

  f.window->Recreate();
  EXPECT_EQ(f.owner.creates, 1);
  EXPECT_TRUE(f.window->Exists());
  EXPECT_EQ(f.window->GetClientRect(), (RECT{0, 0, 50, 40}));  // bars of the new window are hidden
  EXPECT_EQ(f.window->GetScrollBarState(SB_HORZ).max, 0);
  EXPECT_EQ(f.window->GetPixel(0, 0), RGB(255, 255, 255));
  EXPECT_EQ(f.window->Pump(), 1);
  EXPECT_EQ(f.owner.paints.back().invalid, (RECT{0, 0, 50, 40}));
}

TEST(WindowLifecycle, ResizeNotifiesAndRepaintsAll) {
  Fixture f(50, 40);
  f.window->Resize(70, 30);
  ASSERT_EQ(f.owner.sizes.size(), 1u);
  EXPECT_EQ(f.owner.sizes[0].cx, 70);
  EXPECT_EQ(f.window->GetClientRect(), (RECT{0, 0, 70, 30}));
  EXPECT_EQ(f.window->Pump(), 1);
  EXPECT_EQ(f.owner.paints[0].invalid, (RECT{0, 0, 70, 30}));
  f.window->Resize(-1, 10);
  f.window->Resize(100000, 10);
  EXPECT_EQ(f.window->GetOuterSize().cx, 70);
}

TEST(WindowLifecycle, AbsurdSizesAreRefused) {
  RecordingOwner owner;
  EXPECT_EQ(Window::Create(&owner, -5, 10), nullptr);
  EXPECT_EQ(Window::Create(&owner, 32768, 1), nullptr);
  EXPECT_EQ(Window::Create(&owner, 30000, 30000), nullptr);
  auto empty = Window::Create(&owner, 0, 0);
  ASSERT_NE(empty, nullptr);
  EXPECT_EQ(empty->Pump(), 0);
  EXPECT_FALSE(empty->SaveClientPng("/nonexistent/never.png"));
}

TEST(WindowInput, MessagesReachTheOwner) {
  Fixture f(50, 50);
  f.window->InjectHScroll(SB_THUMBTRACK, 42);
  f.window->InjectVScroll(SB_PAGEDOWN, 0);
  ASSERT_EQ(f.owner.hscrolls.size(), 1u);
  EXPECT_EQ(f.owner.hscrolls[0], (std::pair<uint32_t, uint32_t>{SB_THUMBTRACK, 42}));
  EXPECT_EQ(f.window->GetScrollBarState(SB_HORZ).trackPos, 42);
  EXPECT_EQ(f.owner.vscrolls[0].first, static_cast<uint32_t>(SB_PAGEDOWN));
  f.owner.wheelResult = TRUE;
  EXPECT_EQ(f.window->InjectMouseWheel(MK_CONTROL, -WHEEL_DELTA, {3, 4}), TRUE);
  EXPECT_EQ(f.owner.wheelFlags, static_cast<uint32_t>(MK_CONTROL));
  EXPECT_EQ(f.owner.wheelDelta, -120);
  f.window->InjectMouseMove(0, {7, 8});
  ASSERT_EQ(f.owner.moves.size(), 1u);
  EXPECT_EQ(f.owner.moves[0].y, 8);
  f.window->DestroyWindow();
  EXPECT_EQ(f.window->InjectMouseWheel(0, 120, {0, 0}), FALSE);
  f.window->InjectMouseMove(0, {1, 1});
  EXPECT_EQ(f.owner.moves.size(), 1u);
}

TEST(WindowExport, SavedPngHoldsTheClientPixels) {
  Fixture f(23, 17);
  auto dc = f.window->GetDC();
  dc->FillRect({0, 0, 23, 17}, RGB(10, 20, 30));
  dc->FillRect({20, 15, 23, 17}, RGB(200, 100, 0));
  auto path = std::filesystem::temp_directory_path() / ("tavlen_window_" + std::to_string(::getpid()) + ".png");
  ASSERT_TRUE(f.window->SaveClientPng(path.string()));
  auto loaded = gfx::Bitmap::FromFile(path.string());
  std::filesystem::remove(path);
  ASSERT_TRUE(loaded.Ok());
  gfx::Bitmap& bitmap = *loaded.Value();
  ASSERT_EQ(bitmap.Width(), 23u);
  ASSERT_EQ(bitmap.Height(), 17u);
  gfx::BitmapData data;
  ASSERT_EQ(bitmap.LockBits(nullptr, gfx::kImageLockModeRead, gfx::PixelFormat::ARGB32bpp, data), gfx::Status::Ok);
  auto pixel = [&](int x, int y) {
    return reinterpret_cast<const uint32_t*>(static_cast<uint8_t*>(data.scan0) + y * data.stride)[x];
  };
  EXPECT_EQ(pixel(0, 0), 0xFF0A141Eu);
  EXPECT_EQ(pixel(22, 16), 0xFFC86400u);
  EXPECT_EQ(pixel(19, 16), 0xFF0A141Eu);
  EXPECT_EQ(bitmap.UnlockBits(data), gfx::Status::Ok);
  EXPECT_FALSE(f.window->SaveClientPng("/nonexistent-dir/x.png"));
}

}  // namespace
}  // namespace tavlen::win
