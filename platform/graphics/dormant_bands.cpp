// Registration of dormant holders with their block's ledger.
#include "platform/graphics/dormant_bands.h"

#include <algorithm>

namespace tavlen::gfx {

DormantBands::DormantBands(std::shared_ptr<BlockLedger> ledger, uint32_t bandCount, uint32_t pieceCount)
    : m_ledger(std::move(ledger)), m_pieceCount(pieceCount), m_pieces(size_t{bandCount} * pieceCount) {
  const std::lock_guard lock(m_ledger->mutex);
  m_ledger->dormant.push_back(this);
}

DormantBands::~DormantBands() {
  const std::lock_guard lock(m_ledger->mutex);
  auto& dormant = m_ledger->dormant;
  dormant.erase(std::find(dormant.begin(), dormant.end(), this));
}

bool DormantBands::AnySaved(uint32_t band) const {
  const auto first = m_pieces.begin() + static_cast<std::ptrdiff_t>(Index(band, 0));
  return std::any_of(first, first + m_pieceCount, [](const Piece& piece) { return piece != nullptr; });
}

bool DormantBands::NoneSaved() const {
  return std::none_of(m_pieces.begin(), m_pieces.end(), [](const Piece& piece) { return piece != nullptr; });
}

}  // namespace tavlen::gfx
