// Text between the script engine and everything else. The engine keeps a character outside the Basic
// Multilingual Plane as two UTF-16 surrogate halves, each encoded on its own in three bytes (CESU-8);
// the control and the terminal expect UTF-8, where the character is one four-byte sequence.
#pragma once

#include <string>
#include <string_view>

namespace tavlen::host {

// Script text to UTF-8: each surrogate pair becomes its four-byte character, a lone half becomes
// U+FFFD; everything else passes unchanged.
std::string FromScriptText(std::string_view text);
// UTF-8 to script text: each four-byte character becomes its surrogate pair, so the script sees the
// same string (length, charCodeAt) as one it wrote itself.
std::string ToScriptText(std::string_view text);

}  // namespace tavlen::host
