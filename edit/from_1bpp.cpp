// ConvertFrom1bpp's round trip: encode as GIF into memory, decode, copy into a drawable format.
#include "edit/from_1bpp.h"

#include <cstdint>
#include <vector>

namespace tavlen::edit {

gfx::Result<gfx::Bitmap::Ptr> RoundTripThroughGif(const gfx::Bitmap& image, const gfx::Guid& gifEncoder) {
  std::vector<uint8_t> encoded;
  if (gfx::Status s = image.SaveToMemory(gifEncoder, {}, encoded); s != gfx::Status::Ok) return s;
  auto decoded = gfx::Bitmap::FromMemory(encoded);
  if (!decoded.Ok()) return decoded.GetStatus();
  const gfx::Bitmap& reopened = *decoded.Value();
  // 32bppARGB rather than the GIF's 8-bit indexed format: the painter draws only into direct formats.
  return reopened.CloneArea(0, 0, static_cast<float>(reopened.Width()), static_cast<float>(reopened.Height()),
                            gfx::PixelFormat::ARGB32bpp);
}

}  // namespace tavlen::edit
