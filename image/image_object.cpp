// The image object: status bookkeeping around a bitmap, and the copy rule.
#include "image/image_object.h"

namespace tavlen {

using gfx::Status;

ImageObject::Ptr ImageObject::FromFile(const std::string& path, const gfx::DecodeOptions& options) {
  auto decoded = gfx::Bitmap::FromFile(path, gfx::ProcessLimits(), options);
  if (!decoded.Ok()) return Ptr(new ImageObject(nullptr, decoded.GetStatus()));
  return Ptr(new ImageObject(std::move(decoded).Value(), Status::Ok));
}

ImageObject::Ptr ImageObject::Adopt(gfx::Bitmap::Ptr bitmap) {
  return Ptr(new ImageObject(std::move(bitmap), Status::Ok));
}

void ImageObject::Record(Status status) {
  if (status != Status::Ok) m_lastStatus = status;
}

uint32_t ImageObject::Width() {
  if (!m_handle) {
    Record(Status::InvalidParameter);
    return 0;
  }
  return m_handle->Width();
}

uint32_t ImageObject::Height() {
  if (!m_handle) {
    Record(Status::InvalidParameter);
    return 0;
  }
  return m_handle->Height();
}

ImageObject::Ptr ImageObject::Copy(float x, float y, float width, float height, gfx::PixelFormat format) {
  if (!m_handle) {
    Record(Status::InvalidParameter);
    return nullptr;
  }
  auto copy = m_handle->CloneArea(x, y, width, height, format);
  if (!copy.Ok()) {
    Record(copy.GetStatus());
    return nullptr;
  }
  if (m_lastStatus != Status::Ok) return nullptr;
  return Adopt(std::move(copy).Value());
}

ImageObject::Ptr ImageObject::SnapshotCopy(uint32_t width, uint32_t height) {
  if (!m_handle || width != m_handle->Width() || height != m_handle->Height()) return CopyWhole(width, height);
  auto copy = m_handle->CloneDormant();
  if (!copy.Ok()) {
    Record(copy.GetStatus());
    return nullptr;
  }
  if (m_lastStatus != Status::Ok) return nullptr;
  return Adopt(std::move(copy).Value());
}

}  // namespace tavlen
