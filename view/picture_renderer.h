// The picture renderer: paints the background around the displayed rectangle, the border frame and
// the picture scaled into it, onto a device context of the control's window.
#pragma once

#include <cstdint>

#include "platform/graphics/bitmap.h"
#include "platform/graphics/drawing/drawing_types.h"
#include "platform/graphics/drawing/graphics.h"
#include "platform/window/window.h"
#include "view/reduced_copy.h"
#include "view/tile_cache.h"
#include "view/viewport.h"

namespace tavlen {

// The settings of one paint, colours already converted for the painter.
struct PaintStyle {
  int16_t backStyle = 0;  // a BackStyle value (view/back_style.h); others paint no background
  gfx::Argb back = 0xFF000000;
  gfx::Argb fore = 0xFF000000;
  bool showBorder = true;
  double borderWidth = 1.0;
  gfx::Argb borderColor = 0xFFFFFFFF;
};

// The border's frame rectangle: a band `width` wide outside the picture, except that a picture at
// the client origin's edge (left or top 0) gets a frame that grows by one width only, so that its
// near stroke lies under the picture. Values are truncated toward zero and saturate at 32 bits.
gfx::Rect BorderFrame(const Viewport& viewport, double width);

class PictureRenderer {
 public:
  // Background, then border, then the picture (when `picture` is not null), each clipped to what
  // the context can show. A layer that the painter refuses stays unpainted; the others still paint.
  // The status of the first layer refused (or of making the painter), else Ok. With `reduced`, a
  // picture shown at half its size or less is drawn from that reduced copy of it (made there when
  // needed); without, always from its own pixels.
  [[nodiscard]] gfx::Status Paint(win::DeviceContext& dc, const gfx::Bitmap* picture, const Viewport& viewport,
                                  ClientSize client, const PaintStyle& style, ReducedCopy* reduced = nullptr);

  // The client area less the picture's rectangle, plain or hatched (hatch lines in the back colour,
  // the spaces between them in the fore colour). A BackStyle outside the list paints nothing, and is Ok.
  [[nodiscard]] static gfx::Status DrawBackground(gfx::Graphics& graphics, const Viewport& viewport, ClientSize client,
                                                  const PaintStyle& style);
  // The frame of BorderFrame, stroked inside its rectangle; nothing, and Ok, when the border is off.
  [[nodiscard]] static gfx::Status DrawBorder(gfx::Graphics& graphics, const Viewport& viewport,
                                              const PaintStyle& style);

  // Drops the rendered tiles, for a picture that is gone.
  void Forget() { m_tiles.Clear(); }

  // Whether moving the client area's pixels by (dx, dy) gives what a paint of the viewport moved by
  // (dx, dy) gives: the picture, opaque, covers the whole client area before and after the move, so
  // no background or border shows on either side.
  static bool MovedPixelsMatchPaint(const gfx::Bitmap& picture, const Viewport& viewport, ClientSize client, int32_t dx,
                                    int32_t dy);

 private:
  // The picture's bicubic rendering, kept in tiles so that a repaint after a move, scroll or expose
  // only copies the pixels that land in the client area.
  TileCache m_tiles;
};

}  // namespace tavlen
