// The viewport arithmetic: alignment, zoom acceptance, fits, shifts and scroll targets.
#include "view/viewport.h"

#include <algorithm>
#include <limits>
#include <utility>

#include "platform/window/win_types.h"

namespace tavlen {

static_assert(static_cast<int32_t>(ScrollAxis::Horizontal) == win::SB_HORZ);
static_assert(static_cast<int32_t>(ScrollAxis::Vertical) == win::SB_VERT);
static_assert(static_cast<uint32_t>(ScrollCode::LineBack) == win::SB_LINELEFT && win::SB_LINELEFT == win::SB_LINEUP);
static_assert(static_cast<uint32_t>(ScrollCode::LineForward) == win::SB_LINERIGHT &&
              win::SB_LINERIGHT == win::SB_LINEDOWN);
static_assert(static_cast<uint32_t>(ScrollCode::PageBack) == win::SB_PAGELEFT && win::SB_PAGELEFT == win::SB_PAGEUP);
static_assert(static_cast<uint32_t>(ScrollCode::PageForward) == win::SB_PAGERIGHT &&
              win::SB_PAGERIGHT == win::SB_PAGEDOWN);
static_assert(static_cast<uint32_t>(ScrollCode::ThumbPosition) == win::SB_THUMBPOSITION);
static_assert(static_cast<uint32_t>(ScrollCode::ThumbTrack) == win::SB_THUMBTRACK);
static_assert(static_cast<uint32_t>(ScrollCode::ToStart) == win::SB_LEFT && win::SB_LEFT == win::SB_TOP);
static_assert(static_cast<uint32_t>(ScrollCode::ToEnd) == win::SB_RIGHT && win::SB_RIGHT == win::SB_BOTTOM);
static_assert(static_cast<uint32_t>(ScrollCode::EndScroll) == win::SB_ENDSCROLL);

namespace {

// Truncates a product to a pixel count. A side of 10 or less, a negative or non-finite value, or
// one beyond 32 bits is refused. Zoom compares the truncated count, fits the untruncated product.
enum class Compare { Truncated, Untruncated };
std::optional<int32_t> AcceptSide(double product, Compare compare) {
  if (!(product < 2147483648.0) || !(product > 10.0)) return std::nullopt;
  const auto side = static_cast<int32_t>(product);
  if (compare == Compare::Truncated && side <= 10) return std::nullopt;
  return side;
}

// Displayed sizes enter the arithmetic as unsigned 32-bit values.
double AsUnsigned(int32_t size) { return static_cast<double>(static_cast<uint32_t>(size)); }

int32_t SaturatingAdd(int32_t a, int32_t b) {
  const int64_t sum = int64_t{a} + b;
  return static_cast<int32_t>(
      std::clamp<int64_t>(sum, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max()));
}

}  // namespace

Viewport Viewport::CenteredAtPixelSize(ClientSize client, uint32_t width, uint32_t height) {
  const auto w = static_cast<int32_t>(width);
  const auto h = static_cast<int32_t>(height);
  return Viewport{(client.width - w) / 2, (client.height - h) / 2, w, h};
}

void Viewport::Align(int16_t align, ClientSize client) {
  const int32_t freeX = client.width - viewWidth;
  const int32_t freeY = client.height - viewHeight;
  switch (static_cast<ImageAlign>(align)) {
    case ImageAlign::None:
      break;
    case ImageAlign::Top:  // the horizontal position stays where loading, a move or a shift left it
      imageTop = 0;
      break;
    case ImageAlign::TopLeft:
      imageLeft = 0;
      imageTop = 0;
      break;
    case ImageAlign::TopRight:
      imageLeft = freeX;
      imageTop = 0;
      break;
    case ImageAlign::Center:
      imageLeft = freeX / 2;
      imageTop = freeY / 2;
      break;
    case ImageAlign::Bottom:
      imageTop = freeY;
      break;
    case ImageAlign::BottomLeft:
      imageLeft = 0;
      imageTop = freeY;
      break;
    case ImageAlign::BottomRight:
      imageLeft = freeX;
      imageTop = freeY;
      break;
    default:  // not an ImageAlign value: the placement stays
      break;
  }
}

bool Viewport::Zoom(double factor) {
  const auto w = AcceptSide(AsUnsigned(viewWidth) * factor, Compare::Truncated);
  const auto h = AcceptSide(AsUnsigned(viewHeight) * factor, Compare::Truncated);
  if (!w || !h) return false;
  viewWidth = *w;
  viewHeight = *h;
  return true;
}

void Viewport::ZoomByOriginal(uint32_t width, uint32_t height, double factor) {
  const auto w = AcceptSide(width * factor, Compare::Truncated);
  const auto h = AcceptSide(height * factor, Compare::Truncated);
  if (w && h) {
    viewWidth = *w;
    viewHeight = *h;
  } else {
    ShowAtPixelSize(width, height);
  }
}

void Viewport::Fit(FitMode mode, uint32_t width, uint32_t height, ClientSize client) {
  if (width > 0 && height > 0) {
    const double byWidth = client.width / static_cast<double>(width);
    const double byHeight = client.height / static_cast<double>(height);
    const double ratio = mode == FitMode::Width    ? byWidth
                         : mode == FitMode::Height ? byHeight
                                                   : std::min(byWidth, byHeight);
    // A fitted side of 10.5 passes and is shown 10 wide.
    const auto w = AcceptSide(ratio * width, Compare::Untruncated);
    const auto h = AcceptSide(ratio * height, Compare::Untruncated);
    if (w && h) {
      viewWidth = *w;
      viewHeight = *h;
      return;
    }
  }
  ShowAtPixelSize(width, height);
}

void Viewport::ShowAtPixelSize(uint32_t width, uint32_t height) {
  viewWidth = static_cast<int32_t>(width);
  viewHeight = static_cast<int32_t>(height);
}

void Viewport::SwapSides() { std::swap(viewWidth, viewHeight); }

void Viewport::ShiftX(int32_t amount) { imageLeft = SaturatingAdd(imageLeft, amount); }

void Viewport::ShiftY(int32_t amount) { imageTop = SaturatingAdd(imageTop, amount); }

int64_t Viewport::Excess(ScrollAxis axis, ClientSize client) const {
  return axis == ScrollAxis::Horizontal ? int64_t{viewWidth} - client.width : int64_t{viewHeight} - client.height;
}

BarLayout Viewport::Bar(ScrollAxis axis, ClientSize client) const {
  if (Excess(axis, client) <= 0) return BarLayout{};
  const bool horizontal = axis == ScrollAxis::Horizontal;
  return BarLayout{true, horizontal ? viewWidth : viewHeight,
                   static_cast<uint32_t>(horizontal ? client.width : client.height)};
}

std::optional<int32_t> Viewport::ScrollTarget(ScrollAxis axis, ClientSize client, uint32_t code,
                                              int32_t current) const {
  const int64_t excess = Excess(axis, client);
  // A page is a quarter of the hidden part of the picture, not a client width.
  const int64_t page = excess / 4;
  int64_t next = 0;
  switch (static_cast<ScrollCode>(code)) {
    case ScrollCode::LineBack:
      next = std::max<int64_t>(int64_t{current} - 1, 0);
      break;
    case ScrollCode::LineForward:
      next = std::min(int64_t{current} + 1, excess);
      break;
    case ScrollCode::PageBack:
      next = std::max<int64_t>(current - page, 0);
      break;
    case ScrollCode::PageForward:
      next = std::min(current + page, excess);
      break;
    case ScrollCode::ToStart:
      next = 0;
      break;
    case ScrollCode::ToEnd:
      next = excess;
      break;
    default:  // the thumb codes, EndScroll and beyond
      return std::nullopt;
  }
  return static_cast<int32_t>(next);
}

std::optional<int32_t> Viewport::WheelTarget(ScrollAxis axis, ClientSize client, int16_t delta, int32_t current) const {
  constexpr int16_t kNotch = win::WHEEL_DELTA;
  const int64_t excess = Excess(axis, client);
  if (delta == kNotch) return static_cast<int32_t>(std::max<int64_t>(current - excess / 4, 0));
  if (delta == -kNotch) return static_cast<int32_t>(std::min(current + excess / 4, excess));
  return std::nullopt;
}

}  // namespace tavlen
