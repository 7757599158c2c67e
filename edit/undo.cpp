// The undo history: ten snapshots of the working image, the newest at m_undoCount.
#include "control/tavlen_ctrl.h"

namespace tavlen {

void CTavlenCtrl::RecordSnapshot() {
  InvalidateClientArea();
  PushUndoSnapshot();
}

void CTavlenCtrl::PushUndoSnapshot() {
  if (!m_image) return;
  if (m_undoCount >= kUndoSlots - 1) {
    // All slots in use: drop the oldest state and move the others down.
    for (int i = 0; i + 1 < kUndoSlots; ++i) {
      m_undoImages[i] = std::move(m_undoImages[i + 1]);
      m_undoSizes[i] = m_undoSizes[i + 1];
    }
    m_undoImages[kUndoSlots - 1].reset();
    m_undoSizes[kUndoSlots - 1] = win::SIZE{};
    m_undoCount = kUndoSlots - 2;
  }
  const uint32_t width = m_image->Width();
  const uint32_t height = m_image->Height();
  ++m_undoCount;
  // A slot left behind by Undo is overwritten here; the states above it become unreachable.
  m_undoImages[m_undoCount].reset();
  m_undoImages[m_undoCount] =
      m_image->Copy(0, 0, static_cast<float>(width), static_cast<float>(height), gfx::PixelFormat::DontCare);
  m_undoSizes[m_undoCount] = win::SIZE{static_cast<int32_t>(width), static_cast<int32_t>(height)};
}

void CTavlenCtrl::Undo() {
  if (!m_image || m_undoCount == 0) return;
  --m_undoCount;
  ImageObject* snapshot = m_undoImages[m_undoCount].get();
  // A snapshot whose copy failed when it was taken (or fails now) cannot be restored: the current
  // picture stays, so the control keeps a working image, and only the count moves back.
  const win::SIZE size = m_undoSizes[m_undoCount];
  ImageObject::Ptr restored = snapshot ? snapshot->Copy(0, 0, static_cast<float>(size.cx), static_cast<float>(size.cy),
                                                        gfx::PixelFormat::DontCare)
                                       : nullptr;
  if (restored) {
    m_viewWidth = size.cx;
    m_viewHeight = size.cy;
    m_image = std::move(restored);
  }
  InvalidateClientArea();
}

int32_t CTavlenCtrl::GetUndo() const { return m_undoCount; }

}  // namespace tavlen
