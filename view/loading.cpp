// Loading: the accepted-file and existence checks, LoadImage, and the installation of a decoded
// picture as the working image.
#include <array>
#include <filesystem>
#include <string_view>
#include <system_error>

#include "control/tavlen_ctrl.h"

namespace tavlen {

namespace {

constexpr std::array<std::string_view, 11> kAcceptedExtensions = {
    ".BMP", ".DIB", ".GIF", ".PNG", ".JPG", ".JPE", ".JPEG", ".TIF", ".TIFF", ".WMF", ".EMF",
};

char AsciiUpper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

}  // namespace

BOOL CTavlenCtrl::IsSupportedImageFile(const std::string& path) const {
  if (path.empty()) return win::FALSE;
  const size_t dot = path.rfind('.');
  if (dot == std::string::npos) return win::FALSE;
  // Everything from the last dot counts, separators included: "pics.2006/photo" is refused.
  std::string extension = path.substr(dot);
  for (char& c : extension) c = AsciiUpper(c);
  for (std::string_view accepted : kAcceptedExtensions) {
    if (extension == accepted) return win::TRUE;
  }
  return win::FALSE;
}

BOOL CTavlenCtrl::FileExists(const std::string& path) const {
  if (path.empty()) return win::FALSE;
  // A file or a directory of that name; no wildcard expansion.
  std::error_code error;
  return std::filesystem::exists(std::filesystem::path(path), error) && !error ? win::TRUE : win::FALSE;
}

void CTavlenCtrl::LoadImage(const std::string& FilePath) {
  if (FilePath.empty() || !IsSupportedImageFile(FilePath) || !FileExists(FilePath)) return;
  ImageObject::Ptr decoded = ImageObject::FromFile(FilePath);
  const uint32_t width = decoded->Width();
  const uint32_t height = decoded->Height();
  InstallImage(*decoded, width, height);
}

void CTavlenCtrl::InstallImage(ImageObject& decoded, uint32_t width, uint32_t height) {
  const auto w = static_cast<int32_t>(width);
  const auto h = static_cast<int32_t>(height);
  m_imageLeft = (m_clientWidth - w) / 2;
  m_imageTop = (m_clientHeight - h) / 2;
  m_viewWidth = w;
  m_viewHeight = h;
  m_realignPending = win::TRUE;
  m_paintBackground = win::FALSE;

  const auto widthF = static_cast<float>(width);
  const auto heightF = static_cast<float>(height);
  m_image.reset();
  m_image = decoded.Copy(0, 0, widthF, heightF, gfx::PixelFormat::DontCare);

  // Restart the history with a second, separate copy as its only state.
  for (auto& snapshot : m_undoImages) snapshot.reset();
  m_undoSizes.fill(win::SIZE{});
  m_undoCount = 0;
  m_undoImages[0] = decoded.Copy(0, 0, widthF, heightF, gfx::PixelFormat::DontCare);
  m_undoSizes[0] = win::SIZE{w, h};

  // Two half turns on each copy leave the pixels as decoded; a refused turn marks that image.
  for (ImageObject* image : {m_undoImages[0].get(), m_image.get()}) {
    if (!image) continue;
    gfx::Ignore(image->RotateFlip(gfx::RotateFlipType::Rotate180FlipNone));
    gfx::Ignore(image->RotateFlip(gfx::RotateFlipType::Rotate180FlipNone));
  }

  UpdateScrollBars();
  InvalidateClientArea();
}

}  // namespace tavlen
