// Reading and writing the text tags, with the Latin-1 fallback for text that is not UTF-8.
#include "metadata/image_tags.h"

#include <algorithm>
#include <cstdint>
#include <vector>

namespace tavlen::metadata {
namespace {

// Length of the well-formed UTF-8 sequence at the start of `s`, 0 when it is not one (overlong
// forms, surrogates and values past U+10FFFF included).
size_t SequenceLength(std::string_view s) {
  const auto byte = [&](size_t i) { return static_cast<uint8_t>(s[i]); };
  const uint8_t lead = byte(0);
  if (lead < 0x80) return 1;
  size_t length = 0;
  uint8_t low = 0x80, high = 0xBF;  // the range of the second byte
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    if (lead == 0xE0) low = 0xA0;
    if (lead == 0xED) high = 0x9F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    if (lead == 0xF0) low = 0x90;
    if (lead == 0xF4) high = 0x8F;
  } else {
    return 0;
  }
  if (s.size() < length || byte(1) < low || byte(1) > high) return 0;
  for (size_t i = 2; i < length; ++i) {
    if ((byte(i) & 0xC0) != 0x80) return 0;
  }
  return length;
}

bool IsUtf8(std::string_view s) {
  while (!s.empty()) {
    const size_t length = SequenceLength(s);
    if (length == 0) return false;
    s.remove_prefix(length);
  }
  return true;
}

std::string Latin1ToUtf8(std::string_view s) {
  std::string out;
  out.reserve(s.size() * 2);
  for (const char c : s) {
    const auto u = static_cast<uint8_t>(c);
    if (u < 0x80) {
      out.push_back(c);
    } else {
      out.push_back(static_cast<char>(0xC0 | (u >> 6)));
      out.push_back(static_cast<char>(0x80 | (u & 0x3F)));
    }
  }
  return out;
}

}  // namespace

std::string ReadImageTag(const gfx::Bitmap& picture, ImageTag tag) {
  const auto id = static_cast<uint32_t>(tag);
  const std::vector<gfx::PropertyItem>& items = picture.PropertyItems();
  const auto item = std::find_if(items.begin(), items.end(), [id](const auto& i) { return i.id == id; });
  if (item == items.end() || item->type != gfx::kPropertyTagTypeASCII) return {};
  const auto nul = std::find(item->value.begin(), item->value.end(), uint8_t{0});
  const std::string_view text(reinterpret_cast<const char*>(item->value.data()),
                              static_cast<size_t>(nul - item->value.begin()));
  return IsUtf8(text) ? std::string(text) : Latin1ToUtf8(text);
}

gfx::Status WriteImageTag(gfx::Bitmap& picture, ImageTag tag, std::string_view text) {
  if (text.empty()) return gfx::Status::Ok;
  // The item's length is 32-bit and counts the NUL.
  if (text.size() >= UINT32_MAX) return gfx::Status::InvalidParameter;
  std::vector<uint8_t> value(text.begin(), text.end());
  value.push_back(0);
  const gfx::PropertyItemRecord record{static_cast<uint32_t>(tag), static_cast<uint32_t>(value.size()),
                                       gfx::kPropertyTagTypeASCII, value.data()};
  return picture.SetPropertyItem(record);
}

}  // namespace tavlen::metadata
