// Region structures of both formats read into rectangle lists.
#pragma once

#include <span>
#include <vector>

#include "platform/graphics/metafile/byte_reader.h"
#include "platform/graphics/metafile/graphics_objects.h"

namespace tavlen::gfx::metafile {

// The old format's region object (scans of left/right pairs). False when it is malformed.
bool ReadWmfRegion(ByteReader& p, RegionObject& out);

// The new format's region data (a header and rectangles). False when it is malformed.
bool ReadRegionData(std::span<const uint8_t> data, std::vector<RectD>& out);

}  // namespace tavlen::gfx::metafile
