// The engine's bitmap transfers (blits with raster operations, alpha blends) and region painting.
#include <cmath>

#include "platform/graphics/metafile/renderer.h"

namespace tavlen::gfx::metafile {
namespace {

DevicePath RectsPath(std::span<const RectD> rects, const Affine& m) {
  DevicePath path;
  for (const RectD& r : rects) {
    path.MoveTo(m.Apply({r.left, r.top}));
    path.LineTo(m.Apply({r.right, r.top}));
    path.LineTo(m.Apply({r.right, r.bottom}));
    path.LineTo(m.Apply({r.left, r.bottom}));
    path.Close();
  }
  return path;
}

}  // namespace

void Renderer::StretchBlt(const DibImage* image, const RectD& src, const RectD& dest, uint32_t rop) {
  const Rop3 r{static_cast<uint8_t>(rop >> 16)};
  RectD from = src;
  if (!r.UsesSource() || from.Width() == 0 || from.Height() == 0) from = {0, 0, 1, 1};
  const double sx = dest.Width() / from.Width(), sy = dest.Height() / from.Height();
  const Affine toLogical{sx, 0, 0, sy, dest.left - from.left * sx, dest.top - from.top * sy};
  const Affine toDevice = toLogical.Then(LogicalToCanvas());
  if (!toDevice.Finite()) return;
  const ObjectPtr brushObject = m_dc.brush;
  auto pattern = [this, brushObject](cairo_t* cr) {
    const auto* brush = brushObject ? std::get_if<BrushObject>(brushObject.get()) : nullptr;
    if (!brush || !SetBrushSource(cr, *brush)) cairo_set_source_rgb(cr, 0, 0, 0);
  };
  const double shrink = std::fabs(toDevice.Determinant());
  m_canvas.Blit(image, from, toDevice, r, m_dc.clip, pattern, false, 255, SmoothStretch() || shrink < 0.5);
}

void Renderer::AlphaBlend(const DibImage& image, const RectD& src, const RectD& dest, uint8_t constantAlpha,
                          bool useAlpha) {
  if (src.Width() == 0 || src.Height() == 0) return;
  const double sx = dest.Width() / src.Width(), sy = dest.Height() / src.Height();
  const Affine toLogical{sx, 0, 0, sy, dest.left - src.left * sx, dest.top - src.top * sy};
  const Affine toDevice = toLogical.Then(LogicalToCanvas());
  if (!toDevice.Finite()) return;
  if (!useAlpha) {
    DibImage opaque = image;
    opaque.alpha = DibAlpha::Opaque;
    m_canvas.Blit(&opaque, src, toDevice, Rop3{}, m_dc.clip, nullptr, true, constantAlpha, true);
    return;
  }
  m_canvas.Blit(&image, src, toDevice, Rop3{}, m_dc.clip, nullptr, true, constantAlpha, true);
}

void Renderer::FillRects(std::span<const RectD> rects, const ObjectPtr& brush) {
  if (rects.empty()) return;
  Fill(RectsPath(rects, LogicalToCanvas()), brush, false);
}

void Renderer::FrameRects(std::span<const RectD> rects, const ObjectPtr& brush, double w, double h) {
  // The frame is each rectangle less the rectangle inset by the frame's width and height.
  std::vector<RectD> rings;
  for (const RectD& r : rects) {
    const RectD n = r.Normalized();
    rings.push_back(n);
    if (n.Width() > 2 * w && n.Height() > 2 * h) rings.push_back({n.left + w, n.top + h, n.right - w, n.bottom - h});
  }
  Fill(RectsPath(rings, LogicalToCanvas()), brush, true);
}

void Renderer::InvertRects(std::span<const RectD> rects) {
  if (rects.empty()) return;
  const DevicePath path = RectsPath(rects, LogicalToCanvas());
  RectD bounds;
  if (!path.Bounds(bounds) || !path.Finite()) return;
  m_canvas.Draw(bounds, m_dc.clip, kR2Not, false, [&](cairo_t* cr) {
    path.AddTo(cr);
    cairo_set_source_rgb(cr, 0, 0, 0);
    cairo_fill(cr);
  });
}

}  // namespace tavlen::gfx::metafile
