// The graphics object: state, shapes, regions and text; images are in image_draw.cpp.
#include "platform/graphics/drawing/graphics.h"

#include <pango/pangocairo.h>

#include <cmath>

#include "platform/graphics/drawing/painter_internal.h"
#include "platform/graphics/drawing/region_raster.h"
#include "platform/graphics/drawing/render_target.h"

namespace tavlen::gfx {

using detail::CairoPtr;
using detail::IntBox;

namespace {

bool FiniteRect(const RectF& r) {
  return std::isfinite(r.x) && std::isfinite(r.y) && std::isfinite(r.width) && std::isfinite(r.height);
}

// Device pixels per unit, for units with a physical size.
double PhysicalUnitScale(Unit unit, double dpi) {
  switch (unit) {
    case Unit::Point:
      return dpi / 72.0;
    case Unit::Inch:
      return dpi;
    case Unit::Document:
      return dpi / 300.0;
    case Unit::Millimeter:
      return dpi / 25.4;
    default:
      return 1.0;
  }
}

}  // namespace

Graphics::Graphics(std::unique_ptr<detail::RenderTarget> target) : m_target(std::move(target)) {}
Graphics::~Graphics() = default;

Result<Graphics::Ptr> Graphics::FromImage(Bitmap& bitmap) {
  auto target = detail::RenderTarget::ForBitmap(bitmap);
  if (!target.Ok()) return target.GetStatus();
  return Ptr(new Graphics(std::move(target).Value()));
}

Result<Graphics::Ptr> Graphics::FromSurface(const WindowSurface& surface) {
  if (!(surface.dpiX > 0) || !(surface.dpiY > 0) || !std::isfinite(surface.dpiX) || !std::isfinite(surface.dpiY)) {
    return Status::InvalidParameter;
  }
  auto target = detail::RenderTarget::ForSurface(surface);
  if (!target.Ok()) return target.GetStatus();
  Ptr g(new Graphics(std::move(target).Value()));
  g->m_dpiX = surface.dpiX;
  g->m_dpiY = surface.dpiY;
  g->m_printer = surface.printer;
  return g;
}

Status Graphics::SetInterpolationMode(InterpolationMode mode) {
  const auto m = static_cast<int32_t>(mode);
  if (m < 0 || m > 7) return Status::InvalidParameter;
  m_interpolation = mode;
  return Status::Ok;
}

Status Graphics::SetPageUnit(Unit unit) {
  const auto u = static_cast<int32_t>(unit);
  if (u < 1 || u > 6) return Status::InvalidParameter;
  m_pageUnit = unit;
  return Status::Ok;
}

Status Graphics::SetPageScale(float scale) {
  if (!std::isfinite(scale) || scale <= 0 || scale > 1e6f) return Status::InvalidParameter;
  m_pageScale = scale;
  return Status::Ok;
}

Status Graphics::SetSmoothingMode(SmoothingMode mode) {
  const auto m = static_cast<int32_t>(mode);
  if (m < 0 || m > 4) return Status::InvalidParameter;
  m_smoothing = mode;
  return Status::Ok;
}

Status Graphics::SetClip(const RectF& rect) {
  if (!FiniteRect(rect) || rect.width < 0 || rect.height < 0) return Status::InvalidParameter;
  const double x0 = std::round(rect.x * ScaleX()), y0 = std::round(rect.y * ScaleY());
  const double x1 = std::round((rect.x + rect.width) * ScaleX()), y1 = std::round((rect.y + rect.height) * ScaleY());
  auto c = [](double v) { return static_cast<int32_t>(std::clamp(v, -1073741824.0, 1073741824.0)); };
  m_clip = {c(x0), c(y0), c(x1) - c(x0), c(y1) - c(y0)};
  m_hasClip = true;
  return Status::Ok;
}

void Graphics::ResetClip() { m_hasClip = false; }

double Graphics::ScaleX() const {
  if (m_pageUnit == Unit::Display) return (m_printer ? m_dpiX / 100.0 : 1.0) * m_pageScale;
  return PhysicalUnitScale(m_pageUnit, m_dpiX) * m_pageScale;
}

double Graphics::ScaleY() const {
  if (m_pageUnit == Unit::Display) return (m_printer ? m_dpiY / 100.0 : 1.0) * m_pageScale;
  return PhysicalUnitScale(m_pageUnit, m_dpiY) * m_pageScale;
}

void Graphics::ApplyTransform(cairo_t* cr) const {
  cairo_identity_matrix(cr);
  cairo_scale(cr, ScaleX(), ScaleY());
}

bool Graphics::Smooth() const {
  return m_smoothing == SmoothingMode::AntiAlias || m_smoothing == SmoothingMode::HighQuality;
}

IntBox Graphics::ClipBox() const {
  IntBox box = m_target->Bounds();
  if (m_hasClip) box = box.Intersect(IntBox::FromRect(m_clip));
  return box;
}

detail::CairoPtr Graphics::MeasureContext() const {
  detail::SurfacePtr scratch(cairo_image_surface_create(CAIRO_FORMAT_A8, 1, 1));
  detail::CairoPtr cr(cairo_create(scratch.get()));
  ApplyTransform(cr.get());
  return cr;
}

Status Graphics::Paint(const IntBox& requested, const std::function<void(cairo_t*)>& draw) {
  const IntBox box = requested.Intersect(ClipBox());
  if (box.Empty()) return Status::Ok;
  // Pieces small enough for cairo's image size limit and for a bounded temporary copy.
  constexpr int64_t kTileSide = 8192;
  constexpr int64_t kTilePixels = int64_t{1} << 22;
  const int64_t tileW = std::min(box.Width(), kTileSide);
  const int64_t tileH = std::clamp<int64_t>(kTilePixels / tileW, 1, kTileSide);
  for (int64_t y = box.y0; y < box.y1; y += tileH) {
    for (int64_t x = box.x0; x < box.x1; x += tileW) {
      const IntBox tile{x, y, std::min(x + tileW, box.x1), std::min(y + tileH, box.y1)};
      CairoPtr cr;
      if (Status s = m_target->Begin(tile, cr); s != Status::Ok) return s;
      ApplyTransform(cr.get());
      cairo_set_antialias(cr.get(), Smooth() ? CAIRO_ANTIALIAS_GRAY : CAIRO_ANTIALIAS_NONE);
      draw(cr.get());
      m_target->End(cr);
    }
  }
  return Status::Ok;
}

Status Graphics::Clear(Argb color) {
  return Paint(ClipBox(), [color](cairo_t* cr) {
    cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
    cairo_set_source_rgba(cr, RedOf(color) / 255.0, GreenOf(color) / 255.0, BlueOf(color) / 255.0,
                          AlphaOf(color) / 255.0);
    cairo_paint(cr);
  });
}

Status Graphics::FillRectangle(const Brush& brush, const RectF& r) {
  if (!FiniteRect(r)) return Status::InvalidParameter;
  if (r.width <= 0 || r.height <= 0) return Status::Ok;
  auto measure = MeasureContext();
  cairo_rectangle(measure.get(), r.x, r.y, r.width, r.height);
  const IntBox box = detail::PathDeviceExtents(measure.get(), false, 1);
  bool ok = true;
  Status s = Paint(box, [&](cairo_t* cr) {
    cairo_rectangle(cr, r.x, r.y, r.width, r.height);
    ok = detail::SetBrushSource(cr, brush) && ok;
    cairo_fill(cr);
  });
  return s != Status::Ok ? s : ok ? Status::Ok : Status::OutOfMemory;
}

double Graphics::PenWidthInDevice(const Pen& pen) const {
  double w = pen.Width();
  if (pen.GetUnit() == Unit::World) {
    w *= ScaleX();
  } else if (pen.GetUnit() != Unit::Pixel) {
    w *= PhysicalUnitScale(pen.GetUnit(), m_dpiX);
  }
  return w;
}

Status Graphics::DrawRectangle(const Pen& pen, const RectF& r) {
  if (!FiniteRect(r)) return Status::InvalidParameter;
  if (r.width < 0 || r.height < 0) return Status::Ok;
  // The stroke is filled as the band between two device-space rectangles, so its pixels follow
  // exactly from the pen width and alignment.
  // A pen thinner than one device pixel draws a one-pixel line centred on the outline whatever its
  // alignment, as a zero-width pen does: inset, its pixel would fall inside the far edges.
  const double deviceWidth = PenWidthInDevice(pen);
  const double pw = std::max(deviceWidth, 1.0);
  const double x = r.x * ScaleX(), y = r.y * ScaleY();
  const double w = r.width * ScaleX(), h = r.height * ScaleY();
  double ox0, oy0, ox1, oy1, ix0, iy0, ix1, iy1;
  if (pen.Alignment() == PenAlignment::Inset && deviceWidth >= 1.0) {
    ox0 = x, oy0 = y, ox1 = x + w, oy1 = y + h;
    ix0 = x + pw, iy0 = y + pw, ix1 = x + w - pw, iy1 = y + h - pw;
  } else {
    // An odd pen width centred on a whole coordinate covers whole pixels from that coordinate on.
    const double o = (static_cast<int64_t>(std::lround(pw)) % 2 == 1) ? 0.5 : 0.0;
    ox0 = x - pw / 2 + o, oy0 = y - pw / 2 + o, ox1 = x + w + pw / 2 + o, oy1 = y + h + pw / 2 + o;
    ix0 = x + pw / 2 + o, iy0 = y + pw / 2 + o, ix1 = x + w - pw / 2 + o, iy1 = y + h - pw / 2 + o;
  }
  const IntBox box{static_cast<int64_t>(std::floor(ox0)) - 1, static_cast<int64_t>(std::floor(oy0)) - 1,
                   static_cast<int64_t>(std::ceil(ox1)) + 1, static_cast<int64_t>(std::ceil(oy1)) + 1};
  const Argb c = pen.Color();
  return Paint(box, [&](cairo_t* cr) {
    cairo_identity_matrix(cr);
    cairo_rectangle(cr, ox0, oy0, ox1 - ox0, oy1 - oy0);
    if (ix1 > ix0 && iy1 > iy0) cairo_rectangle(cr, ix0, iy0, ix1 - ix0, iy1 - iy0);
    cairo_set_fill_rule(cr, CAIRO_FILL_RULE_EVEN_ODD);
    cairo_set_source_rgba(cr, RedOf(c) / 255.0, GreenOf(c) / 255.0, BlueOf(c) / 255.0, AlphaOf(c) / 255.0);
    cairo_fill(cr);
  });
}

Status Graphics::FillPath(const Brush& brush, const GraphicsPath& path) {
  if (path.PointCount() == 0) return Status::Ok;
  auto measure = MeasureContext();
  detail::AppendPath(measure.get(), path);
  const IntBox box = detail::PathDeviceExtents(measure.get(), false, 1);
  bool ok = true;
  Status s = Paint(box, [&](cairo_t* cr) {
    detail::AppendPath(cr, path);
    cairo_set_fill_rule(cr,
                        path.GetFillMode() == FillMode::Winding ? CAIRO_FILL_RULE_WINDING : CAIRO_FILL_RULE_EVEN_ODD);
    ok = detail::SetBrushSource(cr, brush) && ok;
    cairo_fill(cr);
  });
  return s != Status::Ok ? s : ok ? Status::Ok : Status::OutOfMemory;
}

Status Graphics::DrawPath(const Pen& pen, const GraphicsPath& path) {
  if (path.PointCount() == 0) return Status::Ok;
  // Thinner pens still draw a one-pixel line.
  const double pw = std::max(PenWidthInDevice(pen), 1.0);
  const double o = (static_cast<int64_t>(std::lround(pw)) % 2 == 1) ? 0.5 : 0.0;
  const double sx = ScaleX(), sy = ScaleY();
  auto setup = [&](cairo_t* cr) {
    cairo_identity_matrix(cr);
    cairo_translate(cr, o, o);
    cairo_scale(cr, sx, sy);
    detail::AppendPath(cr, path);
    cairo_identity_matrix(cr);  // the pen's width is in device pixels, whatever the page transform
    cairo_set_line_width(cr, pw);
    cairo_set_line_join(cr, CAIRO_LINE_JOIN_MITER);
    cairo_set_miter_limit(cr, 10.0);
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_BUTT);
  };
  auto measure = MeasureContext();
  setup(measure.get());
  const IntBox box = detail::PathDeviceExtents(measure.get(), true, 2);
  const Argb c = pen.Color();
  return Paint(box, [&](cairo_t* cr) {
    setup(cr);
    cairo_set_source_rgba(cr, RedOf(c) / 255.0, GreenOf(c) / 255.0, BlueOf(c) / 255.0, AlphaOf(c) / 255.0);
    cairo_stroke(cr);
  });
}

Status Graphics::FillRegion(const Brush& brush, const Region& region) {
  auto measure = MeasureContext();
  const bool single = detail::RegionAsSinglePath(measure.get(), region);
  const IntBox box = single ? detail::PathDeviceExtents(measure.get(), false, 1) : ClipBox();
  bool ok = true;
  Status s = Paint(box, [&](cairo_t* cr) {
    if (single) {
      detail::RegionAsSinglePath(cr, region);
      ok = detail::SetBrushSource(cr, brush) && ok;
      cairo_fill(cr);
      return;
    }
    // This piece of the region as a coverage mask, then the brush through it.
    double x0, y0, x1, y1;
    cairo_clip_extents(cr, &x0, &y0, &x1, &y1);
    cairo_user_to_device(cr, &x0, &y0);
    cairo_user_to_device(cr, &x1, &y1);
    const IntBox piece{static_cast<int64_t>(std::floor(x0)), static_cast<int64_t>(std::floor(y0)),
                       static_cast<int64_t>(std::ceil(x1)), static_cast<int64_t>(std::ceil(y1))};
    cairo_matrix_t transform;
    cairo_get_matrix(cr, &transform);
    detail::SurfacePtr mask = detail::RegionMask(region, piece, transform, cairo_get_antialias(cr));
    if (!mask) {
      ok = false;
      return;
    }
    ok = detail::SetBrushSource(cr, brush) && ok;
    cairo_identity_matrix(cr);
    cairo_mask_surface(cr, mask.get(), static_cast<double>(piece.x0), static_cast<double>(piece.y0));
  });
  return s != Status::Ok ? s : ok ? Status::Ok : Status::OutOfMemory;
}

double Graphics::EmSizeInWorld(const Font& font) const {
  switch (font.GetUnit()) {
    case Unit::World:
      return font.EmSize();
    case Unit::Pixel:
      return font.EmSize() / ScaleY();
    default:
      return font.EmSize() * PhysicalUnitScale(font.GetUnit(), m_dpiY) / ScaleY();
  }
}

Status Graphics::DrawString(std::string_view utf8, const Font& font, const RectF& layoutRect,
                            const StringFormat* format, const Brush& brush) {
  auto measure = MeasureContext();
  detail::TextLayout text;
  if (Status s =
          detail::MakeTextLayout(measure.get(), utf8, font.Family().Name().c_str(), font.Style(), EmSizeInWorld(font),
                                 layoutRect, format ? *format : StringFormat::GenericDefault(), /*hinted=*/true, text);
      s != Status::Ok) {
    return s;
  }
  PangoRectangle ink{};
  pango_layout_get_pixel_extents(text.layout.get(), &ink, nullptr);
  if (ink.width <= 0 || ink.height <= 0) return Status::Ok;
  cairo_new_path(measure.get());
  cairo_rectangle(measure.get(), text.x + ink.x, text.y + ink.y, ink.width, ink.height);
  IntBox box = detail::PathDeviceExtents(measure.get(), false, 2);
  if (text.clip) {
    cairo_new_path(measure.get());
    cairo_rectangle(measure.get(), text.clipRect.x, text.clipRect.y, text.clipRect.width, text.clipRect.height);
    box = box.Intersect(detail::PathDeviceExtents(measure.get(), false, 1));
  }
  bool ok = true;
  Status s = Paint(box, [&](cairo_t* cr) {
    if (text.clip) {
      cairo_rectangle(cr, text.clipRect.x, text.clipRect.y, text.clipRect.width, text.clipRect.height);
      cairo_clip(cr);
    }
    ok = detail::SetBrushSource(cr, brush) && ok;
    cairo_move_to(cr, text.x, text.y);
    pango_cairo_update_layout(cr, text.layout.get());
    pango_cairo_show_layout(cr, text.layout.get());
  });
  return s != Status::Ok ? s : ok ? Status::Ok : Status::OutOfMemory;
}

Status Graphics::MeasureString(std::string_view utf8, const Font& font, const RectF& layoutRect,
                               const StringFormat* format, RectF& bounds) {
  auto measure = MeasureContext();
  detail::TextLayout text;
  const StringFormat& fmt = format ? *format : StringFormat::GenericDefault();
  const double em = EmSizeInWorld(font);
  if (Status s = detail::MakeTextLayout(measure.get(), utf8, font.Family().Name().c_str(), font.Style(), em, layoutRect,
                                        fmt, /*hinted=*/true, text);
      s != Status::Ok) {
    return s;
  }
  PangoRectangle logical{};
  pango_layout_get_extents(text.layout.get(), nullptr, &logical);
  const double pad = fmt.padding ? em / 6.0 : 0.0;
  bounds = {static_cast<float>(text.x - pad), static_cast<float>(text.y),
            static_cast<float>(static_cast<double>(logical.width) / PANGO_SCALE + 2 * pad),
            static_cast<float>(static_cast<double>(logical.height) / PANGO_SCALE)};
  return Status::Ok;
}

namespace detail {

bool SetBrushSource(cairo_t* cr, const Brush& brush) {
  PatternPtr pattern = MakeBrushPattern(brush);
  if (!pattern || !Good(pattern.get())) return false;
  if (brush.GetKind() == Brush::Kind::Hatch) {
    // The pattern's space is the device's: tiles line up at the surface origin at every scale.
    cairo_matrix_t userToDevice;
    cairo_get_matrix(cr, &userToDevice);
    cairo_pattern_set_matrix(pattern.get(), &userToDevice);
  }
  cairo_set_source(cr, pattern.get());
  return true;
}

}  // namespace detail
}  // namespace tavlen::gfx
