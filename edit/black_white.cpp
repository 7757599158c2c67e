// MakeBlackWhiteCopy: one read lock of the source, one write lock of the copy, a walk over the rows.
#include "edit/black_white.h"

#include <cstdint>
#include <utility>

#include "platform/graphics/two_halves.h"

namespace tavlen::edit {
namespace {

constexpr uint8_t kThreshold = 128;

// Unlocks on every way out of the call.
class LockedBits {
 public:
  LockedBits(gfx::Bitmap& bitmap, uint32_t mode, gfx::PixelFormat format) : m_bitmap(bitmap) {
    m_status = bitmap.LockBits(nullptr, mode, format, m_data);
  }
  ~LockedBits() {
    if (m_status == gfx::Status::Ok) gfx::Ignore(m_bitmap.UnlockBits(m_data));
  }
  LockedBits(const LockedBits&) = delete;
  LockedBits& operator=(const LockedBits&) = delete;

  gfx::Status GetStatus() const { return m_status; }
  uint8_t* Row(uint32_t y) const {
    return static_cast<uint8_t*>(m_data.scan0) + static_cast<intptr_t>(y) * m_data.stride;
  }

 private:
  gfx::Bitmap& m_bitmap;
  gfx::BitmapData m_data;
  gfx::Status m_status = gfx::Status::GenericError;
};

inline uint8_t IsWhite(const uint8_t* bgr) {
  return static_cast<uint8_t>((bgr[0] > kThreshold) & (bgr[1] > kThreshold) & (bgr[2] > kThreshold));
}

// Packs one row: the leftmost pixel of each byte is its most significant bit; bits past the last
// pixel stay 0.
void ThresholdRow(const uint8_t* bgr, uint32_t width, uint8_t* bits) {
  uint32_t x = 0;
  for (; x + 8 <= width; x += 8, bgr += 24) {
    uint8_t byte = 0;
    for (uint32_t k = 0; k < 8; ++k) byte = static_cast<uint8_t>(byte | IsWhite(bgr + 3 * k) << (7 - k));
    bits[x >> 3] = byte;
  }
  if (x == width) return;
  uint8_t byte = 0;
  for (uint32_t k = 0; x + k < width; ++k) byte = static_cast<uint8_t>(byte | IsWhite(bgr + 3 * k) << (7 - k));
  bits[x >> 3] = byte;
}

}  // namespace

gfx::Result<gfx::Bitmap::Ptr> MakeBlackWhiteCopy(gfx::Bitmap& source) {
  const uint32_t width = source.Width();
  const uint32_t height = source.Height();
  auto created = gfx::Bitmap::Create(width, height, gfx::PixelFormat::Indexed1bpp);
  if (!created.Ok()) return created.GetStatus();
  gfx::Bitmap::Ptr copy = std::move(created).Value();
  {
    LockedBits out(*copy, gfx::kImageLockModeWrite, gfx::PixelFormat::Indexed1bpp);
    if (out.GetStatus() != gfx::Status::Ok) return out.GetStatus();
    LockedBits in(source, gfx::kImageLockModeRead, gfx::PixelFormat::RGB24bpp);
    if (in.GetStatus() != gfx::Status::Ok) return in.GetStatus();
    gfx::RunInTwoHalves(height, size_t{height} * width * 3, 1, [&](uint32_t begin, uint32_t end) {
      for (uint32_t y = begin; y < end; ++y) ThresholdRow(in.Row(y), width, out.Row(y));
    });
  }
  return copy;
}

}  // namespace tavlen::edit
