// The geometric edits and the undo history: each checks for a picture, calls its operation, installs
// the result, records the snapshot and repaints.
#include <utility>

#include "control/tavlen_ctrl.h"
#include "edit/flip.h"
#include "edit/resize.h"
#include "metadata/orientation.h"

namespace tavlen {

void CTavlenCtrl::TurnImage(edit::Turn turn, bool announce) {
  if (!m_image) return;
  // A refused turn is recorded in the image and the remaining steps still run.
  gfx::Ignore(m_image->Apply(edit::Rotate, turn));
  if (edit::SwapsSides(turn)) m_viewport.SwapSides();
  MarkTurnedUpright();
  UpdateScrollBars();
  InvalidateClientArea();
  PushUndoSnapshot();
  if (announce) PictureChanged();
}

void CTavlenCtrl::Rotate90() { TurnImage(edit::Turn::Quarter); }

void CTavlenCtrl::Rotate180() { TurnImage(edit::Turn::Half); }

void CTavlenCtrl::Rotate270() { TurnImage(edit::Turn::ThreeQuarters); }

void CTavlenCtrl::Flip(BOOL Vertically) {
  if (!m_image) return;
  gfx::Ignore(m_image->Apply(edit::Flip, Vertically ? edit::FlipAxis::TopBottom : edit::FlipAxis::LeftRight));
  MarkTurnedUpright();
  // The displayed size is unchanged and the scroll bars are not refreshed.
  RecordSnapshot();
}

void CTavlenCtrl::Resize(int32_t NewWidth, int32_t NewHeight) {
  if (!m_image || !m_image->Handle()) return;
  // A size the library cannot produce keeps the picture, its displayed size and the history.
  auto resized = edit::Resize(*m_image->Handle(), NewWidth, NewHeight);
  if (!resized.Ok()) return;
  m_viewport.viewWidth = NewWidth;
  m_viewport.viewHeight = NewHeight;
  m_image = ImageObject::Adopt(std::move(resized).Value());
  // The bars keep the previous ranges until the next zoom, turn or load.
  RecordSnapshot();
}

void CTavlenCtrl::MarkTurnedUpright() {
  if (IsVersion2() && m_image->Handle()) gfx::Ignore(metadata::MarkUpright(*m_image->Handle()));
}

void CTavlenCtrl::RecordSnapshot() {
  InvalidateClientArea();
  PushUndoSnapshot();
  PictureChanged();
}

void CTavlenCtrl::PushUndoSnapshot() {
  if (m_image) m_undo.Push(*m_image);
}

void CTavlenCtrl::Undo() {
  if (!m_image || m_undo.Count() == 0) return;
  InstallRestored(m_undo.StepBack());
}

int32_t CTavlenCtrl::GetUndo() const { return m_undo.Count(); }

void CTavlenCtrl::Redo() {
  if (!m_image || m_undo.RedoCount() == 0) return;
  InstallRestored(m_undo.StepForward());
}

int32_t CTavlenCtrl::GetRedo() const { return m_undo.RedoCount(); }

void CTavlenCtrl::InstallRestored(UndoHistory::Restored restored) {
  // A state that holds no picture cannot be restored: the current picture stays, so the control
  // keeps a working image, and only the count moves.
  if (restored.image) {
    m_viewport.viewWidth = restored.size.width;
    m_viewport.viewHeight = restored.size.height;
    m_image = std::move(restored.image);
  }
  InvalidateClientArea();
  PictureChanged();
}

}  // namespace tavlen
