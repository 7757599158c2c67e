// Points, rectangles and affine transforms in the player's double-precision coordinate spaces.
#pragma once

#include <algorithm>
#include <cmath>

namespace tavlen::gfx::metafile {

struct PointD {
  double x = 0, y = 0;
};

struct RectD {
  double left = 0, top = 0, right = 0, bottom = 0;

  RectD Normalized() const {
    return {std::min(left, right), std::min(top, bottom), std::max(left, right), std::max(top, bottom)};
  }
  double Width() const { return right - left; }
  double Height() const { return bottom - top; }
};

// x' = a x + c y + e, y' = b x + d y + f (the layout of a world transform's six numbers).
struct Affine {
  double a = 1, b = 0, c = 0, d = 1, e = 0, f = 0;

  PointD Apply(PointD p) const { return {a * p.x + c * p.y + e, b * p.x + d * p.y + f}; }
  PointD ApplyVector(PointD v) const { return {a * v.x + c * v.y, b * v.x + d * v.y}; }
  // This transform followed by `next`.
  Affine Then(const Affine& n) const {
    return {n.a * a + n.c * b, n.b * a + n.d * b,       n.a * c + n.c * d,
            n.b * c + n.d * d, n.a * e + n.c * f + n.e, n.b * e + n.d * f + n.f};
  }
  double Determinant() const { return a * d - b * c; }
  bool Finite() const {
    return std::isfinite(a) && std::isfinite(b) && std::isfinite(c) && std::isfinite(d) && std::isfinite(e) &&
           std::isfinite(f);
  }
  // Only scales and translates (no rotation or shear).
  bool AxisAligned() const { return b == 0 && c == 0; }
  // The length one logical unit takes on average, for widths and heights that have no direction.
  double MeanScale() const { return std::sqrt(std::fabs(Determinant())); }
  // The most one logical unit can stretch, in whatever direction (the largest singular value).
  double LargestStretch() const {
    const double s = a * a + b * b + c * c + d * d, det = Determinant();
    return std::sqrt((s + std::sqrt(std::max(0.0, s * s - 4 * det * det))) / 2);
  }

  static Affine Scale(double sx, double sy) { return {sx, 0, 0, sy, 0, 0}; }
  static Affine Translate(double tx, double ty) { return {1, 0, 0, 1, tx, ty}; }
};

}  // namespace tavlen::gfx::metafile
