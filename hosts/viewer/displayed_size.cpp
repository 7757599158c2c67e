// The control's displayed-size rules, replayed on the host side, and the pointer's picture pixel.
#include "hosts/viewer/displayed_size.h"

#include <utility>

namespace tavlen::viewer {
namespace {

// A zoom is refused when a side would be 10 pixels or less; the zoom methods test the truncated sizes,
// the fits the products before truncation.
constexpr int32_t kSmallestSide = 10;

Extent Scaled(Extent size, double factor) {
  return {static_cast<int32_t>(size.width * factor), static_cast<int32_t>(size.height * factor)};
}

bool LargeEnough(Extent size) { return size.width > kSmallestSide && size.height > kSmallestSide; }

Extent Fitted(Extent picture, double ratio) {
  const double width = ratio * picture.width;
  const double height = ratio * picture.height;
  if (!(width > kSmallestSide && height > kSmallestSide)) return picture;
  return {static_cast<int32_t>(width), static_cast<int32_t>(height)};
}

}  // namespace

void DisplayedSize::Apply(ViewEffect effect, Extent picture, double zoomValue, Extent client) {
  // The control's zooms do nothing without a picture.
  if (picture.width <= 0 || picture.height <= 0) {
    m_displayed = {};
    return;
  }
  switch (effect) {
    case ViewEffect::None:
      return;
    case ViewEffect::PixelSize:
      m_displayed = picture;
      return;
    case ViewEffect::SwapSides:
      std::swap(m_displayed.width, m_displayed.height);
      return;
    case ViewEffect::Zoom:
      if (Extent zoomed = Scaled(m_displayed, zoomValue); LargeEnough(zoomed)) m_displayed = zoomed;
      return;
    case ViewEffect::ZoomByOriginal: {
      const Extent zoomed = Scaled(picture, zoomValue);
      m_displayed = LargeEnough(zoomed) ? zoomed : picture;
      return;
    }
    case ViewEffect::Fit: {
      const double byWidth = static_cast<double>(client.width) / picture.width;
      const double byHeight = static_cast<double>(client.height) / picture.height;
      m_displayed = Fitted(picture, byWidth < byHeight ? byWidth : byHeight);
      return;
    }
    case ViewEffect::FitWidth:
      m_displayed = Fitted(picture, static_cast<double>(client.width) / picture.width);
      return;
    case ViewEffect::FitHeight:
      m_displayed = Fitted(picture, static_cast<double>(client.height) / picture.height);
      return;
  }
}

std::optional<PixelPoint> DisplayedSize::PicturePixel(PixelPoint pointer, PixelPoint corner, Extent picture) const {
  if (m_displayed.width <= 0 || m_displayed.height <= 0 || picture.width <= 0 || picture.height <= 0) return {};
  const int64_t dx = int64_t{pointer.x} - corner.x;
  const int64_t dy = int64_t{pointer.y} - corner.y;
  if (dx < 0 || dy < 0 || dx >= m_displayed.width || dy >= m_displayed.height) return {};
  return PixelPoint{static_cast<int32_t>(dx * picture.width / m_displayed.width),
                    static_cast<int32_t>(dy * picture.height / m_displayed.height)};
}

}  // namespace tavlen::viewer
