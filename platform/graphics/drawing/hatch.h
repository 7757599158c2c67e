// The 53 hatch styles with their published numbers and the 8x8 patterns the painter tiles them with.
#pragma once

#include <array>
#include <cstdint>

namespace tavlen::gfx {

enum class HatchStyle : int32_t {
  Horizontal = 0,
  Vertical,
  ForwardDiagonal,
  BackwardDiagonal,
  Cross,
  DiagonalCross,
  Percent05,
  Percent10,
  Percent20,
  Percent25,
  Percent30,
  Percent40,
  Percent50,
  Percent60,
  Percent70,
  Percent75,
  Percent80,
  Percent90,
  LightDownwardDiagonal,
  LightUpwardDiagonal,
  DarkDownwardDiagonal,
  DarkUpwardDiagonal,
  WideDownwardDiagonal,
  WideUpwardDiagonal,
  LightVertical,
  LightHorizontal,
  NarrowVertical,
  NarrowHorizontal,
  DarkVertical,
  DarkHorizontal,
  DashedDownwardDiagonal,
  DashedUpwardDiagonal,
  DashedHorizontal,
  DashedVertical,
  SmallConfetti,
  LargeConfetti,
  ZigZag,
  Wave,
  DiagonalBrick,
  HorizontalBrick,
  Weave,
  Plaid,
  Divot,
  DottedGrid,
  DottedDiamond,
  Shingle,
  Trellis,
  Sphere,
  SmallGrid,
  SmallCheckerBoard,
  LargeCheckerBoard,
  OutlinedDiamond,
  SolidDiamond,
};

inline constexpr int32_t kHatchStyleCount = 53;

constexpr bool IsValidHatchStyle(int32_t style) { return style >= 0 && style < kHatchStyleCount; }

// Row y of a pattern is one byte; bit 7 is column 0. A set bit takes the foreground colour.
using HatchRows = std::array<uint8_t, 8>;

// The pattern of a valid style.
const HatchRows& HatchPattern(HatchStyle style);

constexpr bool HatchBit(const HatchRows& rows, uint32_t x, uint32_t y) {
  return ((rows[y & 7] << (x & 7)) & 0x80) != 0;
}

}  // namespace tavlen::gfx
