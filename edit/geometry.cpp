// Geometric edits of the working image: quarter and half turns, mirrors and resampling.
#include <utility>

#include "control/tavlen_ctrl.h"

namespace tavlen {

void CTavlenCtrl::TurnImage(gfx::RotateFlipType type, bool swapsSides) {
  // A refused turn is recorded in the image and the remaining steps still run.
  gfx::Ignore(m_image->RotateFlip(type));
  if (swapsSides) std::swap(m_viewWidth, m_viewHeight);
}

void CTavlenCtrl::Rotate90() {
  if (!m_image) return;
  TurnImage(gfx::RotateFlipType::Rotate90FlipNone, true);
  UpdateScrollBars();
  RecordSnapshot();
}

void CTavlenCtrl::Rotate180() {
  if (!m_image) return;
  TurnImage(gfx::RotateFlipType::Rotate180FlipNone, false);
  UpdateScrollBars();
  RecordSnapshot();
}

void CTavlenCtrl::Rotate270() {
  if (!m_image) return;
  TurnImage(gfx::RotateFlipType::Rotate270FlipNone, true);
  UpdateScrollBars();
  RecordSnapshot();
}

void CTavlenCtrl::Flip(BOOL Vertically) {
  if (!m_image) return;
  TurnImage(Vertically ? gfx::RotateFlipType::RotateNoneFlipY : gfx::RotateFlipType::RotateNoneFlipX, false);
  RecordSnapshot();
}

void CTavlenCtrl::Resize(int32_t NewWidth, int32_t NewHeight) {
  if (!m_image || !m_image->Handle()) return;
  // A size the library cannot produce keeps the picture, its displayed size and the history, and
  // leaves the picture copyable (the refusal is not held against it).
  if (NewWidth <= 0 || NewHeight <= 0) return;
  auto resampled = m_image->Handle()->GetThumbnail(static_cast<uint32_t>(NewWidth), static_cast<uint32_t>(NewHeight));
  if (!resampled.Ok()) return;
  m_viewWidth = NewWidth;
  m_viewHeight = NewHeight;
  // The resampled bitmap is already independent of the old one, so it becomes the working image.
  m_image = ImageObject::Adopt(std::move(resampled).Value());
  RecordSnapshot();
}

}  // namespace tavlen
