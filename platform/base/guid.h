// 16-byte identifiers: the layout every layer shares, their braced text form, parsing and hashing.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tavlen::base {

struct Guid {
  uint32_t data1 = 0;
  uint16_t data2 = 0;
  uint16_t data3 = 0;
  std::array<uint8_t, 8> data4{};

  friend bool operator==(const Guid&, const Guid&) = default;
};

// "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}", upper-case hexadecimal.
std::string FormatGuid(const Guid& guid);

// Accepts exactly the braced 38-character form, either case; nothing else (no blanks, no missing braces).
std::optional<Guid> ParseGuid(std::string_view text);

struct GuidHash {
  size_t operator()(const Guid& guid) const noexcept;
};

}  // namespace tavlen::base
