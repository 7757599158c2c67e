// The working image handed to in-process hosts: read where it lies, replaced as an edit.
#include <utility>

#include "control/tavlen_ctrl.h"

namespace tavlen {

gfx::Bitmap* CTavlenCtrl::PictureBitmap() const { return m_image ? m_image->Handle() : nullptr; }

void CTavlenCtrl::ReplacePicture(gfx::Bitmap::Ptr picture) {
  if (!picture) return;
  const uint32_t width = picture->Width();
  const uint32_t height = picture->Height();
  // A picture of another size is shown centred at its pixel size, as a loaded one is.
  if (!m_image || m_image->Width() != width || m_image->Height() != height) {
    m_viewport = Viewport::CenteredAtPixelSize(Client(), width, height);
    m_placement.Realign();
  }
  m_image = ImageObject::Adopt(std::move(picture));
  UpdateScrollBars();
  RecordSnapshot();
}

}  // namespace tavlen
