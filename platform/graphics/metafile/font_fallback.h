// Choosing an installed family for a metafile's font: its face when installed, else by the font's
// pitch-and-family byte, character set and name.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace tavlen::gfx::metafile {

// The generic (fontconfig) family standing in for a face that is not installed.
std::string FallbackFamily(std::string_view face, uint8_t pitchAndFamily, uint8_t charSet);

// The language a character set writes (for choosing among CJK glyph variants), or null.
const char* CharSetLanguage(uint8_t charSet);

}  // namespace tavlen::gfx::metafile
