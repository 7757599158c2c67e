// The EMF+ records carried in an EMF's comments: their objects, graphics state and drawing, onto the
// same canvas as the EMF records.
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <memory>
#include <span>
#include <string>
#include <variant>
#include <vector>

#include "platform/graphics/metafile/byte_reader.h"
#include "platform/graphics/metafile/canvas.h"
#include "platform/graphics/metafile/renderer.h"

namespace tavlen::gfx::metafile {

struct PlusBrush {
  enum class Kind { Solid, Hatch, Linear, Path, Texture } kind = Kind::Solid;
  // 0xAARRGGBB; `back` for hatches and the linear end colour; a path gradient's centre colour is `color`.
  uint32_t color = 0xFF000000, back = 0;
  int32_t hatch = 0;
  RectD rect;    // the linear gradient's rectangle (brush units), start colour at its left edge
  Affine xform;  // the gradient's or texture's own transform (brush units or texture pixels to world units)
  std::shared_ptr<const DibImage> texture;  // premultiplied, tiled by `wrap`
  int32_t wrap = 0;                         // tile, tile flipping x, y or both, clamp
  // A gradient's colours from its start (a path gradient's boundary) to its end (its centre), at positions 0-1:
  // preset colours, or blend factors (0 the start colour, 1 the end colour); neither is a straight blend.
  std::vector<double> positions, factors;
  std::vector<uint32_t> presets;
  // A path gradient: its boundary (brush units) with the colour at each point, its centre, and the focus scales
  // of the inner outline that takes the centre colour whole.
  std::vector<PointD> boundary;
  std::vector<uint32_t> surround;
  PointD centre, focus;
};

struct PlusPen {
  double width = 1;
  uint32_t unit = 0;  // width unit: world units (0) or a page unit
  PlusBrush brush;
  int32_t lineStyle = 0;
  std::vector<double> dashes;  // in pen widths
  int32_t startCap = 0, endCap = 0;
  uint32_t join = 0;
  double miterLimit = 10;
};

struct PlusPath {
  std::vector<PointD> points;
  std::vector<uint8_t> types;
};

struct PlusFont {
  double emSize = 12;
  uint32_t unit = 3;
  int32_t style = 0;
  std::string family;
};

struct PlusStringFormat {
  uint32_t flags = 0, align = 0, lineAlign = 0;
};

// A region as its leaves combined left to right: the first leaf, then each further leaf with its operation.
struct PlusRegion {
  enum class Leaf { Rect, Path, Empty, Infinite };
  struct Step {
    uint32_t op = 0;  // 1 intersect, 2 union, 3 xor, 4 exclude; ignored for the first
    Leaf leaf = Leaf::Empty;
    RectD rect;
    PlusPath path;
  };
  std::vector<Step> steps;
};

struct PlusImage {
  DibImage pixels;  // premultiplied when it has alpha
  // Source rectangles name parts of the image in its own units: a bitmap's pixels, or an embedded metafile's
  // units (its bounds), which this takes to the pixels it was played to.
  Affine sourceToPixels;
};

using PlusObject =
    std::variant<std::monostate, PlusBrush, PlusPen, PlusPath, PlusFont, PlusStringFormat, PlusImage, PlusRegion>;

// Record types that carry drawing; files using others are played from their EMF records instead.
bool EmfPlusDrawsRecordType(uint16_t type);

class EmfPlusPlayer {
 public:
  EmfPlusPlayer(Renderer& renderer, const DecodeLimits& limits) : m_r(renderer), m_limits(limits) {}

  // Plays the EMF+ records of one comment's payload.
  void PlayComment(std::span<const uint8_t> payload);
  // Whether EMF records are to be drawn now: only between a GetDC record and the next EMF+ record.
  bool EmfRecordsDrawn() const { return m_inGetDc; }
  bool SawHeader() const { return m_sawHeader; }
  bool DrewSomething() const { return m_drew; }

  // For the record handlers (emfplus_draw.cpp, emfplus_objects.cpp).
  Renderer& R() { return m_r; }
  const DecodeLimits& Limits() const { return m_limits; }
  void ReadObject(uint16_t flags, ByteReader& data);
  const PlusObject& Object(uint32_t id) const;
  // World units to canvas pixels.
  Affine WorldToCanvas() const;
  // Device pixels per unit (page units, pen and font units).
  double UnitToDevice(uint32_t unit) const;
  // The brush a filling record names first in its data: an inline colour when its flags say so, else an object.
  bool BrushFrom(uint16_t flags, ByteReader& data, PlusBrush& out) const;

  struct State {
    Affine world;
    uint32_t pageUnit = 2;
    double pageScale = 1;
    Clip clip;
    bool antialias = false;
  };
  State& St() { return m_state; }
  std::map<uint32_t, State>& Saved() { return m_saved; }
  void NoteDrawing() { m_drew = true; }
  void SetHeader(double dpiX, double dpiY);

 private:
  Renderer& m_r;
  const DecodeLimits& m_limits;
  State m_state;
  std::map<uint32_t, State> m_saved;
  std::array<PlusObject, 64> m_objects;
  // A continued object's bytes, gathered until its last part arrives.
  std::vector<uint8_t> m_pending;
  uint32_t m_pendingTotal = 0;
  double m_dpiX = 96, m_dpiY = 96;
  bool m_inGetDc = false;
  bool m_sawHeader = false;
  bool m_drew = false;
};

// One record's handler; `flags` is the record's flags word and `data` its data.
bool PlayEmfPlusRecord(EmfPlusPlayer& player, uint16_t type, uint16_t flags, ByteReader& data);

// Shared by the handler files: a rectangle's outline through `m`, a brush as cairo's source, and the text records.
DevicePath PlusRectPath(const Affine& m, const RectD& rc);
DevicePath PlusPathToDevice(const Affine& m, const PlusPath& path);
void PlusFill(EmfPlusPlayer& player, const DevicePath& shape, const PlusBrush& brush, bool evenOdd);
void PlusStroke(EmfPlusPlayer& player, const DevicePath& shape, const PlusPen& pen);
std::vector<PointD> PlusPoints(ByteReader& data, uint32_t count, uint16_t flags);
bool ReadPlusPath(ByteReader& data, PlusPath& path);
bool ReadPlusRegion(ByteReader& data, PlusRegion& region);
// The clip combined with the region (world units through the current transform), the first leaf by `firstOp`.
Clip ApplyRegion(EmfPlusPlayer& player, const PlusRegion& region, Clip clip, RegionOp firstOp);
bool FillRegion(EmfPlusPlayer& player, uint16_t flags, ByteReader& data);
bool SetClipRegion(EmfPlusPlayer& player, uint16_t flags);
bool DrawCurve(EmfPlusPlayer& player, uint16_t flags, ByteReader& data);
bool ClosedCurve(EmfPlusPlayer& player, uint16_t flags, ByteReader& data, bool fill);
bool SetPlusSource(cairo_t* cr, const PlusBrush& brush, const Affine& worldToCanvas);
// Gradient brushes (emfplus_gradient.cpp): their data after the brush type, and their cairo pattern.
bool ReadLinearGradient(ByteReader& data, PlusBrush& brush);
bool ReadPathGradient(ByteReader& data, PlusBrush& brush);
detail::PatternPtr GradientPattern(const PlusBrush& brush);
bool DrawString(EmfPlusPlayer& player, uint16_t flags, ByteReader& data);
bool DrawDriverString(EmfPlusPlayer& player, uint16_t flags, ByteReader& data);

}  // namespace tavlen::gfx::metafile
