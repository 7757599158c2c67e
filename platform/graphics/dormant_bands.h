// The bookkeeping behind dormant shares of a pixel block: holders that never read the block in place
// (undo snapshots) and keep their own copy of each row band before a writer changes it in place.
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

class DormantBands;

// One per pixel block, shared by every buffer on the block. Pictures move between threads, so the
// dormant holders and their saved bands are only touched under the mutex.
struct BlockLedger {
  std::mutex mutex;
  std::vector<DormantBands*> dormant;
};

// A dormant holder's copies of the bands that changed in the block after it was made; bands without
// a copy are still right in the block.
class DormantBands {
 public:
  using Band = std::shared_ptr<const uint8_t[]>;

  // Registers with the ledger of a block of `bandCount` bands.
  DormantBands(std::shared_ptr<BlockLedger> ledger, uint32_t bandCount);
  ~DormantBands();  // leaves the ledger
  DormantBands(const DormantBands&) = delete;
  DormantBands& operator=(const DormantBands&) = delete;

  // Under the ledger's mutex: the saved copy of a band, null while the block still holds it.
  const Band& Saved(uint32_t band) const { return m_bands[band]; }
  void Save(uint32_t band, Band copy) { m_bands[band] = std::move(copy); }
  // Under the ledger's mutex: whether the block still holds every band as it was.
  bool NoneSaved() const;

 private:
  std::shared_ptr<BlockLedger> m_ledger;
  std::vector<Band> m_bands;
};

}  // namespace tavlen::gfx
