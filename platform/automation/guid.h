// Class, interface and library identifiers: text form, parsing and hashing.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "platform/graphics/guid.h"

namespace tavlen::ole {

// The same 16-byte layout the imaging library uses, so identifiers pass between layers unchanged.
using GUID = gfx::Guid;
using IID = GUID;
using CLSID = GUID;

inline constexpr GUID GUID_NULL{};
inline constexpr IID IID_NULL{};

// "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}", upper-case hexadecimal.
std::string FormatGuid(const GUID& guid);

// Accepts exactly the braced 38-character form, either case; nothing else (no blanks, no missing braces).
std::optional<GUID> ParseGuid(std::string_view text);

struct GuidHash {
  size_t operator()(const GUID& guid) const noexcept;
};

}  // namespace tavlen::ole
