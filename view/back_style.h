// The published BackStyle values (the BackStyle property): 0 a plain fill, n from 1 to 53 the
// imaging library's hatch style n - 1. One list gives the enumeration and the type library's rows.
#pragma once

#include <cstdint>
#include <optional>

#include "platform/graphics/drawing/hatch.h"

namespace tavlen {

// X(name, published value), in the published order.
#define TAVLEN_BACK_STYLES(X)   \
  X(Solid, 0)                   \
  X(Horizontal, 1)              \
  X(Vertical, 2)                \
  X(ForwardDiagonal, 3)         \
  X(BackwardDiagonal, 4)        \
  X(Cross, 5)                   \
  X(DiagonalCross, 6)           \
  X(Dot05Percent, 7)            \
  X(Dot10Percent, 8)            \
  X(Dot20Percent, 9)            \
  X(Dot25Percent, 10)           \
  X(Dot30Percent, 11)           \
  X(Dot40Percent, 12)           \
  X(Dot50Percent, 13)           \
  X(Dot60Percent, 14)           \
  X(Dot70Percent, 15)           \
  X(Dot75Percent, 16)           \
  X(Dot80Percent, 17)           \
  X(Dot90Percent, 18)           \
  X(LightDownwardDiagonal, 19)  \
  X(LightUpwardDiagonal, 20)    \
  X(DarkDownwardDiagonal, 21)   \
  X(DarkUpwardDiagonal, 22)     \
  X(WideDownwardDiagonal, 23)   \
  X(WideUpwardDiagonal, 24)     \
  X(LightVertical, 25)          \
  X(LightHorizontal, 26)        \
  X(NarrowVertical, 27)         \
  X(NarrowHorizontal, 28)       \
  X(DarkVertical, 29)           \
  X(DarkHorizontal, 30)         \
  X(DashedDownwardDiagonal, 31) \
  X(DashedUpwardDiagonal, 32)   \
  X(DashedHorizontal, 33)       \
  X(DashedVertical, 34)         \
  X(SmallConfetti, 35)          \
  X(LargeConfetti, 36)          \
  X(ZigZag, 37)                 \
  X(Wave, 38)                   \
  X(DiagonalBrick, 39)          \
  X(HorizontalBrick, 40)        \
  X(Weave, 41)                  \
  X(Plaid, 42)                  \
  X(Divot, 43)                  \
  X(DottedGrid, 44)             \
  X(DottedDiamond, 45)          \
  X(Shingle, 46)                \
  X(Trellis, 47)                \
  X(Sphere, 48)                 \
  X(SmallGrid, 49)              \
  X(SmallCheckerBoard, 50)      \
  X(LargeCheckerBoard, 51)      \
  X(OutlinedDiamond, 52)        \
  X(SolidDiamond, 53)

enum class BackStyle : int16_t {
#define TAVLEN_BACK_STYLE_ENUMERATOR(name, value) name = value,
  TAVLEN_BACK_STYLES(TAVLEN_BACK_STYLE_ENUMERATOR)
#undef TAVLEN_BACK_STYLE_ENUMERATOR
};
inline constexpr int16_t kBackStyleCount = 54;

// The hatch that a BackStyle value selects; nothing for Solid and for values outside the list.
constexpr std::optional<gfx::HatchStyle> HatchFor(int16_t backStyle) {
  if (backStyle < 1 || backStyle >= kBackStyleCount) return std::nullopt;
  return static_cast<gfx::HatchStyle>(backStyle - 1);
}

static_assert(static_cast<int32_t>(BackStyle::SolidDiamond) == gfx::kHatchStyleCount);
static_assert(HatchFor(static_cast<int16_t>(BackStyle::Horizontal)) == gfx::HatchStyle::Horizontal);
static_assert(HatchFor(static_cast<int16_t>(BackStyle::Cross)) == gfx::HatchStyle::Cross);
static_assert(HatchFor(static_cast<int16_t>(BackStyle::Dot05Percent)) == gfx::HatchStyle::Percent05);
static_assert(HatchFor(static_cast<int16_t>(BackStyle::SolidDiamond)) == gfx::HatchStyle::SolidDiamond);

}  // namespace tavlen
