// Playing WMF and EMF metafiles onto a 32-bit RGB bitmap at their natural size, within a bounded canvas.
#pragma once

#include <cstdint>
#include <span>

#include "platform/graphics/limits.h"
#include "platform/graphics/metafile/geometry.h"
#include "platform/graphics/pixel_buffer.h"

namespace tavlen::gfx::metafile {

// What a play did: every record read, and those the player does not draw (unknown or malformed ones).
// `maxWork`, when set, is given by the caller: the most drawing work the play may do (an embedded picture's
// share of its host's budget).
// `unitsToPixels` takes the metafile's own units (an EMF's reference-device pixels, a WMF's logical units of its
// frame) to the picture's pixels, for callers that place parts of the picture by them.
struct PlayStats {
  uint64_t records = 0;
  uint64_t skipped = 0;
  double work = 0;  // pixel-equivalents spent drawing (see WorkBudget)
  double maxWork = 0;
  Affine unitsToPixels;
};

// True when the bytes start like a metafile of the kind (placeable key or standard header; EMF header).
bool LooksLikeWmf(std::span<const uint8_t> bytes);
bool LooksLikeEmf(std::span<const uint8_t> bytes);

// Renders the metafile onto opaque white, 32bppRGB, on a canvas made by InitMetafileCanvas.
// `out` is written only on success. UnknownImageFormat when the header is not the format's, InvalidParameter for a
// header or record structure that cannot be read before anything is drawn, OutOfMemory over the limits, GenericError
// for a picture made only of records the player does not draw.
Status PlayWmf(std::span<const uint8_t> bytes, const DecodeLimits& limits, PixelBuffer& out,
               PlayStats* stats = nullptr);
Status PlayEmf(std::span<const uint8_t> bytes, const DecodeLimits& limits, PixelBuffer& out,
               PlayStats* stats = nullptr);

class Canvas;

// Makes the canvas for a picture of the natural size given (whole pixels, at least 1 each): that size
// when it has at most limits.maxMetafilePixels, else scaled down to that many with its aspect ratio
// kept. OutOfMemory when the natural size is beyond the limits.
Status InitMetafileCanvas(Canvas& canvas, double width, double height, const DecodeLimits& limits);

// The rendered canvas turned into the output bitmap.
Status CanvasToPixels(const Canvas& canvas, const DecodeLimits& limits, PixelBuffer& out);

}  // namespace tavlen::gfx::metafile
