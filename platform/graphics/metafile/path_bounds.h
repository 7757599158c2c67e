// Bounds on what one path costs and where its coordinates may lie before cairo draws it.
#pragma once

#include <vector>

#include "platform/graphics/metafile/canvas.h"
#include "platform/graphics/metafile/device_path.h"

namespace tavlen::gfx::metafile {

// Far beyond any visible pixel and any pen width the player draws, yet well inside cairo's fixed-point range.
constexpr double kFarMargin = 1 << 20;

// One closed polygon clipped to the box (Sutherland-Hodgman): the area inside the box stays the same.
std::vector<PointD> ClipPolygon(std::vector<PointD> poly, const RectD& box);

// The work of drawing `path` on a canvas `rows` pixels high, in pixel-equivalents: every edge costs kEdgeWork, plus
// the pixel rows it crosses when filled (`penWidth` 0), or its length times the pen width when stroked. Curves
// count by their control polygon.
double PathWork(const DevicePath& path, double rows, double penWidth);

// The path cut to the canvas widened by kFarMargin when it reaches beyond that box, else `path` itself (then
// `storage` is untouched). Fills keep their area inside the box, each figure clipped as a polygon; strokes keep
// their segments inside it. Curves reaching out are flattened first.
const DevicePath& WithinFarBox(const DevicePath& path, double width, double height, bool fill, DevicePath& storage);

// The path to hand to cairo on `canvas`: `path` itself, or its cut into `storage` when it reaches far out.
const DevicePath& ForCairo(const Canvas& canvas, const DevicePath& path, bool fill, DevicePath& storage);

}  // namespace tavlen::gfx::metafile
