// EMF records that draw: lines, polygons, shapes, regions, gradients and text.
#include <cairo.h>

#include <algorithm>
#include <cmath>

#include "platform/graphics/metafile/emf_player.h"
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
  const bool small = type >= 85;
  const uint32_t base = small ? type - 83 : type;  // the 16-bit records follow the 32-bit order from 2
  RectL(r);
  std::vector<PointD> pts;
  if (!ReadPoints(r, r.U32(), small, pts)) return false;
  Renderer& g = p.R();
  switch (base) {
    case 2:
      g.PolyBezier(pts);
      break;
    case 3:
      g.Polygon(pts);
      break;
    case 4:
      g.Polyline(pts);
      break;
    case 5:
      g.PolyBezierTo(pts);
      break;
    case 6:
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
  if (type == 55) {
    p.R().ArcTo(box, start, end);
  } else {
    p.R().ArcShape(type == 45 ? ArcKind::Arc : type == 46 ? ArcKind::Chord : ArcKind::Pie, box, start, end);
  }
  return true;
}

bool RegionRecord(P& p, R& r, uint32_t type) {
  RectL(r);
  const uint32_t bytes = r.U32();
  ObjectPtr brush;
  double w = 0, h = 0;
  if (type == 71 || type == 72) brush = p.Object(r.U32());
  if (type == 72) w = r.S32(), h = r.S32();
  std::vector<RectD> rects;
  if (!r.Ok() || !ReadRegionData(r.Take(std::min<size_t>(bytes, r.Remaining()), nullptr), rects)) return false;
  switch (type) {
    case 71:
      p.R().FillRects(rects, brush);
      break;
    case 72:
      p.R().FrameRects(rects, brush, w, h);
      break;
    case 73:
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
      if (c >= 0xD800 && c < 0xDC00 && i + 1 < count) {
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

// Vertices are (x, y s32; red, green, blue, alpha u16); then rectangles (two indexes) or triangles (three).
bool GradientFill(P& p, R& r) {
  RectL(r);
  const uint32_t vertices = r.U32(), shapes = r.U32(), mode = r.U32();
  if (!r.Ok() || vertices > r.Remaining() / 16 || mode > 2) return false;
  struct Vertex {
    PointD pt;
    double red, green, blue;
  };
  std::vector<Vertex> v(vertices);
  const Affine& m = p.R().LogicalToCanvas();
  for (auto& x : v) {
    x.pt = m.Apply(PointL(r));
    x.red = r.U16() / 65280.0, x.green = r.U16() / 65280.0, x.blue = r.U16() / 65280.0;
    r.U16();
  }
  const uint32_t perShape = mode == 2 ? 3 : 2;
  if (!r.Ok() || shapes > r.Remaining() / (4 * perShape)) return false;
  Canvas& canvas = p.R().GetCanvas();
  const DcState& dc = p.R().Dc();
  for (uint32_t s = 0; s < shapes; ++s) {
    uint32_t idx[3] = {0, 0, 0};
    for (uint32_t k = 0; k < perShape; ++k) idx[k] = r.U32();
    if (idx[0] >= vertices || idx[1] >= vertices || idx[2] >= vertices) continue;
    const Vertex &a = v[idx[0]], &b = v[idx[1]], &c = v[idx[2]];
    RectD bounds{std::min(a.pt.x, b.pt.x), std::min(a.pt.y, b.pt.y), std::max(a.pt.x, b.pt.x),
                 std::max(a.pt.y, b.pt.y)};
    if (mode == 2) {
      bounds = {std::min(bounds.left, c.pt.x), std::min(bounds.top, c.pt.y), std::max(bounds.right, c.pt.x),
                std::max(bounds.bottom, c.pt.y)};
    }
    canvas.Draw(bounds, dc.clip, dc.rop2, false, [&](cairo_t* cr) {
      cairo_pattern_t* pattern;
      if (mode == 2) {
        pattern = cairo_pattern_create_mesh();
        cairo_mesh_pattern_begin_patch(pattern);
        cairo_mesh_pattern_move_to(pattern, a.pt.x, a.pt.y);
        cairo_mesh_pattern_line_to(pattern, b.pt.x, b.pt.y);
        cairo_mesh_pattern_line_to(pattern, c.pt.x, c.pt.y);
        const Vertex* corners[3] = {&a, &b, &c};
        for (unsigned k = 0; k < 3; ++k)
          cairo_mesh_pattern_set_corner_color_rgb(pattern, k, corners[k]->red, corners[k]->green, corners[k]->blue);
        cairo_mesh_pattern_end_patch(pattern);
        cairo_move_to(cr, a.pt.x, a.pt.y);
        cairo_line_to(cr, b.pt.x, b.pt.y);
        cairo_line_to(cr, c.pt.x, c.pt.y);
        cairo_close_path(cr);
      } else {
        const bool horizontal = mode == 0;
        pattern = horizontal ? cairo_pattern_create_linear(bounds.left, 0, bounds.right, 0)
                             : cairo_pattern_create_linear(0, bounds.top, 0, bounds.bottom);
        const bool aFirst = horizontal ? a.pt.x <= b.pt.x : a.pt.y <= b.pt.y;
        const Vertex& from = aFirst ? a : b;
        const Vertex& to = aFirst ? b : a;
        cairo_pattern_add_color_stop_rgb(pattern, 0, from.red, from.green, from.blue);
        cairo_pattern_add_color_stop_rgb(pattern, 1, to.red, to.green, to.blue);
        cairo_rectangle(cr, bounds.left, bounds.top, bounds.right - bounds.left, bounds.bottom - bounds.top);
      }
      cairo_set_source(cr, pattern);
      cairo_fill(cr);
      cairo_pattern_destroy(pattern);
    });
  }
  return r.Ok();
}

}  // namespace

bool DispatchEmfDrawing(EmfPlayer& p, uint32_t type, ByteReader& r, bool& handled) {
  handled = true;
  r.Seek(8);
  Renderer& g = p.R();
  switch (type) {
    case 2:
    case 3:
    case 4:
    case 5:
    case 6:
    case 85:
    case 86:
    case 87:
    case 88:
    case 89:
      return Poly(p, r, type);
    case 7:
      return PolyPoly(p, r, false, false);
    case 8:
      return PolyPoly(p, r, true, false);
    case 90:
      return PolyPoly(p, r, false, true);
    case 91:
      return PolyPoly(p, r, true, true);
    case 56:
      return PolyDraw(p, r, false);
    case 92:
      return PolyDraw(p, r, true);
    case 15: {
      const PointD pt = PointL(r);
      const ColorRef c = r.U32();
      if (r.Ok()) g.SetPixel(pt, c);
      return r.Ok();
    }
    case 27: {
      const PointD pt = PointL(r);
      if (r.Ok()) g.MoveTo(pt);
      return r.Ok();
    }
    case 54: {
      const PointD pt = PointL(r);
      if (r.Ok()) g.LineTo(pt);
      return r.Ok();
    }
    case 41: {
      const PointD c = PointL(r);
      const double radius = r.U32(), start = r.F32(), sweep = r.F32();
      if (r.Ok()) g.AngleArc(c, radius, start, sweep);
      return r.Ok();
    }
    case 42:
    case 43: {
      const RectD box = RectL(r);
      if (!r.Ok()) return false;
      if (type == 42) {
        g.Ellipse(box);
      } else {
        g.Rectangle(box);
      }
      return true;
    }
    case 44: {
      const RectD box = RectL(r);
      const double w = r.S32(), h = r.S32();
      if (r.Ok()) g.RoundRect(box, w, h);
      return r.Ok();
    }
    case 45:
    case 46:
    case 47:
    case 55:
      return ArcFamily(p, r, type);
    case 71:
    case 72:
    case 73:
    case 74:
      return RegionRecord(p, r, type);
    case 83:
      return ExtTextOut(p, r, false);
    case 84:
      return ExtTextOut(p, r, true);
    case 96:
      return PolyTextOut(p, r, false);
    case 97:
      return PolyTextOut(p, r, true);
    case 108:
      return SmallTextOut(p, r);
    case 118:
      return GradientFill(p, r);
    default:
      handled = false;
      return false;
  }
}

}  // namespace tavlen::gfx::metafile
