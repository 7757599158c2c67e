// The accepted-extension and existence checks.
#include "view/image_files.h"

#include <array>
#include <filesystem>
#include <string_view>
#include <system_error>

#include "platform/base/ascii.h"
#include "platform/base/file_io.h"

namespace tavlen {

namespace {

constexpr std::array<std::string_view, 11> kAcceptedExtensions = {
    ".BMP", ".DIB", ".GIF", ".PNG", ".JPG", ".JPE", ".JPEG", ".TIF", ".TIFF", ".WMF", ".EMF",
};

}  // namespace

bool IsAcceptedImagePath(const std::string& path) {
  if (!base::IsUsablePath(path)) return false;
  const size_t dot = path.rfind('.');
  if (dot == std::string::npos) return false;
  const std::string_view extension = std::string_view(path).substr(dot);
  for (std::string_view accepted : kAcceptedExtensions) {
    if (base::EqualsNoCase(extension, accepted)) return true;
  }
  return false;
}

bool PathExists(const std::string& path) {
  if (!base::IsUsablePath(path)) return false;
  std::error_code error;
  return std::filesystem::exists(std::filesystem::path(path), error) && !error;
}

}  // namespace tavlen
