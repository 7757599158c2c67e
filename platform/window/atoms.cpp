// The process-wide atom table: reference-counted, case-insensitive strings and integer atoms.
#include <algorithm>
#include <map>
#include <mutex>
#include <string>

#include "platform/base/ascii.h"
#include "platform/window/window.h"

namespace tavlen::win {

namespace {

constexpr uint16_t kFirstStringAtom = 0xC000;
constexpr size_t kMaxAtomName = 255;

struct AtomEntry {
  std::string name;  // as first added
  uint32_t references = 0;
};

struct AtomTable {
  std::mutex mutex;
  std::map<uint16_t, AtomEntry> entries;
  std::map<std::string, uint16_t> byFoldedName;
};

AtomTable& Table() {
  static AtomTable table;
  return table;
}

// ASCII folding: the C library's tolower would fold by the current locale (a Turkish 'I').
std::string Fold(const std::string& name) { return base::AsciiLowered(name); }

// "#123" names the integer atom 123, valid from 1 to 0xBFFF and never stored in the table. True
// when the name has that form; `atom` is then 0 for a number out of range.
bool IsIntegerAtomName(const std::string& name, uint16_t& atom) {
  atom = 0;
  if (name.size() < 2 || name[0] != '#') return false;
  uint32_t value = 0;
  for (size_t i = 1; i < name.size(); ++i) {
    if (name[i] < '0' || name[i] > '9') return false;
    value = std::min<uint32_t>(value * 10 + static_cast<uint32_t>(name[i] - '0'), 0x10000);
  }
  if (value >= 1 && value < kFirstStringAtom) atom = static_cast<uint16_t>(value);
  return true;
}

bool ValidName(const std::string& name) { return !name.empty() && name.size() <= kMaxAtomName; }

}  // namespace

uint16_t GlobalAddAtom(const std::string& name) {
  if (uint16_t integer = 0; IsIntegerAtomName(name, integer)) return integer;
  if (!ValidName(name)) return 0;
  AtomTable& table = Table();
  std::lock_guard lock(table.mutex);
  std::string folded = Fold(name);
  if (auto found = table.byFoldedName.find(folded); found != table.byFoldedName.end()) {
    ++table.entries[found->second].references;
    return found->second;
  }
  // The lowest free atom, so that a deleted atom's number is reused as on the desktop.
  uint32_t atom = kFirstStringAtom;
  for (const auto& [used, entry] : table.entries) {
    if (used != atom) break;
    ++atom;
  }
  if (atom > 0xFFFF) return 0;
  table.entries[static_cast<uint16_t>(atom)] = {name, 1};
  table.byFoldedName[folded] = static_cast<uint16_t>(atom);
  return static_cast<uint16_t>(atom);
}

uint16_t GlobalFindAtom(const std::string& name) {
  if (uint16_t integer = 0; IsIntegerAtomName(name, integer)) return integer;
  if (!ValidName(name)) return 0;
  AtomTable& table = Table();
  std::lock_guard lock(table.mutex);
  auto found = table.byFoldedName.find(Fold(name));
  return found == table.byFoldedName.end() ? 0 : found->second;
}

uint16_t GlobalDeleteAtom(uint16_t atom) {
  if (atom != 0 && atom < kFirstStringAtom) return 0;  // integer atoms are never stored
  AtomTable& table = Table();
  std::lock_guard lock(table.mutex);
  auto found = table.entries.find(atom);
  if (found == table.entries.end()) return atom;
  if (--found->second.references == 0) {
    table.byFoldedName.erase(Fold(found->second.name));
    table.entries.erase(found);
  }
  return 0;
}

std::string GlobalGetAtomName(uint16_t atom) {
  if (atom != 0 && atom < kFirstStringAtom) {
    // Appended rather than concatenated: gcc 12 at -O3 warns falsely (-Wrestrict) about "#" + string.
    std::string name = "#";
    name += std::to_string(atom);
    return name;
  }
  AtomTable& table = Table();
  std::lock_guard lock(table.mutex);
  auto found = table.entries.find(atom);
  return found == table.entries.end() ? std::string() : found->second.name;
}

}  // namespace tavlen::win
