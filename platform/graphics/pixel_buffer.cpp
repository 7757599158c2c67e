// Allocation, copies and sharing of pixel storage under the resource limits.
#include "platform/graphics/pixel_buffer.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>

#include "platform/graphics/dormant_bands.h"
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
  try {
    buffer.m_ledger = std::make_shared<BlockLedger>();
  } catch (const std::bad_alloc&) {
    return Status::OutOfMemory;
  }
  return buffer;
}

PixelBuffer::PixelBuffer() = default;
PixelBuffer::~PixelBuffer() = default;
PixelBuffer::PixelBuffer(PixelBuffer&&) noexcept = default;
PixelBuffer& PixelBuffer::operator=(PixelBuffer&&) noexcept = default;

uint32_t PixelBuffer::BandCount() const { return (Height() + kSharedBandRows - 1) / kSharedBandRows; }

uint32_t PixelBuffer::PieceCount() const {
  return static_cast<uint32_t>((Stride() + kSharedPieceBytes - 1) / kSharedPieceBytes);
}

PixelBuffer::PieceBox PixelBuffer::PieceAt(uint32_t band, uint32_t piece) const {
  const uint32_t y0 = band * kSharedBandRows;
  const size_t x0 = size_t{piece} * kSharedPieceBytes;
  return {y0, std::min(Height(), y0 + kSharedBandRows), x0, std::min(Stride(), x0 + kSharedPieceBytes)};
}

Result<PixelBuffer> PixelBuffer::Copy() const {
  if (Empty()) return PixelBuffer{};
  // The copy must not fail on limits the original was already allowed to exceed (e.g. a bitmap created large).
  DecodeLimits unlimited;
  unlimited.maxSide = UINT32_MAX;
  unlimited.maxPixelBytes = UINT64_MAX;
  auto copy = Allocate(Format(), Width(), Height(), Init::Uninitialized, unlimited);
  if (!copy.Ok()) return copy.GetStatus();
  CopyBytesTo(copy.Value().Data());
  copy.Value().m_palette = m_palette;
  return copy;
}

void PixelBuffer::CopyPixelsTo(PixelBuffer& target) const {
  assert(target.Layout().Bytes() == m_layout.Bytes());
  CopyBytesTo(target.Data());
}

void PixelBuffer::CopyBytesTo(uint8_t* out) const {
  if (!m_dormant) {
    std::memcpy(out, m_data.get(), m_layout.Bytes());
    return;
  }
  // Piece by piece from the saved copy or, where there is none, the block: a writer may be changing
  // the saved pieces' bytes in the block meanwhile.
  const size_t bandBytes = size_t{kSharedBandRows} * m_layout.stride;
  const std::lock_guard lock(m_ledger->mutex);
  for (uint32_t band = 0; band < BandCount(); ++band) {
    if (!m_dormant->AnySaved(band)) {
      const size_t offset = band * bandBytes;
      std::memcpy(out + offset, m_data.get() + offset, std::min(bandBytes, m_layout.Bytes() - offset));
      continue;
    }
    for (uint32_t piece = 0; piece < m_dormant->PieceCount(); ++piece) {
      const PieceBox box = PieceAt(band, piece);
      const uint8_t* saved = m_dormant->Saved(band, piece).get();
      for (uint32_t y = box.y0; y < box.y1; ++y) {
        const size_t offset = y * m_layout.stride + box.x0;
        const uint8_t* from = saved ? saved + (y - box.y0) * box.Width() : m_data.get() + offset;
        std::memcpy(out + offset, from, box.Width());
      }
    }
  }
}

PixelBuffer PixelBuffer::Share() const {
  assert(!m_dormant && "a dormant share is read through a copy");
  return ShareBytes();
}

PixelBuffer PixelBuffer::ShareBytes() const {
  PixelBuffer other;
  other.m_layout = m_layout;
  other.m_data = m_data;
  other.m_capacity = m_capacity;
  other.m_palette = m_palette;
  other.m_ledger = m_ledger;
  return other;
}

Result<PixelBuffer> PixelBuffer::ShareDormant() const {
  PixelBuffer other = Share();
  if (Empty()) return other;
  try {
    other.m_dormant = std::make_unique<DormantBands>(m_ledger, BandCount(), PieceCount());
  } catch (const std::bad_alloc&) {
    return Status::OutOfMemory;
  }
  return other;
}

Result<PixelBuffer> PixelBuffer::ShareAwake() const {
  if (!m_dormant) return Share();
  {
    // Made under the mutex, the share counts as an ordinary holder before any writer looks again.
    const std::lock_guard lock(m_ledger->mutex);
    if (m_dormant->NoneSaved()) return ShareBytes();
  }
  return Copy();
}

Status PixelBuffer::MakeUnique() {
  assert(!m_dormant && "a dormant share is never written");
  if (!Shared()) return Status::Ok;
  auto copy = Copy();
  if (!copy.Ok()) return copy.GetStatus();
  *this = std::move(copy).Value();
  return Status::Ok;
}

Status PixelBuffer::MakeAreaUnique(uint32_t x0, uint32_t y0, uint32_t x1, uint32_t y1) {
  assert(!m_dormant && "a dormant share is never written");
  x1 = std::min(x1, Width());
  y1 = std::min(y1, Height());
  if (x0 >= x1 || y0 >= y1 || !Shared()) return Status::Ok;
  // A write over the whole picture copies no less than a copy of the whole picture.
  const bool whole = x0 == 0 && y0 == 0 && x1 == Width() && y1 == Height();
  if (!whole && SavePiecesForDormantHolders(x0, y0, x1, y1)) return Status::Ok;
  return MakeUnique();
}

bool PixelBuffer::SavePiecesForDormantHolders(uint32_t x0, uint32_t y0, uint32_t x1, uint32_t y1) {
  const std::lock_guard lock(m_ledger->mutex);
  const std::vector<DormantBands*>& dormant = m_ledger->dormant;
  // Any other holder may read the bytes in place, so they must not change under it.
  if (m_data.use_count() - 1 != static_cast<long>(dormant.size())) return false;
  const uint64_t bits = BitsPerPixel(Format());
  const auto firstPiece = static_cast<uint32_t>(x0 * bits / 8 / kSharedPieceBytes);
  const auto endPiece = static_cast<uint32_t>(((x1 * bits + 7) / 8 + kSharedPieceBytes - 1) / kSharedPieceBytes);
  for (uint32_t band = y0 / kSharedBandRows; band * kSharedBandRows < y1; ++band) {
    for (uint32_t piece = firstPiece; piece < endPiece; ++piece) {
      // One copy serves every holder that still needs the piece.
      DormantBands::Piece copy;
      for (DormantBands* holder : dormant) {
        if (holder->Saved(band, piece)) continue;
        if (!copy && !(copy = CopyOfPiece(PieceAt(band, piece)))) return false;
        holder->Save(band, piece, copy);
      }
    }
  }
  return true;
}

DormantBands::Piece PixelBuffer::CopyOfPiece(const PieceBox& box) const {
  uint8_t* saved = new (std::nothrow) uint8_t[(box.y1 - box.y0) * box.Width()];
  if (!saved) return nullptr;
  for (uint32_t y = box.y0; y < box.y1; ++y) {
    std::memcpy(saved + (y - box.y0) * box.Width(), m_data.get() + y * m_layout.stride + box.x0, box.Width());
  }
  // A failing control block allocation hands the bytes to the deleter itself.
  try {
    return DormantBands::Piece(saved, std::default_delete<uint8_t[]>());
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}

std::vector<std::pair<uint32_t, uint32_t>> PixelBuffer::SavedPieces() const {
  std::vector<std::pair<uint32_t, uint32_t>> pieces;
  if (!m_dormant) return pieces;
  const std::lock_guard lock(m_ledger->mutex);
  for (uint32_t band = 0; band < BandCount(); ++band) {
    for (uint32_t piece = 0; piece < m_dormant->PieceCount(); ++piece) {
      if (m_dormant->Saved(band, piece)) pieces.emplace_back(band, piece);
    }
  }
  return pieces;
}

std::vector<uint32_t> PixelBuffer::SavedBands() const {
  std::vector<uint32_t> bands;
  for (const auto& [band, piece] : SavedPieces()) {
    if (bands.empty() || bands.back() != band) bands.push_back(band);
  }
  return bands;
}

}  // namespace tavlen::gfx
