// Where the control shows the picture, as far as a host can know it. The control reports the picture's
// pixel size and the displayed rectangle's corner but not its displayed size, so the viewer follows the
// control's published rules for every command it sends; that is what maps the pointer to picture pixels.
#pragma once

#include <cstdint>
#include <optional>

namespace tavlen::viewer {

struct Extent {
  int32_t width = 0;
  int32_t height = 0;
};

struct PixelPoint {
  int32_t x = 0;
  int32_t y = 0;
};

// What a command does to the displayed size.
enum class ViewEffect {
  None,            // flips, colour edits, text, tags, saving, printing
  PixelSize,       // loads, pages, undo, resize, the 1-bit round trip: shown at the pixel size
  SwapSides,       // quarter turns keep the zoom with width and height exchanged
  Zoom,            // multiplies the displayed size by ZoomValue
  ZoomByOriginal,  // the pixel size times ZoomValue
  Fit,
  FitWidth,
  FitHeight,
};

class DisplayedSize {
 public:
  // `picture` is the pixel size after the command, `client` the control's client area.
  void Apply(ViewEffect effect, Extent picture, double zoomValue, Extent client);

  Extent Displayed() const { return m_displayed; }

  // The picture pixel under client point `pointer` when the picture's top-left corner is at `corner`;
  // nothing when the pointer is off the picture or nothing is shown.
  std::optional<PixelPoint> PicturePixel(PixelPoint pointer, PixelPoint corner, Extent picture) const;

 private:
  Extent m_displayed;
};

}  // namespace tavlen::viewer
