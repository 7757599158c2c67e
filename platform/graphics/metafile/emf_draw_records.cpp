// EMF records that draw: lines, polygons, shapes, regions, gradients and text.
#include <cairo.h>

#include <algorithm>
#include <cmath>

#include "platform/graphics/metafile/emf_records.h"
#include "platform/graphics/metafile/region_data.h"

namespace tavlen::gfx::metafile {
namespace {

using P = EmfPlayer;
using R = ByteReader;

PointD PointL(R& r) {
  const double x = r.S32(), y = r.S32();
  return {x, y};
}

RectD RectL(R& r) {
  const double l = r.S32(), t = r.S32(), rr = r.S32(), b = r.S32();
  return {l, t, rr, b};
}

// Points of 32 or 16 bits each coordinate.
bool ReadPoints(R& r, uint32_t count, bool small, std::vector<PointD>& out) {
  if (count > r.Remaining() / (small ? 4 : 8)) return false;
  out.resize(count);
  for (auto& p : out) {
    if (small) {
      const double x = r.S16(), y = r.S16();
      p = {x, y};
    } else {
      p = PointL(r);
    }
  }
  return r.Ok();
}

// Bounds, count, points: the single-figure poly records.
bool Poly(P& p, R& r, uint32_t type) {
  const bool small = type >= kEmrPolyBezier16;
  const uint32_t base =
      small ? type - (kEmrPolyBezier16 - kEmrPolyBezier) : type;  // the 16-bit records follow the 32-bit order from 2
  RectL(r);
  std::vector<PointD> pts;
  if (!ReadPoints(r, r.U32(), small, pts)) return false;
  Renderer& g = p.R();
  switch (base) {
    case kEmrPolyBezier:
      g.PolyBezier(pts);
      break;
    case kEmrPolygon:
      g.Polygon(pts);
      break;
    case kEmrPolyline:
      g.Polyline(pts);
      break;
    case kEmrPolyBezierTo:
      g.PolyBezierTo(pts);
      break;
    case kEmrPolylineTo:
      g.PolylineTo(pts);
      break;
    default:
      return false;
  }
  return true;
}

bool PolyPoly(P& p, R& r, bool polygon, bool small) {
  RectL(r);
  const uint32_t figures = r.U32(), total = r.U32();
  if (!r.Ok() || figures > r.Remaining() / 4) return false;
  std::vector<uint32_t> counts(figures);
  for (auto& c : counts) c = r.U32();
  std::vector<PointD> pts;
  if (!ReadPoints(r, total, small, pts)) return false;
  return polygon ? p.R().PolyPolygon(pts, counts) : p.R().PolyPolyline(pts, counts);
}

bool PolyDraw(P& p, R& r, bool small) {
  RectL(r);
  const uint32_t count = r.U32();
  std::vector<PointD> pts;
  if (!ReadPoints(r, count, small, pts)) return false;
  const auto types = r.Take(count, nullptr);
  if (!r.Ok()) return false;
  p.R().PolyDraw(pts, types);
  return true;
}

bool ArcFamily(P& p, R& r, uint32_t type) {
  const RectD box = RectL(r);
  const PointD start = PointL(r), end = PointL(r);
  if (!r.Ok()) return false;
  if (type == kEmrArcTo) {
    p.R().ArcTo(box, start, end);
  } else {
    p.R().ArcShape(type == kEmrArc ? ArcKind::Arc : type == kEmrChord ? ArcKind::Chord : ArcKind::Pie, box, start, end);
  }
  return true;
}

bool RegionRecord(P& p, R& r, uint32_t type) {
  RectL(r);
  const uint32_t bytes = r.U32();
  ObjectPtr brush;
  double w = 0, h = 0;
  if (type == kEmrFillRgn || type == kEmrFrameRgn) brush = p.Object(r.U32());
  if (type == kEmrFrameRgn) w = r.S32(), h = r.S32();
  std::vector<RectD> rects;
  if (!r.Ok() || !ReadRegionData(r.Take(std::min<size_t>(bytes, r.Remaining()), nullptr), rects)) return false;
  switch (type) {
    case kEmrFillRgn:
      p.R().FillRects(rects, brush);
      break;
    case kEmrFrameRgn:
      p.R().FrameRects(rects, brush, w, h);
      break;
    case kEmrInvertRgn:
      p.R().InvertRects(rects);
      break;
    default:
      p.R().FillRects(rects, p.R().Dc().brush);
      break;
  }
  return true;
}

// Offsets of the text structure, from its start: reference point (0), character count (8), string offset
// (12, from the record's start), options (16), rectangle (20), advances offset (36, from the record's start).
bool Text(P& p, R& r, size_t at, bool wide) {
  r.Seek(at);
  const PointD ref = PointL(r);
  const uint32_t count = r.U32(), offString = r.U32(), options = r.U32();
  const RectD rect = RectL(r);
  const uint32_t offDx = r.U32();
  if (!r.Ok() || count > (1u << 20)) return false;
  const auto bytes = r.Slice(offString, size_t{count} * (wide ? 2 : 1));
  if (bytes.empty() && count > 0) return false;
  TextRun run;
  std::vector<uint32_t> units;
  if (wide) {
    for (size_t i = 0; i < count; ++i) {
      char32_t c = bytes[2 * i] | (bytes[2 * i + 1] << 8);
      uint32_t n = 1;
      // Glyph indexes are 16-bit numbers, never surrogate pairs.
      if (c >= 0xD800 && c < 0xDC00 && i + 1 < count && !(options & kEtoGlyphIndex)) {
        const char32_t low = bytes[2 * i + 2] | (bytes[2 * i + 3] << 8);
        if (low >= 0xDC00 && low < 0xE000) {
          c = 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00);
          n = 2;
          ++i;
        }
      }
      run.chars.push_back(c);
      units.push_back(n);
    }
  } else {
    const auto* font = p.R().Dc().font ? std::get_if<FontObject>(p.R().Dc().font.get()) : nullptr;
    DecodeAnsi(bytes, font ? TextCharSet(font->charSet, font->face) : 0, run.chars, units);
  }
  // Advances: one per unit, or (dx, dy) pairs with the vertical-advance option.
  constexpr uint32_t kEtoPdy = 0x2000;
  const size_t stride = (options & kEtoPdy) ? 8 : 4;
  const auto dx = offDx ? r.Slice(offDx, size_t{count} * stride) : std::span<const uint8_t>{};
  if (!dx.empty()) {
    size_t unit = 0;
    for (uint32_t n : units) {
      double sum = 0;
      for (uint32_t k = 0; k < n; ++k, ++unit) {
        const uint8_t* d = dx.data() + unit * stride;
        sum += static_cast<int32_t>(d[0] | (d[1] << 8) | (d[2] << 16) | (uint32_t{d[3]} << 24));
      }
      run.advances.push_back(sum);
    }
  }
  const bool hasRect = rect.right != rect.left || rect.bottom != rect.top;
  p.R().TextOut(ref, run, options, hasRect ? &rect : nullptr);
  return true;
}

bool ExtTextOut(P& p, R& r, bool wide) {
  RectL(r);
  r.U32();  // graphics mode
  r.F32();  // scales, for the compatible graphics mode only
  r.F32();
  return Text(p, r, r.Position(), wide);
}

bool PolyTextOut(P& p, R& r, bool wide) {
  RectL(r);
  r.Skip(12);
  const uint32_t strings = r.U32();
  if (!r.Ok() || strings > r.Remaining() / 40) return false;
  const size_t first = r.Position();
  for (uint32_t i = 0; i < strings; ++i)
    if (!Text(p, r, first + size_t{i} * 40, wide)) return false;
  return true;
}

// Offsets: reference point (8), count (16), options (20), graphics mode (24), scales (28), then the
// rectangle unless the no-rectangle option is set, then 8- or 16-bit characters.
bool SmallTextOut(P& p, R& r) {
  const PointD ref = PointL(r);
  const uint32_t count = r.U32(), options = r.U32();
  r.Skip(12);
  constexpr uint32_t kNoRect = 0x100, kSmallChars = 0x200;
  RectD rect{};
  if (!(options & kNoRect)) rect = RectL(r);
  if (!r.Ok() || count > (1u << 20)) return false;
  TextRun run;
  if (options & kSmallChars) {
    const auto bytes = r.Take(count, nullptr);
    std::vector<uint32_t> units;
    const auto* font = p.R().Dc().font ? std::get_if<FontObject>(p.R().Dc().font.get()) : nullptr;
    DecodeAnsi(bytes, font ? TextCharSet(font->charSet, font->face) : 0, run.chars, units);
  } else {
    for (uint32_t i = 0; i < count; ++i) run.chars.push_back(r.U16());
  }
  if (!r.Ok()) return false;
  p.R().TextOut(ref, run, options & ~(kNoRect | kSmallChars), (options & kNoRect) ? nullptr : &rect);
  return true;
}

template <uint32_t kType>
bool PolyOf(P& p, R& r) {
  return Poly(p, r, kType);
}

template <uint32_t kType>
bool ArcOf(P& p, R& r) {
  return ArcFamily(p, r, kType);
}

template <uint32_t kType>
bool RegionOf(P& p, R& r) {
  return RegionRecord(p, r, kType);
}

bool SetPixel(P& p, R& r) {
  const PointD pt = PointL(r);
  const ColorRef c = r.U32();
  if (r.Ok()) p.R().SetPixel(pt, c);
  return r.Ok();
}

bool MoveTo(P& p, R& r) {
  const PointD pt = PointL(r);
  if (r.Ok()) p.R().MoveTo(pt);
  return r.Ok();
}

bool LineTo(P& p, R& r) {
  const PointD pt = PointL(r);
  if (r.Ok()) p.R().LineTo(pt);
  return r.Ok();
}

bool AngleArc(P& p, R& r) {
  const PointD c = PointL(r);
  const double radius = r.U32(), start = r.F32(), sweep = r.F32();
  if (r.Ok()) p.R().AngleArc(c, radius, start, sweep);
  return r.Ok();
}

bool Ellipse(P& p, R& r) {
  const RectD box = RectL(r);
  if (r.Ok()) p.R().Ellipse(box);
  return r.Ok();
}

bool Rectangle(P& p, R& r) {
  const RectD box = RectL(r);
  if (r.Ok()) p.R().Rectangle(box);
  return r.Ok();
}

bool RoundRect(P& p, R& r) {
  const RectD box = RectL(r);
  const double w = r.S32(), h = r.S32();
  if (r.Ok()) p.R().RoundRect(box, w, h);
  return r.Ok();
}

constexpr EmfEntry kHandlers[] = {
    {kEmrPolyBezier, PolyOf<kEmrPolyBezier>},
    {kEmrPolygon, PolyOf<kEmrPolygon>},
    {kEmrPolyline, PolyOf<kEmrPolyline>},
    {kEmrPolyBezierTo, PolyOf<kEmrPolyBezierTo>},
    {kEmrPolylineTo, PolyOf<kEmrPolylineTo>},
    {kEmrPolyBezier16, PolyOf<kEmrPolyBezier16>},
    {kEmrPolygon16, PolyOf<kEmrPolygon16>},
    {kEmrPolyline16, PolyOf<kEmrPolyline16>},
    {kEmrPolyBezierTo16, PolyOf<kEmrPolyBezierTo16>},
    {kEmrPolylineTo16, PolyOf<kEmrPolylineTo16>},
    {kEmrPolyPolyline, [](P& p, R& r) { return PolyPoly(p, r, false, false); }},
    {kEmrPolyPolygon, [](P& p, R& r) { return PolyPoly(p, r, true, false); }},
    {kEmrPolyPolyline16, [](P& p, R& r) { return PolyPoly(p, r, false, true); }},
    {kEmrPolyPolygon16, [](P& p, R& r) { return PolyPoly(p, r, true, true); }},
    {kEmrPolyDraw, [](P& p, R& r) { return PolyDraw(p, r, false); }},
    {kEmrPolyDraw16, [](P& p, R& r) { return PolyDraw(p, r, true); }},
    {kEmrSetPixelV, SetPixel},
    {kEmrMoveToEx, MoveTo},
    {kEmrLineTo, LineTo},
    {kEmrAngleArc, AngleArc},
    {kEmrEllipse, Ellipse},
    {kEmrRectangle, Rectangle},
    {kEmrRoundRect, RoundRect},
    {kEmrArc, ArcOf<kEmrArc>},
    {kEmrChord, ArcOf<kEmrChord>},
    {kEmrPie, ArcOf<kEmrPie>},
    {kEmrArcTo, ArcOf<kEmrArcTo>},
    {kEmrFillRgn, RegionOf<kEmrFillRgn>},
    {kEmrFrameRgn, RegionOf<kEmrFrameRgn>},
    {kEmrInvertRgn, RegionOf<kEmrInvertRgn>},
    {kEmrPaintRgn, RegionOf<kEmrPaintRgn>},
    {kEmrExtTextOutA, [](P& p, R& r) { return ExtTextOut(p, r, false); }},
    {kEmrExtTextOutW, [](P& p, R& r) { return ExtTextOut(p, r, true); }},
    {kEmrPolyTextOutA, [](P& p, R& r) { return PolyTextOut(p, r, false); }},
    {kEmrPolyTextOutW, [](P& p, R& r) { return PolyTextOut(p, r, true); }},
    {kEmrSmallTextOut, SmallTextOut},
    {kEmrGradientFill, GradientFill},
};

}  // namespace

std::span<const EmfEntry> EmfDrawingHandlers() { return kHandlers; }

}  // namespace tavlen::gfx::metafile
