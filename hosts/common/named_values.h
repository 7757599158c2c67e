// Names scripts may use in place of numbers: scroll bars, scroll codes (by their SB_* names), mouse
// buttons and verbs, one table each and one parser for all of them; every host reads these tables.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

namespace tavlen::host {

struct NamedValue {
  std::string_view name;  // lower case; matched without regard to case
  int32_t value = 0;
};

struct NamedValueSet {
  std::string_view prefix;  // an optional prefix of every name ("sb_"), as the headers spell them
  std::span<const NamedValue> names;
  bool anyNumber = false;  // numbers other than the named values are taken as they are
};

extern const NamedValueSet kScrollBars;
extern const NamedValueSet kScrollCodes;
extern const NamedValueSet kMouseButtons;
extern const NamedValueSet kVerbs;

// The value of a name of the set (any case, with or without its prefix); nothing for any other text.
std::optional<int32_t> ParseNamedValue(const NamedValueSet& set, std::string_view text);
// True when a number stands for itself in the set: any number, or one of the named values.
bool AcceptsNumber(const NamedValueSet& set, int32_t number);

}  // namespace tavlen::host
