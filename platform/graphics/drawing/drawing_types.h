// Geometry and the numbered settings shared by the painter's objects (brushes, pens, paths, regions, text).
#pragma once

#include <cstdint>

#include "platform/graphics/bitmap.h"

namespace tavlen::gfx {

struct Point {
  int32_t x = 0, y = 0;
};

struct PointF {
  float x = 0, y = 0;
};

struct RectF {
  float x = 0, y = 0, width = 0, height = 0;

  static RectF From(const Rect& r) {
    return {static_cast<float>(r.x), static_cast<float>(r.y), static_cast<float>(r.width),
            static_cast<float>(r.height)};
  }
};

enum class InterpolationMode : int32_t {
  Default = 0,
  LowQuality = 1,
  HighQuality = 2,
  Bilinear = 3,
  Bicubic = 4,
  NearestNeighbor = 5,
  HighQualityBilinear = 6,
  HighQualityBicubic = 7,
};

enum class Unit : int32_t {
  World = 0,
  Display = 1,
  Pixel = 2,
  Point = 3,
  Inch = 4,
  Document = 5,
  Millimeter = 6,
};

enum class SmoothingMode : int32_t {
  Default = 0,
  HighSpeed = 1,
  HighQuality = 2,
  None = 3,
  AntiAlias = 4,
};

enum class FillMode : int32_t { Alternate = 0, Winding = 1 };

enum class CombineMode : int32_t {
  Replace = 0,
  Intersect = 1,
  Union = 2,
  Xor = 3,
  Exclude = 4,
  Complement = 5,
};

enum class PenAlignment : int32_t { Center = 0, Inset = 1 };

// Style bits of a font; Regular is the absence of all of them.
enum FontStyle : int32_t {
  kFontStyleRegular = 0,
  kFontStyleBold = 1,
  kFontStyleItalic = 2,
  kFontStyleBoldItalic = 3,
  kFontStyleUnderline = 4,
  kFontStyleStrikeout = 8,
};

// 0xAARRGGBB, straight alpha.
using Argb = uint32_t;

constexpr uint8_t AlphaOf(Argb c) { return static_cast<uint8_t>(c >> 24); }
constexpr uint8_t RedOf(Argb c) { return static_cast<uint8_t>(c >> 16); }
constexpr uint8_t GreenOf(Argb c) { return static_cast<uint8_t>(c >> 8); }
constexpr uint8_t BlueOf(Argb c) { return static_cast<uint8_t>(c); }

}  // namespace tavlen::gfx
