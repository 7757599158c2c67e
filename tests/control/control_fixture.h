// Shared set-up for the control tests: a control in a headless 500 x 400 window, generated picture
// files, property puts as a host makes them, and a read-only probe of the control's view state.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

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

  gfx::test::TempDir dir;
  CTavlenCtrl ctrl;
  CTavlenCtrlProbe probe{ctrl};
};

}  // namespace tavlen
