// Where the picture is shown in the client area and how large: placement, zoom and scroll
// arithmetic as pure functions of the client size, the picture's pixel size and the settings.
#pragma once

#include <cstdint>
#include <optional>

#include "platform/graphics/bitmap.h"

namespace tavlen {

// The published ImageAlign values (the Align property), X(name, published value) in published
// order. One list gives the enumeration and the type library's rows.
#define TAVLEN_IMAGE_ALIGNS(X) \
  X(None, 0)                   \
  X(Top, 1)                    \
  X(TopLeft, 2)                \
  X(TopRight, 3)               \
  X(Center, 4)                 \
  X(Bottom, 5)                 \
  X(BottomLeft, 6)             \
  X(BottomRight, 7)

enum class ImageAlign : int16_t {
#define TAVLEN_IMAGE_ALIGN_ENUMERATOR(name, value) name = value,
  TAVLEN_IMAGE_ALIGNS(TAVLEN_IMAGE_ALIGN_ENUMERATOR)
#undef TAVLEN_IMAGE_ALIGN_ENUMERATOR
};
inline constexpr int16_t kImageAlignCount = 8;

// Which sides a fit matches to the client area.
enum class FitMode { Both, Width, Height };

// A scroll axis; the numbers are the window system's bar identifiers SB_HORZ and SB_VERT.
enum class ScrollAxis : int32_t { Horizontal = 0, Vertical = 1 };

// The scroll-bar request codes the control acts on; the numbers are the window system's SB_* codes
// (the vertical names SB_LINEUP ... SB_BOTTOM share them). Codes from EndScroll on move nothing.
enum class ScrollCode : uint32_t {
  LineBack = 0,
  LineForward = 1,
  PageBack = 2,
  PageForward = 3,
  ThumbPosition = 4,
  ThumbTrack = 5,
  ToStart = 6,
  ToEnd = 7,
  EndScroll = 8,
};

struct ClientSize {
  int32_t width = 0;
  int32_t height = 0;
};

// One scroll bar as the displayed size asks for it: shown only while the picture is larger than
// the client area on its axis, with range 0 ... the displayed size and the client size as page.
struct BarLayout {
  bool shown = false;
  int32_t maximum = 0;
  uint32_t page = 0;
};

// The displayed rectangle in client pixels, signed: the picture may lie partly or wholly outside.
struct Viewport {
  int32_t imageLeft = 0;
  int32_t imageTop = 0;
  int32_t viewWidth = 0;
  int32_t viewHeight = 0;

  // The picture at its pixel size, centred (halves truncate toward zero).
  static Viewport CenteredAtPixelSize(ClientSize client, uint32_t width, uint32_t height);

  gfx::Rect Rectangle() const { return {imageLeft, imageTop, viewWidth, viewHeight}; }

  // Places the picture by the Align rule; None and values outside the enumeration leave it, Top and
  // Bottom set only the vertical position.
  void Align(int16_t align, ClientSize client);

  // Zoom: the displayed size times `factor`, kept only when both truncated sides exceed 10 pixels
  // (a negative or non-finite factor is refused alike). True when the zoom was accepted.
  bool Zoom(double factor);
  // The pixel size times `factor`, or the pixel size itself when that would be too small.
  void ZoomByOriginal(uint32_t width, uint32_t height, double factor);
  // The picture scaled to the client area, aspect kept; a fit whose untruncated sides are not both
  // above 10 pixels shows the pixel size instead.
  void Fit(FitMode mode, uint32_t width, uint32_t height, ClientSize client);
  void ShowAtPixelSize(uint32_t width, uint32_t height);
  // A quarter turn exchanges the displayed sides; the zoom stays.
  void SwapSides();

  // Relative, unbounded moves; a position that would leave 32 bits stops at the limit.
  void ShiftX(int32_t amount);
  void ShiftY(int32_t amount);

  // How far the picture overhangs the client area on an axis (negative when it fits).
  int64_t Excess(ScrollAxis axis, ClientSize client) const;
  BarLayout Bar(ScrollAxis axis, ClientSize client) const;
  // The position a scroll request moves to from `current`, or nothing for the thumb codes (the
  // bar's own clamped position decides those) and for EndScroll and beyond. A page is a quarter of
  // the hidden excess, a line one pixel; the results stay within 0 ... excess.
  std::optional<int32_t> ScrollTarget(ScrollAxis axis, ClientSize client, uint32_t code, int32_t current) const;
  // One wheel notch (+120 towards the start, -120 towards the end) moves a page; any other delta
  // moves nothing.
  std::optional<int32_t> WheelTarget(ScrollAxis axis, ClientSize client, int16_t delta, int32_t current) const;

  bool operator==(const Viewport&) const = default;
};

}  // namespace tavlen
