// The pixels a metafile is played onto: cairo drawing honouring the clip and the binary raster operations.
#pragma once

#include <cstdint>
#include <functional>

#include "platform/graphics/drawing/cairo_ptr.h"
#include "platform/graphics/metafile/clip.h"
#include "platform/graphics/metafile/dib.h"
#include "platform/graphics/status.h"

namespace tavlen::gfx::metafile {

// Binary raster operations (pen and brush mixing) with their published values.
enum : int32_t { kR2Black = 1, kR2Not = 6, kR2XorPen = 7, kR2Nop = 11, kR2CopyPen = 13, kR2White = 16 };

// The raster operation of a blit (its index byte) and what it reads.
struct Rop3 {
  uint8_t code = 0xCC;
  bool UsesSource() const { return ((code >> 2) ^ code) & 0x33; }
  bool UsesPattern() const { return ((code >> 4) ^ code) & 0x0F; }
  static constexpr uint8_t kSrcCopy = 0xCC;
};

class Canvas {
 public:
  using DrawFn = std::function<void(cairo_t*)>;

  // A playback may do this many canvas areas of work (with a floor for tiny pictures): real pictures use up to
  // about thirty; the limit keeps hostile ones within a fraction of a second per megapixel.
  static constexpr double kWorkCanvasAreas = 64;
  static constexpr double kMinWork = 1 << 24;

  // An opaque white canvas; or, when measuring, no pixels at all: drawing only grows Measured().
  // OutOfMemory when cairo cannot make the surface.
  Status Init(int32_t width, int32_t height, bool measure);

  int32_t Width() const { return m_width; }
  int32_t Height() const { return m_height; }
  bool Measuring() const { return m_measure; }
  // Union of the device bounds of everything drawn while measuring.
  bool Measured(RectD& out) const;
  // Whether any drawing call reached the pixels.
  bool DrewSomething() const { return m_drew; }

  // The playback's work budget; Draw and Blit charge the pixels they touch, callers the rest.
  WorkBudget& Budget() { return m_budget; }
  const WorkBudget& Budget() const { return m_budget; }

  // Runs `draw` with a context whose user space is device space. `bounds` (device space) holds
  // everything draw paints; pixels outside the clip are left alone; rop2 mixes with the pixels. The pixels
  // touched and `pathWork` (see PathWork) are charged to the budget; drawing it cannot afford is skipped.
  void Draw(const RectD& bounds, const Clip& clip, int32_t rop2, bool antialias, const DrawFn& draw,
            double pathWork = 0);

  // Paints `image` so that its pixel rectangle `src` lands on the device parallelogram given by
  // `toDevice` (image pixels to device). Draws with the ternary raster operation; `pattern` sets
  // the brush as cairo's source for operations that read it. `blend` uses the image's alpha times
  // `constantAlpha` instead (0-255), for alpha blends; `smooth` filters when scaling.
  void Blit(const DibImage* image, const RectD& src, const Affine& toDevice, Rop3 rop, const Clip& clip,
            const DrawFn& pattern, bool blend, uint8_t constantAlpha, bool smooth);

  // The 32-bit RGB pixels (B, G, R, unused) of row y.
  const uint8_t* Row(int32_t y) const;

 private:
  detail::IntBox DeviceBox(const RectD& bounds, const Clip& clip) const;
  void MixPixels(const detail::IntBox& box, cairo_surface_t* src, cairo_surface_t* pattern, const Clip& clip,
                 uint8_t rop3, int32_t rop2);

  int32_t m_width = 0, m_height = 0;
  bool m_measure = false;
  bool m_drew = false;
  bool m_hasMeasured = false;
  RectD m_measured;
  WorkBudget m_budget;
  detail::SurfacePtr m_surface;
  detail::CairoPtr m_cr;
};

// The image as a cairo surface: opaque (alpha forced), or with its own alpha premultiplied. Null
// when cairo cannot make it. The surface owns a copy of the pixels.
detail::SurfacePtr DibSurface(const DibImage& image, bool withAlpha);

}  // namespace tavlen::gfx::metafile
