// EMF+ drawing records: shapes, paths, images and strings, with the world transform, clipping and saved states.
#include <algorithm>
#include <cmath>
#include <numbers>

#include "platform/graphics/metafile/emfplus_records.h"

namespace tavlen::gfx::metafile {
namespace {

using P = EmfPlusPlayer;
using R = ByteReader;

constexpr uint16_t kCompressed = 0x4000, kClosedFlag = 0x2000, kAppend = 0x2000;

RectD ReadRect(R& r, uint16_t flags) {
  double x, y, w, h;
  if (flags & kCompressed) {
    x = r.S16(), y = r.S16(), w = r.S16(), h = r.S16();
  } else {
    x = r.F32(), y = r.F32(), w = r.F32(), h = r.F32();
  }
  return {x, y, x + w, y + h};
}

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
  const PointD a = image->sourceToPixels.Apply({src.left, src.top});
  const PointD b = image->sourceToPixels.Apply({src.right, src.bottom});
  return DrawImageAt(p, image->pixels, {a.x, a.y, b.x, b.y}, to);
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

// The records handled here rather than by a function of their own file.

bool Header(P& p, uint16_t, R& r) {
  r.U32();
  r.U32();
  const double dpiX = r.U32(), dpiY = r.U32();
  p.SetHeader(dpiX, dpiY);
  return r.Ok();
}

bool Object(P& p, uint16_t flags, R& r) {
  p.ReadObject(flags, r);
  return true;
}

bool Clear(P& p, uint16_t, R& r) {
  PlusBrush brush;
  brush.color = r.U32();
  const Canvas& c = p.R().GetCanvas();
  DevicePath all = PlusRectPath(Affine{}, {0, 0, double(c.Width()), double(c.Height())});
  PlusFill(p, all, brush, false);
  return r.Ok();
}

bool SetAntiAliasMode(P& p, uint16_t flags, R&) {
  p.St().antialias = flags & 1;
  return true;
}

bool Save(P& p, uint16_t, R& r) {
  const uint32_t index = r.U32();
  if (p.Saved().size() < Renderer::kMaxSavedStates) p.Saved()[index] = p.St();
  return r.Ok();
}

bool Restore(P& p, uint16_t, R& r) {
  const auto it = p.Saved().find(r.U32());
  if (it == p.Saved().end()) return false;
  p.St() = it->second;
  p.Saved().erase(it, p.Saved().end());
  return true;
}

bool BeginContainer(P& p, uint16_t, R& r) {
  // A container maps its source rectangle onto its destination rectangle.
  const RectD dst = ReadRect(r, 0), src = ReadRect(r, 0);
  const uint32_t index = r.U32();
  if (!r.Ok() || src.Width() == 0 || src.Height() == 0) return false;
  if (p.Saved().size() < Renderer::kMaxSavedStates) p.Saved()[index] = p.St();
  const double sx = dst.Width() / src.Width(), sy = dst.Height() / src.Height();
  return Transform(p, 0, {sx, 0, 0, sy, dst.left - src.left * sx, dst.top - src.top * sy});
}

bool SetWorldTransform(P& p, uint16_t, R& r) {
  const double a = r.F32(), b = r.F32(), c = r.F32(), d = r.F32(), e = r.F32(), f = r.F32();
  const Affine m{a, b, c, d, e, f};
  if (!r.Ok() || !m.Finite()) return false;
  p.St().world = m;
  return true;
}

bool ResetWorldTransform(P& p, uint16_t, R&) {
  p.St().world = Affine{};
  return true;
}

bool MultiplyWorldTransform(P& p, uint16_t flags, R& r) {
  const double a = r.F32(), b = r.F32(), c = r.F32(), d = r.F32(), e = r.F32(), f = r.F32();
  return r.Ok() && Transform(p, flags, {a, b, c, d, e, f});
}

bool TranslateWorldTransform(P& p, uint16_t flags, R& r) {
  const double dx = r.F32(), dy = r.F32();
  return r.Ok() && Transform(p, flags, Affine::Translate(dx, dy));
}

bool ScaleWorldTransform(P& p, uint16_t flags, R& r) {
  const double sx = r.F32(), sy = r.F32();
  return r.Ok() && Transform(p, flags, Affine::Scale(sx, sy));
}

bool RotateWorldTransform(P& p, uint16_t flags, R& r) {
  const double angle = r.F32() * std::numbers::pi / 180;
  const double cs = std::cos(angle), sn = std::sin(angle);
  return r.Ok() && Transform(p, flags, {cs, sn, -sn, cs, 0, 0});
}

bool SetPageTransform(P& p, uint16_t flags, R& r) {
  const double scale = r.F32();
  if (!r.Ok() || !std::isfinite(scale) || scale <= 0) return false;
  p.St().pageUnit = flags & 0xFF;
  p.St().pageScale = scale;
  return true;
}

bool ResetClip(P& p, uint16_t, R&) {
  p.St().clip = Clip(p.R().GetCanvas().Width(), p.R().GetCanvas().Height(), &p.R().GetCanvas().Budget());
  return true;
}

bool SetClipRect(P& p, uint16_t flags, R& r) {
  const RectD rc = ReadRect(r, 0);
  return r.Ok() && SetClip(p, flags, PlusRectPath(p.WorldToCanvas(), rc));
}

bool SetClipPath(P& p, uint16_t flags, R&) {
  const auto* path = std::get_if<PlusPath>(&p.Object(flags & 0xFF));
  return path && SetClip(p, flags, PlusPathToDevice(p.WorldToCanvas(), *path));
}

bool SetClipRegionRecord(P& p, uint16_t flags, R&) { return SetClipRegion(p, flags); }

bool OffsetClip(P& p, uint16_t, R& r) {
  const PointD d = p.WorldToCanvas().ApplyVector({r.F32(), r.F32()});
  if (r.Ok()) p.St().clip.Offset(d.x, d.y);
  return r.Ok();
}

// Records with nothing to draw: comments, the end, GetDC, rendering hints and origins, terminal-server records.
bool Accept(P&, uint16_t, R&) { return true; }

constexpr EmfPlusEntry kHandlers[] = {
    {kEmfPlusHeader, Header},
    {kEmfPlusEndOfFile, Accept},
    {kEmfPlusComment, Accept},
    {kEmfPlusGetDc, Accept},
    {kEmfPlusObject, Object},
    {kEmfPlusClear, Clear},
    {kEmfPlusFillRects, FillRects},
    {kEmfPlusDrawRects, DrawRects},
    {kEmfPlusFillPolygon, FillPolygon},
    {kEmfPlusDrawLines, DrawLines},
    {kEmfPlusFillEllipse, FillEllipse},
    {kEmfPlusDrawEllipse, DrawEllipse},
    {kEmfPlusFillPie, FillPie},
    {kEmfPlusDrawPie, [](P& p, uint16_t flags, R& r) { return DrawArcOrPie(p, flags, r, true); }},
    {kEmfPlusDrawArc, [](P& p, uint16_t flags, R& r) { return DrawArcOrPie(p, flags, r, false); }},
    {kEmfPlusFillRegion, FillRegion},
    {kEmfPlusFillPath, FillPath},
    {kEmfPlusDrawPath, DrawPath},
    {kEmfPlusFillClosedCurve, [](P& p, uint16_t flags, R& r) { return ClosedCurve(p, flags, r, true); }},
    {kEmfPlusDrawClosedCurve, [](P& p, uint16_t flags, R& r) { return ClosedCurve(p, flags, r, false); }},
    {kEmfPlusDrawCurve, DrawCurve},
    {kEmfPlusDrawBeziers, DrawBeziers},
    {kEmfPlusDrawImage, [](P& p, uint16_t flags, R& r) { return DrawImage(p, flags, r, false); }},
    {kEmfPlusDrawImagePoints, [](P& p, uint16_t flags, R& r) { return DrawImage(p, flags, r, true); }},
    {kEmfPlusDrawString, DrawString},
    {kEmfPlusSetRenderingOrigin, Accept},
    {kEmfPlusSetAntiAliasMode, SetAntiAliasMode},
    {kEmfPlusSetTextRenderingHint, Accept},
    {kEmfPlusSetTextContrast, Accept},
    {kEmfPlusSetInterpolationMode, Accept},
    {kEmfPlusSetPixelOffsetMode, Accept},
    {kEmfPlusSetCompositingMode, Accept},
    {kEmfPlusSetCompositingQuality, Accept},
    {kEmfPlusSave, Save},
    {kEmfPlusRestore, Restore},
    {kEmfPlusBeginContainer, BeginContainer},
    {kEmfPlusBeginContainerNoParams, Save},
    {kEmfPlusEndContainer, Restore},
    {kEmfPlusSetWorldTransform, SetWorldTransform},
    {kEmfPlusResetWorldTransform, ResetWorldTransform},
    {kEmfPlusMultiplyWorldTransform, MultiplyWorldTransform},
    {kEmfPlusTranslateWorldTransform, TranslateWorldTransform},
    {kEmfPlusScaleWorldTransform, ScaleWorldTransform},
    {kEmfPlusRotateWorldTransform, RotateWorldTransform},
    {kEmfPlusSetPageTransform, SetPageTransform},
    {kEmfPlusResetClip, ResetClip},
    {kEmfPlusSetClipRect, SetClipRect},
    {kEmfPlusSetClipPath, SetClipPath},
    {kEmfPlusSetClipRegion, SetClipRegionRecord},
    {kEmfPlusOffsetClip, OffsetClip},
    {kEmfPlusDrawDriverString, DrawDriverString},
    {kEmfPlusSerializableObject, Accept},
    {kEmfPlusSetTsGraphics, Accept},
};

}  // namespace

bool EmfPlusDrawsRecordType(uint16_t type) {
  // StrokeFillPath is the one record type left undrawn: its layout is not published, so a file using it draws
  // from its EMF records instead.
  return type >= kEmfPlusHeader && type <= kEmfPlusSetTsGraphics && type != kEmfPlusStrokeFillPath;
}

bool PlayEmfPlusRecord(P& p, uint16_t type, uint16_t flags, R& r) {
  static const RecordIndex<EmfPlusType, EmfPlusHandler, 0x40> kByType(0x4000, {kHandlers});
  const EmfPlusHandler handle = kByType.Find(type);
  return handle && handle(p, flags, r);
}

}  // namespace tavlen::gfx::metafile
