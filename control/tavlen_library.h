// The type library ZORARUZuv that the module carries (resource TYPELIB 1): the four enumerations,
// the dispatch and event interfaces of both versions and their creatable classes Tavlen and Tavlen2,
// generated from the dispatch tables.
#pragma once

#include "platform/automation/type_library.h"

namespace tavlen {

inline constexpr ole::LCID kTavlenLibLcid = 1033;

const ole::TypeLibDesc& TavlenTypeLib();

}  // namespace tavlen
