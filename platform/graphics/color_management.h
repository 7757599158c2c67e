// Colour management of decoded frames: pixels with a profile converted to sRGB with Little CMS, and the
// profile kept with the pixels as a property item for the encoders to write back.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "platform/graphics/codecs/codec.h"
#include "platform/graphics/decode_options.h"

namespace tavlen::gfx {

// Applies the options to a frame just decoded. Managed: pixels with a usable profile become sRGB and
// carry the sRGB profile; a damaged or unsupported profile, or pixels in a format the conversion does
// not take, leave the pixels as decoded (with their profile when one was embedded), never a failure.
// keepProfile: the embedded profile is added as a property item. Otherwise nothing changes. The
// frame's colour source is emptied in every case.
void ApplyColorOptions(DecodedFrame& frame, const DecodeOptions& options);

// The sRGB profile the converted pixels are in, as bytes (built once).
const std::vector<uint8_t>& SrgbProfileBytes();

}  // namespace tavlen::gfx
