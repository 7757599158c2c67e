// Registration of dormant holders with their block's ledger.
#include "platform/graphics/dormant_bands.h"

#include <algorithm>

namespace tavlen::gfx {

DormantBands::DormantBands(std::shared_ptr<BlockLedger> ledger, uint32_t bandCount)
    : m_ledger(std::move(ledger)), m_bands(bandCount) {
  const std::lock_guard lock(m_ledger->mutex);
  m_ledger->dormant.push_back(this);
}

DormantBands::~DormantBands() {
  const std::lock_guard lock(m_ledger->mutex);
  auto& dormant = m_ledger->dormant;
  dormant.erase(std::find(dormant.begin(), dormant.end(), this));
}

bool DormantBands::NoneSaved() const {
  return std::none_of(m_bands.begin(), m_bands.end(), [](const Band& band) { return band != nullptr; });
}

}  // namespace tavlen::gfx
