// The clipboard copy and the headless clipboard's open/empty/set/close protocol.
#include "output/clipboard_copy.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/window/clipboard.h"
#include "tests/graphics/test_support.h"

namespace tavlen::output {
namespace {

using gfx::test::PixelAt;

// Straight-alpha 0xAARRGGBB pixels written into a 32bppARGB picture.
gfx::Bitmap::Ptr MakeArgb(uint32_t width, uint32_t height, uint32_t (*colour)(uint32_t x, uint32_t y)) {
  auto bitmap = gfx::Bitmap::Create(width, height, gfx::PixelFormat::ARGB32bpp);
  EXPECT_TRUE(bitmap.Ok());
  gfx::PixelBuffer& pixels = bitmap.Value()->Pixels();
  for (uint32_t y = 0; y < height; ++y) {
    uint8_t* row = pixels.Row(y);
    for (uint32_t x = 0; x < width; ++x) {
      const uint32_t c = colour(x, y);
      row[4 * x + 0] = static_cast<uint8_t>(c);
      row[4 * x + 1] = static_cast<uint8_t>(c >> 8);
      row[4 * x + 2] = static_cast<uint8_t>(c >> 16);
      row[4 * x + 3] = static_cast<uint8_t>(c >> 24);
    }
  }
  return std::move(bitmap).Value();
}

// Columns: opaque red, fully transparent blue, half-transparent black, quarter-opaque green.
uint32_t Translucent(uint32_t x, uint32_t /*y*/) {
  static constexpr uint32_t kColumns[] = {0xFFFF0000, 0x000000FF, 0x80000000, 0x4000FF00};
  return kColumns[x % 4];
}

void PutText(const std::string& text) {
  win::ClipboardSession session(nullptr);
  ASSERT_TRUE(session.IsOpen());
  ASSERT_TRUE(win::Clipboard().Empty());
  win::ClipboardData data = text;
  ASSERT_TRUE(win::Clipboard().SetData(win::CF_TEXT, data));
}

class ClipboardCopy : public ::testing::Test {
 protected:
  void SetUp() override {
    win::SetHeadlessClipboardBusy(false);
    PutText("before");
  }
  void TearDown() override { win::SetHeadlessClipboardBusy(false); }
};

TEST_F(ClipboardCopy, FlattensTranslucencyOntoWhiteAtFullSize) {
  auto picture = MakeArgb(8, 3, Translucent);
  ASSERT_TRUE(CopyPictureToClipboard(*picture, nullptr));
  auto copy = win::Clipboard().CopyBitmap();
  ASSERT_NE(copy, nullptr);
  EXPECT_EQ(copy->Width(), 8u);
  EXPECT_EQ(copy->Height(), 3u);
  EXPECT_EQ(copy->Format(), win::kDisplayPixelFormat);
  for (uint32_t y = 0; y < 3; ++y) {
    EXPECT_EQ(PixelAt(*copy, 0, y), 0xFFFF0000u);
    EXPECT_EQ(PixelAt(*copy, 1, y), 0xFFFFFFFFu) << "transparent becomes white";
    // Half-transparent black over white is mid grey; a quarter of green over white keeps green full.
    const uint32_t grey = PixelAt(*copy, 2, y);
    EXPECT_NEAR(static_cast<int>(grey & 0xFF), 127, 1);
    EXPECT_EQ(grey & 0xFF, (grey >> 8) & 0xFF);
    const uint32_t green = PixelAt(*copy, 3, y);
    EXPECT_EQ((green >> 8) & 0xFF, 0xFFu);
    EXPECT_NEAR(static_cast<int>(green & 0xFF), 191, 1);
  }
}

TEST_F(ClipboardCopy, OffersOnlyTheBitmapAndDiscardsWhatWasThere) {
  auto picture = MakeArgb(2, 2, Translucent);
  ASSERT_TRUE(CopyPictureToClipboard(*picture, nullptr));
  EXPECT_EQ(win::Clipboard().Formats(), std::vector<uint32_t>{win::CF_BITMAP});
}

TEST_F(ClipboardCopy, BusyClipboardKeepsItsContent) {
  auto picture = MakeArgb(2, 2, Translucent);
  win::SetHeadlessClipboardBusy(true);
  EXPECT_FALSE(CopyPictureToClipboard(*picture, nullptr));
  win::SetHeadlessClipboardBusy(false);
  EXPECT_EQ(win::Clipboard().Formats(), std::vector<uint32_t>{win::CF_TEXT});
  EXPECT_EQ(win::Clipboard().CopyBitmap(), nullptr);
}

TEST_F(ClipboardCopy, IndexedPicturesArriveInTheirColours) {
  auto picture = gfx::test::MakePatternBitmap(5, 4, gfx::PixelFormat::Indexed8bpp);
  ASSERT_TRUE(CopyPictureToClipboard(*picture, nullptr));
  auto copy = win::Clipboard().CopyBitmap();
  ASSERT_NE(copy, nullptr);
  for (uint32_t y = 0; y < 4; ++y) {
    for (uint32_t x = 0; x < 5; ++x) EXPECT_EQ(PixelAt(*copy, x, y), PixelAt(*picture, x, y) | 0xFF000000u);
  }
}

TEST(HeadlessClipboard, FollowsTheOpenProtocol) {
  win::ClipboardService& clipboard = win::Clipboard();
  win::ClipboardData text = std::string("x");
  EXPECT_FALSE(clipboard.Empty()) << "not open";
  EXPECT_FALSE(clipboard.SetData(win::CF_TEXT, text)) << "not open";
  EXPECT_FALSE(clipboard.Close()) << "not open";
  {
    win::ClipboardSession first(nullptr);
    ASSERT_TRUE(first.IsOpen());
    win::ClipboardSession second(nullptr);
    EXPECT_FALSE(second.IsOpen()) << "one opener at a time";
    // Data of the wrong kind for its format is refused and stays with the caller.
    EXPECT_FALSE(clipboard.SetData(win::CF_BITMAP, text));
    EXPECT_EQ(std::get<std::string>(text), "x");
    win::ClipboardData empty = gfx::Bitmap::Ptr();
    EXPECT_FALSE(clipboard.SetData(win::CF_BITMAP, empty));
  }
  win::ClipboardSession again(nullptr);
  EXPECT_TRUE(again.IsOpen()) << "the guard closed it";
}

}  // namespace
}  // namespace tavlen::output
