// Printing and the clipboard copy: the working image handed to the output operations.
#include "control/tavlen_ctrl.h"
#include "output/clipboard_copy.h"
#include "output/print_picture.h"

namespace tavlen {

BOOL CTavlenCtrl::PrintImage() {
  // No dialog without a picture.
  if (!m_image || !m_image->Handle()) return win::FALSE;
  return output::PrintPicture(*m_image->Handle(), static_cast<float>(m_viewport.viewWidth),
                              static_cast<float>(m_viewport.viewHeight))
             ? win::TRUE
             : win::FALSE;
}

BOOL CTavlenCtrl::PrintImageBySize(int32_t Width, int32_t Height) {
  if (!m_image || !m_image->Handle()) return win::FALSE;
  return output::PrintPicture(*m_image->Handle(), static_cast<float>(Width), static_cast<float>(Height)) ? win::TRUE
                                                                                                         : win::FALSE;
}

void CTavlenCtrl::CopyToClipboard() {
  if (!m_image || !m_image->Handle()) return;
  // There is no main window of the thread to own the clipboard here: the control's own window does.
  (void)output::CopyPictureToClipboard(*m_image->Handle(), GetWindow());
}

}  // namespace tavlen
