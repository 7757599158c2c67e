// Whether the picture differs from what was last loaded or saved, followed through edits, undo and redo.
// The control only counts its undo steps, so the viewer counts the steps between the saved state and
// the shown one itself.
#pragma once

#include <cstdint>

namespace tavlen::viewer {

class UnsavedChanges {
 public:
  // The control keeps this many steps back; an edit beyond them drops the oldest.
  static constexpr int32_t kUndoSteps = 9;

  // After a load or a save: the shown picture is the saved one.
  void Saved() { *this = {}; }
  // After an accepted edit, with the control's undo count before and after it.
  void Edited(int32_t undoBefore, int32_t undoAfter);
  void SteppedBack();
  void SteppedForward();

  bool Changed() const { return m_savedLost || m_steps != 0; }

 private:
  int32_t m_steps = 0;       // undo steps from the saved state to the shown one (negative: undone past it)
  bool m_savedLost = false;  // no sequence of undo and redo leads back to the saved state
};

}  // namespace tavlen::viewer
