// The installed font families, listed once so that a host can offer them as choices for the text font.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tavlen::text {

class FontList {
 public:
  // Lists the scalable families installed now, sorted by name and each once (the painter's
  // collection); replaces an earlier list. An empty list when fontconfig is unavailable.
  void Load();
  void Free() {
    m_names.clear();
    m_loaded = false;
  }
  bool Loaded() const { return m_loaded; }

  // Answers from the list: fonts installed or removed since Load are not seen.
  int32_t Count() const { return static_cast<int32_t>(m_names.size()); }
  // The whole family name at a 0-based position, UTF-8; empty for a position outside the list. A
  // name from here, set back as the text font, finds its family.
  std::string NameAt(int64_t index) const;

 private:
  std::vector<std::string> m_names;
  bool m_loaded = false;
};

}  // namespace tavlen::text
