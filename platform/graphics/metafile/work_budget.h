// The work budget of one playback, shared by the canvas and its clips.
#pragma once

namespace tavlen::gfx::metafile {

// The work one playback may do, in pixel-equivalents (pixels touched, path edges crossing pixel rows, glyphs),
// so that any file renders or stops in time proportional to its picture: a hostile file's drawing stops
// once it has done as much as many whole-picture repaints.
class WorkBudget {
 public:
  // Laying out and rasterising one glyph costs about as much as filling this many pixels.
  static constexpr double kGlyphWork = 1024;

  void SetLimit(double limit) { m_limit = limit; }
  // Adds work; false once the total is over the limit. Nothing is drawn after that.
  bool Charge(double work) {
    m_spent += work;
    return !Exhausted();
  }
  bool Exhausted() const { return !(m_spent <= m_limit); }
  double Spent() const { return m_spent; }
  double Remaining() const { return Exhausted() ? 0 : m_limit - m_spent; }

 private:
  double m_limit = 0;
  double m_spent = 0;
};

}  // namespace tavlen::gfx::metafile
