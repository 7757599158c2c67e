// The canvas: direct cairo drawing for plain copies, and per-pixel mixing for raster operations and mask clips.
#include "platform/graphics/metafile/canvas.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace tavlen::gfx::metafile {
namespace {

using detail::IntBox;

uint32_t Rop2Mix(int32_t rop2, uint32_t p, uint32_t d) {
  const uint32_t table = static_cast<uint32_t>(rop2 - 1) & 15;
  uint32_t out = 0;
  if (table & 1) out |= ~p & ~d;
  if (table & 2) out |= ~p & d;
  if (table & 4) out |= p & ~d;
  if (table & 8) out |= p & d;
  return out & 0xFFFFFF;
}

uint32_t Rop3Mix(uint8_t rop, uint32_t p, uint32_t s, uint32_t d) {
  uint32_t out = 0;
  for (int i = 0; i < 8; ++i) {
    if (!((rop >> i) & 1)) continue;
    out |= ((i & 4) ? p : ~p) & ((i & 2) ? s : ~s) & ((i & 1) ? d : ~d);
  }
  return out & 0xFFFFFF;
}

uint32_t Unpremultiply(uint32_t px) {
  const uint32_t a = px >> 24;
  if (a == 255 || a == 0) return px & 0xFFFFFF;
  auto ch = [a](uint32_t v) { return std::min<uint32_t>(255, (v * 255 + a / 2) / a); };
  return (ch((px >> 16) & 0xFF) << 16) | (ch((px >> 8) & 0xFF) << 8) | ch(px & 0xFF);
}

uint32_t Lerp(uint32_t from, uint32_t to, uint32_t amount) {
  uint32_t out = 0;
  for (int shift = 0; shift < 24; shift += 8) {
    const uint32_t f = (from >> shift) & 0xFF, t = (to >> shift) & 0xFF;
    out |= ((f * (255 - amount) + t * amount + 127) / 255) << shift;
  }
  return out;
}

bool FiniteRect(const RectD& r) {
  return std::isfinite(r.left) && std::isfinite(r.top) && std::isfinite(r.right) && std::isfinite(r.bottom);
}

detail::SurfacePtr NewArgb(const IntBox& box) {
  detail::SurfacePtr s(
      cairo_image_surface_create(CAIRO_FORMAT_ARGB32, static_cast<int>(box.Width()), static_cast<int>(box.Height())));
  if (!detail::Good(s.get())) return nullptr;
  return s;
}

}  // namespace

detail::SurfacePtr DibSurface(const DibImage& image, bool withAlpha) {
  if (image.width > 32767 || image.height > 32767 || image.pixels.size() != size_t{image.width} * image.height)
    return nullptr;
  detail::SurfacePtr s(
      cairo_image_surface_create(CAIRO_FORMAT_ARGB32, static_cast<int>(image.width), static_cast<int>(image.height)));
  if (!detail::Good(s.get())) return nullptr;
  uint8_t* data = cairo_image_surface_get_data(s.get());
  const int stride = cairo_image_surface_get_stride(s.get());
  const bool keepAlpha = withAlpha && image.alpha != DibAlpha::Opaque;
  for (uint32_t y = 0; y < image.height; ++y) {
    auto* row = reinterpret_cast<uint32_t*>(data + static_cast<size_t>(y) * stride);
    const uint32_t* src = image.pixels.data() + size_t{y} * image.width;
    if (!keepAlpha) {
      for (uint32_t x = 0; x < image.width; ++x) row[x] = src[x] | 0xFF000000u;
      continue;
    }
    for (uint32_t x = 0; x < image.width; ++x) {
      // Blending sources are premultiplied; a channel above its alpha is clamped so cairo's arithmetic holds.
      const uint32_t p = src[x], a = p >> 24;
      row[x] = (a << 24) | (std::min((p >> 16) & 0xFF, a) << 16) | (std::min((p >> 8) & 0xFF, a) << 8) |
               std::min(p & 0xFF, a);
    }
  }
  cairo_surface_mark_dirty(s.get());
  return s;
}

Status Canvas::Init(int32_t width, int32_t height, bool measure) {
  m_width = width;
  m_height = height;
  m_measure = measure;
  m_budget.SetLimit(std::max(kMinWork, kWorkCanvasAreas * double(width) * double(height)));
  if (measure) return Status::Ok;
  if (width <= 0 || height <= 0 || width > 32767 || height > 32767) return Status::OutOfMemory;
  m_surface.reset(cairo_image_surface_create(CAIRO_FORMAT_RGB24, width, height));
  if (!detail::Good(m_surface.get())) return Status::OutOfMemory;
  m_cr.reset(cairo_create(m_surface.get()));
  if (!detail::Good(m_cr.get())) return Status::OutOfMemory;
  cairo_set_source_rgb(m_cr.get(), 1, 1, 1);
  cairo_paint(m_cr.get());
  return Status::Ok;
}

bool Canvas::Measured(RectD& out) const {
  if (!m_hasMeasured) return false;
  out = m_measured;
  return true;
}

IntBox Canvas::DeviceBox(const RectD& bounds, const Clip& clip) const {
  const RectD n = bounds.Normalized();
  auto lo = [](double v) { return static_cast<int64_t>(std::clamp(std::floor(v) - 1, -1e9, 1e9)); };
  auto hi = [](double v) { return static_cast<int64_t>(std::clamp(std::ceil(v) + 2, -1e9, 1e9)); };
  IntBox box{lo(n.left), lo(n.top), hi(n.right), hi(n.bottom)};
  box = box.Intersect(IntBox{0, 0, m_width, m_height});
  if (!clip.IsNone()) box = box.Intersect(clip.Box());
  return box;
}

void Canvas::Draw(const RectD& bounds, const Clip& clip, int32_t rop2, bool antialias, const DrawFn& draw,
                  double pathWork) {
  if (!FiniteRect(bounds)) return;
  if (m_measure) {
    const RectD n = bounds.Normalized();
    if (!m_hasMeasured) {
      m_measured = n;
      m_hasMeasured = true;
    } else {
      m_measured = {std::min(m_measured.left, n.left), std::min(m_measured.top, n.top),
                    std::max(m_measured.right, n.right), std::max(m_measured.bottom, n.bottom)};
    }
    return;
  }
  const IntBox box = DeviceBox(bounds, clip);
  if (box.Empty()) return;
  m_drew = true;
  if (rop2 == kR2Nop || !m_budget.Charge(double(box.Width()) * double(box.Height()) + pathWork)) return;
  const cairo_antialias_t aa = antialias ? CAIRO_ANTIALIAS_GRAY : CAIRO_ANTIALIAS_NONE;
  if (rop2 == kR2CopyPen && !clip.IsMask()) {
    cairo_t* cr = m_cr.get();
    cairo_save(cr);
    cairo_rectangle(cr, static_cast<double>(box.x0), static_cast<double>(box.y0), static_cast<double>(box.Width()),
                    static_cast<double>(box.Height()));
    cairo_clip(cr);
    cairo_new_path(cr);
    cairo_set_antialias(cr, aa);
    draw(cr);
    cairo_restore(cr);
    return;
  }
  detail::SurfacePtr temp = NewArgb(box);
  if (!temp) return;
  detail::CairoPtr tcr(cairo_create(temp.get()));
  cairo_set_antialias(tcr.get(), aa);
  cairo_translate(tcr.get(), static_cast<double>(-box.x0), static_cast<double>(-box.y0));
  draw(tcr.get());
  tcr.reset();
  cairo_surface_flush(temp.get());
  MixPixels(box, temp.get(), nullptr, clip, 0, rop2);
}

void Canvas::MixPixels(const IntBox& box, cairo_surface_t* src, cairo_surface_t* pattern, const Clip& clip,
                       uint8_t rop3, int32_t rop2) {
  cairo_surface_flush(m_surface.get());
  uint8_t* dst = cairo_image_surface_get_data(m_surface.get());
  const int dstStride = cairo_image_surface_get_stride(m_surface.get());
  const uint8_t* s = cairo_image_surface_get_data(src);
  const int sStride = cairo_image_surface_get_stride(src);
  const uint8_t* p = pattern ? cairo_image_surface_get_data(pattern) : nullptr;
  const int pStride = pattern ? cairo_image_surface_get_stride(pattern) : 0;
  for (int64_t y = box.y0; y < box.y1; ++y) {
    auto* drow = reinterpret_cast<uint32_t*>(dst + y * dstStride);
    const auto* srow = reinterpret_cast<const uint32_t*>(s + (y - box.y0) * sStride);
    const auto* prow = p ? reinterpret_cast<const uint32_t*>(p + (y - box.y0) * pStride) : nullptr;
    for (int64_t x = box.x0; x < box.x1; ++x) {
      const uint32_t sp = srow[x - box.x0];
      uint32_t cover = sp >> 24;
      if (cover == 0) continue;
      cover = cover * clip.Coverage(x, y) / 255;
      if (cover == 0) continue;
      const uint32_t d = drow[x] & 0xFFFFFF;
      const uint32_t colour = Unpremultiply(sp);
      const uint32_t mixed =
          rop2 != 0 ? Rop2Mix(rop2, colour, d) : Rop3Mix(rop3, prow ? Unpremultiply(prow[x - box.x0]) : 0, colour, d);
      drow[x] = 0xFF000000u | (cover == 255 ? mixed : Lerp(d, mixed, cover));
    }
  }
  cairo_surface_mark_dirty_rectangle(m_surface.get(), static_cast<int>(box.x0), static_cast<int>(box.y0),
                                     static_cast<int>(box.Width()), static_cast<int>(box.Height()));
}

void Canvas::Blit(const DibImage* image, const RectD& src, const Affine& toDevice, Rop3 rop, const Clip& clip,
                  const DrawFn& pattern, bool blend, uint8_t constantAlpha, bool smooth) {
  const PointD q[4] = {toDevice.Apply({src.left, src.top}), toDevice.Apply({src.right, src.top}),
                       toDevice.Apply({src.right, src.bottom}), toDevice.Apply({src.left, src.bottom})};
  RectD bounds{q[0].x, q[0].y, q[0].x, q[0].y};
  for (const PointD& c : q) {
    bounds.left = std::min(bounds.left, c.x), bounds.top = std::min(bounds.top, c.y);
    bounds.right = std::max(bounds.right, c.x), bounds.bottom = std::max(bounds.bottom, c.y);
  }
  if (!FiniteRect(bounds) || std::fabs(toDevice.Determinant()) < 1e-12) return;
  auto quad = [&q](cairo_t* cr) {
    cairo_move_to(cr, q[0].x, q[0].y);
    for (int i = 1; i < 4; ++i) cairo_line_to(cr, q[i].x, q[i].y);
    cairo_close_path(cr);
  };
  if (rop.UsesSource() && !image) return;
  // Every blit copies the whole image into a surface first.
  if (image && rop.UsesSource() && !m_budget.Charge(double(image->width) * double(image->height))) return;
  detail::SurfacePtr imageSurface;
  detail::PatternPtr imagePattern;
  if (image && rop.UsesSource() && !m_measure) {
    imageSurface = DibSurface(*image, blend || image->alpha == DibAlpha::Gaps);
    if (!imageSurface) return;
    imagePattern.reset(cairo_pattern_create_for_surface(imageSurface.get()));
    cairo_matrix_t m{toDevice.a, toDevice.b, toDevice.c, toDevice.d, toDevice.e, toDevice.f};
    if (cairo_matrix_invert(&m) != CAIRO_STATUS_SUCCESS) return;
    cairo_pattern_set_matrix(imagePattern.get(), &m);
    cairo_pattern_set_filter(imagePattern.get(), smooth ? CAIRO_FILTER_GOOD : CAIRO_FILTER_NEAREST);
    cairo_pattern_set_extend(imagePattern.get(), CAIRO_EXTEND_PAD);
  }
  if (blend || rop.code == Rop3::kSrcCopy || m_measure) {
    Draw(bounds, clip, kR2CopyPen, false, [&](cairo_t* cr) {
      cairo_set_source(cr, imagePattern.get());
      quad(cr);
      if (blend) {
        cairo_clip(cr);
        cairo_paint_with_alpha(cr, constantAlpha / 255.0);
      } else {
        cairo_fill(cr);
      }
    });
    return;
  }
  const IntBox box = DeviceBox(bounds, clip);
  if (box.Empty()) return;
  m_drew = true;
  if (!m_budget.Charge(double(box.Width()) * double(box.Height()))) return;
  detail::SurfacePtr srcSurface = NewArgb(box);
  if (!srcSurface) return;
  {
    detail::CairoPtr cr(cairo_create(srcSurface.get()));
    cairo_set_antialias(cr.get(), CAIRO_ANTIALIAS_NONE);
    cairo_translate(cr.get(), static_cast<double>(-box.x0), static_cast<double>(-box.y0));
    if (imagePattern) {
      cairo_set_source(cr.get(), imagePattern.get());
    } else {
      cairo_set_source_rgb(cr.get(), 1, 1, 1);  // only the coverage matters
    }
    quad(cr.get());
    cairo_fill(cr.get());
  }
  cairo_surface_flush(srcSurface.get());
  detail::SurfacePtr patSurface;
  if (rop.UsesPattern()) {
    patSurface = NewArgb(box);
    if (!patSurface) return;
    detail::CairoPtr cr(cairo_create(patSurface.get()));
    cairo_translate(cr.get(), static_cast<double>(-box.x0), static_cast<double>(-box.y0));
    cairo_set_source_rgb(cr.get(), 0, 0, 0);
    cairo_paint(cr.get());
    if (pattern) {
      pattern(cr.get());
      cairo_paint(cr.get());
    }
    cr.reset();
    cairo_surface_flush(patSurface.get());
  }
  MixPixels(box, srcSurface.get(), patSurface.get(), clip, rop.code, 0);
}

const uint8_t* Canvas::Row(int32_t y) const {
  cairo_surface_flush(m_surface.get());
  return cairo_image_surface_get_data(m_surface.get()) +
         static_cast<size_t>(y) * static_cast<size_t>(cairo_image_surface_get_stride(m_surface.get()));
}

}  // namespace tavlen::gfx::metafile
