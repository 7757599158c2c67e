// A window's client area as the pixel expectations read it: GetPixel's 0x00BBGGRR values.
#pragma once

#include "platform/window/window.h"
#include "tests/graphics/pixel_expect.h"

namespace tavlen::win::test {

inline gfx::test::PixelReader ClientPixels(const Window& window) {
  return [&window](int32_t x, int32_t y) { return window.GetPixel(x, y); };
}

}  // namespace tavlen::win::test
