// EMF+ regions (read as leaves combined left to right, applied to the clip) and cardinal-spline curves.
#include <algorithm>
#include <cmath>

#include "platform/graphics/metafile/emfplus_player.h"

namespace tavlen::gfx::metafile {
namespace {

using P = EmfPlusPlayer;
using R = ByteReader;
using Leaf = PlusRegion::Leaf;

enum : uint32_t { kRectNode = 0x10000000, kPathNode = 0x10000001, kEmptyNode = 0x10000002, kInfiniteNode = 0x10000003 };
// Deeper trees than this are hostile: real regions nest a few levels.
constexpr int kMaxDepth = 32;
constexpr size_t kMaxSteps = 256;

// A node into steps; a combination's right side joins with the node's operation. Right sides that are
// themselves combinations are approximated by their leaves joined with that operation.
bool ReadNode(R& r, PlusRegion& region, uint32_t op, int depth) {
  const uint32_t type = r.U32();
  if (!r.Ok() || depth > kMaxDepth || region.steps.size() >= kMaxSteps) return false;
  if (type >= 1 && type <= 5) return ReadNode(r, region, op, depth + 1) && ReadNode(r, region, type, depth + 1);
  PlusRegion::Step step;
  step.op = op;
  switch (type) {
    case kRectNode: {
      const double x = r.F32(), y = r.F32(), w = r.F32(), h = r.F32();
      step.leaf = Leaf::Rect;
      step.rect = {x, y, x + w, y + h};
      break;
    }
    case kPathNode: {
      const uint32_t length = r.U32();
      R path(r.Take(length, nullptr));
      step.leaf = Leaf::Path;
      if (!r.Ok() || !ReadPlusPath(path, step.path)) return false;
      break;
    }
    case kEmptyNode:
      step.leaf = Leaf::Empty;
      break;
    case kInfiniteNode:
      step.leaf = Leaf::Infinite;
      break;
    default:
      return false;
  }
  region.steps.push_back(std::move(step));
  return r.Ok();
}

RegionOp OpOf(uint32_t op) {
  switch (op) {
    case 1:
      return RegionOp::And;
    case 2:
      return RegionOp::Or;
    case 3:
      return RegionOp::Xor;
    case 4:
      return RegionOp::Diff;
    default:
      return RegionOp::Copy;
  }
}

// Cardinal-spline segments between points[first] and points[first + segments] as Béziers (GDI+'s tension).
DevicePath Spline(const Affine& m, const std::vector<PointD>& pts, double tension, size_t first, size_t segments,
                  bool closed) {
  DevicePath path;
  const size_t n = pts.size();
  auto at = [&](int64_t i) {
    if (closed) return pts[static_cast<size_t>((i % static_cast<int64_t>(n) + static_cast<int64_t>(n)) % n)];
    return pts[static_cast<size_t>(std::clamp<int64_t>(i, 0, static_cast<int64_t>(n) - 1))];
  };
  const double t = tension / 3;
  path.MoveTo(m.Apply(at(static_cast<int64_t>(first))));
  for (size_t s = 0; s < segments; ++s) {
    const auto i = static_cast<int64_t>(first + s);
    const PointD p0 = at(i - 1), p1 = at(i), p2 = at(i + 1), p3 = at(i + 2);
    const PointD c1{p1.x + t * (p2.x - p0.x), p1.y + t * (p2.y - p0.y)};
    const PointD c2{p2.x - t * (p3.x - p1.x), p2.y - t * (p3.y - p1.y)};
    path.CurveTo(m.Apply(c1), m.Apply(c2), m.Apply(p2));
  }
  if (closed) path.Close();
  return path;
}

}  // namespace

bool ReadPlusRegion(R& r, PlusRegion& region) {
  r.U32();  // version
  r.U32();  // node count: the tree says it again
  return ReadNode(r, region, 0, 0) && !region.steps.empty();
}

Clip ApplyRegion(P& p, const PlusRegion& region, Clip clip, RegionOp firstOp) {
  const Affine m = p.WorldToCanvas();
  for (size_t i = 0; i < region.steps.size(); ++i) {
    const PlusRegion::Step& step = region.steps[i];
    const RegionOp op = i == 0 ? firstOp : OpOf(step.op);
    switch (step.leaf) {
      case Leaf::Rect:
        clip.Combine(PlusRectPath(m, step.rect), false, op);
        break;
      case Leaf::Path:
        clip.Combine(PlusPathToDevice(m, step.path), false, op);
        break;
      case Leaf::Empty:
        if (op == RegionOp::And || op == RegionOp::Copy) clip.Combine(DevicePath{}, false, RegionOp::And);
        break;
      case Leaf::Infinite:
        if (op == RegionOp::Or || op == RegionOp::Copy) clip.Reset();
        if (op == RegionOp::Diff) clip.Combine(DevicePath{}, false, RegionOp::And);
        break;
    }
  }
  return clip;
}

bool FillRegion(P& p, uint16_t flags, R& r) {
  const auto* region = std::get_if<PlusRegion>(&p.Object(flags & 0xFF));
  PlusBrush brush;
  if (!p.BrushFrom(flags, r, brush) || !region) return false;
  const Clip saved = p.St().clip;
  p.St().clip = ApplyRegion(p, *region, saved, RegionOp::And);
  const Canvas& c = p.R().GetCanvas();
  PlusFill(p, PlusRectPath(Affine{}, {0, 0, double(c.Width()), double(c.Height())}), brush, false);
  p.St().clip = saved;
  return true;
}

bool SetClipRegion(P& p, uint16_t flags) {
  const auto* region = std::get_if<PlusRegion>(&p.Object(flags & 0xFF));
  const uint32_t mode = (flags >> 8) & 0x0F;
  if (!region || mode > 4) return false;
  if (mode == 0) {
    p.St().clip = ApplyRegion(p, *region, p.St().clip, RegionOp::Copy);
  } else {
    p.St().clip = ApplyRegion(p, *region, p.St().clip, OpOf(mode));
  }
  return true;
}

bool DrawCurve(P& p, uint16_t flags, R& r) {
  const auto* pen = std::get_if<PlusPen>(&p.Object(flags & 0xFF));
  const double tension = r.F32();
  const uint32_t offset = r.U32(), segments = r.U32();
  const auto pts = PlusPoints(r, r.U32(), flags);
  if (!pen || !r.Ok() || pts.size() < 2 || !std::isfinite(tension)) return false;
  if (offset >= pts.size() || segments == 0 || segments > pts.size() - 1 - offset) return false;
  PlusStroke(p, Spline(p.WorldToCanvas(), pts, tension, offset, segments, false), *pen);
  return true;
}

bool ClosedCurve(P& p, uint16_t flags, R& r, bool fill) {
  PlusBrush brush;
  const PlusPen* pen = nullptr;
  if (fill) {
    if (!p.BrushFrom(flags, r, brush)) return false;
  } else {
    pen = std::get_if<PlusPen>(&p.Object(flags & 0xFF));
    if (!pen) return false;
  }
  const double tension = r.F32();
  const auto pts = PlusPoints(r, r.U32(), flags);
  if (!r.Ok() || pts.size() < 3 || !std::isfinite(tension)) return false;
  const DevicePath shape = Spline(p.WorldToCanvas(), pts, tension, 0, pts.size(), true);
  if (fill) {
    PlusFill(p, shape, brush, !(flags & 0x2000));
  } else {
    PlusStroke(p, shape, *pen);
  }
  return true;
}

}  // namespace tavlen::gfx::metafile
