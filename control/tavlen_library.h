// The type library ZORARUZuv that the module carries (resource TYPELIB 1): the four enumerations,
// _DTavlen, _DTavlenEvents and the creatable class Tavlen, generated from the dispatch tables.
#pragma once

#include "platform/automation/type_library.h"

namespace tavlen {

inline constexpr ole::LCID kTavlenLibLcid = 1033;

const ole::TypeLibDesc& TavlenTypeLib();

}  // namespace tavlen
