// Counting the steps between the saved picture and the shown one.
#include "hosts/viewer/unsaved_changes.h"

namespace tavlen::viewer {

void UnsavedChanges::Edited(int32_t undoBefore, int32_t undoAfter) {
  // An edit that made no undo step (tags), an edit after undoing past the saved state (the redo
  // states above are dropped), or one that pushed the saved state out of the history loses it.
  const bool recorded = undoAfter != undoBefore || undoBefore >= kUndoSteps;
  if (!recorded || m_steps < 0 || m_steps >= kUndoSteps) m_savedLost = true;
  ++m_steps;
}

void UnsavedChanges::SteppedBack() { --m_steps; }

void UnsavedChanges::SteppedForward() { ++m_steps; }

}  // namespace tavlen::viewer
