// Nearest-neighbour enlargement by whole factors (2x, 3x, 4x, 8x ...): each source pixel is repeated
// across a row once and that row is copied for the other output rows it covers.
#pragma once

#include <cstdint>
#include <optional>

#include "platform/graphics/resample.h"

namespace tavlen::gfx::detail {

struct WholeZoom {
  uint32_t x = 1;
  uint32_t y = 1;
};

// The factors when the geometry maps every source pixel onto exactly x by y destination pixels
// and starts on a source pixel; nullopt otherwise (shrinks, fractional zooms, factors past 65536).
std::optional<WholeZoom> WholeZoomOf(const ResampleGeometry& geometry);

// The same pixels as Resample(src, geometry, dst, ResampleFilter::Nearest) for a geometry whose
// factors are `zoom`. src is a 32-bit format or 24bppRGB (read as opaque), dst a 32-bit format;
// InvalidParameter otherwise or for empty views.
Status ZoomByWholeFactors(ConstPixelView src, const ResampleGeometry& geometry, WholeZoom zoom, PixelView dst);

}  // namespace tavlen::gfx::detail
