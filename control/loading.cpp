// Loading: the accepted-file and existence checks, LoadImage, and the installation of a decoded
// picture as the working image.
#include "control/tavlen_ctrl.h"
#include "files/picture_extensions.h"
#include "metadata/orientation.h"
#include "platform/base/file_io.h"
#include "view/image_files.h"

namespace tavlen {

BOOL CTavlenCtrl::IsSupportedImageFile(const std::string& path) const {
  if (IsAcceptedImagePath(path)) return win::TRUE;
  const bool extra = DecodeOptions().extraFormats && base::IsUsablePath(path) && files::HasExtraPictureExtension(path);
  return extra ? win::TRUE : win::FALSE;
}

gfx::DecodeOptions CTavlenCtrl::DecodeOptions() const {
  if (!IsVersion2()) return {};
  return {
      .colorManaged = m_colorManaged != win::FALSE, .keepProfile = true, .extraFormats = m_extraFormats != win::FALSE};
}

BOOL CTavlenCtrl::FileExists(const std::string& path) const { return PathExists(path) ? win::TRUE : win::FALSE; }

void CTavlenCtrl::LoadImage(const std::string& FilePath) {
  if (FilePath.empty() || !IsSupportedImageFile(FilePath) || !FileExists(FilePath)) return;
  ImageObject::Ptr decoded = ImageObject::FromFile(FilePath, DecodeOptions());
  OrientDecoded(*decoded);
  const uint32_t width = decoded->Width();
  const uint32_t height = decoded->Height();
  InstallImage(*decoded, width, height);
}

void CTavlenCtrl::OrientDecoded(ImageObject& decoded) {
  if (!IsVersion2()) return;
  gfx::Bitmap* picture = decoded.Handle();
  m_fileOrientation = picture ? metadata::ReadOrientation(*picture) : 1;
  // A picture the turn failed on carries the failure, as one whose decoding failed does.
  if (picture && m_autoOrient) decoded.Record(metadata::TurnUpright(*picture));
}

int32_t CTavlenCtrl::GetImageOrientation() const { return m_fileOrientation; }

void CTavlenCtrl::InstallImage(ImageObject& decoded, uint32_t width, uint32_t height) {
  m_image.reset();
  m_image = decoded.CopyWhole(width, height);
  // The history restarts with a second, separate copy as its only state.
  ImageObject::Ptr first = decoded.SnapshotCopy(width, height);

  // Two half turns on each copy leave the pixels as decoded; a refused turn marks that image.
  for (ImageObject* image : {first.get(), m_image.get()}) {
    if (!image) continue;
    gfx::Ignore(image->Apply(edit::Rotate, edit::Turn::Half));
    gfx::Ignore(image->Apply(edit::Rotate, edit::Turn::Half));
  }
  m_undo.Restart(std::move(first), PictureSize{static_cast<int32_t>(width), static_cast<int32_t>(height)});
  ShowInstalled(width, height);
}

void CTavlenCtrl::ShowInstalled(uint32_t width, uint32_t height) {
  m_viewport = Viewport::CenteredAtPixelSize(Client(), width, height);
  m_placement.Resized();
  UpdateScrollBars();
  InvalidateClientArea();
  PictureChanged();
}

}  // namespace tavlen
