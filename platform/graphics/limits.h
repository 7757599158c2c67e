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
  // Metafiles are drawn at their natural size up to about the pixels of a large screen (2560 x 1600), and
  // scaled down to fit beyond it: their header states the size in a few bytes that no data has to back,
  // so without this a file of a few hundred bytes could claim a gigabyte of canvas.
  uint64_t maxMetafilePixels = 1ull << 22;
  // Pixels of one image whatever their format: none by default, as maxPixelBytes already bounds them; a
  // server that thinks in megapixels sets it.
  uint64_t maxPixels = UINT64_MAX;
};

inline constexpr DecodeLimits kDefaultLimits{};

}  // namespace tavlen::gfx
