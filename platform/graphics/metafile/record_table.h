// The one form of the three record sets (WMF, EMF, EMF+): an enum of the published record types, and tables
// of {type, handler} rows that a player finds each record's handler in.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <span>

namespace tavlen::gfx::metafile {

template <typename Type, typename Handler>
struct RecordEntry {
  Type type;
  Handler handle;
};

// The rows of one or more tables indexed by type, for record types in [first, first + N). A type outside that
// range or without a row has no handler.
template <typename Type, typename Handler, size_t N>
class RecordIndex {
 public:
  using Entry = RecordEntry<Type, Handler>;

  RecordIndex(uint32_t first, std::initializer_list<std::span<const Entry>> tables) : m_first(first) {
    for (std::span<const Entry> table : tables)
      for (const Entry& e : table) m_byType.at(static_cast<uint32_t>(e.type) - first) = e.handle;
  }

  // The handler of `type`, or null.
  Handler Find(uint32_t type) const {
    return type >= m_first && type - m_first < N ? m_byType[type - m_first] : Handler{};
  }

 private:
  uint32_t m_first;
  std::array<Handler, N> m_byType{};
};

}  // namespace tavlen::gfx::metafile
