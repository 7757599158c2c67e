// EXIF blocks (TIFF structure) to and from property items, for the JPEG APP1 segment and the PNG eXIf chunk.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "platform/graphics/property_item.h"

namespace tavlen::gfx {

// Reads IFD0, the EXIF sub-IFD and the GPS IFD of a block that starts with "II*\0" or "MM\0*".
// Entries that point outside the block or repeat are skipped; what is valid is kept.
// Returns false when the header itself is not a TIFF header.
bool ParseExif(std::span<const uint8_t> block, std::vector<PropertyItem>& out);

// A little-endian block holding the items (IFD0, with EXIF and GPS sub-IFDs where items belong there).
// Empty when no item can be written.
std::vector<uint8_t> BuildExif(std::span<const PropertyItem> items);

}  // namespace tavlen::gfx
