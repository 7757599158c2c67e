// CESU-8 surrogate pairs to UTF-8 and back.
#include "hosts/tavlen/script_text.h"

#include <cstdint>

namespace tavlen::host {

namespace {

// The UTF-16 unit encoded at text[i] in three bytes when it is a surrogate half (ED A0..BF xx), else 0.
uint32_t SurrogateAt(std::string_view text, size_t i) {
  if (i + 3 > text.size() || static_cast<uint8_t>(text[i]) != 0xED) return 0;
  const uint8_t b1 = static_cast<uint8_t>(text[i + 1]);
  const uint8_t b2 = static_cast<uint8_t>(text[i + 2]);
  if (b1 < 0xA0 || b1 > 0xBF || (b2 & 0xC0) != 0x80) return 0;
  return 0xD000u | ((b1 & 0x3Fu) << 6) | (b2 & 0x3Fu);
}

void AppendUtf8(std::string& out, uint32_t c) {
  if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
  }
  out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
  out += static_cast<char>(0x80 | (c & 0x3F));
}

}  // namespace

std::string FromScriptText(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size();) {
    const uint32_t high = SurrogateAt(text, i);
    if (high == 0) {
      out += text[i++];
      continue;
    }
    const uint32_t low = SurrogateAt(text, i + 3);
    if (high < 0xDC00 && low >= 0xDC00) {
      AppendUtf8(out, 0x10000 + ((high - 0xD800) << 10) + (low - 0xDC00));
      i += 6;
    } else {
      AppendUtf8(out, 0xFFFD);
      i += 3;
    }
  }
  return out;
}

std::string ToScriptText(std::string_view text) {
  std::string out;
  out.reserve(text.size() + text.size() / 2);
  for (size_t i = 0; i < text.size();) {
    const uint8_t lead = static_cast<uint8_t>(text[i]);
    const bool fourBytes =
        lead >= 0xF0 && lead <= 0xF4 && i + 4 <= text.size() && (static_cast<uint8_t>(text[i + 1]) & 0xC0) == 0x80 &&
        (static_cast<uint8_t>(text[i + 2]) & 0xC0) == 0x80 && (static_cast<uint8_t>(text[i + 3]) & 0xC0) == 0x80;
    if (!fourBytes) {
      out += text[i++];
      continue;
    }
    const uint32_t c = ((lead & 0x07u) << 18) | ((static_cast<uint8_t>(text[i + 1]) & 0x3Fu) << 12) |
                       ((static_cast<uint8_t>(text[i + 2]) & 0x3Fu) << 6) | (static_cast<uint8_t>(text[i + 3]) & 0x3Fu);
    if (c < 0x10000 || c > 0x10FFFF) {  // overlong or beyond Unicode: not a character, left as it is
      out += text[i++];
      continue;
    }
    AppendUtf8(out, 0xD800 + ((c - 0x10000) >> 10));
    AppendUtf8(out, 0xDC00 + ((c - 0x10000) & 0x3FF));
    i += 4;
  }
  return out;
}

}  // namespace tavlen::host
