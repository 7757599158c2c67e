// One way for every test to state what a region of pixels must hold: a colour everywhere, or a
// property of each pixel, with a message naming the first pixel that breaks it.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/graphics/bitmap.h"

namespace tavlen::gfx::test {

// Reads the pixel at (x, y) in the source's own colour layout (0xAARRGGBB for bitmaps and
// framebuffers, 0x00BBGGRR for a window's GetPixel).
using PixelReader = std::function<uint32_t(int32_t x, int32_t y)>;

PixelReader PixelsOf(const Bitmap& bitmap);
PixelReader PixelsOf(const std::vector<uint32_t>& framebuffer, int32_t width);

// Every pixel of `area` equals `expected`.
::testing::AssertionResult PixelsAre(const PixelReader& read, const Rect& area, uint32_t expected);
// Every pixel of `area` satisfies `predicate`; `what` says what it stands for in the message.
::testing::AssertionResult PixelsMatch(const PixelReader& read, const Rect& area,
                                       const std::function<bool(uint32_t)>& predicate, const std::string& what);
// Every pixel of `area` outside `hole` equals `expected` (a frame, or the background around a picture).
::testing::AssertionResult PixelsAreOutside(const PixelReader& read, const Rect& area, const Rect& hole,
                                            uint32_t expected);
// Every pixel of `area` outside `hole` reads the same from `actual` as from `expected`.
::testing::AssertionResult PixelsEqual(const PixelReader& actual, const PixelReader& expected, const Rect& area,
                                       const Rect& hole = {});
// How many pixels of `area` equal `colour`.
int64_t CountPixels(const PixelReader& read, const Rect& area, uint32_t colour);

}  // namespace tavlen::gfx::test
