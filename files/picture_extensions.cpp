// The extensions of WebP, AVIF, HEIF and JPEG XL files.
#include "files/picture_extensions.h"

#include <algorithm>
#include <array>

namespace tavlen::files {
namespace {

constexpr std::array<std::string_view, 7> kExtraExtensions = {
    ".WEBP", ".AVIF", ".AVIFS", ".HEIC", ".HEIF", ".HIF", ".JXL",
};

}  // namespace

std::span<const std::string_view> ExtraPictureExtensions() { return kExtraExtensions; }

bool HasExtraPictureExtension(const std::string& path) {
  const size_t dot = path.rfind('.');
  if (dot == std::string::npos) return false;
  std::string extension = path.substr(dot);
  for (char& c : extension)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return std::find(kExtraExtensions.begin(), kExtraExtensions.end(), extension) != kExtraExtensions.end();
}

}  // namespace tavlen::files
