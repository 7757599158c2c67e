// How the next paint treats the displayed picture: placed by the Align rule or left where it was put,
// over a filled client area or not, whole or only the strip that moving the window's pixels uncovered.
// The state changes only through the events below, each named after what happened to the view.
#pragma once

namespace tavlen {

class PlacementState {
 public:
  // --- Events ---

  // A load or a zoom gave the picture its displayed size: every paint places it by the Align rule
  // until it is moved, and the client area is no longer filled first.
  void Resized() {
    m_aligned = true;
    m_fillsClientArea = false;
  }
  // The Align property changed, or a picture of another size took the working image's place: placed
  // by the Align rule again; the fill stays as it was.
  void Realign() { m_aligned = true; }
  // MoveTo, MoveXTo, MoveYTo and so every scroll: the picture stays where it was put, and the client
  // area is no longer filled first.
  void Moved() {
    m_aligned = false;
    m_fillsClientArea = false;
  }
  // ShiftX, ShiftY: the picture stays where it was put; the fill stays as it was.
  void Shifted() { m_aligned = false; }
  // The window went away; a re-created one starts blank, so paints fill the client area again until
  // the next load, zoom or move.
  void WindowDestroyed() { m_fillsClientArea = true; }
  // The window's pixels were moved with the picture, leaving only an uncovered strip invalid: the
  // next paint draws just that. Ignored unless CanMovePixels().
  void PixelsMoved() {
    if (CanMovePixels()) m_pixelsMoved = true;
  }
  // A paint finished: whatever the window shows now was painted whole.
  void Painted() { m_pixelsMoved = false; }

  // --- What the next paint does ---

  // Places the picture by the Align rule before painting it.
  bool AlignsBeforePaint() const { return m_aligned; }
  // Fills the whole client area with the back colour before the picture.
  bool FillsClientArea() const { return m_fillsClientArea; }
  // Paints only its invalid rectangle, the rest being the moved pixels.
  bool PaintsInvalidOnly() const { return m_pixelsMoved && !m_aligned; }
  // Whether moving the window's pixels can stand for a paint: the picture stays where it was put and
  // nothing is filled under it (the renderer decides whether the picture covers what the move shows).
  bool CanMovePixels() const { return !m_aligned && !m_fillsClientArea; }

  bool operator==(const PlacementState&) const = default;

 private:
  bool m_aligned = false;
  bool m_fillsClientArea = true;  // a new window starts blank
  bool m_pixelsMoved = false;
};

}  // namespace tavlen
