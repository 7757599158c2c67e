// The file-name extensions of the formats the newer control reads besides the eleven of old, for its
// accepted-extension check and for the open dialogs of hosts.
#pragma once

#include <span>
#include <string>
#include <string_view>

namespace tavlen::files {

// ".WEBP" ".AVIF" ".AVIFS" ".HEIC" ".HEIF" ".HIF" ".JXL", upper case with the dot.
std::span<const std::string_view> ExtraPictureExtensions();

// True when the text from the path's last dot on, upper-cased (ASCII), is one of them; like the check
// of old, separators count as part of that text.
bool HasExtraPictureExtension(const std::string& path);

}  // namespace tavlen::files
