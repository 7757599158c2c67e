// The bookkeeping behind dormant shares of a pixel block: holders that never read the block in place
// (undo snapshots) and keep their own copy of each piece of a row band before a writer changes it in
// place.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

namespace tavlen::gfx {

// Rows per band: a 6000-pixel 24-bit row band is about 1 MB, small beside a picture yet few enough
// that the band list of the largest picture stays short.
inline constexpr uint32_t kSharedBandRows = 64;
// Bytes of each row per piece of a band: a line of text or a stroke saves the columns it crosses, not
// the whole width of its bands.
inline constexpr size_t kSharedPieceBytes = 1024;

class DormantBands;

// One per pixel block, shared by every buffer on the block. Pictures move between threads, so the
// dormant holders and their saved bands are only touched under the mutex.
struct BlockLedger {
  std::mutex mutex;
  std::vector<DormantBands*> dormant;
};

// A dormant holder's copies of the band pieces that changed in the block after it was made; pieces
// without a copy are still right in the block. A piece's copy holds its bytes of each of the band's
// rows, one after the other.
class DormantBands {
 public:
  using Piece = std::shared_ptr<const uint8_t[]>;

  // Registers with the ledger of a block of `bandCount` bands of `pieceCount` pieces.
  DormantBands(std::shared_ptr<BlockLedger> ledger, uint32_t bandCount, uint32_t pieceCount);
  ~DormantBands();  // leaves the ledger
  DormantBands(const DormantBands&) = delete;
  DormantBands& operator=(const DormantBands&) = delete;

  uint32_t PieceCount() const { return m_pieceCount; }
  // Under the ledger's mutex: the saved copy of a piece, null while the block still holds it.
  const Piece& Saved(uint32_t band, uint32_t piece) const { return m_pieces[Index(band, piece)]; }
  void Save(uint32_t band, uint32_t piece, Piece copy) { m_pieces[Index(band, piece)] = std::move(copy); }
  // Under the ledger's mutex: whether any piece of `band`, or of the block, has a copy.
  bool AnySaved(uint32_t band) const;
  bool NoneSaved() const;

 private:
  size_t Index(uint32_t band, uint32_t piece) const { return size_t{band} * m_pieceCount + piece; }

  std::shared_ptr<BlockLedger> m_ledger;
  uint32_t m_pieceCount;
  std::vector<Piece> m_pieces;
};

}  // namespace tavlen::gfx
