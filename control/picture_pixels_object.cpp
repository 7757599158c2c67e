// IPicturePixels of CTavlenObject: the working image locked as 32-bit ARGB rows, and replaced by a
// copy of the host's rows.
#include <cstring>
#include <utility>
#include <vector>

#include "control/tavlen_object.h"

namespace tavlen {

namespace {

ole::HRESULT ToHresult(gfx::Status status) {
  switch (status) {
    case gfx::Status::Ok:
      return ole::S_OK;
    case gfx::Status::OutOfMemory:
      return ole::E_OUTOFMEMORY;
    case gfx::Status::InvalidParameter:
      return ole::E_INVALIDARG;
    default:
      return ole::E_FAIL;
  }
}

}  // namespace

ole::HRESULT CTavlenObject::LockPixels(PixelRows* rows) {
  if (!rows) return ole::E_POINTER;
  *rows = PixelRows{};
  if (m_lockedPicture) return ole::E_UNEXPECTED;
  gfx::Bitmap* picture = m_ctrl.PictureBitmap();
  if (!picture) return ole::S_FALSE;
  // Same format: the rows are the picture's own; another format is converted into the lock.
  const gfx::Status status =
      picture->LockBits(nullptr, gfx::kImageLockModeRead, gfx::PixelFormat::ARGB32bpp, m_lockedRows);
  if (status != gfx::Status::Ok) return ToHresult(status);
  m_lockedPicture = picture;
  *rows = PixelRows{m_lockedRows.width, m_lockedRows.height, m_lockedRows.stride,
                    static_cast<uint8_t*>(m_lockedRows.scan0)};
  return ole::S_OK;
}

ole::HRESULT CTavlenObject::UnlockPixels() {
  if (!m_lockedPicture) return ole::E_UNEXPECTED;
  gfx::Bitmap* picture = m_lockedPicture;
  m_lockedPicture = nullptr;
  return ToHresult(picture->UnlockBits(m_lockedRows));
}

ole::HRESULT CTavlenObject::SetPixels(const PixelRows& rows) {
  if (m_lockedPicture) return ole::E_UNEXPECTED;
  if (!rows.scan0 || rows.width == 0 || rows.height == 0 || rows.stride < 0 ||
      static_cast<uint64_t>(rows.stride) < uint64_t{rows.width} * 4) {
    return ole::E_INVALIDARG;
  }
  // The same limits as a decoded file: a host cannot make the control hold what no file could give it.
  auto pixels = gfx::PixelBuffer::Allocate(gfx::PixelFormat::ARGB32bpp, rows.width, rows.height,
                                           gfx::PixelBuffer::Init::Uninitialized);
  if (!pixels.Ok()) return pixels.GetStatus() == gfx::Status::OutOfMemory ? ole::E_OUTOFMEMORY : ole::E_INVALIDARG;
  for (uint32_t y = 0; y < rows.height; ++y) {
    std::memcpy(pixels.Value().Row(y), rows.scan0 + static_cast<size_t>(y) * static_cast<size_t>(rows.stride),
                size_t{rows.width} * 4);
  }
  // The picture's tags (artist, date, orientation ...) stay with the new pixels.
  const gfx::Bitmap* old = m_ctrl.PictureBitmap();
  m_ctrl.ReplacePicture(gfx::Bitmap::FromPixels(std::move(pixels.Value()),
                                                old ? old->PropertyItems() : std::vector<gfx::PropertyItem>{}));
  return ole::S_OK;
}

}  // namespace tavlen
