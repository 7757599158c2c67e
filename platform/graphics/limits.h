// Resource limits that every decoder and allocation of pixels obeys.
#pragma once

#include <cstdint>

namespace tavlen::gfx {

struct DecodeLimits {
  // Each side at most this many pixels: above every real camera, scanner and panorama stitch we know of.
  uint32_t maxSide = 1u << 18;
  // Pixel memory of one decoded image: 1 GiB holds a 16-bit RGBA 120-megapixel image
  // or a 32-bit 268-megapixel one, and refuses decompression bombs long before the machine suffers.
  uint64_t maxPixelBytes = 1ull << 30;
  // Input files larger than this are refused unread.
  uint64_t maxFileBytes = 1ull << 31;
};

inline constexpr DecodeLimits kDefaultLimits{};

}  // namespace tavlen::gfx
