// A loaded picture moved between controls: out of one as it was loaded, into another as its load.
#include <utility>

#include "control/tavlen_ctrl.h"

namespace tavlen {

CTavlenCtrl::LoadSettings CTavlenCtrl::CurrentLoadSettings() const {
  const gfx::DecodeOptions decode = DecodeOptions();
  return {.autoOrient = IsVersion2() && m_autoOrient != win::FALSE,
          .colorManaged = decode.colorManaged,
          .extraFormats = decode.extraFormats};
}

CTavlenCtrl::Handover CTavlenCtrl::DetachLoaded(LoadedPicture& out) {
  if (!m_image || !m_image->Handle()) return Handover::NoPicture;
  // Only the picture as its file gave it moves: after an edit or undo it is no longer a load.
  if (m_undo.Count() != 0 || m_undo.RedoCount() != 0) return Handover::Changed;
  // Made here, on the detaching control's thread, so that the adopting one only draws it.
  const gfx::Bitmap& picture = *m_image->Handle();
  Viewport fitted;
  fitted.Fit(FitMode::Both, picture.Width(), picture.Height(), m_adoptingView);
  m_reduced.Make(picture,
                 ReducedCopy::LevelFor(picture.Width(), picture.Height(), fitted.viewWidth, fitted.viewHeight));
  out.reduced = std::move(m_reduced);
  m_reduced.Clear();
  out.image = std::move(m_image);
  out.history = std::move(m_undo);
  out.fileOrientation = m_fileOrientation;
  out.settings = CurrentLoadSettings();
  // Left as a file that could not be decoded leaves it.
  m_undo.Restart(nullptr, PictureSize{});
  m_fileOrientation = 1;
  ShowInstalled(0, 0);
  return Handover::Done;
}

CTavlenCtrl::Handover CTavlenCtrl::AdoptLoaded(LoadedPicture& picture) {
  if (!picture.image) return Handover::NoPicture;
  if (picture.settings != CurrentLoadSettings()) return Handover::OtherSettings;
  const uint32_t width = picture.image->Width();
  const uint32_t height = picture.image->Height();
  m_image = std::move(picture.image);
  m_undo = std::move(picture.history);
  m_fileOrientation = picture.fileOrientation;
  m_reduced = std::move(picture.reduced);
  picture = LoadedPicture();
  ShowInstalled(width, height);
  return Handover::Done;
}

}  // namespace tavlen
