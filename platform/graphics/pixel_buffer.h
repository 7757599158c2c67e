// Owned pixel storage of one image and non-owning views of it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <type_traits>

#include "platform/graphics/limit_policy.h"
#include "platform/graphics/palette.h"
#include "platform/graphics/pixel_format.h"
#include "platform/graphics/pixel_memory.h"
#include "platform/graphics/result.h"

namespace tavlen::gfx {

struct PixelLayout {
  PixelFormat format = PixelFormat::DontCare;
  uint32_t width = 0;
  uint32_t height = 0;
  size_t stride = 0;

  size_t Bytes() const { return stride * height; }
};

template <typename Byte>
struct BasicPixelView {
  PixelLayout layout;
  Byte* data = nullptr;

  Byte* Row(uint32_t y) const { return data + static_cast<size_t>(y) * layout.stride; }

  operator BasicPixelView<const Byte>() const requires(!std::is_const_v<Byte>) { return {layout, data}; }
};
using PixelView = BasicPixelView<uint8_t>;
using ConstPixelView = BasicPixelView<const uint8_t>;

// Checks a requested image against the limits with overflow-safe arithmetic.
// InvalidParameter for a zero side or an invalid format, OutOfMemory when over a limit.
Status CheckImageSize(PixelFormat format, uint32_t width, uint32_t height, const DecodeLimits& limits);

// Pixels of one image. Buffers made by Share() use the same bytes until one of them calls
// MakeUnique(); whoever writes into a buffer that may be shared calls it first. Palettes are per buffer.
class PixelBuffer {
 public:
  // Reserved: uninitialised bytes kept for a later write that may not happen; unlike Uninitialized,
  // their pages are not brought in ahead of time.
  enum class Init { Zero, Uninitialized, Reserved };

  // The palette of an indexed buffer starts as the format's default palette. `slackBytes` more bytes
  // are allocated past the last row, for decoders that work in place (see Capacity()).
  static Result<PixelBuffer> Allocate(PixelFormat format, uint32_t width, uint32_t height, Init init,
                                      const DecodeLimits& limits = ProcessLimits(), size_t slackBytes = 0);

  PixelBuffer() = default;
  PixelBuffer(PixelBuffer&&) noexcept = default;
  PixelBuffer& operator=(PixelBuffer&&) noexcept = default;
  PixelBuffer(const PixelBuffer&) = delete;
  PixelBuffer& operator=(const PixelBuffer&) = delete;

  // An explicit deep copy: OutOfMemory when it cannot be had.
  Result<PixelBuffer> Copy() const;
  // Another buffer on the same bytes, with a copy of the palette. Costs no pixel memory.
  PixelBuffer Share() const;
  // Whether another buffer uses the same bytes.
  bool Shared() const { return m_data.use_count() > 1; }
  // Gives this buffer bytes of its own when they are shared; OutOfMemory leaves it shared.
  Status MakeUnique();
  // Whether two buffers use the same bytes.
  bool SameBytes(const PixelBuffer& other) const { return m_data && m_data == other.m_data; }
  // Allocated bytes from Data(): Layout().Bytes() plus the slack asked for.
  size_t Capacity() const { return m_capacity; }

  const PixelLayout& Layout() const { return m_layout; }
  PixelFormat Format() const { return m_layout.format; }
  uint32_t Width() const { return m_layout.width; }
  uint32_t Height() const { return m_layout.height; }
  size_t Stride() const { return m_layout.stride; }
  bool Empty() const { return m_data == nullptr; }

  uint8_t* Data() { return m_data.get(); }
  const uint8_t* Data() const { return m_data.get(); }
  uint8_t* Row(uint32_t y) { return m_data.get() + static_cast<size_t>(y) * m_layout.stride; }
  const uint8_t* Row(uint32_t y) const { return m_data.get() + static_cast<size_t>(y) * m_layout.stride; }
  PixelView View() { return {m_layout, m_data.get()}; }
  ConstPixelView View() const { return {m_layout, m_data.get()}; }

  Palette& GetPalette() { return m_palette; }
  const Palette& GetPalette() const { return m_palette; }

 private:
  PixelLayout m_layout;
  PixelBlock m_data;
  size_t m_capacity = 0;
  Palette m_palette;
};

}  // namespace tavlen::gfx
