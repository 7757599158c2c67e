// Owned pixel storage of one image and non-owning views of it.
#pragma once

#include <cassert>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <type_traits>
#include <utility>
#include <vector>

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

struct BlockLedger;
class DormantBands;

// Pixels of one image. Buffers made by Share() use the same bytes until one of them calls
// MakeUnique(); whoever writes into a buffer that may be shared calls it first (or MakeAreaUnique for
// the area it writes). Palettes are per buffer.
//
// A dormant share (ShareDormant) is for a holder that never reads the bytes in place, such as an undo
// snapshot: a writer changing a small area in place first gives each dormant share a copy of the
// pieces of row bands it changes, so the rest of the picture stays shared. A dormant share's pixels are read only
// through an ordinary buffer (ShareAwake, Copy, CopyPixelsTo); its other accessors are not to be used.
class PixelBuffer {
 public:
  // Reserved: uninitialised bytes kept for a later write that may not happen; unlike Uninitialized,
  // their pages are not brought in ahead of time.
  enum class Init { Zero, Uninitialized, Reserved };

  // The palette of an indexed buffer starts as the format's default palette. `slackBytes` more bytes
  // are allocated past the last row, for decoders that work in place (see Capacity()).
  static Result<PixelBuffer> Allocate(PixelFormat format, uint32_t width, uint32_t height, Init init,
                                      const DecodeLimits& limits = ProcessLimits(), size_t slackBytes = 0);

  PixelBuffer();
  ~PixelBuffer();
  PixelBuffer(PixelBuffer&&) noexcept;
  PixelBuffer& operator=(PixelBuffer&&) noexcept;
  PixelBuffer(const PixelBuffer&) = delete;
  PixelBuffer& operator=(const PixelBuffer&) = delete;

  // An explicit deep copy (of a dormant share: its pixels as they were when it was made): OutOfMemory
  // when it cannot be had.
  Result<PixelBuffer> Copy() const;
  // Copies the pixels into a buffer of the same layout; the palette stays.
  void CopyPixelsTo(PixelBuffer& target) const;
  // Another buffer on the same bytes, with a copy of the palette. Costs no pixel memory.
  PixelBuffer Share() const;
  // A dormant share of this buffer's bytes (see above); costs no pixel memory until rows change.
  Result<PixelBuffer> ShareDormant() const;
  // An ordinary buffer with this one's pixels: for a dormant share, a share of the bytes while no
  // band of them changed, else a copy; for any other buffer, Share(). OutOfMemory when a copy fails.
  Result<PixelBuffer> ShareAwake() const;
  bool Dormant() const { return m_dormant != nullptr; }
  // Whether another buffer uses the same bytes.
  bool Shared() const { return m_data.use_count() > 1; }
  // Gives this buffer bytes of its own when they are shared; OutOfMemory leaves it shared.
  Status MakeUnique();
  // Makes the pixels [x0, x1) of rows [y0, y1) safe to write: when every other holder of the bytes is
  // a dormant share, each saves the band pieces of that area it has not saved yet and the bytes stay
  // shared; otherwise, or for the whole picture, as MakeUnique. OutOfMemory leaves the other holders'
  // pixels as they were.
  Status MakeAreaUnique(uint32_t x0, uint32_t y0, uint32_t x1, uint32_t y1);
  // The (band, piece) pairs and the bands a dormant share holds copies of, in order: for tests.
  std::vector<std::pair<uint32_t, uint32_t>> SavedPieces() const;
  std::vector<uint32_t> SavedBands() const;
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

  uint8_t* Data() { return Bytes(); }
  const uint8_t* Data() const { return Bytes(); }
  uint8_t* Row(uint32_t y) { return Bytes() + static_cast<size_t>(y) * m_layout.stride; }
  const uint8_t* Row(uint32_t y) const { return Bytes() + static_cast<size_t>(y) * m_layout.stride; }
  PixelView View() { return {m_layout, Bytes()}; }
  ConstPixelView View() const { return {m_layout, Bytes()}; }

  Palette& GetPalette() { return m_palette; }
  const Palette& GetPalette() const { return m_palette; }

 private:
  // A dormant share's bytes are the block as others write it, not its own pixels.
  uint8_t* Bytes() const {
    assert(!m_dormant && "a dormant share is read through a copy");
    return m_data.get();
  }
  PixelBuffer ShareBytes() const;
  // Rows [y0, y1) and the bytes [x0, x1) of each that a piece of a band covers.
  struct PieceBox {
    uint32_t y0, y1;
    size_t x0, x1;
    size_t Width() const { return x1 - x0; }
  };
  uint32_t BandCount() const;
  uint32_t PieceCount() const;
  PieceBox PieceAt(uint32_t band, uint32_t piece) const;
  void CopyBytesTo(uint8_t* out) const;
  bool SavePiecesForDormantHolders(uint32_t x0, uint32_t y0, uint32_t x1, uint32_t y1);
  std::shared_ptr<const uint8_t[]> CopyOfPiece(const PieceBox& box) const;

  PixelLayout m_layout;
  PixelBlock m_data;
  size_t m_capacity = 0;
  Palette m_palette;
  std::shared_ptr<BlockLedger> m_ledger;  // the block's, shared by every buffer on it
  std::unique_ptr<DormantBands> m_dormant;
};

}  // namespace tavlen::gfx
