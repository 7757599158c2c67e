// EMF+ drawing records: shapes, paths, images and strings, with the world transform, clipping and saved states.
#include <cairo.h>

#include <algorithm>
#include <cmath>
#include <numbers>

#include "platform/graphics/drawing/brush.h"
#include "platform/graphics/drawing/painter_internal.h"
#include "platform/graphics/metafile/emfplus_player.h"

namespace tavlen::gfx::metafile {
namespace {

using P = EmfPlusPlayer;
using R = ByteReader;

constexpr uint16_t kColorFlag = 0x8000, kCompressed = 0x4000, kClosedFlag = 0x2000, kRelative = 0x0800;
constexpr uint16_t kAppend = 0x2000;
// Beyond any real drawing; keeps a hostile count from making a huge path.
constexpr uint32_t kMaxPoints = 1u << 20;

}  // namespace

std::vector<PointD> PlusPoints(R& r, uint32_t count, uint16_t flags) {
  std::vector<PointD> pts;
  const bool small = flags & kCompressed;
  if ((flags & kRelative) || count > kMaxPoints || count > r.Remaining() / (small ? 4 : 8)) return pts;
  pts.resize(count);
  for (PointD& p : pts) {
    if (small) {
      const double x = r.S16(), y = r.S16();
      p = {x, y};
    } else {
      const double x = r.F32(), y = r.F32();
      p = {x, y};
    }
  }
  return pts;
}

namespace {

RectD ReadRect(R& r, uint16_t flags) {
  double x, y, w, h;
  if (flags & kCompressed) {
    x = r.S16(), y = r.S16(), w = r.S16(), h = r.S16();
  } else {
    x = r.F32(), y = r.F32(), w = r.F32(), h = r.F32();
  }
  return {x, y, x + w, y + h};
}

}  // namespace

DevicePath PlusRectPath(const Affine& m, const RectD& rc) {
  DevicePath path;
  path.MoveTo(m.Apply({rc.left, rc.top}));
  path.LineTo(m.Apply({rc.right, rc.top}));
  path.LineTo(m.Apply({rc.right, rc.bottom}));
  path.LineTo(m.Apply({rc.left, rc.bottom}));
  path.Close();
  return path;
}

namespace {

DevicePath PolyPath(const Affine& m, std::span<const PointD> pts, bool close) {
  DevicePath path;
  for (size_t i = 0; i < pts.size(); ++i) {
    if (i == 0) {
      path.MoveTo(m.Apply(pts[i]));
    } else {
      path.LineTo(m.Apply(pts[i]));
    }
  }
  if (close && !pts.empty()) path.Close();
  return path;
}

// Angles in degrees, clockwise from the x axis, on the ellipse inscribed in `rc`.
DevicePath ArcPath(const Affine& m, const RectD& rc, double start, double sweep, bool pie) {
  DevicePath path;
  const PointD c{(rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2};
  const double rx = rc.Width() / 2, ry = rc.Height() / 2;
  if (pie) path.MoveTo(m.Apply(c));
  sweep = std::clamp(sweep, -360.0, 360.0);
  AppendArc(path, m, c, rx, ry, start * std::numbers::pi / 180, sweep * std::numbers::pi / 180, pie);
  if (pie) path.Close();
  return path;
}

}  // namespace

DevicePath PlusPathToDevice(const Affine& m, const PlusPath& p) {
  DevicePath path;
  const size_t n = std::min(p.points.size(), p.types.size());
  for (size_t i = 0; i < n; ++i) {
    const uint8_t kind = p.types[i] & 0x07;
    if (kind == 0 || path.Empty()) {
      path.MoveTo(m.Apply(p.points[i]));
    } else if (kind == 3 && i + 2 < n) {
      path.CurveTo(m.Apply(p.points[i]), m.Apply(p.points[i + 1]), m.Apply(p.points[i + 2]));
      i += 2;
    } else {
      path.LineTo(m.Apply(p.points[i]));
    }
    if (p.types[std::min(i, n - 1)] & 0x80) path.Close();
  }
  return path;
}

namespace {

void SetRgba(cairo_t* cr, uint32_t argb) {
  cairo_set_source_rgba(cr, ((argb >> 16) & 0xFF) / 255.0, ((argb >> 8) & 0xFF) / 255.0, (argb & 0xFF) / 255.0,
                        (argb >> 24) / 255.0);
}

}  // namespace

bool SetPlusSource(cairo_t* cr, const PlusBrush& b, const Affine& worldToCanvas) {
  switch (b.kind) {
    case PlusBrush::Kind::Solid:
      SetRgba(cr, b.color);
      return true;
    case PlusBrush::Kind::Hatch: {
      auto hatch = Brush::Hatch(b.hatch, b.color, b.back);
      if (!hatch.Ok()) return false;
      detail::PatternPtr pattern = detail::MakeBrushPattern(hatch.Value());
      if (!pattern || !detail::Good(pattern.get())) return false;
      cairo_set_source(cr, pattern.get());
      return true;
    }
    case PlusBrush::Kind::Linear: {
      const Affine m = b.xform.Then(worldToCanvas);
      cairo_matrix_t matrix{m.a, m.b, m.c, m.d, m.e, m.f};
      if (cairo_matrix_invert(&matrix) != CAIRO_STATUS_SUCCESS) return false;
      detail::PatternPtr pattern(cairo_pattern_create_linear(b.rect.left, 0, b.rect.right, 0));
      for (auto [offset, c] : {std::pair{0.0, b.color}, std::pair{1.0, b.back}}) {
        cairo_pattern_add_color_stop_rgba(pattern.get(), offset, ((c >> 16) & 0xFF) / 255.0, ((c >> 8) & 0xFF) / 255.0,
                                          (c & 0xFF) / 255.0, (c >> 24) / 255.0);
      }
      cairo_pattern_set_extend(pattern.get(), CAIRO_EXTEND_PAD);
      cairo_pattern_set_matrix(pattern.get(), &matrix);
      cairo_set_source(cr, pattern.get());
      return true;
    }
  }
  return false;
}

void PlusFill(P& p, const DevicePath& shape, const PlusBrush& brush, bool evenOdd) {
  RectD bounds;
  if (shape.Empty() || !shape.Finite() || !shape.Bounds(bounds)) return;
  const Affine m = p.WorldToCanvas();
  p.NoteDrawing();
  p.R().GetCanvas().Draw(bounds, p.St().clip, kR2CopyPen, p.St().antialias, [&](cairo_t* cr) {
    shape.AddTo(cr);
    cairo_set_fill_rule(cr, evenOdd ? CAIRO_FILL_RULE_EVEN_ODD : CAIRO_FILL_RULE_WINDING);
    if (SetPlusSource(cr, brush, m)) cairo_fill(cr);
  });
}

void PlusStroke(P& p, const DevicePath& shape, const PlusPen& pen) {
  RectD bounds;
  if (shape.Empty() || !shape.Finite() || !shape.Bounds(bounds)) return;
  const Affine m = p.WorldToCanvas();
  const double perUnit = pen.unit == 0 ? m.MeanScale() : p.UnitToDevice(pen.unit) * p.R().DeviceToCanvas().MeanScale();
  const double width = std::max(1.0, pen.width * perUnit);
  if (!std::isfinite(width) || width > 1e5) return;
  std::vector<double> dashes;
  static const std::vector<double> kStyles[] = {{}, {3, 1}, {1, 1}, {3, 1, 1, 1}, {3, 1, 1, 1, 1, 1}};
  if (pen.lineStyle == 5) {
    for (double d : pen.dashes) dashes.push_back(std::max(0.1, d) * width);
  } else if (pen.lineStyle > 0 && pen.lineStyle < 5) {
    for (double d : kStyles[pen.lineStyle]) dashes.push_back(d * width);
  }
  const double grow = width * std::clamp(pen.miterLimit, 1.0, 20.0);
  bounds = {bounds.left - grow, bounds.top - grow, bounds.right + grow, bounds.bottom + grow};
  p.NoteDrawing();
  p.R().GetCanvas().Draw(bounds, p.St().clip, kR2CopyPen, p.St().antialias, [&](cairo_t* cr) {
    shape.AddTo(cr);
    cairo_set_line_width(cr, width);
    cairo_set_line_cap(cr, pen.startCap == 1   ? CAIRO_LINE_CAP_SQUARE
                           : pen.startCap == 2 ? CAIRO_LINE_CAP_ROUND
                                               : CAIRO_LINE_CAP_BUTT);
    cairo_set_line_join(cr, pen.join == 1   ? CAIRO_LINE_JOIN_BEVEL
                            : pen.join == 2 ? CAIRO_LINE_JOIN_ROUND
                                            : CAIRO_LINE_JOIN_MITER);
    cairo_set_miter_limit(cr, std::clamp(pen.miterLimit, 1.0, 20.0));
    if (!dashes.empty()) cairo_set_dash(cr, dashes.data(), static_cast<int>(dashes.size()), 0);
    if (SetPlusSource(cr, pen.brush, m)) cairo_stroke(cr);
  });
}

namespace {

const PlusPen* PenOf(P& p, uint16_t flags) { return std::get_if<PlusPen>(&p.Object(flags & 0xFF)); }

bool FillRects(P& p, uint16_t flags, R& r) {
  PlusBrush brush;
  if (!p.BrushFrom(flags, r, brush)) return false;
  const uint32_t count = r.U32();
  if (!r.Ok() || count > r.Remaining() / 8) return false;
  const Affine m = p.WorldToCanvas();
  for (uint32_t i = 0; i < count; ++i) PlusFill(p, PlusRectPath(m, ReadRect(r, flags)), brush, false);
  return r.Ok();
}

bool DrawRects(P& p, uint16_t flags, R& r) {
  const PlusPen* pen = PenOf(p, flags);
  const uint32_t count = r.U32();
  if (!pen || !r.Ok() || count > r.Remaining() / 8) return false;
  const Affine m = p.WorldToCanvas();
  for (uint32_t i = 0; i < count; ++i) PlusStroke(p, PlusRectPath(m, ReadRect(r, flags)), *pen);
  return r.Ok();
}

bool FillPolygon(P& p, uint16_t flags, R& r) {
  PlusBrush brush;
  if (!p.BrushFrom(flags, r, brush)) return false;
  const auto pts = PlusPoints(r, r.U32(), flags);
  if (pts.empty() || !r.Ok()) return false;
  PlusFill(p, PolyPath(p.WorldToCanvas(), pts, true), brush, false);
  return true;
}

bool DrawLines(P& p, uint16_t flags, R& r) {
  const PlusPen* pen = PenOf(p, flags);
  const auto pts = PlusPoints(r, r.U32(), flags);
  if (!pen || pts.empty() || !r.Ok()) return false;
  PlusStroke(p, PolyPath(p.WorldToCanvas(), pts, flags & kClosedFlag), *pen);
  return true;
}

bool DrawBeziers(P& p, uint16_t flags, R& r) {
  const PlusPen* pen = PenOf(p, flags);
  const auto pts = PlusPoints(r, r.U32(), flags);
  if (!pen || pts.size() < 4 || !r.Ok()) return false;
  const Affine m = p.WorldToCanvas();
  DevicePath path;
  path.MoveTo(m.Apply(pts[0]));
  for (size_t i = 1; i + 2 < pts.size(); i += 3)
    path.CurveTo(m.Apply(pts[i]), m.Apply(pts[i + 1]), m.Apply(pts[i + 2]));
  PlusStroke(p, path, *pen);
  return true;
}

bool FillEllipse(P& p, uint16_t flags, R& r) {
  PlusBrush brush;
  if (!p.BrushFrom(flags, r, brush)) return false;
  const RectD rc = ReadRect(r, flags);
  if (!r.Ok()) return false;
  PlusFill(p, ArcPath(p.WorldToCanvas(), rc, 0, 360, false), brush, false);
  return true;
}

bool DrawEllipse(P& p, uint16_t flags, R& r) {
  const PlusPen* pen = PenOf(p, flags);
  const RectD rc = ReadRect(r, flags);
  if (!pen || !r.Ok()) return false;
  DevicePath path = ArcPath(p.WorldToCanvas(), rc, 0, 360, false);
  path.Close();
  PlusStroke(p, path, *pen);
  return true;
}

bool FillPie(P& p, uint16_t flags, R& r) {
  PlusBrush brush;
  if (!p.BrushFrom(flags, r, brush)) return false;
  const double start = r.F32(), sweep = r.F32();
  const RectD rc = ReadRect(r, flags);
  if (!r.Ok() || !std::isfinite(start) || !std::isfinite(sweep)) return false;
  PlusFill(p, ArcPath(p.WorldToCanvas(), rc, start, sweep, true), brush, false);
  return true;
}

bool DrawArcOrPie(P& p, uint16_t flags, R& r, bool pie) {
  const PlusPen* pen = PenOf(p, flags);
  const double start = r.F32(), sweep = r.F32();
  const RectD rc = ReadRect(r, flags);
  if (!pen || !r.Ok() || !std::isfinite(start) || !std::isfinite(sweep)) return false;
  PlusStroke(p, ArcPath(p.WorldToCanvas(), rc, start, sweep, pie), *pen);
  return true;
}

bool FillPath(P& p, uint16_t flags, R& r) {
  PlusBrush brush;
  const auto* path = std::get_if<PlusPath>(&p.Object(flags & 0xFF));
  if (!p.BrushFrom(flags, r, brush) || !path) return false;
  PlusFill(p, PlusPathToDevice(p.WorldToCanvas(), *path), brush, false);
  return true;
}

bool DrawPath(P& p, uint16_t flags, R& r) {
  const auto* path = std::get_if<PlusPath>(&p.Object(flags & 0xFF));
  const auto* pen = std::get_if<PlusPen>(&p.Object(r.U32()));
  if (!path || !pen || !r.Ok()) return false;
  PlusStroke(p, PlusPathToDevice(p.WorldToCanvas(), *path), *pen);
  return true;
}

// The image's pixel rectangle onto the parallelogram of three world points (upper-left, upper-right, lower-left).
bool DrawImageAt(P& p, const DibImage& image, const RectD& src, const PointD (&to)[3]) {
  if (!(src.Width() != 0 && src.Height() != 0)) return false;
  const double a = (to[1].x - to[0].x) / src.Width(), b = (to[1].y - to[0].y) / src.Width();
  const double c = (to[2].x - to[0].x) / src.Height(), d = (to[2].y - to[0].y) / src.Height();
  const Affine toWorld{a, b, c, d, to[0].x - a * src.left - c * src.top, to[0].y - b * src.left - d * src.top};
  const Affine toCanvas = toWorld.Then(p.WorldToCanvas());
  if (!toCanvas.Finite()) return false;
  p.NoteDrawing();
  p.R().GetCanvas().Blit(&image, src, toCanvas, Rop3{}, p.St().clip, nullptr, true, 255, true);
  return true;
}

bool DrawImage(P& p, uint16_t flags, R& r, bool points) {
  const auto* image = std::get_if<PlusImage>(&p.Object(flags & 0xFF));
  r.U32();  // image attributes
  const int32_t srcUnit = r.S32();
  const RectD src = ReadRect(r, 0);
  if (!image || !r.Ok() || srcUnit != 2) return false;
  PointD to[3];
  if (points) {
    const auto pts = PlusPoints(r, r.U32(), flags);
    if (pts.size() != 3) return false;
    std::copy(pts.begin(), pts.end(), to);
  } else {
    const RectD dst = ReadRect(r, flags);
    if (!r.Ok()) return false;
    to[0] = {dst.left, dst.top}, to[1] = {dst.right, dst.top}, to[2] = {dst.left, dst.bottom};
  }
  return DrawImageAt(p, image->pixels, src, to);
}

bool SetClip(P& p, uint16_t flags, const DevicePath& shape) {
  const uint32_t mode = (flags >> 8) & 0x0F;
  static constexpr RegionOp kOps[] = {RegionOp::Copy, RegionOp::And, RegionOp::Or, RegionOp::Xor, RegionOp::Diff};
  if (mode > 4) return false;
  p.St().clip.Combine(shape, false, kOps[mode]);
  return true;
}

bool Transform(P& p, uint16_t flags, const Affine& m) {
  if (!m.Finite()) return false;
  Affine& world = p.St().world;
  world = (flags & kAppend) ? world.Then(m) : m.Then(world);
  return true;
}

}  // namespace

bool EmfPlusDrawsRecordType(uint16_t type) {
  // StrokeFillPath (0x4037) is the one record type left undrawn.
  return type >= 0x4001 && type <= 0x4039 && type != 0x4037;
}

bool PlayEmfPlusRecord(P& p, uint16_t type, uint16_t flags, R& r) {
  switch (type) {
    case 0x4001: {
      r.U32();
      r.U32();
      const double dpiX = r.U32(), dpiY = r.U32();
      p.SetHeader(dpiX, dpiY);
      return r.Ok();
    }
    case 0x4008:
      p.ReadObject(flags, r);
      return true;
    case 0x4009: {
      PlusBrush brush;
      brush.color = r.U32();
      const Canvas& c = p.R().GetCanvas();
      DevicePath all = PlusRectPath(Affine{}, {0, 0, double(c.Width()), double(c.Height())});
      PlusFill(p, all, brush, false);
      return r.Ok();
    }
    case 0x400A:
      return FillRects(p, flags, r);
    case 0x400B:
      return DrawRects(p, flags, r);
    case 0x400C:
      return FillPolygon(p, flags, r);
    case 0x400D:
      return DrawLines(p, flags, r);
    case 0x400E:
      return FillEllipse(p, flags, r);
    case 0x400F:
      return DrawEllipse(p, flags, r);
    case 0x4010:
      return FillPie(p, flags, r);
    case 0x4011:
      return DrawArcOrPie(p, flags, r, true);
    case 0x4012:
      return DrawArcOrPie(p, flags, r, false);
    case 0x4013:
      return FillRegion(p, flags, r);
    case 0x4014:
      return FillPath(p, flags, r);
    case 0x4015:
      return DrawPath(p, flags, r);
    case 0x4016:
      return ClosedCurve(p, flags, r, true);
    case 0x4017:
      return ClosedCurve(p, flags, r, false);
    case 0x4018:
      return DrawCurve(p, flags, r);
    case 0x4019:
      return DrawBeziers(p, flags, r);
    case 0x401A:
      return DrawImage(p, flags, r, false);
    case 0x401B:
      return DrawImage(p, flags, r, true);
    case 0x401C:
      return DrawString(p, flags, r);
    case 0x401E:
      p.St().antialias = flags & 1;
      return true;
    case 0x4025:
    case 0x4028: {
      const uint32_t index = r.U32();
      if (p.Saved().size() < Renderer::kMaxSavedStates) p.Saved()[index] = p.St();
      return r.Ok();
    }
    case 0x4026:
    case 0x4029: {
      const auto it = p.Saved().find(r.U32());
      if (it == p.Saved().end()) return false;
      p.St() = it->second;
      p.Saved().erase(it, p.Saved().end());
      return true;
    }
    case 0x4027: {
      // A container maps its source rectangle onto its destination rectangle.
      const RectD dst = ReadRect(r, 0), src = ReadRect(r, 0);
      const uint32_t index = r.U32();
      if (!r.Ok() || src.Width() == 0 || src.Height() == 0) return false;
      if (p.Saved().size() < Renderer::kMaxSavedStates) p.Saved()[index] = p.St();
      const double sx = dst.Width() / src.Width(), sy = dst.Height() / src.Height();
      return Transform(p, 0, {sx, 0, 0, sy, dst.left - src.left * sx, dst.top - src.top * sy});
    }
    case 0x402A: {
      const double a = r.F32(), b = r.F32(), c = r.F32(), d = r.F32(), e = r.F32(), f = r.F32();
      const Affine m{a, b, c, d, e, f};
      if (!r.Ok() || !m.Finite()) return false;
      p.St().world = m;
      return true;
    }
    case 0x402B:
      p.St().world = Affine{};
      return true;
    case 0x402C: {
      const double a = r.F32(), b = r.F32(), c = r.F32(), d = r.F32(), e = r.F32(), f = r.F32();
      return r.Ok() && Transform(p, flags, {a, b, c, d, e, f});
    }
    case 0x402D: {
      const double dx = r.F32(), dy = r.F32();
      return r.Ok() && Transform(p, flags, Affine::Translate(dx, dy));
    }
    case 0x402E: {
      const double sx = r.F32(), sy = r.F32();
      return r.Ok() && Transform(p, flags, Affine::Scale(sx, sy));
    }
    case 0x402F: {
      const double angle = r.F32() * std::numbers::pi / 180;
      const double cs = std::cos(angle), sn = std::sin(angle);
      return r.Ok() && Transform(p, flags, {cs, sn, -sn, cs, 0, 0});
    }
    case 0x4030: {
      const double scale = r.F32();
      if (!r.Ok() || !std::isfinite(scale) || scale <= 0) return false;
      p.St().pageUnit = flags & 0xFF;
      p.St().pageScale = scale;
      return true;
    }
    case 0x4031:
      p.St().clip = Clip(p.R().GetCanvas().Width(), p.R().GetCanvas().Height());
      return true;
    case 0x4032: {
      const RectD rc = ReadRect(r, 0);
      return r.Ok() && SetClip(p, flags, PlusRectPath(p.WorldToCanvas(), rc));
    }
    case 0x4033: {
      const auto* path = std::get_if<PlusPath>(&p.Object(flags & 0xFF));
      return path && SetClip(p, flags, PlusPathToDevice(p.WorldToCanvas(), *path));
    }
    case 0x4034:
      return SetClipRegion(p, flags);
    case 0x4035: {
      const PointD d = p.WorldToCanvas().ApplyVector({r.F32(), r.F32()});
      if (r.Ok()) p.St().clip.Offset(d.x, d.y);
      return r.Ok();
    }
    case 0x4036:
      return DrawDriverString(p, flags, r);
    default:
      // Comments, the end, GetDC, the rendering hints and origins, terminal-server records: nothing to draw.
      return type == 0x4002 || type == 0x4003 || type == 0x4004 || (type >= 0x401D && type <= 0x4024) ||
             type == 0x4038 || type == 0x4039;
  }
}

}  // namespace tavlen::gfx::metafile
