// The tables of named values and their parser.
#include "hosts/common/named_values.h"

#include "platform/automation/ole_object.h"
#include "platform/base/ascii.h"

namespace tavlen::host {

namespace {

// SB_HORZ and SB_VERT, with the short forms scripts have always used.
constexpr NamedValue kBarNames[] = {{"h", 0}, {"horz", 0}, {"horizontal", 0}, {"v", 1}, {"vert", 1}, {"vertical", 1}};

// SB_LINEUP ... SB_ENDSCROLL; the LEFT/RIGHT names of the horizontal bar share the numbers.
constexpr NamedValue kScrollCodeNames[] = {{"lineup", 0},        {"lineleft", 0},   {"linedown", 1}, {"lineright", 1},
                                           {"pageup", 2},        {"pageleft", 2},   {"pagedown", 3}, {"pageright", 3},
                                           {"thumbposition", 4}, {"thumbtrack", 5}, {"top", 6},      {"left", 6},
                                           {"bottom", 7},        {"right", 7},      {"endscroll", 8}};

// As the stock mouse events number the buttons.
constexpr NamedValue kButtonNames[] = {{"left", 1}, {"right", 2}, {"middle", 4}};

constexpr NamedValue kVerbNames[] = {{"primary", ole::OLEIVERB_PRIMARY},
                                     {"show", ole::OLEIVERB_SHOW},
                                     {"open", ole::OLEIVERB_OPEN},
                                     {"hide", ole::OLEIVERB_HIDE},
                                     {"uiactivate", ole::OLEIVERB_UIACTIVATE},
                                     {"inplaceactivate", ole::OLEIVERB_INPLACEACTIVATE},
                                     {"discardundostate", ole::OLEIVERB_DISCARDUNDOSTATE},
                                     {"properties", ole::OLEIVERB_PROPERTIES}};

}  // namespace

const NamedValueSet kScrollBars{"sb_", kBarNames, false};
const NamedValueSet kScrollCodes{"sb_", kScrollCodeNames, false};
const NamedValueSet kMouseButtons{"", kButtonNames, false};
const NamedValueSet kVerbs{"oleiverb_", kVerbNames, true};

std::optional<int32_t> ParseNamedValue(const NamedValueSet& set, std::string_view text) {
  if (!set.prefix.empty() && text.size() > set.prefix.size() &&
      base::EqualsNoCase(text.substr(0, set.prefix.size()), set.prefix)) {
    text.remove_prefix(set.prefix.size());
  }
  for (const NamedValue& entry : set.names) {
    if (base::EqualsNoCase(text, entry.name)) return entry.value;
  }
  return std::nullopt;
}

bool AcceptsNumber(const NamedValueSet& set, int32_t number) {
  if (set.anyNumber) return true;
  for (const NamedValue& entry : set.names) {
    if (entry.value == number) return true;
  }
  return false;
}

}  // namespace tavlen::host
