// The drawing engine both metafile players drive: shapes, paths, clipping, text and bitmaps in logical coordinates.
#pragma once

#include <cstdint>
#include <map>
#include <span>
#include <string>
#include <vector>

#include "platform/graphics/metafile/canvas.h"
#include "platform/graphics/metafile/charset.h"
#include "platform/graphics/metafile/dc_state.h"
#include "platform/graphics/metafile/graphics_objects.h"

namespace tavlen::gfx::metafile {

enum class ArcKind { Arc, Chord, Pie };

// Text of one output record: characters with their advances in logical units (empty: the font's own).
struct TextRun {
  std::u32string chars;
  std::vector<double> advances;
};

// Options of extended text output.
enum : uint32_t { kEtoOpaque = 0x2, kEtoClipped = 0x4, kEtoGlyphIndex = 0x10 };

class Renderer {
 public:
  // The saved-state stack is limited; deeper saves are dropped.
  static constexpr size_t kMaxSavedStates = 1024;

  // `deviceToCanvas` maps the metafile's device space onto the canvas; `metrics` size the fixed mapping modes.
  Renderer(Canvas& canvas, const Affine& deviceToCanvas, const DeviceMetrics& metrics);

  DcState& Dc() { return m_dc; }
  ObjectTable& Objects() { return m_objects; }
  Canvas& GetCanvas() { return m_canvas; }
  // Logical units to canvas pixels, through the world transform, the mapping and the device placement.
  const Affine& LogicalToCanvas();
  const Affine& DeviceToCanvas() const { return m_deviceToCanvas; }
  // Call after changing anything the mapping depends on.
  void MappingChanged() { m_mappingValid = false; }
  void SetDeviceMetrics(const DeviceMetrics& metrics) {
    m_metrics = metrics;
    MappingChanged();
  }

  // State.
  void SaveDc();
  // A negative index counts back from the current level; false when there is no such state.
  bool RestoreDc(int32_t which);
  void SelectObject(const ObjectPtr& object);
  // The colour of a colour reference, resolving palette indexes through the selected palette.
  uint32_t Rgb(ColorRef ref) const;

  // Lines and shapes (logical coordinates).
  void MoveTo(PointD p);
  void LineTo(PointD p);
  void Polyline(std::span<const PointD> points);
  void PolylineTo(std::span<const PointD> points);
  void PolyBezier(std::span<const PointD> points);
  void PolyBezierTo(std::span<const PointD> points);
  void Polygon(std::span<const PointD> points);
  // `counts` split `points` into figures; false when they do not add up.
  bool PolyPolygon(std::span<const PointD> points, std::span<const uint32_t> counts);
  bool PolyPolyline(std::span<const PointD> points, std::span<const uint32_t> counts);
  void PolyDraw(std::span<const PointD> points, std::span<const uint8_t> types);
  void Rectangle(const RectD& r);
  void RoundRect(const RectD& r, double cornerWidth, double cornerHeight);
  void Ellipse(const RectD& r);
  void ArcShape(ArcKind kind, const RectD& r, PointD start, PointD end);
  void ArcTo(const RectD& r, PointD start, PointD end);
  void AngleArc(PointD centre, double radius, double startDegrees, double sweepDegrees);
  void SetPixel(PointD p, ColorRef color);

  // Paths.
  void BeginPath();
  void EndPath();
  void AbortPath();
  void CloseFigure();
  void FillPath();
  void StrokePath();
  void StrokeAndFillPath();
  void FlattenPath();
  void SelectClipPath(RegionOp op);

  // Clipping.
  void IntersectClipRect(const RectD& r);
  void ExcludeClipRect(const RectD& r);
  void OffsetClip(double dx, double dy);
  // Rectangles in the metafile's device space; an empty list with Copy removes the clip.
  void SelectClipRects(std::span<const RectD> rects, RegionOp op);
  void SelectClipRectsLogical(std::span<const RectD> rects, RegionOp op);

  // Regions in logical space, filled or framed with a brush.
  void FillRects(std::span<const RectD> rects, const ObjectPtr& brush);
  void FrameRects(std::span<const RectD> rects, const ObjectPtr& brush, double w, double h);
  void InvertRects(std::span<const RectD> rects);

  // Text at a reference point (logical), with the selected font, colours and alignment.
  void TextOut(PointD ref, const TextRun& text, uint32_t options, const RectD* rect);

  // Bitmaps: the image's pixel rectangle `src` onto the logical rectangle `dest` with a raster operation.
  void StretchBlt(const DibImage* image, const RectD& src, const RectD& dest, uint32_t rop);
  void AlphaBlend(const DibImage& image, const RectD& src, const RectD& dest, uint8_t constantAlpha, bool useAlpha);
  // The text layout context, made on first use.
  PangoContext* Pango();
  // The installed family drawing a font: its face, an alias fontconfig binds to it, or a fallback (cached).
  std::string ResolveFace(const FontObject& font);
  // The stretch mode's choice: smooth scaling when halftoning.
  bool SmoothStretch() const { return m_dc.stretchMode == 4; }

 private:
  DevicePath Transform(std::span<const PointD> points, bool close) const;
  void DrawShape(const DevicePath& shape, bool fill, bool stroke);
  void Fill(const DevicePath& shape, const ObjectPtr& brush, bool evenOdd);
  void Stroke(const DevicePath& shape);
  bool SetBrushSource(cairo_t* cr, const BrushObject& brush) const;
  // Writers that want sub-pixel precision draw under a world transform of 1/16 to 1/4. Such shapes are
  // drawn with coverage, so that detail finer than a pixel lightens instead of vanishing or merging.
  bool SubPixelDetail() const { return m_dc.world.MeanScale() <= 0.5; }
  // The shape's device rectangle for the box-bound shapes, with the old format's exclusive right and bottom.
  bool ShapeBox(const RectD& r, Affine& unitToDevice, RectD& box);
  void AddToPathOrDraw(DevicePath&& shape, bool closed);

  Canvas& m_canvas;
  Affine m_deviceToCanvas;
  DeviceMetrics m_metrics;
  DcState m_dc;
  std::vector<DcState> m_saved;
  ObjectTable m_objects;
  Affine m_logicalToCanvas;
  bool m_mappingValid = false;
  std::map<std::string, std::string> m_faces;  // requested face -> installed family
  detail::GObjectPtr<PangoContext> m_pango;
};

}  // namespace tavlen::gfx::metafile
