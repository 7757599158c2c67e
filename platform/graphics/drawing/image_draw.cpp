// Drawing images: only the visible part of the destination is computed, band by band, from the
// source pixels it needs, resampled with the interpolation mode and composited with cairo.
#include <cairo.h>

#include <algorithm>
#include <cmath>
#include <optional>
#include <vector>

#include "platform/graphics/convert.h"
#include "platform/graphics/drawing/graphics.h"
#include "platform/graphics/drawing/painter_internal.h"
#include "platform/graphics/drawing/render_target.h"
#include "platform/graphics/drawing/whole_zoom.h"
#include "platform/graphics/resample.h"

namespace tavlen::gfx {

using detail::IntBox;

namespace {

ResampleFilter FilterFor(InterpolationMode mode) {
  switch (mode) {
    case InterpolationMode::NearestNeighbor:
      return ResampleFilter::Nearest;
    case InterpolationMode::HighQuality:
    case InterpolationMode::Bicubic:
    case InterpolationMode::HighQualityBicubic:
      return ResampleFilter::Bicubic;
    default:
      return ResampleFilter::Bilinear;
  }
}

// Source pixels beyond a sample's position that the filter may read, at a given shrink factor.
double FilterReach(ResampleFilter filter, double scale) {
  const double widen = std::max(1.0, scale);
  switch (filter) {
    case ResampleFilter::Nearest:
      return 1.0;
    case ResampleFilter::Bilinear:
      return widen + 2.0;
    case ResampleFilter::Bicubic:
      return 2.0 * widen + 2.0;
  }
  return 2.0 * widen + 2.0;
}

bool OpaqueSource(const PixelBuffer& px, const ImageAttributes::Adjustment* adjustment) {
  if (adjustment && !KeepsAlpha(*adjustment)) return false;
  if (IsIndexed(px.Format())) {
    const auto& entries = px.GetPalette().entries;
    return std::all_of(entries.begin(), entries.end(), [](uint32_t c) { return (c >> 24) == 0xFF; });
  }
  return !HasAlpha(px.Format());
}

// A pixel range [lo, hi) of the device covered by [a, b): the pixels whose centres lie inside.
void CoveredPixels(double a, double b, int64_t& lo, int64_t& hi) {
  static constexpr double kLimit = 1e12;
  lo = static_cast<int64_t>(std::ceil(std::clamp(a, -kLimit, kLimit) - 0.5));
  hi = static_cast<int64_t>(std::ceil(std::clamp(b, -kLimit, kLimit) - 0.5));
}

}  // namespace

Status Graphics::DrawImage(const Bitmap& image, const RectF& dest) {
  return DrawImageImpl(image, dest, {0, 0, static_cast<float>(image.Width()), static_cast<float>(image.Height())},
                       nullptr);
}

Status Graphics::DrawImage(const Bitmap& image, const RectF& dest, const RectF& src, Unit srcUnit,
                           const ImageAttributes* attributes) {
  if (srcUnit != Unit::Pixel) return Status::InvalidParameter;
  if (!std::isfinite(src.x) || !std::isfinite(src.y) || !std::isfinite(src.width) || !std::isfinite(src.height) ||
      src.x < 0 || src.y < 0 || !(src.width > 0) || !(src.height > 0) ||
      static_cast<double>(src.x) + src.width > image.Width() ||
      static_cast<double>(src.y) + src.height > image.Height()) {
    return Status::InvalidParameter;
  }
  return DrawImageImpl(image, dest, src, attributes);
}

Status Graphics::DrawImageImpl(const Bitmap& image, const RectF& dest, const RectF& src,
                               const ImageAttributes* attributes) {
  const PixelBuffer* px = &image.Pixels();
  if (px->Empty() || !IsValidPixelFormat(px->Format())) return Status::InvalidParameter;
  if (!std::isfinite(dest.x) || !std::isfinite(dest.y) || !std::isfinite(dest.width) || !std::isfinite(dest.height) ||
      dest.width < 0 || dest.height < 0) {
    return Status::InvalidParameter;
  }
  // The destination snaps to whole device pixels; the source area is spread exactly over them.
  int64_t px0, px1, py0, py1;
  CoveredPixels(dest.x * ScaleX(), (static_cast<double>(dest.x) + dest.width) * ScaleX(), px0, px1);
  CoveredPixels(dest.y * ScaleY(), (static_cast<double>(dest.y) + dest.height) * ScaleY(), py0, py1);
  const IntBox visible = IntBox{px0, py0, px1, py1}.Intersect(ClipBox());
  if (visible.Empty()) return Status::Ok;

  const ImageAttributes::Adjustment* adjustment = attributes ? attributes->ForBitmaps() : nullptr;
  const ResampleFilter filter = FilterFor(m_interpolation);
  const double destW = static_cast<double>(px1 - px0), destH = static_cast<double>(py1 - py0);
  const double kx = src.width / destW, ky = src.height / destH;
  const bool identity =
      destW == src.width && destH == src.height && src.x == std::floor(src.x) && src.y == std::floor(src.y);

  // A bitmap drawn onto itself reads its pixels as they were; a draw onto the same place reads
  // every band before writing it, any other needs a copy first.
  PixelBuffer copy;
  const bool aliased = m_target->Pixels() == px;
  if (aliased && !(identity && src.x == px0 && src.y == py0)) {
    auto c = px->Copy();
    if (!c.Ok()) return c.GetStatus();
    copy = std::move(c).Value();
    px = &copy;
  }
  const bool opaque = OpaqueSource(*px, adjustment);
  // 32-bit pixels that need no conversion are read where they are (RGB32's fourth byte is never read);
  // so are 24-bit ones when resampled, since the resampler reads them as opaque. Only cairo, which
  // shows an unscaled band as it is, needs them widened.
  const PixelFormat format = px->Format();
  const bool directSource = !adjustment && (format == PixelFormat::PARGB32bpp || format == PixelFormat::RGB32bpp ||
                                            (format == PixelFormat::RGB24bpp && !identity));
  const size_t directBytes = BitsPerPixel(format) / 8;

  const int64_t spanX0 = static_cast<int64_t>(std::floor(src.x));
  const int64_t spanX1 =
      std::min<int64_t>(px->Width(), static_cast<int64_t>(std::ceil(static_cast<double>(src.x) + src.width)));
  const int64_t spanY0 = static_cast<int64_t>(std::floor(src.y));
  const int64_t spanY1 =
      std::min<int64_t>(px->Height(), static_cast<int64_t>(std::ceil(static_cast<double>(src.y) + src.height)));
  const double reachX = identity ? 0.0 : FilterReach(filter, kx);
  const double reachY = identity ? 0.0 : FilterReach(filter, ky);

  // Bands bound the temporary memory: about a megapixel of output or two of source per band.
  const int64_t outWidth = visible.Width();
  const double srcPerRow = (static_cast<double>(outWidth) * std::max(1.0, kx) + 2 * reachX) * std::max(1.0, ky);
  const int64_t bandH = std::clamp<int64_t>(static_cast<int64_t>((1 << 21) / std::max(1.0, srcPerRow)), 4,
                                            std::max<int64_t>(4, (1 << 20) / outWidth));

  std::vector<uint32_t> source, output;
  std::vector<uint8_t> row;
  for (int64_t by0 = visible.y0; by0 < visible.y1; by0 += bandH) {
    const int64_t by1 = std::min(by0 + bandH, visible.y1);
    const int64_t wx0 = visible.x0 - px0, wx1 = visible.x1 - px0;
    const int64_t wy0 = by0 - py0, wy1 = by1 - py0;

    // The source pixels this band reads.
    int64_t ux0, ux1, uy0, uy1;
    if (identity) {
      ux0 = spanX0 + wx0, ux1 = spanX0 + wx1, uy0 = spanY0 + wy0, uy1 = spanY0 + wy1;
    } else {
      ux0 = std::max(spanX0, static_cast<int64_t>(std::floor(src.x + wx0 * kx - reachX)));
      ux1 = std::min(spanX1, static_cast<int64_t>(std::ceil(src.x + wx1 * kx + reachX)));
      uy0 = std::max(spanY0, static_cast<int64_t>(std::floor(src.y + wy0 * ky - reachY)));
      uy1 = std::min(spanY1, static_cast<int64_t>(std::ceil(src.y + wy1 * ky + reachY)));
      ux1 = std::max(ux1, ux0 + 1);
      uy1 = std::max(uy1, uy0 + 1);
    }
    const auto uw = static_cast<uint32_t>(ux1 - ux0), uh = static_cast<uint32_t>(uy1 - uy0);
    ConstPixelView sourceView;
    sourceView.layout.format = directSource ? px->Format() : PixelFormat::PARGB32bpp;
    sourceView.layout.width = uw;
    sourceView.layout.height = uh;
    if (directSource) {
      sourceView.layout.stride = px->Stride();
      sourceView.data = px->Row(static_cast<uint32_t>(uy0)) + static_cast<size_t>(ux0) * directBytes;
    } else {
      source.resize(size_t{uw} * uh);
      row.resize(size_t{uw} * 4);
      for (uint32_t y = 0; y < uh; ++y) {
        uint32_t* to = &source[size_t{y} * uw];
        const uint8_t* from = px->Row(static_cast<uint32_t>(uy0 + y));
        if (opaque && !adjustment) {
          // Opaque colours are their own premultiplied form: convert straight into place.
          RowToArgb32(from, px->Format(), px->GetPalette(), static_cast<uint32_t>(ux0), uw,
                      reinterpret_cast<uint8_t*>(to));
          continue;
        }
        RowToArgb32(from, px->Format(), px->GetPalette(), static_cast<uint32_t>(ux0), uw, row.data());
        if (adjustment) ApplyColorAdjustment(*adjustment, row.data(), uw);
        detail::PremultiplyRow(row.data(), uw, to);
      }
      sourceView.layout.stride = size_t{uw} * 4;
      sourceView.data = reinterpret_cast<const uint8_t*>(source.data());
    }

    ConstPixelView out = sourceView;
    if (!identity) {
      const auto ow = static_cast<uint32_t>(wx1 - wx0), oh = static_cast<uint32_t>(wy1 - wy0);
      output.resize(size_t{ow} * oh);
      PixelView dst;
      dst.layout = {PixelFormat::PARGB32bpp, ow, oh, size_t{ow} * 4};
      dst.data = reinterpret_cast<uint8_t*>(output.data());
      ResampleGeometry g;
      g.srcX = src.x - static_cast<double>(ux0);
      g.srcY = src.y - static_cast<double>(uy0);
      g.srcWidth = src.width;
      g.srcHeight = src.height;
      g.destWidth = destW;
      g.destHeight = destH;
      g.windowX = wx0;
      g.windowY = wy0;
      // Whole-factor nearest zooms repeat pixels and rows instead of filtering each output pixel.
      const std::optional<detail::WholeZoom> zoom =
          filter == ResampleFilter::Nearest ? detail::WholeZoomOf(g) : std::nullopt;
      const Status s =
          zoom ? detail::ZoomByWholeFactors(sourceView, g, *zoom, dst) : Resample(sourceView, g, dst, filter);
      if (s != Status::Ok) return s;
      out = {dst.layout, dst.data};
    }

    detail::SurfacePtr surface(cairo_image_surface_create_for_data(
        const_cast<uint8_t*>(out.data), opaque ? CAIRO_FORMAT_RGB24 : CAIRO_FORMAT_ARGB32,
        static_cast<int>(out.layout.width), static_cast<int>(out.layout.height), static_cast<int>(out.layout.stride)));
    if (!detail::Good(surface.get())) return Status::OutOfMemory;
    const IntBox band{visible.x0, by0, visible.x1, by1};
    if (Status s = Paint(band,
                         [&](cairo_t* cr) {
                           cairo_identity_matrix(cr);
                           cairo_set_source_surface(cr, surface.get(), static_cast<double>(visible.x0),
                                                    static_cast<double>(by0));
                           cairo_pattern_set_filter(cairo_get_source(cr), CAIRO_FILTER_NEAREST);
                           cairo_rectangle(cr, static_cast<double>(visible.x0), static_cast<double>(by0),
                                           static_cast<double>(band.Width()), static_cast<double>(band.Height()));
                           cairo_fill(cr);
                         });
        s != Status::Ok) {
      return s;
    }
  }
  return Status::Ok;
}

}  // namespace tavlen::gfx
