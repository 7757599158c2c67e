// The picture's rendered tiles: every paint through them equals the painter's own draw, edits are
// never shown stale, tiles are reused while the picture only moves, and their memory stays bounded.
#include "view/tile_cache.h"

#include <cstring>
#include <memory>
#include <vector>

#include "tests/control/control_fixture.h"

namespace tavlen {
namespace {

constexpr int32_t kClientW = 320;
constexpr int32_t kClientH = 240;

// A headless window that paints a hatched background and then a picture, either through a tile
// cache or straight through the painter.
class PictureWindow : public win::WindowOwner {
 public:
  enum class Path { Tiles, Direct };
  explicit PictureWindow(Path path) : m_path(path), m_window(win::Window::Create(this, kClientW, kClientH)) {
    m_window->SetScrollBarThickness(0);
  }

  gfx::Status Show(const gfx::Bitmap& image, const gfx::Rect& dest) {
    m_image = &image;
    m_dest = dest;
    m_window->InvalidateRect(nullptr, win::TRUE);
    m_window->Pump();
    return m_status;
  }
  const std::vector<uint32_t>& Frame() const { return m_window->Framebuffer(); }

  void OnPaint(win::DeviceContext& dc, const win::RECT& /*invalid*/, bool /*erase*/) override {
    auto graphics = gfx::Graphics::FromSurface(dc.Surface());
    ASSERT_TRUE(graphics.Ok());
    gfx::Graphics& g = *graphics.Value();
    // A background of two colours, so that translucent pixels show what they were composited onto.
    auto hatch = gfx::Brush::Hatch(9, 0xFF203040, 0xFFE0C0A0);
    ASSERT_TRUE(hatch.Ok());
    ASSERT_EQ(g.FillRectangle(hatch.Value(), gfx::Rect{0, 0, kClientW, kClientH}), gfx::Status::Ok);
    if (m_path == Path::Tiles) {
      m_status = cache.Draw(g, *m_image, m_dest, gfx::Rect{0, 0, kClientW, kClientH});
    } else {
      ASSERT_EQ(g.SetInterpolationMode(gfx::InterpolationMode::HighQualityBicubic), gfx::Status::Ok);
      m_status = g.DrawImage(*m_image, m_dest);
    }
  }

  TileCache cache;

 private:
  Path m_path;
  std::unique_ptr<win::Window> m_window;
  const gfx::Bitmap* m_image = nullptr;
  gfx::Rect m_dest{};
  gfx::Status m_status = gfx::Status::Ok;
};

// The same picture shown through tiles and straight through the painter, side by side.
struct TwoWindows {
  PictureWindow tiles{PictureWindow::Path::Tiles};
  PictureWindow direct{PictureWindow::Path::Direct};

  ::testing::AssertionResult ShowBoth(const gfx::Bitmap& image, const gfx::Rect& dest) {
    const gfx::Status a = tiles.Show(image, dest);
    const gfx::Status b = direct.Show(image, dest);
    if (a != b) return ::testing::AssertionFailure() << "statuses differ: " << int(a) << " and " << int(b);
    return SameFrames(tiles.Frame(), direct.Frame(), kClientW);
  }
};

TEST(TileCachePixels, EqualTheDirectDrawAtEveryZoomAndPlacement) {
  const struct {
    const char* name;
    gfx::Rect dest;
  } placements[] = {
      {"100 % at the corner", {0, 0, 700, 500}},
      {"100 % at negative offsets", {-37, -45, 700, 500}},
      {"100 % partly off the right and bottom", {150, 100, 700, 500}},
      {"fit", {0, 6, 320, 228}},
      {"fractional enlargement", {-5, -3, 733, 527}},
      {"400 %", {-1111, -777, 2800, 2000}},
  };
  for (gfx::PixelFormat format : {gfx::PixelFormat::RGB24bpp, gfx::PixelFormat::ARGB32bpp}) {
    auto picture = gfx::test::MakePatternBitmap(700, 500, format, 7);
    for (const auto& placement : placements) {
      SCOPED_TRACE(std::string(placement.name) + (format == gfx::PixelFormat::ARGB32bpp ? ", with alpha" : ""));
      TwoWindows windows;
      gfx::Rect dest = placement.dest;
      EXPECT_TRUE(windows.ShowBoth(*picture, dest));
      // Scroll steps of one and a few pixels reuse tiles at new places; a long one brings new tiles.
      for (const auto& step : {std::pair{1, 0}, std::pair{0, -3}, std::pair{-260, 0}, std::pair{259, 257}}) {
        dest.x += step.first;
        dest.y += step.second;
        EXPECT_TRUE(windows.ShowBoth(*picture, dest)) << "after a step to " << dest.x << ", " << dest.y;
      }
    }
  }
}

TEST(TileCachePixels, NegativeSizeIsRefusedAndDrawsNothing) {
  auto picture = gfx::test::MakePatternBitmap(40, 30, gfx::PixelFormat::RGB24bpp);
  TwoWindows windows;
  EXPECT_TRUE(windows.ShowBoth(*picture, gfx::Rect{10, 10, -40, 30}));
  EXPECT_EQ(windows.tiles.Show(*picture, gfx::Rect{10, 10, 40, -30}), gfx::Status::InvalidParameter);
  EXPECT_EQ(windows.tiles.cache.TileCount(), 0u);
}

TEST(TileCacheReuse, MovesRenderOnlyTilesNotSeenBefore) {
  auto picture = gfx::test::MakePatternBitmap(300, 200, gfx::PixelFormat::RGB24bpp);
  PictureWindow window(PictureWindow::Path::Tiles);
  const gfx::Rect dest{-400, -300, 1200, 800};
  ASSERT_EQ(window.Show(*picture, dest), gfx::Status::Ok);
  const uint64_t first = window.cache.Renders();
  EXPECT_EQ(first, 4u);  // displayed columns 400-719 and rows 300-539: two by two tiles

  for (int32_t dx : {1, -1, 7, -10}) {
    ASSERT_EQ(window.Show(*picture, gfx::Rect{dest.x + dx, dest.y, dest.width, dest.height}), gfx::Status::Ok);
  }
  EXPECT_EQ(window.cache.Renders(), first);
  ASSERT_EQ(window.Show(*picture, gfx::Rect{dest.x - 200, dest.y, dest.width, dest.height}), gfx::Status::Ok);
  EXPECT_EQ(window.cache.Renders(), first + 2);  // one new column of two tiles
}

TEST(TileCacheReuse, ChangedPixelsAndSizesAreNeverShownStale) {
  auto picture = gfx::test::MakePatternBitmap(300, 200, gfx::PixelFormat::ARGB32bpp, 3);
  TwoWindows windows;
  const gfx::Rect dest{-20, -10, 450, 300};
  ASSERT_TRUE(windows.ShowBoth(*picture, dest));

  FillArea(*picture, gfx::Rect{100, 50, 60, 40}, 0x80FF0000);
  EXPECT_TRUE(windows.ShowBoth(*picture, dest)) << "after a write through the pixels";
  ASSERT_EQ(picture->RotateFlip(gfx::RotateFlipType::Rotate180FlipNone), gfx::Status::Ok);
  EXPECT_TRUE(windows.ShowBoth(*picture, dest)) << "after a half turn";
  EXPECT_TRUE(windows.ShowBoth(*picture, gfx::Rect{-20, -10, 451, 300})) << "after a zoom";

  // While a write lock is open the picture is drawn but kept nowhere, as its pixels still change.
  gfx::BitmapData data;
  const gfx::Rect area{0, 0, 300, 200};
  ASSERT_EQ(picture->LockBits(&area, gfx::kImageLockModeWrite, picture->Format(), data), gfx::Status::Ok);
  EXPECT_TRUE(windows.ShowBoth(*picture, dest)) << "during a lock";
  std::memset(data.scan0, 0x7F, size_t(data.stride) * 10);
  ASSERT_EQ(picture->UnlockBits(data), gfx::Status::Ok);
  EXPECT_TRUE(windows.ShowBoth(*picture, dest)) << "after the lock";

  auto other = gfx::test::MakePatternBitmap(300, 200, gfx::PixelFormat::ARGB32bpp, 4);
  EXPECT_TRUE(windows.ShowBoth(*other, dest)) << "another picture of the same size";
}

TEST(TileCacheMemory, KeepsAtMostTheBudgetAndClearFreesAll) {
  auto picture = gfx::test::MakePatternBitmap(120, 12, gfx::PixelFormat::RGB24bpp);
  PictureWindow window(PictureWindow::Path::Tiles);
  // 100 tiles wide; the small client area leaves the budget at its floor of 64 tiles.
  const gfx::Rect dest{0, 0, 100 * TileCache::kTileSide, TileCache::kTileSide};
  for (int32_t x = 0; x < dest.width; x += TileCache::kTileSide) {
    ASSERT_EQ(window.Show(*picture, gfx::Rect{-x, 0, dest.width, dest.height}), gfx::Status::Ok);
    EXPECT_LE(window.cache.Bytes(), TileCache::kMinBudgetBytes);
  }
  EXPECT_EQ(window.cache.Renders(), 100u);
  EXPECT_EQ(window.cache.TileCount(), 64u);
  EXPECT_EQ(window.cache.Bytes(), TileCache::kMinBudgetBytes);

  // The most recently drawn tiles are the ones kept: going back one step renders nothing.
  ASSERT_EQ(window.Show(*picture, gfx::Rect{-98 * TileCache::kTileSide, 0, dest.width, dest.height}), gfx::Status::Ok);
  EXPECT_EQ(window.cache.Renders(), 100u);
  ASSERT_EQ(window.Show(*picture, gfx::Rect{0, 0, dest.width, dest.height}), gfx::Status::Ok);
  EXPECT_EQ(window.cache.Renders(), 102u);

  window.cache.Clear();
  EXPECT_EQ(window.cache.TileCount(), 0u);
  EXPECT_EQ(window.cache.Bytes(), 0);
}

// The control: what a paint leaves in the picture's rectangle is the painter's direct draw of the
// working image as it is now.
class TileCacheControlTest : public ControlTest {
 protected:
  void InstallPattern(uint32_t side) {
    auto picture = ImageObject::Adopt(gfx::test::MakePatternBitmap(side, side, gfx::PixelFormat::RGB24bpp, 5));
    ctrl.InstallImage(*picture, side, side);
    Paint();
  }
  void Repaint() {
    Window()->InvalidateRect(nullptr, win::TRUE);
    Paint();
  }
  // The picture is opaque, so drawing it straight onto a copy of the client area must change nothing.
  ::testing::AssertionResult ShowsWorkingImage() {
    const gfx::Bitmap& picture = *probe.Image()->Handle();
    return ShowsDrawn(picture,
                      gfx::RectF{0, 0, static_cast<float>(picture.Width()), static_cast<float>(picture.Height())});
  }
};

TEST_F(TileCacheControlTest, EveryPaintShowsTheWorkingImageAsItIsNow) {
  InstallPattern(600);
  ctrl.MoveTo(-40, -30);
  Paint();
  EXPECT_TRUE(ShowsWorkingImage()) << "moved";
  ctrl.ShiftX(-3);
  Paint();
  EXPECT_TRUE(ShowsWorkingImage()) << "shifted";

  // A square picture turned keeps its address and size: only its content tells the tiles are old.
  ctrl.Rotate90();
  Repaint();
  EXPECT_TRUE(ShowsWorkingImage()) << "turned";
  FillArea(*probe.Image()->Handle(), gfx::Rect{50, 40, 100, 80}, 0xFF0000FF);
  Repaint();
  EXPECT_TRUE(ShowsWorkingImage()) << "written through the pixels";
  ctrl.Undo();
  Repaint();
  EXPECT_TRUE(ShowsWorkingImage()) << "undone";

  ctrl.m_zoomValue = 4.0;
  ctrl.Zoom();
  Paint();
  EXPECT_TRUE(ShowsWorkingImage()) << "zoomed to 400 %";
  ctrl.ZoomToFit();
  Paint();
  EXPECT_TRUE(ShowsWorkingImage()) << "fitted";
}

TEST_F(TileCacheControlTest, ALoadedFileReplacesWhatWasShown) {
  InstallPattern(300);
  ctrl.LoadImage(WritePatternPng(dir, "other.png", 300, 300, 9));
  Paint();
  EXPECT_TRUE(ShowsWorkingImage());
}

}  // namespace
}  // namespace tavlen
