// Property items: the TIFF/EXIF-style tags an image carries, and their published type codes.
#pragma once

#include <cstdint>
#include <cstring>
#include <span>
#include <string_view>
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
  kPropertyTagICCProfile = 0x8773,  // the colour profile of the pixels, kept apart from EXIF
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

// The colour profile kept among the items, for an encoder that writes pixels of the colour space
// `space` ("RGB " or "GRAY", as a profile's header names it at offset 16); empty when there is none or
// it is for other pixels, which a file must not claim.
inline std::span<const uint8_t> ProfileFor(std::span<const PropertyItem> items, std::string_view space) {
  for (const PropertyItem& item : items) {
    if (item.id != kPropertyTagICCProfile) continue;
    if (item.value.size() < 128 || std::memcmp(item.value.data() + 16, space.data(), 4) != 0) return {};
    return item.value;
  }
  return {};
}

}  // namespace tavlen::gfx
