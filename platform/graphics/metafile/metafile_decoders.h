// The WMF and EMF decoders: the metafile player behind the codec interface, registered from here so
// that codecs/ never reaches up into the player.
#pragma once

#include <memory>

#include "platform/graphics/codecs/codec.h"

namespace tavlen::gfx {

// UnknownImageFormat (quickly, so that other probes may run) when the bytes are not that metafile.
Status OpenWmfDecoder(SharedBytes data, const DecodeLimits& limits, std::unique_ptr<ImageDecoder>& out);
Status OpenEmfDecoder(SharedBytes data, const DecodeLimits& limits, std::unique_ptr<ImageDecoder>& out);

}  // namespace tavlen::gfx
