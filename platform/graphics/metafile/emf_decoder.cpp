// The EMF decoder: a metafile played onto a 32bppRGB bitmap at its natural size.
#include "platform/graphics/metafile/metafile_decoders.h"
#include "platform/graphics/metafile/player.h"

namespace tavlen::gfx {

Status OpenEmfDecoder(SharedBytes data, const DecodeLimits& limits, std::unique_ptr<ImageDecoder>& out) {
  if (!data || !metafile::LooksLikeEmf(*data)) return Status::UnknownImageFormat;
  DecodedFrame frame;
  if (const Status s = metafile::PlayEmf(*data, limits, frame.pixels); s != Status::Ok) return s;
  out = std::make_unique<SingleFrameDecoder>(std::move(frame));
  return Status::Ok;
}

}  // namespace tavlen::gfx
