// The hatch pattern table: line styles drawn by hand, dot densities from an ordered-dither matrix.
#include "platform/graphics/drawing/hatch.h"

#include <cstddef>

namespace tavlen::gfx {
namespace {

// Classic 8x8 ordered-dither thresholds: switching on the cells below a threshold spreads the dots
// evenly at every density, and every denser pattern contains the sparser ones.
constexpr uint8_t kBayer8[8][8] = {
    {0, 32, 8, 40, 2, 34, 10, 42},    {48, 16, 56, 24, 50, 18, 58, 26}, {12, 44, 4, 36, 14, 46, 6, 38},
    {60, 28, 52, 20, 62, 30, 54, 22}, {3, 35, 11, 43, 1, 33, 9, 41},    {51, 19, 59, 27, 49, 17, 57, 25},
    {15, 47, 7, 39, 13, 45, 5, 37},   {63, 31, 55, 23, 61, 29, 53, 21},
};

constexpr HatchRows Dots(int percent) {
  HatchRows rows{};
  const int cells = (percent * 64 + 50) / 100;
  for (int y = 0; y < 8; ++y) {
    for (int x = 0; x < 8; ++x) {
      if (kBayer8[y][x] < cells) rows[y] |= static_cast<uint8_t>(0x80 >> x);
    }
  }
  return rows;
}

// Diagonal bands: a cell is set when (x - y) (downward) or (x + y) (upward), taken modulo `period`,
// falls below `width`.
constexpr HatchRows Diagonal(bool downward, int period, int width) {
  HatchRows rows{};
  for (int y = 0; y < 8; ++y) {
    for (int x = 0; x < 8; ++x) {
      const int d = downward ? (x - y + 8) : (x + y + 1);
      if (d % period < width) rows[y] |= static_cast<uint8_t>(0x80 >> x);
    }
  }
  return rows;
}

constexpr HatchRows Or(HatchRows a, const HatchRows& b) {
  for (int y = 0; y < 8; ++y) a[y] |= b[y];
  return a;
}

constexpr std::array<HatchRows, kHatchStyleCount> kPatterns = {{
    {0xFF, 0, 0, 0, 0, 0, 0, 0},                       // Horizontal
    {0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80},  // Vertical
    Diagonal(true, 8, 1),                              // ForwardDiagonal
    Diagonal(false, 8, 1),                             // BackwardDiagonal
    {0xFF, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80},  // Cross
    Or(Diagonal(true, 8, 1), Diagonal(false, 8, 1)),   // DiagonalCross
    Dots(5),                                           // Percent05
    Dots(10),                                          // Percent10
    Dots(20),                                          // Percent20
    Dots(25),                                          // Percent25
    Dots(30),                                          // Percent30
    Dots(40),                                          // Percent40
    Dots(50),                                          // Percent50
    Dots(60),                                          // Percent60
    Dots(70),                                          // Percent70
    Dots(75),                                          // Percent75
    Dots(80),                                          // Percent80
    Dots(90),                                          // Percent90
    Diagonal(true, 4, 1),                              // LightDownwardDiagonal
    Diagonal(false, 4, 1),                             // LightUpwardDiagonal
    Diagonal(true, 4, 2),                              // DarkDownwardDiagonal
    Diagonal(false, 4, 2),                             // DarkUpwardDiagonal
    Diagonal(true, 8, 3),                              // WideDownwardDiagonal
    Diagonal(false, 8, 3),                             // WideUpwardDiagonal
    {0x88, 0x88, 0x88, 0x88, 0x88, 0x88, 0x88, 0x88},  // LightVertical
    {0xFF, 0, 0, 0, 0xFF, 0, 0, 0},                    // LightHorizontal
    {0xAA, 0xAA, 0xAA, 0xAA, 0xAA, 0xAA, 0xAA, 0xAA},  // NarrowVertical
    {0xFF, 0, 0xFF, 0, 0xFF, 0, 0xFF, 0},              // NarrowHorizontal
    {0xCC, 0xCC, 0xCC, 0xCC, 0xCC, 0xCC, 0xCC, 0xCC},  // DarkVertical
    {0xFF, 0xFF, 0, 0, 0xFF, 0xFF, 0, 0},              // DarkHorizontal
    {0x88, 0x44, 0x22, 0x11, 0, 0, 0, 0},              // DashedDownwardDiagonal
    {0x11, 0x22, 0x44, 0x88, 0, 0, 0, 0},              // DashedUpwardDiagonal
    {0xF0, 0, 0, 0, 0x0F, 0, 0, 0},                    // DashedHorizontal
    {0x80, 0x80, 0x80, 0x80, 0x08, 0x08, 0x08, 0x08},  // DashedVertical
    {0x80, 0x08, 0x02, 0x20, 0x01, 0x10, 0x40, 0x04},  // SmallConfetti
    {0xC0, 0xC0, 0x0C, 0x0C, 0, 0x63, 0x63, 0},        // LargeConfetti
    {0x81, 0x42, 0x24, 0x18, 0, 0, 0, 0},              // ZigZag
    {0, 0x60, 0x90, 0x09, 0x06, 0, 0, 0},              // Wave
    {0x01, 0x02, 0x04, 0x08, 0x18, 0x24, 0x42, 0x81},  // DiagonalBrick
    {0xFF, 0x80, 0x80, 0x80, 0xFF, 0x08, 0x08, 0x08},  // HorizontalBrick
    {0x11, 0x2A, 0x44, 0xA2, 0x11, 0x28, 0x44, 0x8A},  // Weave
    {0xAA, 0x55, 0xAA, 0x55, 0xF0, 0xF0, 0xF0, 0xF0},  // Plaid
    {0x08, 0x04, 0x08, 0, 0x01, 0x80, 0x01, 0},        // Divot
    {0xAA, 0, 0x80, 0, 0x80, 0, 0x80, 0},              // DottedGrid
    {0x80, 0, 0x22, 0, 0x08, 0, 0x22, 0},              // DottedDiamond
    {0x03, 0x84, 0x48, 0x30, 0x0C, 0x02, 0x01, 0x01},  // Shingle
    {0xFF, 0x66, 0xFF, 0x99, 0xFF, 0x66, 0xFF, 0x99},  // Trellis
    {0x3C, 0x7E, 0xCF, 0xDF, 0xFF, 0xFF, 0x7E, 0x3C},  // Sphere
    {0xFF, 0x88, 0x88, 0x88, 0xFF, 0x88, 0x88, 0x88},  // SmallGrid
    {0xCC, 0xCC, 0x33, 0x33, 0xCC, 0xCC, 0x33, 0x33},  // SmallCheckerBoard
    {0xF0, 0xF0, 0xF0, 0xF0, 0x0F, 0x0F, 0x0F, 0x0F},  // LargeCheckerBoard
    {0x80, 0x41, 0x22, 0x14, 0x08, 0x14, 0x22, 0x41},  // OutlinedDiamond
    {0x10, 0x38, 0x7C, 0xFE, 0x7C, 0x38, 0x10, 0},     // SolidDiamond
}};

}  // namespace

const HatchRows& HatchPattern(HatchStyle style) { return kPatterns[static_cast<size_t>(style)]; }

}  // namespace tavlen::gfx
