// EMF records of state: mapping, transforms, modes, colours, objects, palettes, paths and clipping.
#include <glib.h>

#include <algorithm>
#include <cmath>
#include <type_traits>

#include "platform/graphics/metafile/emf_records.h"
#include "platform/graphics/metafile/region_data.h"

namespace tavlen::gfx::metafile {
namespace {

using P = EmfPlayer;
using R = ByteReader;

ObjectPtr Make(GraphicsObject object) { return std::make_shared<const GraphicsObject>(std::move(object)); }

PointD PointL(R& r) {
  const double x = r.S32(), y = r.S32();
  return {x, y};
}

RectD RectL(R& r) {
  const double l = r.S32(), t = r.S32(), rr = r.S32(), b = r.S32();
  return {l, t, rr, b};
}

Affine XForm(R& r) {
  const double a = r.F32(), b = r.F32(), c = r.F32(), d = r.F32(), e = r.F32(), f = r.F32();
  return {a, b, c, d, e, f};
}

bool Mapping(P& p) {
  p.R().MappingChanged();
  return true;
}

bool WindowExt(P& p, R& r) {
  const PointD e = PointL(r);
  if (!r.Ok() || e.x == 0 || e.y == 0) return false;
  p.R().Dc().windowExt = e;
  return Mapping(p);
}
bool WindowOrg(P& p, R& r) {
  p.R().Dc().windowOrg = PointL(r);
  return r.Ok() && Mapping(p);
}
bool ViewportExt(P& p, R& r) {
  const PointD e = PointL(r);
  if (!r.Ok() || e.x == 0 || e.y == 0) return false;
  p.R().Dc().viewportExt = e;
  return Mapping(p);
}
bool ViewportOrg(P& p, R& r) {
  p.R().Dc().viewportOrg = PointL(r);
  return r.Ok() && Mapping(p);
}
bool ScaleExt(P& p, R& r, PointD& ext) {
  const double xNum = r.S32(), xDen = r.S32(), yNum = r.S32(), yDen = r.S32();
  if (!r.Ok() || xNum == 0 || xDen == 0 || yNum == 0 || yDen == 0) return false;
  ext.x = ext.x * xNum / xDen;
  ext.y = ext.y * yNum / yDen;
  return Mapping(p);
}

bool SetWorldTransform(P& p, R& r) {
  const Affine m = XForm(r);
  if (!r.Ok() || !m.Finite() || m.Determinant() == 0) return false;
  p.R().Dc().world = m;
  return Mapping(p);
}
bool ModifyWorldTransform(P& p, R& r) {
  const Affine m = XForm(r);
  const uint32_t mode = r.U32();
  if (!r.Ok() || !m.Finite()) return false;
  Affine& world = p.R().Dc().world;
  switch (mode) {
    case 1:  // identity
      world = Affine{};
      break;
    case 2:  // left multiply: the new transform applies first
      world = m.Then(world);
      break;
    case 3:  // right multiply
      world = world.Then(m);
      break;
    case 4:  // set
      world = m;
      break;
    default:
      return false;
  }
  if (!world.Finite() || world.Determinant() == 0) world = Affine{};
  return Mapping(p);
}

bool SelectObject(P& p, R& r) {
  const ObjectPtr o = p.Object(r.U32());
  if (!o) return false;
  p.R().SelectObject(o);
  return true;
}

bool CreatePen(P& p, R& r) {
  const uint32_t index = r.U32();
  PenObject pen;
  pen.style = r.U32();
  pen.width = std::abs(static_cast<double>(r.S32()));
  r.S32();
  pen.color = r.U32();
  return r.Ok() && p.R().Objects().Put(index, Make(pen));
}

bool ExtCreatePen(P& p, R& r) {
  const uint32_t index = r.U32();
  r.Skip(16);  // a pattern bitmap: the pen draws in its colour
  PenObject pen;
  pen.extended = true;
  pen.style = r.U32();
  pen.width = r.U32();
  const uint32_t brushStyle = r.U32();
  pen.color = r.U32();
  r.U32();
  const uint32_t entries = r.U32();
  if (!r.Ok()) return false;
  if (brushStyle == kBsNull) pen.style = (pen.style & ~kPsStyleMask) | kPsNull;
  if ((pen.style & kPsStyleMask) == kPsUserStyle) {
    for (uint32_t i = 0; i < entries && i < 64 && r.Remaining() >= 4; ++i) pen.userDashes.push_back(r.U32());
  }
  return p.R().Objects().Put(index, Make(std::move(pen)));
}

bool CreateBrush(P& p, R& r) {
  const uint32_t index = r.U32();
  BrushObject brush;
  brush.style = r.U32();
  brush.color = r.U32();
  brush.hatch = r.U32();
  if (brush.style != kBsSolid && brush.style != kBsHatched && brush.style != kBsNull) brush.style = kBsSolid;
  return r.Ok() && p.R().Objects().Put(index, Make(brush));
}

bool CreatePatternBrush(P& p, R& r, bool mono) {
  const uint32_t index = r.U32(), usage = r.U32();
  const uint32_t offBmi = r.U32(), cbBmi = r.U32(), offBits = r.U32(), cbBits = r.U32();
  BrushObject brush;
  DibImage img;
  const bool ok = r.Ok() && p.ReadDibAt(r, offBmi, cbBmi, offBits, cbBits, usage, img);
  if (ok) {
    brush.style = kBsDibPatternPt;
    brush.monoTakesDcColors = mono;
    brush.pattern = std::make_shared<const DibImage>(std::move(img));
  } else {
    brush.style = kBsSolid;  // keeps the slot meaningful: writers select it next
  }
  return p.R().Objects().Put(index, Make(std::move(brush))) && ok;
}

bool CreateFont(P& p, R& r) {
  const uint32_t index = r.U32();
  FontObject f;
  f.height = r.S32();
  f.width = std::abs(r.S32());
  f.escapement = r.S32();
  r.S32();
  f.weight = r.S32();
  f.italic = r.U8() != 0;
  f.underline = r.U8() != 0;
  f.strikeOut = r.U8() != 0;
  f.charSet = r.U8();
  r.Skip(3);
  f.pitchAndFamily = r.U8();
  std::u16string face;
  for (int i = 0; i < 32 && r.Remaining() >= 2; ++i) {
    const char16_t c = r.U16();
    if (c == 0) break;
    face.push_back(c);
  }
  if (!r.Ok()) return false;
  if (gchar* utf8 = g_utf16_to_utf8(reinterpret_cast<const gunichar2*>(face.data()), static_cast<glong>(face.size()),
                                    nullptr, nullptr, nullptr)) {
    f.face = utf8;
    g_free(utf8);
  }
  return p.R().Objects().Put(index, Make(std::move(f)));
}

bool CreatePalette(P& p, R& r) {
  const uint32_t index = r.U32();
  r.U16();
  const uint16_t count = r.U16();
  PaletteObject pal;
  for (uint16_t i = 0; i < count && r.Remaining() >= 4; ++i) {
    const uint8_t red = r.U8(), green = r.U8(), blue = r.U8();
    r.U8();
    pal.colors.push_back(red | (green << 8) | (blue << 16));
  }
  return r.Ok() && p.R().Objects().Put(index, Make(std::move(pal)));
}

bool SetPaletteEntries(P& p, R& r) {
  const uint32_t index = r.U32(), start = r.U32(), count = r.U32();
  const ObjectPtr o = p.R().Objects().Get(index);
  const auto* current = o ? std::get_if<PaletteObject>(o.get()) : nullptr;
  if (!r.Ok() || !current) return false;
  PaletteObject pal = *current;
  for (uint32_t i = 0; i < count && r.Remaining() >= 4; ++i) {
    const uint8_t red = r.U8(), green = r.U8(), blue = r.U8();
    r.U8();
    if (start + static_cast<uint64_t>(i) < pal.colors.size()) pal.colors[start + i] = red | (green << 8) | (blue << 16);
  }
  ObjectPtr updated = Make(std::move(pal));
  if (p.R().Dc().palette == o) p.R().Dc().palette = updated;
  return p.R().Objects().Put(index, updated);
}

bool ExtSelectClipRgn(P& p, R& r) {
  const uint32_t bytes = r.U32(), mode = r.U32();
  if (!r.Ok() || mode < 1 || mode > 5) return false;
  std::vector<RectD> rects;
  if (bytes > 0 && !ReadRegionData(r.Take(std::min<size_t>(bytes, r.Remaining()), nullptr), rects)) return false;
  p.R().SelectClipRects(rects, static_cast<RegionOp>(mode));
  return true;
}

bool Comment(P& p, R& r) {
  const auto plus = EmfPlusRecords(r);
  if (!plus.empty()) p.PlayEmfPlus(plus);
  return true;
}

bool Accept(P&, R&) { return true; }

bool SetBrushOrg(P& p, R& r) {
  const PointD o = PointL(r);
  // The brush origin is in device pixels.
  p.R().Dc().brushOrg = p.R().DeviceToCanvas().ApplyVector(o);
  return r.Ok();
}

bool SetMapMode(P& p, R& r) {
  const uint32_t mode = r.U32();
  if (mode < 1 || mode > 8) return false;
  p.R().Dc().mapMode = static_cast<int32_t>(mode);
  return Mapping(p);
}

// A 32-bit field of the device context.
template <auto kField>
bool SetField(P& p, R& r) {
  using T = std::remove_reference_t<decltype(p.R().Dc().*kField)>;
  p.R().Dc().*kField = static_cast<T>(r.U32());
  return r.Ok();
}

bool SetRop2(P& p, R& r) {
  p.R().Dc().rop2 = std::clamp<int32_t>(static_cast<int32_t>(r.U32()), 1, 16);
  return r.Ok();
}

bool OffsetClip(P& p, R& r) {
  const PointD d = PointL(r);
  if (r.Ok()) p.R().OffsetClip(d.x, d.y);
  return r.Ok();
}

bool ExcludeClip(P& p, R& r) {
  const RectD rc = RectL(r);
  if (r.Ok()) p.R().ExcludeClipRect(rc);
  return r.Ok();
}

bool IntersectClip(P& p, R& r) {
  const RectD rc = RectL(r);
  if (r.Ok()) p.R().IntersectClipRect(rc);
  return r.Ok();
}

bool SetMiterLimit(P& p, R& r) {
  const uint32_t limit = r.U32();
  // Some writers store the limit as a float's bits.
  float asFloat;
  __builtin_memcpy(&asFloat, &limit, 4);
  p.R().Dc().miterLimit = limit < 1000 ? static_cast<double>(limit) : (std::isfinite(asFloat) ? asFloat : 10.0);
  return r.Ok();
}

bool SelectClipPath(P& p, R& r) {
  const uint32_t mode = r.U32();
  if (!r.Ok() || mode < 1 || mode > 5) return false;
  p.R().SelectClipPath(static_cast<RegionOp>(mode));
  return true;
}

// A renderer call without operands.
template <auto kCall>
bool Call(P& p, R&) {
  (p.R().*kCall)();
  return true;
}

constexpr EmfEntry kHandlers[] = {
    {kEmrSetWindowExtEx, WindowExt},
    {kEmrSetWindowOrgEx, WindowOrg},
    {kEmrSetViewportExtEx, ViewportExt},
    {kEmrSetViewportOrgEx, ViewportOrg},
    {kEmrSetBrushOrgEx, SetBrushOrg},
    {kEmrSetMapperFlags, Accept},
    {kEmrSetMapMode, SetMapMode},
    {kEmrSetBkMode, SetField<&DcState::bkMode>},
    {kEmrSetPolyFillMode, SetField<&DcState::polyFillMode>},
    {kEmrSetRop2, SetRop2},
    {kEmrSetStretchBltMode, SetField<&DcState::stretchMode>},
    {kEmrSetTextAlign, SetField<&DcState::textAlign>},
    {kEmrSetColorAdjustment, Accept},
    {kEmrSetTextColor, SetField<&DcState::textColor>},
    {kEmrSetBkColor, SetField<&DcState::bkColor>},
    {kEmrOffsetClipRgn, OffsetClip},
    {kEmrSetMetaRgn, Accept},
    {kEmrExcludeClipRect, ExcludeClip},
    {kEmrIntersectClipRect, IntersectClip},
    {kEmrScaleViewportExtEx, [](P& p, R& r) { return ScaleExt(p, r, p.R().Dc().viewportExt); }},
    {kEmrScaleWindowExtEx, [](P& p, R& r) { return ScaleExt(p, r, p.R().Dc().windowExt); }},
    {kEmrSaveDc, Call<&Renderer::SaveDc>},
    {kEmrRestoreDc, [](P& p, R& r) { return p.R().RestoreDc(r.S32()); }},
    {kEmrSetWorldTransform, SetWorldTransform},
    {kEmrModifyWorldTransform, ModifyWorldTransform},
    {kEmrSelectObject, SelectObject},
    {kEmrCreatePen, CreatePen},
    {kEmrCreateBrushIndirect, CreateBrush},
    {kEmrDeleteObject, [](P& p, R& r) { return p.R().Objects().Delete(r.U32()), r.Ok(); }},
    {kEmrSelectPalette, SelectObject},
    {kEmrCreatePalette, CreatePalette},
    {kEmrSetPaletteEntries, SetPaletteEntries},
    {kEmrResizePalette, Accept},
    {kEmrRealizePalette, Accept},
    {kEmrSetArcDirection, [](P& p, R& r) { return p.R().Dc().clockwiseArcs = r.U32() == 2, r.Ok(); }},
    {kEmrSetMiterLimit, SetMiterLimit},
    {kEmrBeginPath, Call<&Renderer::BeginPath>},
    {kEmrEndPath, Call<&Renderer::EndPath>},
    {kEmrCloseFigure, Call<&Renderer::CloseFigure>},
    {kEmrFillPath, Call<&Renderer::FillPath>},
    {kEmrStrokeAndFillPath, Call<&Renderer::StrokeAndFillPath>},
    {kEmrStrokePath, Call<&Renderer::StrokePath>},
    {kEmrFlattenPath, Call<&Renderer::FlattenPath>},
    {kEmrSelectClipPath, SelectClipPath},
    {kEmrAbortPath, Call<&Renderer::AbortPath>},
    {kEmrComment, Comment},
    {kEmrExtSelectClipRgn, ExtSelectClipRgn},
    {kEmrExtCreateFontIndirectW, CreateFont},
    {kEmrCreateMonoBrush, [](P& p, R& r) { return CreatePatternBrush(p, r, true); }},
    {kEmrCreateDibPatternBrushPt, [](P& p, R& r) { return CreatePatternBrush(p, r, false); }},
    {kEmrExtCreatePen, ExtCreatePen},
    {kEmrSetIcmMode, Accept},
    {kEmrCreateColorSpace, Accept},
    {kEmrSetColorSpace, Accept},
    {kEmrDeleteColorSpace, Accept},
    {kEmrSetLayout, Accept},
    {kEmrSetLinkedUfis, Accept},
    {kEmrSetTextJustification, Accept},
    {kEmrCreateColorSpaceW, Accept},
};

}  // namespace

std::span<const EmfEntry> EmfStateHandlers() { return kHandlers; }

}  // namespace tavlen::gfx::metafile
