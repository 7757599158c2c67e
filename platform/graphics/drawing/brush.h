// Brushes: a solid colour, or one of the hatch patterns in a foreground and a background colour.
#pragma once

#include "platform/graphics/drawing/drawing_types.h"
#include "platform/graphics/drawing/hatch.h"
#include "platform/graphics/result.h"

namespace tavlen::gfx {

class Brush {
 public:
  enum class Kind { Solid, Hatch };

  // Source-over painting with the colour; translucent colours blend.
  static Brush Solid(Argb color) { return Brush(Kind::Solid, color, 0, HatchStyle::Horizontal); }
  // The pattern's set cells take `fore`, the others `back`; the pattern is anchored at the
  // surface's origin, so adjacent fills join seamlessly. InvalidParameter for a style outside 0-52.
  static Result<Brush> Hatch(int32_t style, Argb fore, Argb back);

  Kind GetKind() const { return m_kind; }
  Argb Color() const { return m_color; }  // the solid colour, or the hatch foreground
  Argb BackColor() const { return m_back; }
  HatchStyle Style() const { return m_style; }
  bool IsOpaque() const;

 private:
  Brush(Kind kind, Argb color, Argb back, HatchStyle style)
      : m_kind(kind), m_color(color), m_back(back), m_style(style) {}

  Kind m_kind = Kind::Solid;
  Argb m_color = 0;
  Argb m_back = 0;
  HatchStyle m_style = HatchStyle::Horizontal;
};

class Pen {
 public:
  // InvalidParameter for a negative or non-finite width, or a unit other than World, Pixel,
  // Point, Inch, Document or Millimeter. A width below one device pixel still draws one pixel.
  static Result<Pen> Create(Argb color, float width, Unit unit = Unit::World);

  Argb Color() const { return m_color; }
  float Width() const { return m_width; }
  Unit GetUnit() const { return m_unit; }
  PenAlignment Alignment() const { return m_alignment; }
  // Inset strokes closed shapes inside their outline; Center straddles it.
  void SetAlignment(PenAlignment alignment) { m_alignment = alignment; }

 private:
  Pen(Argb color, float width, Unit unit) : m_color(color), m_width(width), m_unit(unit) {}

  Argb m_color = 0;
  float m_width = 1;
  Unit m_unit = Unit::World;
  PenAlignment m_alignment = PenAlignment::Center;
};

}  // namespace tavlen::gfx
