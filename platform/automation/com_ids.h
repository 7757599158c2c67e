// Class, interface and library identifiers: text form, parsing and hashing (the base library's).
#pragma once

#include "platform/base/guid.h"

namespace tavlen::ole {

// The same 16-byte layout every layer uses, so identifiers pass between layers unchanged.
using GUID = base::Guid;
using IID = GUID;
using CLSID = GUID;

inline constexpr GUID GUID_NULL{};
inline constexpr IID IID_NULL{};

// "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}"; parsing accepts exactly the braced form, either case.
using base::FormatGuid;
using base::GuidHash;
using base::ParseGuid;

}  // namespace tavlen::ole
