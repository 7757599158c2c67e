// The WMF decoder: a metafile played onto a 32bppRGB bitmap at its natural size.
#include "platform/graphics/codecs/codec.h"
#include "platform/graphics/metafile/player.h"

namespace tavlen::gfx {

// UnknownImageFormat (quickly, so that other probes may run) when the bytes are not a WMF.
Status OpenWmfDecoder(SharedBytes data, const DecodeLimits& limits, std::unique_ptr<ImageDecoder>& out) {
  if (!data || !metafile::LooksLikeWmf(*data)) return Status::UnknownImageFormat;
  DecodedFrame frame;
  if (const Status s = metafile::PlayWmf(*data, limits, frame.pixels); s != Status::Ok) return s;
  out = std::make_unique<SingleFrameDecoder>(std::move(frame));
  return Status::Ok;
}

}  // namespace tavlen::gfx
