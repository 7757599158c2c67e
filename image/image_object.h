// The control's image object: an owned bitmap of the imaging library together with the last failing
// status of a call made on it.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <utility>

#include "platform/graphics/bitmap.h"

namespace tavlen {

class ImageObject {
 public:
  using Ptr = std::unique_ptr<ImageObject>;

  // Decodes a file. The object always exists; its handle is null and its last status tells why
  // when decoding failed.
  // The options default to the formats and colours of old.
  static Ptr FromFile(const std::string& path, const gfx::DecodeOptions& options = {});
  // Takes a bitmap made elsewhere; the last status starts as Ok.
  static Ptr Adopt(gfx::Bitmap::Ptr bitmap);

  gfx::Bitmap* Handle() const { return m_handle.get(); }
  gfx::Status LastStatus() const { return m_lastStatus; }

  // Records a status of a call made on this image: a failure stays recorded for the object's life.
  void Record(gfx::Status status);

  // Pixel size, 0 when the query fails (the failure is recorded).
  uint32_t Width();
  uint32_t Height();

  // Runs an in-place operation on the bitmap, `operation(bitmap, arguments...)`; its status,
  // InvalidParameter without a bitmap, is recorded and returned.
  template <typename... Parameters, typename... Arguments>
  gfx::Status Apply(gfx::Status (*operation)(gfx::Bitmap&, Parameters...), Arguments&&... arguments) {
    const gfx::Status status =
        m_handle ? operation(*m_handle, std::forward<Arguments>(arguments)...) : gfx::Status::InvalidParameter;
    Record(status);
    return status;
  }

  // A separate copy of an area, or null when the library refuses it or this image carries a failing
  // last status (after the call): an image that ever failed can no longer be copied.
  Ptr Copy(float x, float y, float width, float height, gfx::PixelFormat format);
  // Copy of the area (0, 0, width, height) in the source's own pixel format: how the working image,
  // the snapshots and the restored states are made.
  Ptr CopyWhole(uint32_t width, uint32_t height) {
    return Copy(0, 0, static_cast<float>(width), static_cast<float>(height), gfx::PixelFormat::DontCare);
  }
  // As CopyWhole, for an undo snapshot: a dormant copy (see gfx::Bitmap::CloneDormant), so that later
  // edits of a few rows of this image copy only those rows. Null as for CopyWhole; a size that is not
  // this image's gets what CopyWhole gives.
  Ptr SnapshotCopy(uint32_t width, uint32_t height);

 private:
  ImageObject(gfx::Bitmap::Ptr handle, gfx::Status status) : m_handle(std::move(handle)), m_lastStatus(status) {}

  gfx::Bitmap::Ptr m_handle;
  gfx::Status m_lastStatus = gfx::Status::Ok;
};

}  // namespace tavlen
