// ISO base media brands and the clap/irot/imir transforms of AVIF and HEIF pictures.
#include "platform/graphics/codecs/iso_media.h"

#include <cstring>

#include "platform/graphics/convert.h"
#include "platform/graphics/rotate_flip.h"

namespace tavlen::gfx {

// Box layout at the start of the file:
//   0  size (big-endian 32 bits)   4  "ftyp"   8  major brand   12  minor version   16  compatible brands, 4 each
bool HasIsoBrand(const Bytes& data, std::initializer_list<std::string_view> brands) {
  if (data.size() < 16 || std::memcmp(data.data() + 4, "ftyp", 4) != 0) return false;
  const uint32_t size = uint32_t{data[0]} << 24 | uint32_t{data[1]} << 16 | uint32_t{data[2]} << 8 | data[3];
  const size_t end = std::min<size_t>(size, data.size());
  auto named = [&](size_t at) {
    const std::string_view brand(reinterpret_cast<const char*>(data.data() + at), 4);
    for (std::string_view b : brands)
      if (b == brand) return true;
    return false;
  };
  if (named(8)) return true;
  for (size_t at = 16; at + 4 <= end; at += 4)
    if (named(at)) return true;
  return false;
}

Status ApplyIsoTransforms(const IsoTransforms& t, PixelBuffer& pixels) {
  if (t.crop) {
    const uint64_t right = uint64_t{t.cropX} + t.cropWidth, bottom = uint64_t{t.cropY} + t.cropHeight;
    if (t.cropWidth == 0 || t.cropHeight == 0 || right > pixels.Width() || bottom > pixels.Height())
      return Status::InvalidParameter;
    if (t.cropWidth != pixels.Width() || t.cropHeight != pixels.Height()) {
      auto cropped =
          PixelBuffer::Allocate(pixels.Format(), t.cropWidth, t.cropHeight, PixelBuffer::Init::Uninitialized);
      if (!cropped.Ok()) return cropped.GetStatus();
      CopyArea(pixels.View(), t.cropX, t.cropY, cropped.Value().View(), 0, 0, t.cropWidth, t.cropHeight);
      pixels = std::move(cropped).Value();
    }
  }
  // RotateFlipPixels turns clockwise and then mirrors left and right; a top-bottom mirror is a half
  // turn more with the left-right one.
  int type = (4 - (t.anticlockwiseQuarters & 3)) & 3;
  if (t.mirror == 1) type |= 4;
  if (t.mirror == 0) type = ((type + 2) & 3) | 4;
  return type == 0 ? Status::Ok : RotateFlipPixels(pixels, type);
}

}  // namespace tavlen::gfx
