// Small helpers for the painter tests: filled bitmaps, window surfaces in memory, pixel reads.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "platform/graphics/bitmap.h"
#include "platform/graphics/convert.h"
#include "platform/graphics/drawing/graphics.h"

namespace tavlen::gfx::test {

inline Bitmap::Ptr FilledBitmap(uint32_t w, uint32_t h, PixelFormat format, Argb color) {
  auto made = Bitmap::Create(w, h, format);
  if (!made.Ok()) return nullptr;
  Bitmap::Ptr bitmap = std::move(made).Value();
  std::vector<uint8_t> row(size_t{w} * 4);
  for (uint32_t x = 0; x < w; ++x) {
    row[4 * x] = BlueOf(color);
    row[4 * x + 1] = GreenOf(color);
    row[4 * x + 2] = RedOf(color);
    row[4 * x + 3] = AlphaOf(color);
  }
  PixelBuffer& px = bitmap->Pixels();
  for (uint32_t y = 0; y < h; ++y) RowFromArgb32(row.data(), w, format, px.GetPalette(), 0, px.Row(y));
  return bitmap;
}

// The pixel as straight 0xAARRGGBB, read without locking.
inline Argb Px(const Bitmap& bitmap, uint32_t x, uint32_t y) {
  uint8_t p[4];
  const PixelBuffer& px = bitmap.Pixels();
  RowToArgb32(px.Row(y), px.Format(), px.GetPalette(), x, 1, p);
  return uint32_t{p[3]} << 24 | uint32_t{p[2]} << 16 | uint32_t{p[1]} << 8 | p[0];
}

// A window's client framebuffer held in memory.
struct TestWindow {
  std::vector<uint32_t> pixels;
  WindowSurface surface;

  TestWindow(uint32_t w, uint32_t h, Argb fill, Rect clip = {0, 0, 1 << 30, 1 << 30}) : pixels(size_t{w} * h, fill) {
    surface.pixels = pixels.data();
    surface.stride = size_t{w} * 4;
    surface.width = w;
    surface.height = h;
    surface.clip = clip;
  }
  uint32_t At(uint32_t x, uint32_t y) const { return pixels[size_t{y} * surface.width + x]; }
  Graphics::Ptr Open() {
    auto g = Graphics::FromSurface(surface);
    EXPECT_TRUE(g.Ok());
    return g.Ok() ? std::move(g).Value() : nullptr;
  }
};

}  // namespace tavlen::gfx::test
