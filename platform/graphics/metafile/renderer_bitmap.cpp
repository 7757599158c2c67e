// The engine's bitmap transfers (blits with raster operations, alpha blends) and region painting.
#include <algorithm>
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

// The source rectangle a copy reads from the image. Inside the image it is exact. A source that takes in the whole
// image and more comes from a writer that gave the destination's size for the bitmap's: the image is stretched over
// the destination, as every other reader of such files does. Any other source is cut to the image, with the
// destination cut in proportion, as the system's own copies are: no pixel is read from outside the bitmap.
// `mapped` is the source rectangle the mapping onto the destination is built from, `read` the part of it drawn;
// false when no part of the image is read.
bool SourceInImage(const DibImage& image, const RectD& src, RectD& mapped, RectD& read) {
  const RectD whole{0, 0, double(image.width), double(image.height)};
  const RectD n = src.Normalized();
  constexpr double kSlack = 1e-6;
  mapped = src;
  read = src;
  if (n.left >= -kSlack && n.top >= -kSlack && n.right <= whole.right + kSlack && n.bottom <= whole.bottom + kSlack)
    return true;
  if (n.left <= 0 && n.top <= 0 && n.right >= whole.right && n.bottom >= whole.bottom) {
    // Keep the source's orientation: a negative width or height mirrors the copy.
    mapped = {src.Width() < 0 ? whole.right : 0, src.Height() < 0 ? whole.bottom : 0, src.Width() < 0 ? 0 : whole.right,
              src.Height() < 0 ? 0 : whole.bottom};
    read = mapped;
    return true;
  }
  read = {std::max(n.left, 0.0), std::max(n.top, 0.0), std::min(n.right, whole.right),
          std::min(n.bottom, whole.bottom)};
  return read.left < read.right && read.top < read.bottom;
}

}  // namespace

void Renderer::StretchBlt(const DibImage* image, const RectD& src, const RectD& dest, uint32_t rop) {
  const Rop3 r{static_cast<uint8_t>(rop >> 16)};
  RectD from = src, read = src;
  if (!r.UsesSource() || from.Width() == 0 || from.Height() == 0) {
    from = read = {0, 0, 1, 1};
  } else if (image && !SourceInImage(*image, src, from, read)) {
    return;
  }
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
  m_canvas.Blit(image, read, toDevice, r, m_dc.clip, pattern, false, 255, SmoothStretch() || shrink < 0.5);
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
