// Region bookkeeping, and rasterising a region into a coverage mask or a single even-odd path.
#include "platform/graphics/drawing/region.h"

#include <cmath>

#include "platform/graphics/drawing/region_raster.h"

namespace tavlen::gfx {
namespace {

// Larger than any surface, small enough for cairo's fixed-point coordinates.
constexpr float kInfinite = 4194304.0f;
constexpr RectF kInfiniteRect{-kInfinite, -kInfinite, 2 * kInfinite, 2 * kInfinite};

bool ValidMode(CombineMode mode) { return static_cast<int32_t>(mode) >= 0 && static_cast<int32_t>(mode) <= 5; }

}  // namespace

Region::Region() { MakeInfinite(); }

Region::Region(const RectF& rect) {
  MakeEmpty();
  Ignore(Combine(rect, CombineMode::Replace));
}

Region::Region(const Rect& rect) : Region(RectF::From(rect)) {}

Region::Region(const GraphicsPath& path) {
  MakeEmpty();
  Ignore(Combine(path, CombineMode::Replace));
}

void Region::MakeInfinite() {
  m_elements.clear();
  m_elements.push_back({CombineMode::Replace, false, kInfiniteRect, {}});
}

void Region::MakeEmpty() {
  m_elements.clear();
  m_elements.push_back({CombineMode::Replace, false, RectF{}, {}});
}

Status Region::Combine(const RectF& r, CombineMode mode) {
  if (!ValidMode(mode) || !std::isfinite(r.x) || !std::isfinite(r.y) || !std::isfinite(r.width) ||
      !std::isfinite(r.height)) {
    return Status::InvalidParameter;
  }
  // A rectangle given with a negative size spans the same area as its normalised form.
  RectF n = r;
  if (n.width < 0) n = {n.x + n.width, n.y, -n.width, n.height};
  if (n.height < 0) n = {n.x, n.y + n.height, n.width, -n.height};
  if (mode == CombineMode::Replace) m_elements.clear();
  m_elements.push_back({m_elements.empty() ? CombineMode::Replace : mode, false, n, {}});
  return Status::Ok;
}

Status Region::Combine(const Rect& r, CombineMode mode) { return Combine(RectF::From(r), mode); }

Status Region::Combine(const GraphicsPath& path, CombineMode mode) {
  if (!ValidMode(mode)) return Status::InvalidParameter;
  if (mode == CombineMode::Replace) m_elements.clear();
  m_elements.push_back({m_elements.empty() ? CombineMode::Replace : mode, true, {}, path});
  return Status::Ok;
}

namespace detail {

namespace {

void AddElementPath(cairo_t* cr, const Region::Element& e) {
  if (e.isPath) {
    AppendPath(cr, e.path);
  } else if (e.rect.width > 0 && e.rect.height > 0) {
    cairo_rectangle(cr, e.rect.x, e.rect.y, e.rect.width, e.rect.height);
  }
}

cairo_fill_rule_t FillRule(const Region::Element& e) {
  return e.isPath && e.path.GetFillMode() == FillMode::Winding ? CAIRO_FILL_RULE_WINDING : CAIRO_FILL_RULE_EVEN_ODD;
}

}  // namespace

bool RegionAsSinglePath(cairo_t* cr, const Region& region) {
  const auto& elements = region.Elements();
  if (elements.size() == 1) {
    cairo_new_path(cr);
    AddElementPath(cr, elements[0]);
    cairo_set_fill_rule(cr, FillRule(elements[0]));
    return true;
  }
  // An exclusive-or of even-odd shapes is the even-odd fill of all their outlines together.
  for (const auto& e : elements) {
    if (e.mode != CombineMode::Replace && e.mode != CombineMode::Xor) return false;
    if (FillRule(e) != CAIRO_FILL_RULE_EVEN_ODD) return false;
  }
  cairo_new_path(cr);
  for (const auto& e : elements) AddElementPath(cr, e);
  cairo_set_fill_rule(cr, CAIRO_FILL_RULE_EVEN_ODD);
  return true;
}

SurfacePtr RegionMask(const Region& region, const IntBox& box, const cairo_matrix_t& transform,
                      cairo_antialias_t antialias) {
  SurfacePtr mask(
      cairo_image_surface_create(CAIRO_FORMAT_A8, static_cast<int>(box.Width()), static_cast<int>(box.Height())));
  if (!Good(mask.get())) return nullptr;
  cairo_surface_set_device_offset(mask.get(), static_cast<double>(-box.x0), static_cast<double>(-box.y0));
  CairoPtr cr(cairo_create(mask.get()));
  if (!Good(cr.get())) return nullptr;
  cairo_set_matrix(cr.get(), &transform);
  cairo_set_antialias(cr.get(), antialias);
  cairo_set_source_rgba(cr.get(), 0, 0, 0, 1);
  // Each shape acts as the source's mask, so the unbounded operators also clear what lies
  // outside the shape: DEST_IN keeps the overlap, OUT keeps the shape less the region so far.
  for (const auto& e : region.Elements()) {
    cairo_operator_t op = CAIRO_OPERATOR_OVER;
    switch (e.mode) {
      case CombineMode::Replace:
        cairo_set_operator(cr.get(), CAIRO_OPERATOR_CLEAR);
        cairo_paint(cr.get());
        op = CAIRO_OPERATOR_OVER;
        break;
      case CombineMode::Intersect:
        op = CAIRO_OPERATOR_DEST_IN;
        break;
      case CombineMode::Union:
        op = CAIRO_OPERATOR_OVER;
        break;
      case CombineMode::Xor:
        op = CAIRO_OPERATOR_XOR;
        break;
      case CombineMode::Exclude:
        op = CAIRO_OPERATOR_DEST_OUT;
        break;
      case CombineMode::Complement:
        op = CAIRO_OPERATOR_OUT;
        break;
    }
    cairo_set_operator(cr.get(), op);
    cairo_new_path(cr.get());
    AddElementPath(cr.get(), e);
    cairo_set_fill_rule(cr.get(), FillRule(e));
    cairo_fill(cr.get());
  }
  cr.reset();
  cairo_surface_flush(mask.get());
  return mask;
}

}  // namespace detail
}  // namespace tavlen::gfx
