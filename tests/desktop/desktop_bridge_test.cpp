// The control module's half of the boundary to the Qt companion, without Qt: the clipboard protocol in
// front of a recording desktop clipboard, and the companion that cannot be loaded.
#include "platform/desktop/desktop_bridge.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "platform/desktop/desktop_clipboard_service.h"
#include "platform/desktop/desktop_services.h"
#include "platform/window/backend.h"
#include "tests/graphics/test_support.h"

namespace tavlen::desktop {
namespace {

// Keeps what was published, as the desktop would, and counts the hand-overs.
class RecordingClipboard final : public DesktopClipboard {
 public:
  bool Available() const override { return available; }
  bool Publish(ClipboardContent content) override {
    if (!available) return false;
    ++publishes;
    held = std::move(content);
    return true;
  }
  bool HasText() const override { return held.text.has_value(); }
  bool HasImage() const override { return held.image.has_value(); }
  std::optional<Rgb32Image> Image() const override { return held.image; }

  bool available = true;
  int publishes = 0;
  ClipboardContent held;
};

class DesktopClipboardTest : public ::testing::Test {
 protected:
  RecordingClipboard m_desktop;
  DesktopClipboardService m_service{m_desktop};
};

TEST_F(DesktopClipboardTest, ChangesReachTheDesktopWholeOnClose) {
  ASSERT_TRUE(m_service.Open(nullptr));
  EXPECT_FALSE(m_service.Open(nullptr));  // one owner at a time
  ASSERT_TRUE(m_service.Empty());
  win::ClipboardData text = std::string("caption");
  ASSERT_TRUE(m_service.SetData(win::CF_UNICODETEXT, text));
  EXPECT_EQ(std::get<std::string>(text), "");  // taken
  gfx::Bitmap::Ptr picture = gfx::test::MakePatternBitmap(5, 3, gfx::PixelFormat::RGB24bpp);
  const uint32_t corner = gfx::test::PixelAt(*picture, 4, 2);
  win::ClipboardData bitmap = std::move(picture);
  ASSERT_TRUE(m_service.SetData(win::CF_BITMAP, bitmap));
  EXPECT_FALSE(std::get<gfx::Bitmap::Ptr>(bitmap));
  EXPECT_EQ(m_desktop.publishes, 0);  // nothing is seen while the clipboard is open
  ASSERT_TRUE(m_service.Close());

  EXPECT_EQ(m_desktop.publishes, 1);
  EXPECT_EQ(m_desktop.held.text, "caption");
  ASSERT_TRUE(m_desktop.held.image);
  EXPECT_EQ(m_desktop.held.image->width, 5);
  EXPECT_EQ(m_desktop.held.image->height, 3);
  EXPECT_EQ(m_desktop.held.image->pixels.at(2 * 5 + 4), corner);
  // Other programs ask for the encoded forms by name: both must be real files.
  ASSERT_GE(m_desktop.held.png.size(), 8u);
  EXPECT_EQ(m_desktop.held.png[1], 'P');
  ASSERT_GE(m_desktop.held.bmp.size(), 2u);
  EXPECT_EQ(m_desktop.held.bmp[0], 'B');
  EXPECT_EQ(m_service.Formats(), (std::vector<uint32_t>{win::CF_TEXT, win::CF_BITMAP}));

  gfx::Bitmap::Ptr copy = m_service.CopyBitmap();
  ASSERT_TRUE(copy);
  EXPECT_EQ(gfx::test::PixelAt(*copy, 4, 2), corner);
}

TEST_F(DesktopClipboardTest, RefusalsLeaveTheDataWithTheCallerAndTheDesktopUntouched) {
  win::ClipboardData text = std::string("kept");
  EXPECT_FALSE(m_service.SetData(win::CF_TEXT, text));  // not open
  EXPECT_FALSE(m_service.Empty());
  EXPECT_FALSE(m_service.Close());
  ASSERT_TRUE(m_service.Open(nullptr));
  EXPECT_FALSE(m_service.SetData(win::CF_BITMAP, text));  // the number does not match the data
  win::ClipboardData none = gfx::Bitmap::Ptr();
  EXPECT_FALSE(m_service.SetData(win::CF_BITMAP, none));
  EXPECT_EQ(std::get<std::string>(text), "kept");
  // Closing without a change hands nothing over.
  ASSERT_TRUE(m_service.Close());
  EXPECT_EQ(m_desktop.publishes, 0);

  win::SetHeadlessClipboardBusy(true);
  EXPECT_FALSE(m_service.Open(nullptr));
  win::SetHeadlessClipboardBusy(false);
  m_desktop.available = false;
  EXPECT_FALSE(m_service.Open(nullptr));
}

TEST_F(DesktopClipboardTest, EmptyingAloneClearsTheDesktop) {
  m_desktop.held.text = "someone else's";
  ASSERT_TRUE(m_service.Open(nullptr));
  ASSERT_TRUE(m_service.Empty());
  ASSERT_TRUE(m_service.Close());
  EXPECT_EQ(m_desktop.publishes, 1);
  EXPECT_FALSE(m_desktop.held.text || m_desktop.held.image);
  EXPECT_TRUE(m_service.Formats().empty());
  EXPECT_FALSE(m_service.CopyBitmap());
}

TEST(DesktopPictures, InconsistentPicturesMakeNoBitmap) {
  EXPECT_FALSE(BitmapFromRgb32(Rgb32Image{}));
  EXPECT_FALSE(BitmapFromRgb32(Rgb32Image{3, 2, std::vector<uint32_t>(5)}));
  EXPECT_FALSE(BitmapFromRgb32(Rgb32Image{-3, -2, std::vector<uint32_t>(6)}));
  // Words without alpha come back opaque, as the display format holds them.
  gfx::Bitmap::Ptr bitmap = BitmapFromRgb32(Rgb32Image{2, 1, {0x00112233u, 0xFF445566u}});
  ASSERT_TRUE(bitmap);
  EXPECT_EQ(gfx::test::PixelAt(*bitmap, 0, 0), 0xFF112233u);
  EXPECT_EQ(gfx::test::PixelAt(*bitmap, 1, 0), 0xFF445566u);
}

// No companion beside this program: the Qt backend's request fails with the reason, and nothing of
// the headless path changes.
TEST(DesktopCompanion, MissingCompanionIsReportedAndLeavesTheServicesHeadless) {
  const std::string path = DesktopModulePath();
  ASSERT_FALSE(path.empty());
  ASSERT_FALSE(std::filesystem::exists(path)) << path;
  EXPECT_FALSE(InstallDesktopServicesWhenWanted(nullptr));  // headless: not even tried
  std::string why;
  EXPECT_EQ(DesktopModuleOnDemand(&why), nullptr);
  EXPECT_NE(why.find("cannot load the Qt backend"), std::string::npos) << why;
  EXPECT_NE(why.find(path), std::string::npos) << why;
  win::SelectQtBackend();
  EXPECT_FALSE(InstallDesktopServicesWhenWanted(nullptr));
  ::unsetenv(win::kBackendVariable);
  // A refusing entry attaches nothing.
  EXPECT_FALSE(AttachDesktopModule([](DesktopHost*, uint32_t) -> DesktopModule* { return nullptr; }));
  EXPECT_EQ(DesktopModuleOnDemand(nullptr), nullptr);
  // The headless store serves the clipboard still.
  win::ClipboardSession session(nullptr);
  EXPECT_TRUE(session.IsOpen());
}

}  // namespace
}  // namespace tavlen::desktop
