// The work budget of one playback, shared by the canvas and its clips.
#pragma once

namespace tavlen::gfx::metafile {

// The work one playback may do, in pixel-equivalents (pixels touched, path edges and the pixel rows they cross,
// glyphs), so that any file renders in time proportional to its picture. Drawing that would go over the limit is
// refused and costs nothing, so later ordinary records still draw; what is refused costs only its estimate, which
// is linear in the record's size.
class WorkBudget {
 public:
  // Laying out and rasterising one glyph costs about as much as filling this many pixels.
  static constexpr double kGlyphWork = 1024;
  // One path edge handed to cairo's rasteriser (sorting, crossings).
  static constexpr double kEdgeWork = 32;

  void SetLimit(double limit) { m_limit = limit; }
  double Limit() const { return m_limit; }
  // Adds work when it fits; false (nothing added) when it would go over the limit.
  bool Charge(double work) {
    if (!(work <= m_limit - m_spent)) return false;
    m_spent += work;
    return true;
  }
  double Spent() const { return m_spent; }
  double Remaining() const { return m_limit - m_spent; }

 private:
  double m_limit = 0;
  double m_spent = 0;
};

}  // namespace tavlen::gfx::metafile
