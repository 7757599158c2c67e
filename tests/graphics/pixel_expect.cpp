// The pixel expectations: each walks its area once and reports the first pixel that differs.
#include "tests/graphics/pixel_expect.h"

#include <sstream>

#include "platform/graphics/convert.h"

namespace tavlen::gfx::test {

namespace {

bool Inside(const Rect& r, int32_t x, int32_t y) {
  return x >= r.x && y >= r.y && x < r.x + r.width && y < r.y + r.height;
}

std::string Hex(uint32_t value) {
  std::ostringstream text;
  text << "0x" << std::hex << value;
  return text.str();
}

// The first pixel of `area`, outside `hole`, that fails `predicate`.
::testing::AssertionResult Walk(const PixelReader& read, const Rect& area, const Rect& hole,
                                const std::function<bool(uint32_t)>& predicate, const std::string& what) {
  for (int32_t y = area.y; y < area.y + area.height; ++y) {
    for (int32_t x = area.x; x < area.x + area.width; ++x) {
      if (Inside(hole, x, y)) continue;
      const uint32_t actual = read(x, y);
      if (!predicate(actual)) {
        return ::testing::AssertionFailure()
               << "pixel (" << x << ", " << y << ") is " << Hex(actual) << ", expected " << what;
      }
    }
  }
  return ::testing::AssertionSuccess();
}

}  // namespace

PixelReader PixelsOf(const Bitmap& bitmap) {
  return [&bitmap](int32_t x, int32_t y) {
    uint8_t p[4];
    const PixelBuffer& px = bitmap.Pixels();
    RowToArgb32(px.Row(static_cast<uint32_t>(y)), px.Format(), px.GetPalette(), static_cast<uint32_t>(x), 1, p);
    return uint32_t{p[3]} << 24 | uint32_t{p[2]} << 16 | uint32_t{p[1]} << 8 | p[0];
  };
}

PixelReader PixelsOf(const std::vector<uint32_t>& framebuffer, int32_t width) {
  return [&framebuffer, width](int32_t x, int32_t y) { return framebuffer[size_t(y) * size_t(width) + size_t(x)]; };
}

::testing::AssertionResult PixelsAre(const PixelReader& read, const Rect& area, uint32_t expected) {
  return Walk(
      read, area, Rect{}, [expected](uint32_t actual) { return actual == expected; }, Hex(expected));
}

::testing::AssertionResult PixelsMatch(const PixelReader& read, const Rect& area,
                                       const std::function<bool(uint32_t)>& predicate, const std::string& what) {
  return Walk(read, area, Rect{}, predicate, what);
}

::testing::AssertionResult PixelsAreOutside(const PixelReader& read, const Rect& area, const Rect& hole,
                                            uint32_t expected) {
  return Walk(
      read, area, hole, [expected](uint32_t actual) { return actual == expected; }, Hex(expected));
}

::testing::AssertionResult PixelsEqual(const PixelReader& actual, const PixelReader& expected, const Rect& area,
                                       const Rect& hole) {
  for (int32_t y = area.y; y < area.y + area.height; ++y) {
    for (int32_t x = area.x; x < area.x + area.width; ++x) {
      if (Inside(hole, x, y)) continue;
      const uint32_t want = expected(x, y);
      const uint32_t got = actual(x, y);
      if (got != want) {
        return ::testing::AssertionFailure()
               << "pixel (" << x << ", " << y << ") is " << Hex(got) << ", expected " << Hex(want);
      }
    }
  }
  return ::testing::AssertionSuccess();
}

int64_t CountPixels(const PixelReader& read, const Rect& area, uint32_t colour) {
  int64_t count = 0;
  for (int32_t y = area.y; y < area.y + area.height; ++y) {
    for (int32_t x = area.x; x < area.x + area.width; ++x) count += read(x, y) == colour ? 1 : 0;
  }
  return count;
}

}  // namespace tavlen::gfx::test
