// What a desktop backend hears from a window: its presenter made at creation, told of new pixels and
// of layout changes, and gone with the window; and which key presses are the thread's hot keys.
#include <gtest/gtest.h>

#include <thread>

#include "tests/window/recording_owner.h"

namespace tavlen::win {
namespace {

struct PresenterLog {
  int made = 0;
  int framebuffer = 0;
  int layout = 0;
  int gone = 0;
};
PresenterLog g_log;

class CountingPresenter final : public WindowPresenter {
 public:
  ~CountingPresenter() override { ++g_log.gone; }
  void FramebufferChanged() override { ++g_log.framebuffer; }
  void LayoutChanged() override { ++g_log.layout; }
  void* NativeWidget() const override { return &g_log; }
};

std::unique_ptr<WindowPresenter> MakeCountingPresenter(Window&) {
  ++g_log.made;
  return std::make_unique<CountingPresenter>();
}

class Presenters : public ::testing::Test {
 protected:
  void SetUp() override {
    g_log = {};
    SetWindowPresenterFactory(&MakeCountingPresenter);
  }
  void TearDown() override { SetWindowPresenterFactory(nullptr); }
  test::RecordingOwner m_owner;
};

TEST_F(Presenters, EachWindowGetsOneForItsLifetime) {
  auto window = Window::Create(&m_owner, 40, 30);
  ASSERT_TRUE(window);
  EXPECT_EQ(g_log.made, 1);
  EXPECT_EQ(window->NativeWidget(), &g_log);
  window.reset();
  EXPECT_EQ(g_log.gone, 1);

  SetWindowPresenterFactory(nullptr);
  auto headless = Window::Create(&m_owner, 40, 30);
  EXPECT_EQ(headless->NativeWidget(), nullptr);
  EXPECT_EQ(g_log.made, 1);
}

TEST_F(Presenters, HearOfNewPixelsAndOfEveryLayoutChange) {
  auto window = Window::Create(&m_owner, 40, 30);
  (void)window->Pump();
  g_log.framebuffer = 0;
  window->InvalidateRect(nullptr, FALSE);
  EXPECT_GE(g_log.framebuffer, 1);
  g_log.framebuffer = 0;
  EXPECT_EQ(window->Pump(), 1);
  EXPECT_GE(g_log.framebuffer, 1);  // the paint put new pixels in the framebuffer

  // A range that needs scrolling shows the bar; a new position alone moves the thumb.
  int before = g_log.layout;
  SCROLLINFO info;
  info.fMask = SIF_RANGE | SIF_PAGE;
  info.nMin = 0;
  info.nMax = 99;
  info.nPage = 10;
  (void)window->SetScrollInfo(SB_VERT, info, TRUE);
  EXPECT_GT(g_log.layout, before);
  before = g_log.layout;
  (void)window->SetScrollPos(SB_VERT, 20, TRUE);
  EXPECT_GT(g_log.layout, before);
  before = g_log.layout;
  window->SetScrollBarThickness(5);
  EXPECT_GT(g_log.layout, before);
  before = g_log.layout;
  window->Resize(40, 30);  // the same size still re-lays out, as the owner hears OnSize
  EXPECT_GT(g_log.layout, before);
  before = g_log.layout;
  window->DestroyWindow();
  EXPECT_GT(g_log.layout, before);
  before = g_log.layout;
  window->Recreate();
  EXPECT_GT(g_log.layout, before);
}

TEST(HotKeys, OnlyTheRegisteringThreadsCombinationIsAHotKey) {
  ASSERT_EQ(RegisterHotKey(nullptr, 0xC200, MOD_CONTROL | 0x4000, 'Q'), TRUE);  // MOD_NOREPEAT ignored
  EXPECT_TRUE(IsThreadHotKey(MOD_CONTROL, 'Q'));
  EXPECT_FALSE(IsThreadHotKey(0, 'Q'));
  EXPECT_FALSE(IsThreadHotKey(MOD_CONTROL | MOD_SHIFT, 'Q'));
  bool elsewhere = true;
  std::thread([&] { elsewhere = IsThreadHotKey(MOD_CONTROL, 'Q'); }).join();
  EXPECT_FALSE(elsewhere);
  EXPECT_EQ(UnregisterHotKey(nullptr, 0xC200), TRUE);
  EXPECT_FALSE(IsThreadHotKey(MOD_CONTROL, 'Q'));
}

}  // namespace
}  // namespace tavlen::win
