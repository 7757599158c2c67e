// Allocation of pixel storage under the resource limits.
#include "platform/graphics/pixel_buffer.h"

#include <sys/mman.h>

#include <cstdlib>
#include <cstring>

namespace tavlen::gfx {

Status CheckImageSize(PixelFormat format, uint32_t width, uint32_t height, const DecodeLimits& limits) {
  if (!IsValidPixelFormat(format) || width == 0 || height == 0) return Status::InvalidParameter;
  if (width > limits.maxSide || height > limits.maxSide) return Status::OutOfMemory;
  const uint64_t stride = StrideFor(format, width);
  // stride < 2^32 and height < 2^32, so the product fits in 64 bits.
  const uint64_t bytes = stride * height;
  if (bytes > limits.maxPixelBytes || bytes > SIZE_MAX / 2) return Status::OutOfMemory;
  return Status::Ok;
}

namespace {

// Large images are touched page by page right after allocation (decoding, copying, turning); with
// huge pages behind them the first-touch faults cost a fraction. Only advice: failure changes nothing.
void AdviseHugePages(void* data, size_t bytes) {
  constexpr uintptr_t kPage = 4096;
  constexpr size_t kWorthIt = size_t{8} << 20;
  if (bytes < kWorthIt) return;
  const uintptr_t begin = (reinterpret_cast<uintptr_t>(data) + kPage - 1) & ~(kPage - 1);
  const uintptr_t end = (reinterpret_cast<uintptr_t>(data) + bytes) & ~(kPage - 1);
  if (end > begin) ::madvise(reinterpret_cast<void*>(begin), end - begin, MADV_HUGEPAGE);
}

}  // namespace

void PixelBuffer::FreeDeleter::operator()(uint8_t* p) const { std::free(p); }

Result<PixelBuffer> PixelBuffer::Allocate(PixelFormat format, uint32_t width, uint32_t height, Init init,
                                          const DecodeLimits& limits) {
  if (Status s = CheckImageSize(format, width, height, limits); s != Status::Ok) return s;
  PixelBuffer buffer;
  buffer.m_layout = {format, width, height, static_cast<size_t>(StrideFor(format, width))};
  const size_t bytes = buffer.m_layout.Bytes();
  void* p = init == Init::Zero ? std::calloc(bytes, 1) : std::malloc(bytes);
  if (p == nullptr) return Status::OutOfMemory;
  AdviseHugePages(p, bytes);
  buffer.m_data.reset(static_cast<uint8_t*>(p));
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

}  // namespace tavlen::gfx
