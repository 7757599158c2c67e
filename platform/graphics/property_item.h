// Property items: the TIFF/EXIF-style tags an image carries, and their published type codes.
#pragma once

#include <cstdint>
#include <vector>

namespace tavlen::gfx {

enum PropertyTagType : uint16_t {
  kPropertyTagTypeByte = 1,
  kPropertyTagTypeASCII = 2,
  kPropertyTagTypeShort = 3,
  kPropertyTagTypeLong = 4,
  kPropertyTagTypeRational = 5,
  kPropertyTagTypeUndefined = 7,
  kPropertyTagTypeSLONG = 9,
  kPropertyTagTypeSRational = 10,
};

enum PropertyTagId : uint32_t {
  kPropertyTagImageDescription = 0x010E,
  kPropertyTagEquipMake = 0x010F,
  kPropertyTagEquipModel = 0x0110,
  kPropertyTagDateTime = 0x0132,
  kPropertyTagArtist = 0x013B,
  kPropertyTagImageTitle = 0x0320,
  kPropertyTagCopyright = 0x8298,
};

// One item as the library stores it: the value bytes are in the machine's (little-endian) order.
struct PropertyItem {
  uint32_t id = 0;
  uint16_t type = 0;
  std::vector<uint8_t> value;

  friend bool operator==(const PropertyItem&, const PropertyItem&) = default;
};

// The flat record handed to callers: the value points into the caller's buffer, behind the records.
struct PropertyItemRecord {
  uint32_t id;
  uint32_t length;
  uint16_t type;
  void* value;
};

}  // namespace tavlen::gfx
