// Reading and writing the text tags, with the Latin-1 fallback for text that is not UTF-8.
#include "metadata/image_tags.h"

#include <algorithm>
#include <cstdint>
#include <optional>
#include <type_traits>
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

const gfx::PropertyItem* FindItem(const gfx::Bitmap& picture, uint32_t id) {
  const std::vector<gfx::PropertyItem>& items = picture.PropertyItems();
  const auto item = std::find_if(items.begin(), items.end(), [id](const auto& i) { return i.id == id; });
  return item == items.end() ? nullptr : &*item;
}

std::string AsciiText(const gfx::PropertyItem& item) {
  const auto nul = std::find(item.value.begin(), item.value.end(), uint8_t{0});
  const std::string_view text(reinterpret_cast<const char*>(item.value.data()),
                              static_cast<size_t>(nul - item.value.begin()));
  return IsUtf8(text) ? std::string(text) : Latin1ToUtf8(text);
}

// The item's value at `offset` as a T in the library's (little-endian) order; nothing past its end.
template <typename T>
std::optional<T> ValueAt(const gfx::PropertyItem& item, size_t offset) {
  if (item.value.size() < offset + sizeof(T)) return std::nullopt;
  std::make_unsigned_t<T> bits = 0;
  for (size_t i = 0; i < sizeof(T); ++i) bits |= static_cast<decltype(bits)>(item.value[offset + i]) << (8 * i);
  return static_cast<T>(bits);
}

template <typename T>
std::string NumberText(const gfx::PropertyItem& item) {
  const auto value = ValueAt<T>(item, 0);
  return value ? std::to_string(*value) : std::string();
}

template <typename T>
std::string RationalText(const gfx::PropertyItem& item) {
  const auto numerator = ValueAt<T>(item, 0);
  const auto denominator = ValueAt<T>(item, sizeof(T));
  if (!numerator || !denominator || *denominator == 0) return {};
  return std::to_string(*numerator) + "/" + std::to_string(*denominator);
}

}  // namespace

std::string ReadImageTag(const gfx::Bitmap& picture, ImageTag tag) {
  const gfx::PropertyItem* item = FindItem(picture, static_cast<uint32_t>(tag));
  return item && item->type == gfx::kPropertyTagTypeASCII ? AsciiText(*item) : std::string();
}

std::string ReadTagText(const gfx::Bitmap& picture, uint32_t id) {
  const gfx::PropertyItem* item = FindItem(picture, id);
  if (!item) return {};
  switch (item->type) {
    case gfx::kPropertyTagTypeASCII:
      return AsciiText(*item);
    case gfx::kPropertyTagTypeByte:
      return NumberText<uint8_t>(*item);
    case gfx::kPropertyTagTypeShort:
      return NumberText<uint16_t>(*item);
    case gfx::kPropertyTagTypeLong:
      return NumberText<uint32_t>(*item);
    case gfx::kPropertyTagTypeSLONG:
      return NumberText<int32_t>(*item);
    case gfx::kPropertyTagTypeRational:
      return RationalText<uint32_t>(*item);
    case gfx::kPropertyTagTypeSRational:
      return RationalText<int32_t>(*item);
    default:
      return {};
  }
}

bool HasColorProfile(const gfx::Bitmap& picture) { return FindItem(picture, gfx::kPropertyTagICCProfile) != nullptr; }

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
