// The five overlay styles as tables of passes over one drawing surface, one font and one glyph path.
#include "text/text_overlay.h"

#include <array>
#include <cmath>
#include <optional>

#include "platform/graphics/drawing/graphics.h"

namespace tavlen::text {
namespace {

using gfx::Status;

enum class PassKind { String, FillPath, StrokePath };
enum class PassColor { Text, Extra, WaterMarkDark, WaterMarkLight };

struct Pass {
  PassKind kind;
  PassColor color;
  int32_t dx;  // added to the call's integer position before it becomes a float
  int32_t dy;
};

struct StylePasses {
  TextStyle style;
  int count;
  std::array<Pass, 2> passes;
};

// In drawing order: a later pass lands over an earlier one.
constexpr std::array<StylePasses, 5> kStyles = {{
    {TextStyle::Plain, 1, {{{PassKind::String, PassColor::Text, 0, 0}}}},
    {TextStyle::WaterMark,
     2,
     {{{PassKind::String, PassColor::WaterMarkDark, 0, 0}, {PassKind::String, PassColor::WaterMarkLight, 1, 1}}}},
    {TextStyle::Outline, 1, {{{PassKind::StrokePath, PassColor::Text, 0, 0}}}},
    {TextStyle::FillOutline,
     2,
     {{{PassKind::FillPath, PassColor::Extra, 0, 0}, {PassKind::StrokePath, PassColor::Text, 0, 0}}}},
    {TextStyle::Shadow, 2, {{{PassKind::String, PassColor::Extra, 1, 1}, {PassKind::String, PassColor::Text, 0, 0}}}},
}};

constexpr float kOutlinePenWidth = 2.0f;

// No picture and no line of text spans this many pixels, so text placed further away cannot reach
// the picture. The painter's coordinates wrap around near 2^31, so such text is not drawn at all.
constexpr int64_t kFarAway = int64_t{1} << 24;

bool FarAway(const gfx::RectF& layout) {
  return std::abs(layout.x) > static_cast<float>(kFarAway) || std::abs(layout.y) > static_cast<float>(kFarAway);
}

const StylePasses& PassesOf(TextStyle style) {
  for (const StylePasses& entry : kStyles) {
    if (entry.style == style) return entry;
  }
  return kStyles[0];
}

gfx::Argb ColorOf(PassColor color, const TextColors& colors) {
  switch (color) {
    case PassColor::Text:
      return colors.text;
    case PassColor::Extra:
      return colors.extra;
    case PassColor::WaterMarkDark:
      return kWaterMarkDark;
    case PassColor::WaterMarkLight:
      return kWaterMarkLight;
  }
  return colors.text;
}

// Keeps the first failure while later steps still run.
class FirstFailure {
 public:
  void Note(Status status) {
    if (m_status == Status::Ok) m_status = status;
  }
  Status Get() const { return m_status; }

 private:
  Status m_status = Status::Ok;
};

gfx::RectF LayoutAt(int32_t x, int32_t y, int32_t dx, int32_t dy) {
  // In 64 bits, so that an offset at the end of the range does not overflow.
  return {static_cast<float>(int64_t{x} + dx), static_cast<float>(int64_t{y} + dy), 0, 0};
}

}  // namespace

int32_t FontStyleOf(bool bold, bool italic) {
  return (bold ? gfx::kFontStyleBold : 0) | (italic ? gfx::kFontStyleItalic : 0);
}

Status StampText(gfx::Bitmap& picture, TextStyle style, int32_t x, int32_t y, std::string_view utf8,
                 const TextFont& font, const TextColors& colors) {
  FirstFailure failure;
  auto graphics = gfx::Graphics::FromImage(picture);
  failure.Note(graphics.GetStatus());
  auto family = gfx::FontFamily::FromName(font.family);
  failure.Note(family.GetStatus());
  const int32_t fontStyle = FontStyleOf(font.bold, font.italic);

  const StylePasses& passes = PassesOf(style);
  std::optional<gfx::Font> stringFont;
  std::optional<gfx::GraphicsPath> glyphs;
  for (int i = 0; i < passes.count; ++i) {
    const Pass& pass = passes.passes[static_cast<size_t>(i)];
    const gfx::RectF layout = LayoutAt(x, y, pass.dx, pass.dy);
    if (pass.kind == PassKind::String && !stringFont && family.Ok()) {
      auto made = gfx::Font::Create(family.Value(), font.emSize, fontStyle, gfx::Unit::Pixel);
      failure.Note(made.GetStatus());
      if (made.Ok()) stringFont = std::move(made).Value();
    }
    if (pass.kind != PassKind::String && !glyphs && family.Ok()) {
      // The path styles share one path, laid out once at the pass's position.
      glyphs.emplace(gfx::FillMode::Alternate);
      failure.Note(glyphs->AddString(utf8, family.Value(), fontStyle, font.emSize, layout,
                                     &gfx::StringFormat::GenericTypographic()));
    }
    if (!graphics.Ok() || FarAway(layout)) continue;
    gfx::Graphics& surface = *graphics.Value();
    const gfx::Argb color = ColorOf(pass.color, colors);
    switch (pass.kind) {
      case PassKind::String:
        if (stringFont) failure.Note(surface.DrawString(utf8, *stringFont, layout, nullptr, gfx::Brush::Solid(color)));
        break;
      case PassKind::FillPath:
        if (glyphs) failure.Note(surface.FillPath(gfx::Brush::Solid(color), *glyphs));
        break;
      case PassKind::StrokePath:
        if (glyphs) {
          auto pen = gfx::Pen::Create(color, kOutlinePenWidth, gfx::Unit::World);
          failure.Note(pen.GetStatus());
          if (pen.Ok()) failure.Note(surface.DrawPath(pen.Value(), *glyphs));
        }
        break;
    }
  }
  return failure.Get();
}

}  // namespace tavlen::text
