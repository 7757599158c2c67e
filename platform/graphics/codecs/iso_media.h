// What AVIF and HEIF files share as ISO base media files: brands in the ftyp box, and the crop, turn
// and mirror (clap, irot, imir) a reader applies to the decoded picture.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string_view>

#include "platform/graphics/codecs/codec.h"

namespace tavlen::gfx {

// Whether the file starts with an ftyp box whose major or compatible brands include one of `brands`.
bool HasIsoBrand(const Bytes& data, std::initializer_list<std::string_view> brands);

struct IsoTransforms {
  bool crop = false;
  uint32_t cropX = 0, cropY = 0, cropWidth = 0, cropHeight = 0;
  int anticlockwiseQuarters = 0;  // irot: 0-3
  int mirror = -1;                // imir: -1 none, 0 top and bottom exchanged, 1 left and right
};

// Applies them in the order the format gives: crop, turn, mirror. InvalidParameter for a crop outside
// the picture; OutOfMemory when a turned copy cannot be had. `pixels` are unchanged on failure.
Status ApplyIsoTransforms(const IsoTransforms& transforms, PixelBuffer& pixels);

}  // namespace tavlen::gfx
