// WMF record handlers: state, objects, drawing, text and bitmaps, one small function per record.
#include "platform/graphics/metafile/wmf_records.h"

#include <glib.h>

#include <algorithm>
#include <array>
#include <cmath>

#include "platform/graphics/metafile/bitmap16.h"
#include "platform/graphics/metafile/region_data.h"

namespace tavlen::gfx::metafile {
namespace {

using P = WmfPlayer;
using R = ByteReader;

PointD Pt(int16_t x, int16_t y) { return {static_cast<double>(x), static_cast<double>(y)}; }

// Reads "y, x" (the order most records store a point in).
PointD YX(R& p) {
  const int16_t y = p.S16(), x = p.S16();
  return Pt(x, y);
}

// Reads "bottom, right, top, left".
RectD BRTL(R& p) {
  const int16_t b = p.S16(), r = p.S16(), t = p.S16(), l = p.S16();
  return {static_cast<double>(l), static_cast<double>(t), static_cast<double>(r), static_cast<double>(b)};
}

bool ReadPoints(R& p, uint32_t count, std::vector<PointD>& out) {
  if (count > p.Remaining() / 4) return false;
  out.resize(count);
  for (auto& pt : out) {
    const int16_t x = p.S16(), y = p.S16();
    pt = Pt(x, y);
  }
  return p.Ok();
}

ObjectPtr Make(GraphicsObject object) { return std::make_shared<const GraphicsObject>(std::move(object)); }

bool SetBkColor(P& w, R& p) { return w.R().Dc().bkColor = p.U32(), p.Ok(); }
bool SetBkMode(P& w, R& p) { return w.R().Dc().bkMode = p.U16(), p.Ok(); }
bool SetMapMode(P& w, R& p) {
  const uint16_t mode = p.U16();
  // The frame fixes the mapping of a played picture; only the isotropic constraint is kept.
  w.R().Dc().mapMode = mode == kMmIsotropic ? kMmIsotropic : kMmAnisotropic;
  w.R().MappingChanged();
  return p.Ok();
}
bool SetRop2(P& w, R& p) { return w.R().Dc().rop2 = std::clamp<int32_t>(p.U16(), 1, 16), p.Ok(); }
bool SetPolyFillMode(P& w, R& p) { return w.R().Dc().polyFillMode = p.U16(), p.Ok(); }
bool SetStretchMode(P& w, R& p) { return w.R().Dc().stretchMode = p.U16(), p.Ok(); }
bool SetTextCharExtra(P& w, R& p) { return w.R().Dc().charExtra = p.S16(), p.Ok(); }
bool SetTextColor(P& w, R& p) { return w.R().Dc().textColor = p.U32(), p.Ok(); }
bool SetTextAlign(P& w, R& p) { return w.R().Dc().textAlign = p.U16(), p.Ok(); }
bool Ignore(P&, R&) { return true; }

bool SetWindowOrg(P& w, R& p) {
  w.R().Dc().windowOrg = YX(p);
  w.R().MappingChanged();
  return p.Ok();
}
bool SetWindowExt(P& w, R& p) {
  const PointD e = YX(p);
  if (!p.Ok() || e.x == 0 || e.y == 0) return false;
  w.R().Dc().windowExt = e;
  w.R().MappingChanged();
  return true;
}
bool OffsetWindowOrg(P& w, R& p) {
  const PointD d = YX(p);
  w.R().Dc().windowOrg.x += d.x, w.R().Dc().windowOrg.y += d.y;
  w.R().MappingChanged();
  return p.Ok();
}
bool ScaleWindowExt(P& w, R& p) {
  const double yDen = p.S16(), yNum = p.S16(), xDen = p.S16(), xNum = p.S16();
  if (!p.Ok() || yDen == 0 || xDen == 0 || yNum == 0 || xNum == 0) return false;
  w.R().Dc().windowExt.x *= xNum / xDen, w.R().Dc().windowExt.y *= yNum / yDen;
  w.R().MappingChanged();
  return true;
}
bool SetViewportOrg(P& w, R& p) {
  const PointD o = YX(p);
  if (w.FixedViewport()) return p.Ok();
  w.R().Dc().viewportOrg = o;
  w.R().MappingChanged();
  return p.Ok();
}
bool SetViewportExt(P& w, R& p) {
  const PointD e = YX(p);
  if (w.FixedViewport()) return p.Ok();
  if (e.x == 0 || e.y == 0) return false;
  w.R().Dc().viewportExt = e;
  w.R().MappingChanged();
  return p.Ok();
}

bool MoveTo(P& w, R& p) {
  const PointD pt = YX(p);
  if (p.Ok()) w.R().MoveTo(pt);
  return p.Ok();
}
bool LineTo(P& w, R& p) {
  const PointD pt = YX(p);
  if (p.Ok()) w.R().LineTo(pt);
  return p.Ok();
}
bool ExcludeClipRect(P& w, R& p) {
  const RectD r = BRTL(p);
  if (p.Ok()) w.R().ExcludeClipRect(r);
  return p.Ok();
}
bool IntersectClipRect(P& w, R& p) {
  const RectD r = BRTL(p);
  if (p.Ok()) w.R().IntersectClipRect(r);
  return p.Ok();
}
bool OffsetClipRgn(P& w, R& p) {
  const PointD d = YX(p);
  if (p.Ok()) w.R().OffsetClip(d.x, d.y);
  return p.Ok();
}

bool ArcFamily(P& w, R& p, ArcKind kind) {
  const PointD end = YX(p), start = YX(p);
  const RectD box = BRTL(p);
  if (!p.Ok()) return false;
  w.R().ArcShape(kind, box, start, end);
  return true;
}
bool Arc(P& w, R& p) { return ArcFamily(w, p, ArcKind::Arc); }
bool Pie(P& w, R& p) { return ArcFamily(w, p, ArcKind::Pie); }
bool Chord(P& w, R& p) { return ArcFamily(w, p, ArcKind::Chord); }
bool Ellipse(P& w, R& p) {
  const RectD r = BRTL(p);
  if (p.Ok()) w.R().Ellipse(r);
  return p.Ok();
}
bool Rectangle(P& w, R& p) {
  const RectD r = BRTL(p);
  if (p.Ok()) w.R().Rectangle(r);
  return p.Ok();
}
bool RoundRect(P& w, R& p) {
  const double h = p.S16(), wd = p.S16();
  const RectD r = BRTL(p);
  if (p.Ok()) w.R().RoundRect(r, wd, h);
  return p.Ok();
}
bool SetPixel(P& w, R& p) {
  const ColorRef c = p.U32();
  const PointD pt = YX(p);
  if (p.Ok()) w.R().SetPixel(pt, c);
  return p.Ok();
}
bool PatBlt(P& w, R& p) {
  const uint32_t rop = p.U32();
  const double h = p.S16(), wd = p.S16();
  const PointD at = YX(p);
  if (!p.Ok()) return false;
  w.R().StretchBlt(nullptr, {}, {at.x, at.y, at.x + wd, at.y + h}, rop);
  return true;
}

bool SaveDc(P& w, R&) { return w.R().SaveDc(), true; }
bool RestoreDc(P& w, R& p) {
  const int16_t n = p.S16();
  return p.Ok() && w.R().RestoreDc(n);
}

bool Polygon(P& w, R& p) {
  std::vector<PointD> pts;
  if (!ReadPoints(p, p.U16(), pts)) return false;
  w.R().Polygon(pts);
  return true;
}
bool Polyline(P& w, R& p) {
  std::vector<PointD> pts;
  if (!ReadPoints(p, p.U16(), pts)) return false;
  w.R().Polyline(pts);
  return true;
}
bool PolyPolygon(P& w, R& p) {
  const uint16_t n = p.U16();
  std::vector<uint32_t> counts(n);
  uint64_t total = 0;
  for (auto& c : counts) total += c = p.U16();
  std::vector<PointD> pts;
  if (!p.Ok() || total > UINT32_MAX || !ReadPoints(p, static_cast<uint32_t>(total), pts)) return false;
  return w.R().PolyPolygon(pts, counts);
}

// Text: the string's bytes in the selected font's character set.
bool DrawAnsi(P& w, PointD at, std::span<const uint8_t> bytes, std::span<const int16_t> dx, uint32_t options,
              const RectD* rect) {
  const auto* font = w.R().Dc().font ? std::get_if<FontObject>(w.R().Dc().font.get()) : nullptr;
  TextRun run;
  std::vector<uint32_t> units;
  DecodeAnsi(bytes, font ? TextCharSet(font->charSet, font->face) : 0, run.chars, units);
  if (!dx.empty()) {
    size_t at2 = 0;
    for (uint32_t u : units) {
      double sum = 0;
      for (uint32_t k = 0; k < u && at2 < dx.size(); ++k) sum += dx[at2++];
      run.advances.push_back(sum);
    }
  }
  w.R().TextOut(at, run, options, rect);
  return true;
}
bool TextOut(P& w, R& p) {
  const uint16_t length = p.U16();
  const auto bytes = p.Take(length, nullptr);
  if (length & 1) p.Skip(1);
  const PointD at = YX(p);
  if (!p.Ok()) return false;
  return DrawAnsi(w, at, bytes, {}, 0, nullptr);
}
bool ExtTextOut(P& w, R& p) {
  const PointD at = YX(p);
  const uint16_t length = p.U16(), options = p.U16();
  RectD rect{};
  const bool hasRect = (options & (kEtoOpaque | kEtoClipped)) != 0;
  if (hasRect) {
    const int16_t l = p.S16(), t = p.S16(), r = p.S16(), b = p.S16();
    rect = {static_cast<double>(l), static_cast<double>(t), static_cast<double>(r), static_cast<double>(b)};
  }
  const auto bytes = p.Take(length, nullptr);
  if (!p.Ok()) return false;
  if (length & 1) p.Skip(1);
  std::vector<int16_t> dx;
  if (p.Remaining() >= size_t{length} * 2) {
    dx.resize(length);
    for (auto& d : dx) d = p.S16();
  }
  return DrawAnsi(w, at, bytes, dx, options, hasRect ? &rect : nullptr);
}

// Objects.
bool SelectObject(P& w, R& p) {
  const uint16_t index = p.U16();
  const ObjectPtr object = w.R().Objects().Get(index);
  if (!p.Ok() || !object) return false;
  w.R().SelectObject(object);
  return true;
}
bool SelectPalette(P& w, R& p) { return SelectObject(w, p); }
bool DeleteObject(P& w, R& p) {
  const uint16_t index = p.U16();
  w.R().Objects().Delete(index);
  return p.Ok();
}
bool CreatePen(P& w, R& p) {
  PenObject pen;
  pen.style = p.U16();
  pen.width = p.S16();
  p.S16();
  pen.color = p.U32();
  pen.width = std::fabs(pen.width);
  w.AddObject(Make(pen));  // the slot is taken even when the record is short
  return p.Ok();
}
bool CreateBrush(P& w, R& p) {
  BrushObject brush;
  brush.style = p.U16();
  brush.color = p.U32();
  brush.hatch = p.U16();
  if (brush.style != kBsSolid && brush.style != kBsHatched) brush.style = brush.style == kBsNull ? kBsNull : kBsSolid;
  w.AddObject(Make(brush));
  return p.Ok();
}
bool CreateFont(P& w, R& p) {
  FontObject f;
  f.height = p.S16();
  f.width = std::abs(p.S16());
  f.escapement = p.S16();
  p.S16();
  f.weight = p.S16();
  f.italic = p.U8() != 0;
  f.underline = p.U8() != 0;
  f.strikeOut = p.U8() != 0;
  f.charSet = p.U8();
  p.Skip(3);
  f.pitchAndFamily = p.U8();
  std::vector<uint8_t> face;
  for (int i = 0; i < 32 && p.Remaining() > 0; ++i) {
    const uint8_t c = p.U8();
    if (c == 0) break;
    face.push_back(c);
  }
  std::u32string chars;
  std::vector<uint32_t> units;
  // Face names are in the font's character set, except the symbol set's names, which are plain.
  DecodeAnsi(face, f.charSet == 2 ? 0 : f.charSet, chars, units);
  for (char32_t c : chars) {
    char buf[6];
    f.face.append(buf, static_cast<size_t>(g_unichar_to_utf8(c, buf)));
  }
  w.AddObject(Make(std::move(f)));
  return true;
}
bool CreatePalette(P& w, R& p) {
  PaletteObject pal;
  p.U16();
  const uint16_t count = p.U16();
  for (uint16_t i = 0; i < count && p.Remaining() >= 4; ++i) {
    const uint8_t r = p.U8(), g = p.U8(), b = p.U8();
    p.U8();
    pal.colors.push_back(r | (g << 8) | (b << 16));
  }
  w.AddObject(Make(std::move(pal)));
  return true;
}
bool SetPaletteEntries(P& w, R& p) {
  const uint16_t start = p.U16(), count = p.U16();
  const auto* current = w.R().Dc().palette ? std::get_if<PaletteObject>(w.R().Dc().palette.get()) : nullptr;
  if (!current || !p.Ok()) return false;
  PaletteObject pal = *current;
  for (uint32_t i = 0; i < count && p.Remaining() >= 4; ++i) {
    const uint8_t r = p.U8(), g = p.U8(), b = p.U8();
    p.U8();
    if (start + i < pal.colors.size()) pal.colors[start + i] = r | (g << 8) | (b << 16);
  }
  w.R().Dc().palette = Make(std::move(pal));
  return true;
}
bool CreateRegion(P& w, R& p) {
  RegionObject region;
  const bool ok = ReadWmfRegion(p, region);
  w.AddObject(Make(std::move(region)));
  return ok;
}
bool CreatePatternBrush(P& w, R& p) {
  // A Bitmap16 header, 18 reserved bytes, then the pattern's bits.
  R header(p.Take(10, nullptr));
  p.Skip(18);
  auto bits = p.Take(p.Remaining(), nullptr);
  std::vector<uint8_t> joined(header.Bytes().begin(), header.Bytes().end());
  joined.insert(joined.end(), bits.begin(), bits.end());
  R whole(joined);
  DibImage img;
  BrushObject brush;
  if (ReadBitmap16(whole, w.Limits(), img)) {
    brush.style = kBsPattern;
    brush.monoTakesDcColors = true;
    brush.pattern = std::make_shared<const DibImage>(std::move(img));
  }
  w.AddObject(Make(std::move(brush)));
  return brush.pattern != nullptr;
}
// A DIB's info header starts with its own size; a Bitmap16 starts with its type and a width above zero, which
// cannot read as one.
bool StartsWithDibHeader(const R& p) {
  const auto head = p.Slice(p.Position(), 4);
  if (head.size() < 4) return false;
  const uint32_t size = head[0] | head[1] << 8 | head[2] << 16 | uint32_t{head[3]} << 24;
  return size == 12 || (size >= 40 && size <= 124);
}
// The pattern style makes a brush of the device-dependent kind, whose bitmap may be stored either way; the DIB
// styles make a DIB brush, which keeps its colour table.
bool DibCreatePatternBrush(P& w, R& p) {
  const uint16_t style = p.U16(), usage = p.U16();
  BrushObject brush;
  DibImage img;
  bool ok = false;
  if (style == kBsPattern) {
    ok = StartsWithDibHeader(p) ? w.ReadPackedDib(p, DibColors::Rgb, img) : ReadBitmap16(p, w.Limits(), img);
    brush.monoTakesDcColors = true;
  } else {
    ok = w.ReadPackedDib(p, usage == 1 ? DibColors::Palette : DibColors::Rgb, img);
  }
  if (ok) {
    brush.style = kBsDibPattern;
    brush.pattern = std::make_shared<const DibImage>(std::move(img));
  }
  w.AddObject(Make(std::move(brush)));
  return ok;
}
// Creation records the player does not use still take a slot, so later indexes stay right.
bool Placeholder(P& w, R&) {
  w.AddObject(Make(BrushObject{kBsNull, 0, 0, nullptr}));
  return false;
}

// Regions.
const RegionObject* RegionAt(P& w, uint16_t index) {
  const ObjectPtr o = w.R().Objects().Get(index);
  return o ? std::get_if<RegionObject>(o.get()) : nullptr;
}
bool FillRegion(P& w, R& p) {
  const uint16_t region = p.U16(), brush = p.U16();
  const RegionObject* rg = RegionAt(w, region);
  if (!p.Ok() || !rg) return false;
  w.R().FillRects(rg->rects, w.R().Objects().Get(brush));
  return true;
}
bool FrameRegion(P& w, R& p) {
  const uint16_t region = p.U16(), brush = p.U16();
  const double h = p.S16(), wd = p.S16();
  const RegionObject* rg = RegionAt(w, region);
  if (!p.Ok() || !rg) return false;
  w.R().FrameRects(rg->rects, w.R().Objects().Get(brush), wd, h);
  return true;
}
bool InvertRegion(P& w, R& p) {
  const RegionObject* rg = RegionAt(w, p.U16());
  if (!rg) return false;
  w.R().InvertRects(rg->rects);
  return true;
}
bool PaintRegion(P& w, R& p) {
  const RegionObject* rg = RegionAt(w, p.U16());
  if (!rg) return false;
  w.R().FillRects(rg->rects, w.R().Dc().brush);
  return true;
}
bool SelectClipRegion(P& w, R& p) {
  const RegionObject* rg = RegionAt(w, p.U16());
  if (!rg) {
    w.R().SelectClipRectsLogical({}, RegionOp::Copy);
    return true;
  }
  w.R().SelectClipRectsLogical(rg->rects, RegionOp::Copy);
  return true;
}

// Bitmaps. A source rectangle of a bottom-up DIB counts rows from the bottom.
RectD DibSource(const DibImage& img, double x, double y, double w, double h) {
  if (img.bottomUp) y = img.height - (y + h);
  return {x, y, x + w, y + h};
}
// The bitmap of a blit record: a packed DIB in the newer records, a device-dependent Bitmap16 in the old ones.
bool ReadDibBitmap(P& w, R& p, DibImage& img) { return w.ReadPackedDib(p, DibColors::Rgb, img); }
bool ReadOldBitmap(P& w, R& p, DibImage& img) {
  if (!ReadBitmap16(p, w.Limits(), img)) return false;
  if (img.monochrome) {
    // A monochrome bitmap copied to colour takes the destination's text colour for 0 bits, its background for 1.
    const uint32_t fore = w.R().Rgb(w.R().Dc().textColor), back = w.R().Rgb(w.R().Dc().bkColor);
    for (size_t i = 0; i < img.pixels.size(); ++i) img.pixels[i] = img.bits[i] ? back : fore;
  }
  return true;
}
// BitBlt and StretchBlt, old and DIB: a record without a bitmap (as short as its parameters) is a pattern fill.
template <bool stretch, bool (*readBitmap)(P&, R&, DibImage&)>
bool BitBlt(P& w, R& p) {
  const size_t words = std::min<size_t>(p.Size() / 2 + 3, 0xFFFF);  // the record's size, header included
  const uint32_t rop = p.U32();
  double srcH = 0, srcW = 0;
  if (stretch) srcH = p.S16(), srcW = p.S16();
  const double ySrc = p.S16(), xSrc = p.S16();
  const bool withBitmap = words != (stretch ? 0x0B + 3 : 0x09 + 3);
  if (!withBitmap) p.S16();
  const double h = p.S16(), wd = p.S16();
  const PointD at = YX(p);
  if (!p.Ok()) return false;
  if (!stretch) srcW = wd, srcH = h;
  const RectD dest{at.x, at.y, at.x + wd, at.y + h};
  if (!withBitmap) {
    w.R().StretchBlt(nullptr, {}, dest, rop);
    return true;
  }
  DibImage img;
  if (!readBitmap(w, p, img)) return false;
  w.R().StretchBlt(&img, DibSource(img, xSrc, ySrc, srcW, srcH), dest, rop);
  return true;
}
bool StretchDib(P& w, R& p) {
  const uint32_t rop = p.U32();
  const uint16_t usage = p.U16();
  const double srcH = p.S16(), srcW = p.S16(), ySrc = p.S16(), xSrc = p.S16();
  const double h = p.S16(), wd = p.S16();
  const PointD at = YX(p);
  DibImage img;
  if (!p.Ok() || !w.ReadPackedDib(p, usage == 1 ? DibColors::Palette : DibColors::Rgb, img)) return false;
  w.R().StretchBlt(&img, DibSource(img, xSrc, ySrc, srcW, srcH), {at.x, at.y, at.x + wd, at.y + h}, rop);
  return true;
}
bool SetDibToDev(P& w, R& p) {
  const uint16_t usage = p.U16();
  p.U16();
  p.U16();  // scan count and first scan: the whole DIB is drawn
  const double ySrc = p.S16(), xSrc = p.S16(), h = p.S16(), wd = p.S16();
  const PointD at = YX(p);
  DibImage img;
  if (!p.Ok() || !w.ReadPackedDib(p, usage == 1 ? DibColors::Palette : DibColors::Rgb, img)) return false;
  w.R().StretchBlt(&img, DibSource(img, xSrc, ySrc, wd, h), {at.x, at.y, at.x + wd, at.y + h}, 0x00CC0020);
  return true;
}
// Records the player recognises but has nothing to draw for are handled by Ignore.
constexpr WmfEntry kHandlers[] = {
    {kWmfSetBkColor, SetBkColor},
    {kWmfSetBkMode, SetBkMode},
    {kWmfSetMapMode, SetMapMode},
    {kWmfSetRop2, SetRop2},
    {kWmfSetRelAbs, Ignore},
    {kWmfSetPolyFillMode, SetPolyFillMode},
    {kWmfSetStretchBltMode, SetStretchMode},
    {kWmfSetTextCharExtra, SetTextCharExtra},
    {kWmfSetTextColor, SetTextColor},
    {kWmfSetTextJustification, Ignore},
    {kWmfSetWindowOrg, SetWindowOrg},
    {kWmfSetWindowExt, SetWindowExt},
    {kWmfSetViewportOrg, SetViewportOrg},
    {kWmfSetViewportExt, SetViewportExt},
    {kWmfOffsetWindowOrg, OffsetWindowOrg},
    {kWmfScaleWindowExt, ScaleWindowExt},
    {kWmfOffsetViewportOrg, Ignore},
    {kWmfScaleViewportExt, Ignore},
    {kWmfLineTo, LineTo},
    {kWmfMoveTo, MoveTo},
    {kWmfExcludeClipRect, ExcludeClipRect},
    {kWmfIntersectClipRect, IntersectClipRect},
    {kWmfArc, Arc},
    {kWmfEllipse, Ellipse},
    {kWmfPie, Pie},
    {kWmfRectangle, Rectangle},
    {kWmfRoundRect, RoundRect},
    {kWmfPatBlt, PatBlt},
    {kWmfSaveDc, SaveDc},
    {kWmfSetPixel, SetPixel},
    {kWmfOffsetClipRgn, OffsetClipRgn},
    {kWmfTextOut, TextOut},
    {kWmfPolygon, Polygon},
    {kWmfPolyline, Polyline},
    {kWmfEscape, Ignore},
    {kWmfRestoreDc, RestoreDc},
    {kWmfFillRegion, FillRegion},
    {kWmfFrameRegion, FrameRegion},
    {kWmfInvertRegion, InvertRegion},
    {kWmfPaintRegion, PaintRegion},
    {kWmfSelectClipRegion, SelectClipRegion},
    {kWmfSelectObject, SelectObject},
    {kWmfSetTextAlign, SetTextAlign},
    {kWmfChord, Chord},
    {kWmfSetMapperFlags, Ignore},
    {kWmfExtTextOut, ExtTextOut},
    {kWmfSetDibToDev, SetDibToDev},
    {kWmfSelectPalette, SelectPalette},
    {kWmfRealizePalette, Ignore},
    {kWmfAnimatePalette, SetPaletteEntries},
    {kWmfSetPalEntries, SetPaletteEntries},
    {kWmfPolyPolygon, PolyPolygon},
    {kWmfResizePalette, Ignore},
    {kWmfDibCreatePatternBrush, DibCreatePatternBrush},
    {kWmfStretchDib, StretchDib},
    {kWmfSetLayout, Ignore},
    {kWmfDeleteObject, DeleteObject},
    {kWmfCreatePalette, CreatePalette},
    {kWmfCreatePatternBrush, CreatePatternBrush},
    {kWmfCreatePenIndirect, CreatePen},
    {kWmfCreateFontIndirect, CreateFont},
    {kWmfCreateBrushIndirect, CreateBrush},
    {kWmfCreateRegion, CreateRegion},
    {kWmfCreateBitmapIndirect, Placeholder},
    {kWmfCreateBitmap, Placeholder},
    {kWmfCreateObject01FA, Placeholder},
    {kWmfBitBlt, BitBlt<false, ReadOldBitmap>},
    {kWmfStretchBlt, BitBlt<true, ReadOldBitmap>},
    {kWmfDibBitBlt, BitBlt<false, ReadDibBitmap>},
    {kWmfDibStretchBlt, BitBlt<true, ReadDibBitmap>},
};

}  // namespace

bool WmfPlayer::Dispatch(uint16_t function, ByteReader& p) {
  static const RecordIndex<WmfFunction, Handler, 0x1000> kByFunction(0, {kHandlers});
  const Handler handle = kByFunction.Find(function);
  return handle && handle(*this, p);
}

}  // namespace tavlen::gfx::metafile
