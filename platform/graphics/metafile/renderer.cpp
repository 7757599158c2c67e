// The engine's state: mapping, saved states, object selection, colours, clipping and the paint of pens and brushes.
#include "platform/graphics/metafile/renderer.h"

#include <cairo.h>

#include <algorithm>
#include <array>
#include <cmath>

#include "platform/graphics/drawing/brush.h"
#include "platform/graphics/drawing/painter_internal.h"
#include "platform/graphics/metafile/path_bounds.h"

namespace tavlen::gfx::metafile {

Renderer::Renderer(Canvas& canvas, const Affine& deviceToCanvas, const DeviceMetrics& metrics)
    : m_canvas(canvas), m_deviceToCanvas(deviceToCanvas), m_metrics(metrics) {
  m_dc.clip = Clip(canvas.Width(), canvas.Height(), &canvas.Budget());
  m_dc.pen = StockObject(7);
  m_dc.brush = StockObject(0);
  m_dc.font = StockObject(14);
  m_dc.palette = StockObject(15);
}

const Affine& Renderer::LogicalToCanvas() {
  if (!m_mappingValid) {
    m_logicalToCanvas = m_dc.world.Then(PageToDevice(m_dc, m_metrics)).Then(m_deviceToCanvas);
    if (!m_logicalToCanvas.Finite()) m_logicalToCanvas = m_deviceToCanvas;
    m_mappingValid = true;
  }
  return m_logicalToCanvas;
}

void Renderer::SaveDc() {
  if (m_saved.size() >= kMaxSavedStates) return;
  m_saved.push_back(m_dc);
}

bool Renderer::RestoreDc(int32_t which) {
  size_t index;
  if (which < 0) {
    const uint64_t back = static_cast<uint64_t>(-static_cast<int64_t>(which));
    if (back > m_saved.size()) return false;
    index = m_saved.size() - static_cast<size_t>(back);
  } else {
    // A positive number names a level counted from the first save.
    if (which == 0 || static_cast<size_t>(which) > m_saved.size()) return false;
    index = static_cast<size_t>(which) - 1;
  }
  // The path bracket is not part of the saved state.
  const bool inPath = m_dc.inPath;
  DevicePath path = std::move(m_dc.path);
  m_dc = std::move(m_saved[index]);
  m_saved.resize(index);
  m_dc.inPath = inPath;
  m_dc.path = std::move(path);
  MappingChanged();
  return true;
}

void Renderer::SelectObject(const ObjectPtr& object) {
  if (!object) return;
  if (std::holds_alternative<PenObject>(*object)) m_dc.pen = object;
  if (std::holds_alternative<BrushObject>(*object)) m_dc.brush = object;
  if (std::holds_alternative<FontObject>(*object)) m_dc.font = object;
  if (std::holds_alternative<PaletteObject>(*object)) m_dc.palette = object;
  if (const auto* region = std::get_if<RegionObject>(object.get()))
    SelectClipRectsLogical(region->rects, RegionOp::Copy);
}

uint32_t Renderer::Rgb(ColorRef ref) const {
  if ((ref >> 24) == 1) {
    // A palette index.
    const auto* palette = m_dc.palette ? std::get_if<PaletteObject>(m_dc.palette.get()) : nullptr;
    const uint32_t index = ref & 0xFFFF;
    ref = palette && index < palette->colors.size() ? palette->colors[index] : 0;
  }
  return 0xFF000000u | ((ref & 0xFF) << 16) | (ref & 0xFF00) | ((ref >> 16) & 0xFF);
}

void Renderer::IntersectClipRect(const RectD& r) {
  DevicePath p = Transform(
      std::array<PointD, 4>{{{r.left, r.top}, {r.right, r.top}, {r.right, r.bottom}, {r.left, r.bottom}}}, true);
  m_dc.clip.Combine(p, false, RegionOp::And);
}

void Renderer::ExcludeClipRect(const RectD& r) {
  DevicePath p = Transform(
      std::array<PointD, 4>{{{r.left, r.top}, {r.right, r.top}, {r.right, r.bottom}, {r.left, r.bottom}}}, true);
  m_dc.clip.Combine(p, false, RegionOp::Diff);
}

void Renderer::OffsetClip(double dx, double dy) {
  const PointD v = LogicalToCanvas().ApplyVector({dx, dy});
  m_dc.clip.Offset(v.x, v.y);
}

void Renderer::SelectClipRects(std::span<const RectD> rects, RegionOp op) {
  if (rects.empty() && op == RegionOp::Copy) {
    m_dc.clip.Reset();
    return;
  }
  std::vector<RectD> canvasRects;
  canvasRects.reserve(rects.size());
  for (const RectD& r : rects) {
    const PointD a = m_deviceToCanvas.Apply({r.left, r.top}), b = m_deviceToCanvas.Apply({r.right, r.bottom});
    canvasRects.push_back({a.x, a.y, b.x, b.y});
  }
  m_dc.clip.CombineRects(canvasRects, op);
}

void Renderer::SelectClipRectsLogical(std::span<const RectD> rects, RegionOp op) {
  if (rects.empty() && op == RegionOp::Copy) {
    m_dc.clip.Reset();
    return;
  }
  const Affine& m = LogicalToCanvas();
  std::vector<RectD> canvasRects;
  canvasRects.reserve(rects.size());
  for (const RectD& r : rects) {
    const PointD a = m.Apply({r.left, r.top}), b = m.Apply({r.right, r.bottom});
    canvasRects.push_back({a.x, a.y, b.x, b.y});
  }
  m_dc.clip.CombineRects(canvasRects, op);
}

bool Renderer::SetBrushSource(cairo_t* cr, const BrushObject& brush) const {
  cairo_matrix_t origin;
  cairo_matrix_init_translate(&origin, -m_dc.brushOrg.x, -m_dc.brushOrg.y);
  const uint32_t colour = Rgb(brush.color);
  if (brush.style == kBsSolid || (brush.style == kBsHatched && brush.hatch > 5)) {
    cairo_set_source_rgb(cr, RedOf(colour) / 255.0, GreenOf(colour) / 255.0, BlueOf(colour) / 255.0);
    return true;
  }
  if (brush.style == kBsHatched) {
    const Argb back = m_dc.bkMode == kOpaque ? Rgb(m_dc.bkColor) : 0;
    auto hatch = Brush::Hatch(static_cast<int32_t>(brush.hatch), colour, back);
    if (!hatch.Ok()) return false;
    detail::PatternPtr pattern = detail::MakeBrushPattern(hatch.Value());
    if (!pattern || !detail::Good(pattern.get())) return false;
    cairo_pattern_set_matrix(pattern.get(), &origin);
    cairo_set_source(cr, pattern.get());
    return true;
  }
  if ((brush.style == kBsPattern || brush.style == kBsDibPattern || brush.style == kBsDibPatternPt) && brush.pattern) {
    detail::SurfacePtr surface;
    if (brush.pattern->monochrome && brush.monoTakesDcColors) {
      DibImage recoloured = *brush.pattern;
      const bool transparent = m_dc.bkMode == kTransparent;
      const uint32_t fore = Rgb(m_dc.textColor), back = transparent ? 0 : Rgb(m_dc.bkColor);
      for (size_t i = 0; i < recoloured.pixels.size(); ++i) recoloured.pixels[i] = recoloured.bits[i] ? back : fore;
      recoloured.alpha = transparent ? DibAlpha::Alpha : DibAlpha::Opaque;
      surface = DibSurface(recoloured, transparent);
    } else {
      surface = DibSurface(*brush.pattern, false);
    }
    if (!surface) return false;
    detail::PatternPtr pattern(cairo_pattern_create_for_surface(surface.get()));
    cairo_pattern_set_extend(pattern.get(), CAIRO_EXTEND_REPEAT);
    cairo_pattern_set_filter(pattern.get(), CAIRO_FILTER_NEAREST);
    cairo_pattern_set_matrix(pattern.get(), &origin);
    cairo_set_source(cr, pattern.get());
    return true;
  }
  return false;
}

void Renderer::Fill(const DevicePath& shape, const ObjectPtr& brushObject, bool evenOdd) {
  const auto* brush = brushObject ? std::get_if<BrushObject>(brushObject.get()) : nullptr;
  if (!brush || brush->style == kBsNull || shape.Empty()) return;
  RectD bounds;
  if (!shape.Bounds(bounds) || !shape.Finite()) return;
  DevicePath cut;
  const DevicePath& drawn = ForCairo(m_canvas, shape, true, cut);
  m_canvas.Draw(
      bounds, m_dc.clip, m_dc.rop2, SubPixelDetail(),
      [&](cairo_t* cr) {
        drawn.AddTo(cr);
        cairo_set_fill_rule(cr, evenOdd ? CAIRO_FILL_RULE_EVEN_ODD : CAIRO_FILL_RULE_WINDING);
        if (SetBrushSource(cr, *brush)) cairo_fill(cr);
      },
      PathWork(shape, m_canvas.Height(), 0));
}

namespace {

double PathLength(const DevicePath& path) {
  double length = 0;
  const auto& pts = path.Points();
  for (size_t i = 1; i < pts.size(); ++i) length += std::hypot(pts[i].x - pts[i - 1].x, pts[i].y - pts[i - 1].y);
  return length;
}

}  // namespace

void Renderer::Stroke(const DevicePath& shape) {
  const auto* pen = m_dc.pen ? std::get_if<PenObject>(m_dc.pen.get()) : nullptr;
  if (!pen || shape.Empty() || !shape.Finite()) return;
  uint32_t style = pen->style & kPsStyleMask;
  if (style == kPsNull) return;
  const bool geometric = (pen->style & kPsGeometric) != 0;
  const Affine& m = LogicalToCanvas();
  double width = 1;
  if (pen->width > 0 && (!pen->extended || geometric)) width = std::max(1.0, std::round(pen->width * m.MeanScale()));
  if (!std::isfinite(width) || width > 1e5) return;
  // Pens of the old kind draw solid when wider than a pixel.
  if (!pen->extended && width > 1 && style != kPsInsideFrame) style = kPsSolid;

  std::vector<double> dashes;
  const double unit = width > 1 ? width : 1;
  switch (style) {
    case kPsDash:
      dashes = width > 1 ? std::vector<double>{3 * unit, unit} : std::vector<double>{18, 6};
      break;
    case kPsDot:
      dashes = width > 1 ? std::vector<double>{unit, unit} : std::vector<double>{3, 3};
      break;
    case kPsDashDot:
      dashes = width > 1 ? std::vector<double>{3 * unit, unit, unit, unit} : std::vector<double>{9, 6, 3, 6};
      break;
    case kPsDashDotDot:
      dashes = width > 1 ? std::vector<double>{3 * unit, unit, unit, unit, unit, unit}
                         : std::vector<double>{9, 3, 3, 3, 3, 3};
      break;
    case kPsAlternate:
      dashes = {1, 1};
      break;
    case kPsUserStyle:
      for (double d : pen->userDashes) dashes.push_back(std::max(0.0, d * (geometric ? m.MeanScale() : 1)));
      break;
    default:
      break;
  }
  double period = 0;
  for (double d : dashes) period += d;
  // Dashes beyond a sane count (a hostile length, or a pattern of zeros) are drawn as a solid line.
  if (!dashes.empty() && (!(period > 0.5) || PathLength(shape) / period > 1e5)) dashes.clear();

  cairo_line_cap_t cap = CAIRO_LINE_CAP_ROUND;
  cairo_line_join_t join = CAIRO_LINE_JOIN_ROUND;
  // Extended pens take their ends and joins from the style when geometric; the old kind's style carries them too,
  // and a wide old pen is geometric.
  if ((pen->extended && geometric) || (!pen->extended && width > 1)) {
    const uint32_t c = pen->style & kPsEndCapMask, j = pen->style & kPsJoinMask;
    cap = c == kPsEndCapFlat     ? CAIRO_LINE_CAP_BUTT
          : c == kPsEndCapSquare ? CAIRO_LINE_CAP_SQUARE
                                 : CAIRO_LINE_CAP_ROUND;
    join = j == kPsJoinMiter   ? CAIRO_LINE_JOIN_MITER
           : j == kPsJoinBevel ? CAIRO_LINE_JOIN_BEVEL
                               : CAIRO_LINE_JOIN_ROUND;
  }
  if (width <= 1) cap = CAIRO_LINE_CAP_BUTT;
  const double miter = std::clamp(m_dc.miterLimit, 1.0, 100.0);
  // Odd widths are centred on pixel centres so that a line covers whole pixel rows.
  const double offset = static_cast<int64_t>(width) % 2 == 1 ? 0.5 : 0.0;
  RectD bounds;
  shape.Bounds(bounds);
  const double grow = width / 2 * (join == CAIRO_LINE_JOIN_MITER ? miter : 1.0);
  bounds = {bounds.left - grow + offset, bounds.top - grow + offset, bounds.right + grow + offset,
            bounds.bottom + grow + offset};
  const uint32_t colour = Rgb(pen->color);
  DevicePath cut;
  const DevicePath& drawn = ForCairo(m_canvas, shape, false, cut);
  m_canvas.Draw(
      bounds, m_dc.clip, m_dc.rop2, SubPixelDetail(),
      [&](cairo_t* cr) {
        drawn.AddTo(cr, offset, offset);
        cairo_set_line_width(cr, width);
        cairo_set_line_cap(cr, cap);
        cairo_set_line_join(cr, join);
        cairo_set_miter_limit(cr, miter);
        if (!dashes.empty()) cairo_set_dash(cr, dashes.data(), static_cast<int>(dashes.size()), 0);
        cairo_set_source_rgb(cr, RedOf(colour) / 255.0, GreenOf(colour) / 255.0, BlueOf(colour) / 255.0);
        cairo_stroke(cr);
      },
      PathWork(shape, m_canvas.Height(), width));
}

}  // namespace tavlen::gfx::metafile
