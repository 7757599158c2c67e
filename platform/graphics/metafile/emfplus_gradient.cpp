// EMF+ gradient brushes: linear gradients with their transform, preset colours and blend factors, and path
// gradients drawn as cairo mesh patterns (one patch per boundary edge and blend band).
#include <cairo.h>

#include <algorithm>
#include <cmath>

#include "platform/graphics/metafile/emfplus_player.h"

namespace tavlen::gfx::metafile {
namespace {

// Brush data flags with their published values.
enum : uint32_t { kBoundaryPath = 0x01, kTransform = 0x02, kPresetColors = 0x04, kBlendH = 0x08, kBlendV = 0x10 };
enum : uint32_t { kFocusScales = 0x40 };
// Beyond any real brush; keeps a hostile count from making a huge pattern.
constexpr uint32_t kMaxBlendPositions = 256, kMaxBoundaryPoints = 4096;
// Patches a path gradient may take; past it only the band from the boundary to the centre is kept.
constexpr size_t kMaxPatches = 1 << 14;

Affine Matrix(ByteReader& r) {
  const double a = r.F32(), b = r.F32(), c = r.F32(), d = r.F32(), e = r.F32(), f = r.F32();
  return {a, b, c, d, e, f};
}

void ReadTransform(ByteReader& r, uint32_t flags, PlusBrush& b) {
  if (flags & kTransform) b.xform = Matrix(r);
  if (!b.xform.Finite() || b.xform.Determinant() == 0) b.xform = Affine{};
}

// Preset colours (count, positions, colours) or blend factors (count, positions, factors).
bool ReadBlend(ByteReader& r, bool presets, PlusBrush& b) {
  const uint32_t count = r.U32();
  if (!r.Ok() || count < 2 || count > kMaxBlendPositions) return false;
  b.positions.resize(count);
  for (double& p : b.positions) p = std::clamp(static_cast<double>(r.F32()), 0.0, 1.0);
  if (presets) {
    b.presets.resize(count);
    for (uint32_t& c : b.presets) c = r.U32();
  } else {
    b.factors.resize(count);
    for (double& f : b.factors) f = std::clamp(static_cast<double>(r.F32()), 0.0, 1.0);
  }
  // Positions out of order, or numbers that are not finite, make no gradient to follow.
  for (size_t i = 0; i < count; ++i) {
    if (!std::isfinite(b.positions[i]) || (i > 0 && b.positions[i] < b.positions[i - 1])) return false;
    if (!presets && !std::isfinite(b.factors[i])) return false;
  }
  return r.Ok();
}

bool ReadBlendPattern(ByteReader& r, uint32_t flags, PlusBrush& b) {
  if (flags & kPresetColors) return ReadBlend(r, true, b);
  // With both factor sets the horizontal one comes first; a gradient has one direction, so it is the one used.
  if (flags & (kBlendH | kBlendV)) return ReadBlend(r, false, b);
  return true;
}

uint32_t Lerp(uint32_t from, uint32_t to, double t) {
  uint32_t out = 0;
  for (int shift = 0; shift < 32; shift += 8) {
    const double f = (from >> shift) & 0xFF, g = (to >> shift) & 0xFF;
    out |= static_cast<uint32_t>(std::lround(f + (g - f) * t)) << shift;
  }
  return out;
}

// The colour at `t` (0 the start, 1 the end) of a gradient from `start` to `end` with the brush's blend.
uint32_t ColourAt(const PlusBrush& b, uint32_t start, uint32_t end, double t) {
  if (b.positions.empty()) return Lerp(start, end, t);
  const std::vector<double>& p = b.positions;
  size_t i = 1;
  while (i + 1 < p.size() && p[i] < t) ++i;
  const double span = p[i] - p[i - 1], u = span > 0 ? std::clamp((t - p[i - 1]) / span, 0.0, 1.0) : 1.0;
  if (!b.presets.empty()) return Lerp(b.presets[i - 1], b.presets[i], t <= p.front() ? 0 : t >= p.back() ? 1 : u);
  const double f = t <= p.front()  ? b.factors.front()
                   : t >= p.back() ? b.factors.back()
                                   : b.factors[i - 1] + (b.factors[i] - b.factors[i - 1]) * u;
  return Lerp(start, end, f);
}

void SetCorner(cairo_pattern_t* mesh, unsigned corner, uint32_t argb) {
  cairo_mesh_pattern_set_corner_color_rgba(mesh, corner, ((argb >> 16) & 0xFF) / 255.0, ((argb >> 8) & 0xFF) / 255.0,
                                           (argb & 0xFF) / 255.0, (argb >> 24) / 255.0);
}

PointD Between(PointD a, PointD b, double t) { return {a.x + (b.x - a.x) * t, a.y + (b.y - a.y) * t}; }

}  // namespace

// Offsets after the type: flags, wrap mode, rectangle (x, y, width, height), start and end colours, two reserved
// words, then the optional transform and blend pattern.
bool ReadLinearGradient(ByteReader& r, PlusBrush& b) {
  const uint32_t flags = r.U32();
  b.kind = PlusBrush::Kind::Linear;
  b.wrap = r.S32();
  const double x = r.F32(), y = r.F32(), w = r.F32(), h = r.F32();
  b.rect = {x, y, x + w, y + h};
  b.color = r.U32();
  b.back = r.U32();
  r.Skip(8);
  ReadTransform(r, flags, b);
  if (!r.Ok() || !std::isfinite(x) || !std::isfinite(w) || w == 0) return false;
  return ReadBlendPattern(r, flags, b);
}

// Offsets after the type: flags, wrap mode, centre colour, centre point, surrounding colours (count, colours), the
// boundary (a path of a given size, or points), then the optional transform, blend pattern and focus scales.
bool ReadPathGradient(ByteReader& r, PlusBrush& b) {
  const uint32_t flags = r.U32();
  b.kind = PlusBrush::Kind::Path;
  b.wrap = r.S32();
  b.color = r.U32();
  const double cx = r.F32(), cy = r.F32();
  b.centre = {cx, cy};
  const uint32_t colours = r.U32();
  if (!r.Ok() || colours > kMaxBoundaryPoints || colours > r.Remaining() / 4) return false;
  b.surround.resize(colours);
  for (uint32_t& c : b.surround) c = r.U32();
  if (flags & kBoundaryPath) {
    const uint32_t size = r.U32();
    ByteReader path(r.Take(size, nullptr));
    PlusPath boundary;
    // The path's points outline the boundary; curve control points are taken as corners.
    if (!r.Ok() || !ReadPlusPath(path, boundary)) return false;
    b.boundary = std::move(boundary.points);
  } else {
    const uint32_t count = r.U32();
    if (!r.Ok() || count > r.Remaining() / 8) return false;
    b.boundary.resize(count);
    for (PointD& p : b.boundary) {
      const double x = r.F32(), y = r.F32();
      p = {x, y};
    }
  }
  if (b.boundary.size() < 3 || b.boundary.size() > kMaxBoundaryPoints || !std::isfinite(cx) || !std::isfinite(cy))
    return false;
  ReadTransform(r, flags, b);
  if (!ReadBlendPattern(r, flags, b)) return false;
  if (flags & kFocusScales) {
    r.U32();  // count: always two
    const double fx = r.F32(), fy = r.F32();
    b.focus = {std::isfinite(fx) ? std::clamp(fx, 0.0, 1.0) : 0, std::isfinite(fy) ? std::clamp(fy, 0.0, 1.0) : 0};
  }
  for (const PointD& p : b.boundary)
    if (!std::isfinite(p.x) || !std::isfinite(p.y)) return false;
  return r.Ok();
}

detail::PatternPtr GradientPattern(const PlusBrush& b) {
  if (b.kind == PlusBrush::Kind::Linear) {
    // Along x across the rectangle in brush units, repeated (or mirrored) beyond it as the wrap mode says.
    detail::PatternPtr pattern(cairo_pattern_create_linear(b.rect.left, 0, b.rect.right, 0));
    std::vector<double> at = b.positions;
    if (at.empty()) at = {0, 1};
    for (double t : at) {
      const uint32_t c = ColourAt(b, b.color, b.back, t);
      cairo_pattern_add_color_stop_rgba(pattern.get(), t, ((c >> 16) & 0xFF) / 255.0, ((c >> 8) & 0xFF) / 255.0,
                                        (c & 0xFF) / 255.0, (c >> 24) / 255.0);
    }
    cairo_pattern_set_extend(pattern.get(), b.wrap == 0   ? CAIRO_EXTEND_REPEAT
                                            : b.wrap == 4 ? CAIRO_EXTEND_PAD
                                                          : CAIRO_EXTEND_REFLECT);
    return pattern;
  }
  // A path gradient paints inside its boundary only: bands from the boundary (0) to the focus outline (1), each
  // edge's band a patch whose corners take the blended colours, and the focus outline filled in the centre colour.
  detail::PatternPtr mesh(cairo_pattern_create_mesh());
  std::vector<double> bands = b.positions;
  if (bands.empty() || bands.front() > 0) bands.insert(bands.begin(), 0.0);
  if (bands.back() < 1) bands.push_back(1.0);
  const size_t n = b.boundary.size();
  if (n * bands.size() > kMaxPatches) bands = {0.0, 1.0};
  auto surround = [&b](size_t i) {
    return b.surround.empty() ? b.color : b.surround[std::min(i, b.surround.size() - 1)];
  };
  auto inner = [&b](PointD p) {
    return PointD{b.centre.x + (p.x - b.centre.x) * b.focus.x, b.centre.y + (p.y - b.centre.y) * b.focus.y};
  };
  for (size_t i = 0; i < n; ++i) {
    const size_t j = (i + 1) % n;
    const PointD pi = b.boundary[i], pj = b.boundary[j], qi = inner(pi), qj = inner(pj);
    for (size_t k = 0; k + 1 < bands.size(); ++k) {
      const double t0 = bands[k], t1 = bands[k + 1];
      if (t1 <= t0) continue;
      const PointD corners[4] = {Between(pi, qi, t0), Between(pj, qj, t0), Between(pj, qj, t1), Between(pi, qi, t1)};
      cairo_mesh_pattern_begin_patch(mesh.get());
      cairo_mesh_pattern_move_to(mesh.get(), corners[0].x, corners[0].y);
      for (int c = 1; c < 4; ++c) cairo_mesh_pattern_line_to(mesh.get(), corners[c].x, corners[c].y);
      SetCorner(mesh.get(), 0, ColourAt(b, surround(i), b.color, t0));
      SetCorner(mesh.get(), 1, ColourAt(b, surround(j), b.color, t0));
      SetCorner(mesh.get(), 2, ColourAt(b, surround(j), b.color, t1));
      SetCorner(mesh.get(), 3, ColourAt(b, surround(i), b.color, t1));
      cairo_mesh_pattern_end_patch(mesh.get());
    }
    if (b.focus.x > 0 || b.focus.y > 0) {
      const uint32_t centre = ColourAt(b, surround(i), b.color, 1);
      cairo_mesh_pattern_begin_patch(mesh.get());
      cairo_mesh_pattern_move_to(mesh.get(), b.centre.x, b.centre.y);
      cairo_mesh_pattern_line_to(mesh.get(), qi.x, qi.y);
      cairo_mesh_pattern_line_to(mesh.get(), qj.x, qj.y);
      for (unsigned c = 0; c < 4; ++c) SetCorner(mesh.get(), c, centre);
      cairo_mesh_pattern_end_patch(mesh.get());
    }
  }
  return mesh;
}

}  // namespace tavlen::gfx::metafile
