// The installed font list, taken from the painter's installed font collection.
#include "text/font_list.h"

#include "platform/graphics/drawing/font.h"

namespace tavlen::text {

void FontList::Load() {
  const gfx::InstalledFontCollection installed;
  std::vector<std::string> names;
  names.reserve(installed.FamilyCount());
  for (const gfx::FontFamily& family : installed.Families()) names.push_back(family.Name());
  m_names = std::move(names);
  m_loaded = true;
}

std::string FontList::NameAt(int64_t index) const {
  if (index < 0 || index >= static_cast<int64_t>(m_names.size())) return {};
  return m_names[static_cast<size_t>(index)];
}

}  // namespace tavlen::text
