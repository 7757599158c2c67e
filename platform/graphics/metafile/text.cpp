// Text output: fonts matched through fontconfig, laid out by pango, placed by alignment, escapement and advances.
#include <pango/pangocairo.h>

#include <cmath>
#include <numbers>

#include "platform/graphics/drawing/font.h"
#include "platform/graphics/metafile/font_fallback.h"
#include "platform/graphics/metafile/renderer.h"
#include "platform/graphics/metafile/text_line.h"

namespace tavlen::gfx::metafile {
namespace {

constexpr uint8_t kSymbolCharset = 2;
// Above this em size glyphs are filled as outlines: cairo's glyph cache would rasterise each one whole.
constexpr double kOutlineEm = 256;
constexpr double kDefaultEm = 16;

void AppendUtf8(std::string& out, char32_t c) {
  char buf[6];
  const int n = g_unichar_to_utf8(g_unichar_validate(c) ? c : 0xFFFD, buf);
  out.append(buf, static_cast<size_t>(n));
}

// The characters laid out by pango. With the record's advances, each cluster's first glyph takes the advances
// of its characters (`advanceScale` takes them to unstretched device pixels).
bool LayoutLine(PangoContext* context, const PangoFontDescription* desc, const FontObject& font, const TextRun& text,
                double advanceScale, TextLine& out) {
  // UTF-8 text, and the character each byte belongs to (glyph clusters point at bytes).
  std::string utf8;
  std::vector<uint32_t> charAtByte;
  for (size_t i = 0; i < text.chars.size(); ++i) {
    char32_t c = text.chars[i];
    if (TextCharSet(font.charSet, font.face) == kSymbolCharset && c >= 0xF020 && c <= 0xF0FF) {
      std::u32string mapped;
      std::vector<uint32_t> units;
      const uint8_t b = static_cast<uint8_t>(c - 0xF000);
      DecodeAnsi(std::span(&b, 1), kSymbolCharset, mapped, units);
      c = mapped.empty() ? c : mapped[0];
    }
    if (c < 0x20) c = 0x20;  // control characters take a place but draw nothing
    const size_t before = utf8.size();
    AppendUtf8(utf8, c);
    charAtByte.insert(charAtByte.end(), utf8.size() - before, static_cast<uint32_t>(i));
  }

  detail::GObjectPtr<PangoLayout> layout(pango_layout_new(context));
  if (!layout) return false;
  pango_layout_set_font_description(layout.get(), desc);
  pango_layout_set_single_paragraph_mode(layout.get(), TRUE);
  const char* language = CharSetLanguage(font.charSet);
  if (font.underline || font.strikeOut || language) {
    detail::AttrListPtr attrs(pango_attr_list_new());
    if (font.underline) pango_attr_list_insert(attrs.get(), pango_attr_underline_new(PANGO_UNDERLINE_SINGLE));
    if (font.strikeOut) pango_attr_list_insert(attrs.get(), pango_attr_strikethrough_new(TRUE));
    // CJK glyph variants differ by language; the character set says which the writer meant.
    if (language) pango_attr_list_insert(attrs.get(), pango_attr_language_new(pango_language_from_string(language)));
    pango_layout_set_attributes(layout.get(), attrs.get());
  }
  pango_layout_set_text(layout.get(), utf8.data(), static_cast<int>(utf8.size()));
  PangoLayoutLine* line = pango_layout_get_line(layout.get(), 0);
  if (!line) return false;

  // The record's advances replace the font's: each cluster's first glyph takes the advances of its characters.
  double advance = 0;
  const bool ownAdvances = !text.advances.empty();
  if (ownAdvances) {
    const std::vector<double> deviceAdvance = DeviceAdvances(text, advanceScale);
    for (double a : deviceAdvance) advance += a;
    for (GSList* run = line->runs; run; run = run->next) {
      auto* item = static_cast<PangoGlyphItem*>(run->data);
      PangoGlyphString* glyphs = item->glyphs;
      const int base = item->item->offset;
      const int end = base + item->item->length;
      for (int g = 0; g < glyphs->num_glyphs; ++g) {
        const int start = base + glyphs->log_clusters[g];
        const bool first = g == 0 || glyphs->log_clusters[g - 1] != glyphs->log_clusters[g];
        if (!first) {
          glyphs->glyphs[g].geometry.width = 0;
          continue;
        }
        // The cluster runs to the nearest larger cluster start in the item.
        int next = end;
        for (int k = 0; k < glyphs->num_glyphs; ++k) {
          const int s = base + glyphs->log_clusters[k];
          if (s > start && s < next) next = s;
        }
        double width = 0;
        if (start >= 0 && static_cast<size_t>(start) < charAtByte.size()) {
          const uint32_t c0 = charAtByte[static_cast<size_t>(start)];
          const uint32_t c1 = static_cast<size_t>(next) < charAtByte.size() ? charAtByte[static_cast<size_t>(next)]
                                                                            : static_cast<uint32_t>(text.chars.size());
          for (uint32_t c = c0; c < c1 && c < deviceAdvance.size(); ++c) width += deviceAdvance[c];
        }
        glyphs->glyphs[g].geometry.width = static_cast<int>(std::lround(width * PANGO_SCALE));
      }
    }
  }
  PangoRectangle logical{};
  pango_layout_line_get_extents(line, nullptr, &logical);
  const double ascent = -static_cast<double>(logical.y) / PANGO_SCALE;
  const double descent = static_cast<double>(logical.height) / PANGO_SCALE - ascent;
  out.ascent = ascent;
  out.descent = descent;
  out.width = ownAdvances ? advance : static_cast<double>(logical.width) / PANGO_SCALE;
  std::shared_ptr<PangoLayout> keep(std::move(layout));
  out.paint = [keep, line](cairo_t* cr, bool outline) {
    if (outline) {
      pango_cairo_layout_line_path(cr, line);
      cairo_fill(cr);
    } else {
      pango_cairo_show_layout_line(cr, line);
    }
  };
  return true;
}

}  // namespace

std::vector<double> DeviceAdvances(const TextRun& text, double advanceScale) {
  std::vector<double> out(text.chars.size(), 0);
  for (size_t i = 0; i < text.chars.size() && i < text.advances.size(); ++i) {
    const double a = text.advances[i] * advanceScale;
    out[i] = std::isfinite(a) ? std::clamp(a, -1e6, 1e6) : 0;
  }
  return out;
}

PangoContext* Renderer::Pango() {
  if (!m_pango) {
    m_pango.reset(pango_font_map_create_context(pango_cairo_font_map_get_default()));
    if (!m_pango) return nullptr;
    detail::FontOptionsPtr options(cairo_font_options_create());
    cairo_font_options_set_antialias(options.get(), CAIRO_ANTIALIAS_GRAY);
    cairo_font_options_set_hint_style(options.get(), CAIRO_HINT_STYLE_NONE);
    // Unhinted metrics keep glyph positions the same at every scale, as the advances of the record expect.
    cairo_font_options_set_hint_metrics(options.get(), CAIRO_HINT_METRICS_OFF);
    pango_cairo_context_set_font_options(m_pango.get(), options.get());
  }
  return m_pango.get();
}

std::string Renderer::ResolveFace(const FontObject& font) {
  std::string face = font.face;
  if (!face.empty() && face[0] == '@') face.erase(0, 1);  // vertical-writing variants
  const std::string key = face + '\x01' + std::to_string(font.pitchAndFamily) + '\x01' + std::to_string(font.charSet);
  if (auto it = m_faces.find(key); it != m_faces.end()) return it->second;
  std::string resolved;
  if (!face.empty()) {
    auto family = FontFamily::FromName(face);
    if (family.Ok()) resolved = family.Value().Name();
  }
  // Fall back on the generic family the font asks for; fontconfig picks an installed one.
  if (resolved.empty()) resolved = FallbackFamily(face, font.pitchAndFamily, TextCharSet(font.charSet, face));
  if (m_faces.size() < 256) m_faces.emplace(key, resolved);
  return resolved;
}

void Renderer::TextOut(PointD ref, const TextRun& text, uint32_t options, const RectD* rect) {
  static const FontObject kDefaultFont{};
  const auto* selected = m_dc.font ? std::get_if<FontObject>(m_dc.font.get()) : nullptr;
  const FontObject& font = selected ? *selected : kDefaultFont;
  const Affine& m = LogicalToCanvas();
  const bool updateCp = (m_dc.textAlign & kTaUpdateCp) != 0;
  if (updateCp) ref = m_dc.current;
  if (!m_canvas.Budget().Charge(double(text.chars.size()) * WorkBudget::kGlyphWork)) return;

  if (rect && (options & kEtoOpaque)) {
    const RectD r = *rect;
    const PointD q[4] = {m.Apply({r.left, r.top}), m.Apply({r.right, r.top}), m.Apply({r.right, r.bottom}),
                         m.Apply({r.left, r.bottom})};
    RectD bounds{std::min({q[0].x, q[1].x, q[2].x, q[3].x}), std::min({q[0].y, q[1].y, q[2].y, q[3].y}),
                 std::max({q[0].x, q[1].x, q[2].x, q[3].x}), std::max({q[0].y, q[1].y, q[2].y, q[3].y})};
    const uint32_t bk = Rgb(m_dc.bkColor);
    m_canvas.Draw(bounds, m_dc.clip, kR2CopyPen, false, [&](cairo_t* cr) {
      cairo_move_to(cr, q[0].x, q[0].y);
      for (int i = 1; i < 4; ++i) cairo_line_to(cr, q[i].x, q[i].y);
      cairo_set_source_rgb(cr, RedOf(bk) / 255.0, GreenOf(bk) / 255.0, BlueOf(bk) / 255.0);
      cairo_fill(cr);
    });
  }
  if (text.chars.empty()) return;

  const double scaleX = std::hypot(m.a, m.b), scaleY = std::hypot(m.c, m.d);
  double em = font.height == 0 ? kDefaultEm : std::fabs(static_cast<double>(font.height)) * scaleY;
  if (!std::isfinite(em) || em < 0.5 || em > kMaxDeviceEm) return;
  PangoContext* context = Pango();
  if (!context) return;

  detail::FontDescriptionPtr desc(pango_font_description_new());
  std::string face = ResolveFace(font);
  pango_font_description_set_family(desc.get(), face.c_str());
  // Symbol text is drawn as the Unicode characters its bytes stand for, which a face with only a symbol character
  // map would show as other symbols; such a face gives way to a Unicode one.
  if (!(options & kEtoGlyphIndex) && TextCharSet(font.charSet, font.face) == kSymbolCharset &&
      SymbolEncodedFace(context, desc.get())) {
    face = "serif";
    pango_font_description_set_family(desc.get(), face.c_str());
  }
  const int weight = font.weight <= 0 ? 400 : std::clamp(font.weight, 100, 1000);
  pango_font_description_set_weight(desc.get(), static_cast<PangoWeight>(weight));
  pango_font_description_set_style(desc.get(), font.italic ? PANGO_STYLE_ITALIC : PANGO_STYLE_NORMAL);
  pango_font_description_set_absolute_size(desc.get(), em * PANGO_SCALE);
  PangoFontMetrics* metrics = pango_context_get_metrics(context, desc.get(), nullptr);
  double xScale = 1;
  if (metrics) {
    const double measuredEm = em;
    if (font.height > 0) {
      // A positive height is the cell (ascent plus descent); the em is the cell less the internal leading.
      const double cell =
          static_cast<double>(pango_font_metrics_get_ascent(metrics) + pango_font_metrics_get_descent(metrics)) /
          PANGO_SCALE;
      if (cell > 0) em = em * em / cell;
      pango_font_description_set_absolute_size(desc.get(), em * PANGO_SCALE);
    }
    if (font.width > 0) {
      // A width asks for characters of that average width: the font is stretched to it.
      const double average =
          static_cast<double>(pango_font_metrics_get_approximate_char_width(metrics)) / PANGO_SCALE * em / measuredEm;
      if (average > 0) xScale = std::clamp(font.width * scaleX / average, 0.05, 20.0);
    }
    pango_font_metrics_unref(metrics);
  }
  if (em * std::max(1.0, xScale) > kMaxDeviceEm) return;

  // Glyph indexes mean something in the writer's own font; a stand-in family shares only some of them.
  const bool standIn = g_ascii_strcasecmp(face.c_str(), font.face.c_str() + (font.face[0] == '@')) != 0;
  TextLine line;
  const bool made = (options & kEtoGlyphIndex)
                        ? GlyphIndexLine(context, desc.get(), text, scaleX / xScale, standIn, line)
                        : LayoutLine(context, desc.get(), font, text, scaleX / xScale, line);
  if (!made) return;
  const double ascent = line.ascent, descent = line.descent, advance = line.width * xScale;

  double x0 = 0;
  const uint32_t horizontal = m_dc.textAlign & kTaHorizontalMask;
  if (horizontal == kTaCenter) {
    x0 = -advance / 2;
  } else if (horizontal == kTaRight) {
    x0 = -advance;
  }
  double baseline = ascent;
  const uint32_t vertical = m_dc.textAlign & kTaVerticalMask;
  if (vertical == kTaBaseline) {
    baseline = 0;
  } else if (vertical == kTaBottom) {
    baseline = -descent;
  }

  // The escapement turns counter-clockwise in logical space, so a mapping that flips y (up the page) turns it
  // the other way on the device: at 270 degrees a y-axis label reads upwards. A mapping that flips x does not
  // mirror glyphs or turn text.
  double phi = std::atan2(m.b, m.a);
  bool flipped = m.Determinant() < 0;
  if (m.AxisAligned() && m.a < 0) phi = 0, flipped = false;
  const double escapement = font.escapement * std::numbers::pi / 1800;
  const double theta = flipped ? phi + escapement : phi - escapement;
  const PointD origin = m.Apply(ref);
  const double cs = std::cos(theta), sn = std::sin(theta);
  auto toDevice = [&](double x, double y) { return PointD{origin.x + cs * x - sn * y, origin.y + sn * x + cs * y}; };
  const double top = baseline - ascent - em * 0.25, bottom = baseline + descent + em * 0.25;
  const double left = std::min(x0, x0 + advance) - em, right = std::max(x0, x0 + advance) + em;
  const PointD corners[4] = {toDevice(left, top), toDevice(right, top), toDevice(right, bottom),
                             toDevice(left, bottom)};
  RectD bounds{corners[0].x, corners[0].y, corners[0].x, corners[0].y};
  for (const PointD& c : corners) {
    bounds.left = std::min(bounds.left, c.x), bounds.top = std::min(bounds.top, c.y);
    bounds.right = std::max(bounds.right, c.x), bounds.bottom = std::max(bounds.bottom, c.y);
  }
  if (rect && (options & kEtoClipped)) {
    const PointD a = m.Apply({rect->left, rect->top}), b = m.Apply({rect->right, rect->bottom});
    const RectD clip = RectD{a.x, a.y, b.x, b.y}.Normalized();
    bounds = {std::max(bounds.left, clip.left), std::max(bounds.top, clip.top), std::min(bounds.right, clip.right),
              std::min(bounds.bottom, clip.bottom)};
    if (bounds.left >= bounds.right || bounds.top >= bounds.bottom) bounds = {};
  }

  const uint32_t colour = Rgb(m_dc.textColor), bk = Rgb(m_dc.bkColor);
  const bool opaque = m_dc.bkMode == kOpaque && !(options & kEtoOpaque);
  if (bounds.right > bounds.left && bounds.bottom > bounds.top) {
    m_canvas.Draw(bounds, m_dc.clip, m_dc.rop2, true, [&](cairo_t* cr) {
      if (rect && (options & kEtoClipped)) {
        cairo_rectangle(cr, bounds.left, bounds.top, bounds.right - bounds.left, bounds.bottom - bounds.top);
        cairo_clip(cr);
      }
      cairo_matrix_t matrix{cs, sn, -sn, cs, origin.x, origin.y};
      cairo_transform(cr, &matrix);
      cairo_scale(cr, xScale, 1);
      if (opaque) {
        cairo_set_antialias(cr, CAIRO_ANTIALIAS_NONE);
        cairo_rectangle(cr, x0 / xScale, baseline - ascent, advance / xScale, ascent + descent);
        cairo_set_source_rgb(cr, RedOf(bk) / 255.0, GreenOf(bk) / 255.0, BlueOf(bk) / 255.0);
        cairo_fill(cr);
        cairo_set_antialias(cr, CAIRO_ANTIALIAS_GRAY);
      }
      cairo_set_source_rgb(cr, RedOf(colour) / 255.0, GreenOf(colour) / 255.0, BlueOf(colour) / 255.0);
      const double startX = advance < 0 ? (x0 + advance) / xScale : x0 / xScale;
      cairo_move_to(cr, startX, baseline);
      line.paint(cr, em * std::max(1.0, xScale) > kOutlineEm);
    });
  }
  if (updateCp && scaleX > 0) {
    const double logicalAdvance = advance / scaleX;
    m_dc.current = {ref.x + logicalAdvance * std::cos(font.escapement * std::numbers::pi / 1800),
                    ref.y - logicalAdvance * std::sin(font.escapement * std::numbers::pi / 1800)};
  }
}

}  // namespace tavlen::gfx::metafile
