// A 32-bit pixel surface handed to the painter by the window layer (client framebuffer, printer page).
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/graphics/bitmap.h"

namespace tavlen::gfx {

// Pixels are 0xAARRGGBB words, premultiplied; a window keeps them opaque. Row y starts at
// pixels + y * stride bytes. The painter never writes outside `clip` (in pixels, clipped to the
// surface), nor outside the surface.
struct WindowSurface {
  uint32_t* pixels = nullptr;
  size_t stride = 0;
  uint32_t width = 0;
  uint32_t height = 0;
  Rect clip{0, 0, 0, 0};
  float dpiX = 96.0f;
  float dpiY = 96.0f;
  // A printer page measures the Display unit in hundredths of an inch rather than in pixels.
  bool printer = false;
};

}  // namespace tavlen::gfx
