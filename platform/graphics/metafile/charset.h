// Text of the 8-bit character sets (code pages, double-byte sets and the symbol font) converted to Unicode.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tavlen::gfx::metafile {

// One entry of `chars` per character, and in `unitsPerChar` the number of bytes it took.
void DecodeAnsi(std::span<const uint8_t> bytes, uint8_t charSet, std::u32string& chars,
                std::vector<uint32_t>& unitsPerChar);

// The character set text of a font is in: a font named Symbol is in the symbol set whatever it asks for.
uint8_t TextCharSet(uint8_t charSet, std::string_view face);

}  // namespace tavlen::gfx::metafile
