// Compositing an image onto a background colour for a device-style 32-bit copy.
#include "platform/graphics/drawing/composite_onto_background.h"

#include <vector>

#include "platform/graphics/convert.h"

namespace tavlen::gfx {

Result<PixelBuffer> CompositeOntoBackground(const Bitmap& bitmap, Argb background) {
  const PixelBuffer& src = bitmap.Pixels();
  if (src.Empty()) return Status::InvalidParameter;
  auto made = PixelBuffer::Allocate(PixelFormat::RGB32bpp, src.Width(), src.Height(), PixelBuffer::Init::Uninitialized);
  if (!made.Ok()) return made.GetStatus();
  PixelBuffer out = std::move(made).Value();
  const uint32_t bg[3] = {BlueOf(background), GreenOf(background), RedOf(background)};
  std::vector<uint8_t> row(size_t{src.Width()} * 4);
  for (uint32_t y = 0; y < src.Height(); ++y) {
    RowToArgb32(src.Row(y), src.Format(), src.GetPalette(), 0, src.Width(), row.data());
    uint8_t* o = out.Row(y);
    for (uint32_t x = 0; x < src.Width(); ++x) {
      const uint8_t* p = &row[size_t{x} * 4];
      const uint32_t a = p[3];
      for (int c = 0; c < 3; ++c) o[4 * x + c] = static_cast<uint8_t>((p[c] * a + bg[c] * (255 - a) + 127) / 255);
      o[4 * x + 3] = 0xFF;
    }
  }
  return out;
}

}  // namespace tavlen::gfx
