// Clip regions: rectangles kept exactly, anything else as an A8 mask combined with cairo's operators.
#include "platform/graphics/metafile/clip.h"

#include <cmath>

#include "platform/graphics/metafile/path_bounds.h"

namespace tavlen::gfx::metafile {
namespace {

std::shared_ptr<cairo_surface_t> NewMask(const detail::IntBox& canvas) {
  detail::SurfacePtr s(
      cairo_image_surface_create(CAIRO_FORMAT_A8, static_cast<int>(canvas.Width()), static_cast<int>(canvas.Height())));
  if (!detail::Good(s.get())) return nullptr;
  return std::shared_ptr<cairo_surface_t>(std::move(s));
}

// Draws on `surface` through a context of its own, destroyed before the caller goes on with the surface.
template <class Draw>
void DrawOn(cairo_surface_t* surface, Draw draw) {
  const detail::CairoPtr cr(cairo_create(surface));
  draw(cr.get());
}

detail::IntBox RoundBox(const RectD& r) {
  auto c = [](double v) { return static_cast<int64_t>(std::clamp(std::floor(v + 0.5), -1e9, 1e9)); };
  const RectD n = r.Normalized();
  return {c(n.left), c(n.top), c(n.right), c(n.bottom)};
}

}  // namespace

void Clip::ClipAll() {
  m_kind = Kind::Rect;
  m_box = {};
  m_mask.reset();
}

void Clip::Reset() {
  m_kind = Kind::None;
  m_box = m_canvas;
  m_mask.reset();
}

cairo_surface_t* Clip::WritableMask() {
  if (m_mask && m_mask.use_count() == 1) return m_mask.get();
  auto copy = NewMask(m_canvas);
  if (!copy) return nullptr;
  if (m_mask) {
    DrawOn(copy.get(), [&](cairo_t* cr) {
      cairo_set_source_surface(cr, m_mask.get(), 0, 0);
      cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
      cairo_paint(cr);
    });
  }
  m_mask = std::move(copy);
  return m_mask.get();
}

void Clip::ToMask() {
  if (m_kind == Kind::Mask) return;
  const Kind was = m_kind;
  m_mask.reset();
  cairo_surface_t* mask = WritableMask();
  if (!mask) return;
  DrawOn(mask, [&](cairo_t* cr) {
    cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
    cairo_set_source_rgba(cr, 0, 0, 0, 1);
    if (was == Kind::None) {
      cairo_paint(cr);
    } else if (!m_box.Empty()) {
      cairo_rectangle(cr, static_cast<double>(m_box.x0), static_cast<double>(m_box.y0),
                      static_cast<double>(m_box.Width()), static_cast<double>(m_box.Height()));
      cairo_fill(cr);
    }
  });
  m_kind = Kind::Mask;
}

void Clip::Combine(const DevicePath& whole, bool evenOdd, RegionOp op) {
  if (!whole.Finite() || m_canvas.Empty()) return;
  const double rows = static_cast<double>(m_canvas.Height());
  const double pathWork = PathWork(whole, rows, 0);
  DevicePath cut;
  const DevicePath& shape = WithinFarBox(whole, static_cast<double>(m_canvas.Width()), rows, true, cut);
  if (op == RegionOp::Copy) {
    Reset();
    op = RegionOp::And;  // copying is intersecting with everything
  }
  if (op == RegionOp::And && m_kind != Kind::Mask) {
    // A lone axis-aligned rectangle keeps the clip exact and cheap.
    const auto& ops = shape.Ops();
    const auto& pts = shape.Points();
    const bool rect = ops.size() >= 4 && ops.size() <= 6 && pts.size() >= 4 && pts.size() <= 5 &&
                      ops[0] == DevicePath::Op::Move &&
                      ((pts[0].x == pts[1].x && pts[1].y == pts[2].y && pts[2].x == pts[3].x && pts[3].y == pts[0].y) ||
                       (pts[0].y == pts[1].y && pts[1].x == pts[2].x && pts[2].y == pts[3].y && pts[3].x == pts[0].x));
    bool plain = true;
    for (size_t i = 1; i < ops.size(); ++i) plain &= ops[i] != DevicePath::Op::Curve && ops[i] != DevicePath::Op::Move;
    if (rect && plain && (pts.size() == 4 || (pts[4].x == pts[0].x && pts[4].y == pts[0].y))) {
      if (m_budget && !m_budget->Charge(pathWork)) return ClipAll();
      RectD r{pts[0].x, pts[0].y, pts[2].x, pts[2].y};
      m_box = m_box.Intersect(RoundBox(r)).Intersect(m_canvas);
      m_kind = Kind::Rect;
      return;
    }
  }
  // A mask is combined over the whole canvas.
  if (m_budget && !m_budget->Charge(pathWork + static_cast<double>(m_canvas.Width()) * rows)) return ClipAll();
  ToMask();
  cairo_surface_t* mask = WritableMask();
  if (!mask) return;
  DrawOn(mask, [&](cairo_t* cr) {
    cairo_set_antialias(cr, CAIRO_ANTIALIAS_NONE);
    cairo_set_fill_rule(cr, evenOdd ? CAIRO_FILL_RULE_EVEN_ODD : CAIRO_FILL_RULE_WINDING);
    cairo_set_source_rgba(cr, 0, 0, 0, 1);
    switch (op) {
      case RegionOp::And:
        cairo_set_operator(cr, CAIRO_OPERATOR_DEST_IN);
        break;
      case RegionOp::Or:
        cairo_set_operator(cr, CAIRO_OPERATOR_OVER);
        break;
      case RegionOp::Xor:
        cairo_set_operator(cr, CAIRO_OPERATOR_XOR);
        break;
      case RegionOp::Diff:
        cairo_set_operator(cr, CAIRO_OPERATOR_DEST_OUT);
        break;
      case RegionOp::Copy:
        break;
    }
    shape.AddTo(cr);
    cairo_fill(cr);
  });
  cairo_surface_flush(mask);
  m_box = m_canvas;
}

void Clip::CombineRects(std::span<const RectD> rects, RegionOp op) {
  DevicePath path;
  for (const RectD& r : rects) {
    const RectD n = r.Normalized();
    path.MoveTo({n.left, n.top});
    path.LineTo({n.right, n.top});
    path.LineTo({n.right, n.bottom});
    path.LineTo({n.left, n.bottom});
    path.Close();
  }
  // An empty region: copying or intersecting with it clips everything away.
  if (rects.empty()) {
    if (op == RegionOp::Copy || op == RegionOp::And) ClipAll();
    return;
  }
  Combine(path, false, op);
}

void Clip::Offset(double dx, double dy) {
  if (m_kind == Kind::None || !std::isfinite(dx) || !std::isfinite(dy)) return;
  const int64_t ix = static_cast<int64_t>(std::clamp(std::round(dx), -1e9, 1e9));
  const int64_t iy = static_cast<int64_t>(std::clamp(std::round(dy), -1e9, 1e9));
  if (m_kind == Kind::Rect) {
    if (m_box.Empty()) return;
    m_box = IntBox{m_box.x0 + ix, m_box.y0 + iy, m_box.x1 + ix, m_box.y1 + iy}.Intersect(m_canvas);
    return;
  }
  auto moved = NewMask(m_canvas);
  if (!moved) return;
  DrawOn(moved.get(), [&](cairo_t* cr) {
    cairo_set_source_surface(cr, m_mask.get(), static_cast<double>(ix), static_cast<double>(iy));
    cairo_paint(cr);
  });
  cairo_surface_flush(moved.get());
  m_mask = std::move(moved);
}

void Clip::ClipCairo(cairo_t* cr) const {
  if (m_kind != Kind::Rect) return;
  cairo_rectangle(cr, static_cast<double>(m_box.x0), static_cast<double>(m_box.y0), static_cast<double>(m_box.Width()),
                  static_cast<double>(m_box.Height()));
  cairo_clip(cr);
}

uint8_t Clip::Coverage(int64_t x, int64_t y) const {
  if (m_kind != Kind::Mask || !m_mask) return 255;
  const uint8_t* data = cairo_image_surface_get_data(m_mask.get());
  const int stride = cairo_image_surface_get_stride(m_mask.get());
  return data[y * stride + x];
}

}  // namespace tavlen::gfx::metafile
