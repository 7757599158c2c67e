// Turning a region into something cairo can fill: one path with a fill rule, or a coverage mask.
#pragma once

#include "platform/graphics/drawing/painter_internal.h"
#include "platform/graphics/drawing/region.h"

namespace tavlen::gfx::detail {

// Sets cr's path and fill rule to exactly the region when that is possible (one shape, or an
// exclusive-or of even-odd shapes); false otherwise, leaving cr's path unspecified.
bool RegionAsSinglePath(cairo_t* cr, const Region& region);

// An A8 mask of `box` (device pixels, 255 inside the region), the shapes placed with `transform`
// (user to device). Null when it cannot be allocated.
SurfacePtr RegionMask(const Region& region, const IntBox& box, const cairo_matrix_t& transform,
                      cairo_antialias_t antialias);

}  // namespace tavlen::gfx::detail
