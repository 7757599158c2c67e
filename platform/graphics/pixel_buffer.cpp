// Allocation, copies and sharing of pixel storage under the resource limits.
#include "platform/graphics/pixel_buffer.h"

#include <cstdlib>
#include <cstring>

#include "platform/graphics/limit_refusal.h"

namespace tavlen::gfx {

namespace {

Status Refused(Refusal refusal) {
  NoteRefusal(refusal);
  return Status::OutOfMemory;
}

}  // namespace

Status CheckImageSize(PixelFormat format, uint32_t width, uint32_t height, const DecodeLimits& limits) {
  if (!IsValidPixelFormat(format) || width == 0 || height == 0) return Status::InvalidParameter;
  if (width > limits.maxSide || height > limits.maxSide) return Refused(Refusal::Side);
  if (uint64_t{width} * height > limits.maxPixels) return Refused(Refusal::Pixels);
  const uint64_t stride = StrideFor(format, width);
  // stride < 2^32 and height < 2^32, so the product fits in 64 bits.
  const uint64_t bytes = stride * height;
  if (bytes > limits.maxPixelBytes || bytes > SIZE_MAX / 2) return Refused(Refusal::Memory);
  return Status::Ok;
}

Result<PixelBuffer> PixelBuffer::Allocate(PixelFormat format, uint32_t width, uint32_t height, Init init,
                                          const DecodeLimits& limits, size_t slackBytes) {
  if (Status s = CheckImageSize(format, width, height, limits); s != Status::Ok) return s;
  PixelBuffer buffer;
  buffer.m_layout = {format, width, height, static_cast<size_t>(StrideFor(format, width))};
  const size_t bytes = buffer.m_layout.Bytes();
  if (slackBytes > SIZE_MAX / 2 - bytes) return Status::OutOfMemory;
  constexpr BlockUse kUse[] = {BlockUse::Zeroed, BlockUse::Written, BlockUse::Reserved};
  buffer.m_data = AllocatePixelBlock(bytes + slackBytes, kUse[static_cast<int>(init)]);
  if (!buffer.m_data) return Status::OutOfMemory;
  buffer.m_capacity = bytes + slackBytes;
  buffer.m_palette = DefaultPalette(format);
  return buffer;
}

Result<PixelBuffer> PixelBuffer::Copy() const {
  if (Empty()) return PixelBuffer{};
  // The copy must not fail on limits the original was already allowed to exceed (e.g. a bitmap created large).
  DecodeLimits unlimited;
  unlimited.maxSide = UINT32_MAX;
  unlimited.maxPixelBytes = UINT64_MAX;
  auto copy = Allocate(Format(), Width(), Height(), Init::Uninitialized, unlimited);
  if (!copy.Ok()) return copy.GetStatus();
  std::memcpy(copy.Value().Data(), Data(), m_layout.Bytes());
  copy.Value().m_palette = m_palette;
  return copy;
}

PixelBuffer PixelBuffer::Share() const {
  PixelBuffer other;
  other.m_layout = m_layout;
  other.m_data = m_data;
  other.m_capacity = m_capacity;
  other.m_palette = m_palette;
  return other;
}

Status PixelBuffer::MakeUnique() {
  if (!Shared()) return Status::Ok;
  auto copy = Copy();
  if (!copy.Ok()) return copy.GetStatus();
  *this = std::move(copy).Value();
  return Status::Ok;
}

}  // namespace tavlen::gfx
