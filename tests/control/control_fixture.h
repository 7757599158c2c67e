// Shared set-up for the control tests: a control in a headless 500 x 400 window, generated picture
// files, property puts as a host makes them, and a read-only probe of the control's view state.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "control/tavlen_ctrl.h"
#include "control/tavlen_interfaces.h"
#include "platform/graphics/codec_registry.h"
#include "platform/graphics/drawing/graphics.h"
#include "tests/graphics/test_support.h"
#include "tests/window/window_pixels.h"

namespace tavlen {

class CTavlenCtrlProbe {
 public:
  explicit CTavlenCtrlProbe(CTavlenCtrl& ctrl) : m_ctrl(ctrl) {}
  int32_t ViewWidth() const { return m_ctrl.m_viewport.viewWidth; }
  int32_t ViewHeight() const { return m_ctrl.m_viewport.viewHeight; }
  int32_t ClientWidth() const { return m_ctrl.m_clientWidth; }
  int32_t ClientHeight() const { return m_ctrl.m_clientHeight; }
  bool HorzBarShown() const { return m_ctrl.m_horzBarShown != 0; }
  bool VertBarShown() const { return m_ctrl.m_vertBarShown != 0; }
  bool HasImage() const { return m_ctrl.m_image != nullptr; }
  ImageObject* Image() const { return m_ctrl.m_image.get(); }
  const ReducedCopy& Reduced() const { return m_ctrl.m_reduced; }
  const ImageObject* Snapshot(int slot) const { return m_ctrl.m_undo.Snapshot(slot); }
  PictureSize SnapshotSize(int slot) const { return m_ctrl.m_undo.SizeOf(slot); }
  uint32_t HotKeyAtom() const { return m_ctrl.m_hotKeyAtom; }

 private:
  CTavlenCtrl& m_ctrl;
};

// Sets a property as a host does, through the dispatch row and so with its change notification.
// `value` must be of the property's own type (int16_t for a short, uint32_t for a colour, bool).
inline void SetProperty(CTavlenCtrl& ctrl, const char* name, const ole::Variant& value) {
  const ole::DispatchMember* row = DispatchTableOf(ctrl.Version()).FindName(name);
  ASSERT_TRUE(row && row->put) << name << " is no settable property of this version";
  row->put(&ctrl, value);
}

// A picture of one colour, written as PNG into the folder; returns the path.
inline std::string WriteSolidPng(const gfx::test::TempDir& dir, const std::string& name, uint32_t width,
                                 uint32_t height, gfx::Argb color) {
  auto bitmap = gfx::Bitmap::Create(width, height, gfx::PixelFormat::RGB24bpp);
  EXPECT_TRUE(bitmap.Ok());
  auto graphics = gfx::Graphics::FromImage(*bitmap.Value());
  EXPECT_TRUE(graphics.Ok());
  EXPECT_EQ(graphics.Value()->Clear(color), gfx::Status::Ok);
  graphics.Value().reset();
  const std::string path = dir.File(name);
  EXPECT_EQ(bitmap.Value()->Save(path, gfx::kPngEncoderClsid), gfx::Status::Ok);
  return path;
}

// A pattern picture (every pixel distinct enough to tell orientation), written as PNG.
inline std::string WritePatternPng(const gfx::test::TempDir& dir, const std::string& name, uint32_t width,
                                   uint32_t height, uint32_t seed = 1) {
  auto bitmap = gfx::test::MakePatternBitmap(width, height, gfx::PixelFormat::RGB24bpp, seed);
  const std::string path = dir.File(name);
  EXPECT_EQ(bitmap->Save(path, gfx::kPngEncoderClsid), gfx::Status::Ok);
  return path;
}

// Writes `argb` into an area of the bitmap through a write lock, as a host holding its pixels does.
inline void FillArea(gfx::Bitmap& bitmap, const gfx::Rect& area, uint32_t argb) {
  gfx::BitmapData data;
  ASSERT_EQ(bitmap.LockBits(&area, gfx::kImageLockModeWrite, gfx::PixelFormat::ARGB32bpp, data), gfx::Status::Ok);
  for (uint32_t y = 0; y < data.height; ++y) {
    auto* row = reinterpret_cast<uint32_t*>(static_cast<uint8_t*>(data.scan0) + y * data.stride);
    for (uint32_t x = 0; x < data.width; ++x) row[x] = argb;
  }
  ASSERT_EQ(bitmap.UnlockBits(data), gfx::Status::Ok);
}

// The first pixel where two client areas of the same width differ, or success.
inline ::testing::AssertionResult SameFrames(const std::vector<uint32_t>& actual, const std::vector<uint32_t>& expected,
                                             int32_t width) {
  if (actual.size() != expected.size()) return ::testing::AssertionFailure() << "frame sizes differ";
  for (size_t i = 0; i < actual.size(); ++i) {
    if (actual[i] != expected[i]) {
      return ::testing::AssertionFailure() << "pixel (" << i % width << ", " << i / width << ") is " << std::hex
                                           << actual[i] << ", the painter draws " << expected[i];
    }
  }
  return ::testing::AssertionSuccess();
}

// A control with default properties in a 500 x 400 client area whose scroll bars take no room,
// after its first paint.
class ControlTest : public ::testing::Test {
 protected:
  explicit ControlTest(ControlVersion version = ControlVersion::One) : ctrl(version) {}

  static constexpr win::COLORREF kPicture = win::RGB(0, 200, 0);
  static constexpr gfx::Argb kPictureArgb = 0xFF00C800;

  void SetUp() override {
    ctrl.InitNew();
    ctrl.CreateControlWindow(500, 400);
    Window()->SetScrollBarThickness(0);
    Paint();
  }
  win::Window* Window() { return ctrl.GetWindow(); }
  int32_t Paint() { return Window()->Pump(); }
  win::COLORREF Pixel(int32_t x, int32_t y) { return Window()->GetPixel(x, y); }
  // The client area as the window shows it (0x00BBGGRR), for the pixel expectations.
  gfx::test::PixelReader Pixels() { return win::test::ClientPixels(*Window()); }
  // Loads a solid green picture and paints.
  void LoadSolid(uint32_t width, uint32_t height) {
    ctrl.LoadImage(WriteSolidPng(dir, "solid.png", width, height, kPictureArgb));
    Paint();
  }
  // Whether the client area shows `area` of the opaque `image` drawn by the painter's bicubic into the
  // displayed rectangle: drawing it there onto a copy of the client area must change nothing.
  ::testing::AssertionResult ShowsDrawn(const gfx::Bitmap& image, const gfx::RectF& area) {
    const std::vector<uint32_t>& shown = Window()->Framebuffer();
    std::vector<uint32_t> expected = shown;
    gfx::WindowSurface surface;
    surface.pixels = expected.data();
    surface.stride = size_t(probe.ClientWidth()) * 4;
    surface.width = static_cast<uint32_t>(probe.ClientWidth());
    surface.height = static_cast<uint32_t>(probe.ClientHeight());
    surface.clip = {0, 0, probe.ClientWidth(), probe.ClientHeight()};
    auto graphics = gfx::Graphics::FromSurface(surface);
    if (!graphics.Ok()) return ::testing::AssertionFailure() << "no painter";
    gfx::Ignore(graphics.Value()->SetInterpolationMode(gfx::InterpolationMode::HighQualityBicubic));
    const gfx::RectF dest{static_cast<float>(ctrl.GetImageXpos()), static_cast<float>(ctrl.GetImageYpos()),
                          static_cast<float>(probe.ViewWidth()), static_cast<float>(probe.ViewHeight())};
    if (graphics.Value()->DrawImage(image, dest, area, gfx::Unit::Pixel, nullptr) != gfx::Status::Ok)
      return ::testing::AssertionFailure() << "the painter refused the draw";
    return SameFrames(shown, expected, probe.ClientWidth());
  }

  gfx::test::TempDir dir;
  CTavlenCtrl ctrl;
  CTavlenCtrlProbe probe{ctrl};
};

}  // namespace tavlen
