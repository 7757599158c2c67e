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

// An EXIF payload as the newer formats store it: the TIFF header directly, after "Exif\0\0", or after
// a 4-byte big-endian offset to it (ISO base media files, JPEG XL). false when no header is found.
bool ParseEmbeddedExif(std::span<const uint8_t> payload, std::vector<PropertyItem>& out);

// The EXIF orientation (1-8) among the items; 1 when there is none or it is out of range.
uint16_t ExifOrientation(std::span<const PropertyItem> items);

// A little-endian block holding the items (IFD0, with EXIF and GPS sub-IFDs where items belong there).
// Empty when no item can be written.
std::vector<uint8_t> BuildExif(std::span<const PropertyItem> items);

}  // namespace tavlen::gfx
