// Font families from the installed fonts (fontconfig), fonts, and the string formats text is laid out with.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/graphics/drawing/drawing_types.h"
#include "platform/graphics/result.h"

namespace tavlen::gfx {

class FontFamily {
 public:
  // Case-insensitive. Accepts the name of an installed family, or a name that the system's font
  // configuration binds to an installed family as a metric-compatible alias ("Arial" -> Liberation
  // Sans). FontFamilyNotFound for every other name, including names that would reach an installed
  // font only through a generic fallback such as sans-serif.
  static Result<FontFamily> FromName(std::string_view name);

  // The installed family's own name (for an alias, the family it resolved to).
  const std::string& Name() const { return m_name; }

  friend bool operator==(const FontFamily&, const FontFamily&) = default;

 private:
  friend class InstalledFontCollection;
  explicit FontFamily(std::string name) : m_name(std::move(name)) {}

  std::string m_name;
};

// The families of the scalable fonts installed now: each name once (case-insensitively), in a
// stable order sorted by name. A font with names in several languages contributes its English or
// language-neutral ones. Empty when fontconfig cannot be initialised.
class InstalledFontCollection {
 public:
  InstalledFontCollection();

  size_t FamilyCount() const { return m_families.size(); }
  const std::vector<FontFamily>& Families() const { return m_families; }

 private:
  std::vector<FontFamily> m_families;
};

class Font {
 public:
  // emSize in `unit`: Pixel (device pixels), World (the graphics object's world units), Point,
  // Inch, Document or Millimeter. InvalidParameter for a non-positive or non-finite size, unknown
  // style bits or the Display unit.
  static Result<Font> Create(const FontFamily& family, float emSize, int32_t style = kFontStyleRegular,
                             Unit unit = Unit::Point);

  const FontFamily& Family() const { return m_family; }
  float EmSize() const { return m_emSize; }
  int32_t Style() const { return m_style; }
  Unit GetUnit() const { return m_unit; }

 private:
  Font(FontFamily family, float emSize, int32_t style, Unit unit)
      : m_family(std::move(family)), m_emSize(emSize), m_style(style), m_unit(unit) {}

  FontFamily m_family;
  float m_emSize = 0;
  int32_t m_style = 0;
  Unit m_unit = Unit::Point;
};

enum class StringAlignment : int32_t { Near = 0, Center = 1, Far = 2 };

// String format flags with their published values (the ones the painter honours).
enum StringFormatFlags : uint32_t {
  kStringFormatFlagsNoFitBlackBox = 0x00000004,
  kStringFormatFlagsNoWrap = 0x00001000,
  kStringFormatFlagsLineLimit = 0x00002000,
  kStringFormatFlagsNoClip = 0x00004000,
};

struct StringFormat {
  uint32_t flags = 0;
  StringAlignment alignment = StringAlignment::Near;      // along the line
  StringAlignment lineAlignment = StringAlignment::Near;  // across lines
  // The default format pads each line by 1/6 em on both sides, so the first glyph starts
  // slightly right of the layout origin; typographic layout puts it exactly at the origin.
  bool padding = true;

  // What a null format means. A shared object; callers never delete it.
  static const StringFormat& GenericDefault();
  // Tight layout without padding and without clipping. A shared object; callers never delete it.
  static const StringFormat& GenericTypographic();
};

}  // namespace tavlen::gfx
