// Zoom and fit: the displayed size changes, the pixels never do.
#include <algorithm>

#include "control/tavlen_ctrl.h"

namespace tavlen {

namespace {

// Truncates a product to a pixel count; a side of 10 or less, a negative or non-finite value, or
// one beyond 32 bits is refused (false).
bool AcceptSide(double product, bool compareTruncated, int32_t& side) {
  if (!(product < 2147483648.0) || !(product > 10.0)) return false;
  side = static_cast<int32_t>(product);
  return !compareTruncated || side > 10;
}

// Sizes enter the arithmetic as unsigned 32-bit values.
double AsDouble(int32_t size) { return static_cast<double>(static_cast<uint32_t>(size)); }

}  // namespace

void CTavlenCtrl::FinishZoom() {
  m_realignPending = win::TRUE;
  m_paintBackground = win::FALSE;
  UpdateScrollBars();
  InvalidateClientArea();
}

void CTavlenCtrl::Zoom() {
  if (!m_image) return;
  int32_t w = 0, h = 0;
  // A negative factor is refused like a too-small result.
  if (AcceptSide(AsDouble(m_viewWidth) * m_zoomValue, true, w) &&
      AcceptSide(AsDouble(m_viewHeight) * m_zoomValue, true, h)) {
    m_viewWidth = w;
    m_viewHeight = h;
  }
  FinishZoom();
}

void CTavlenCtrl::ZoomByOriginal() {
  if (!m_image) return;
  const uint32_t width = m_image->Width();
  const uint32_t height = m_image->Height();
  int32_t w = 0, h = 0;
  if (AcceptSide(width * m_zoomValue, true, w) && AcceptSide(height * m_zoomValue, true, h)) {
    m_viewWidth = w;
    m_viewHeight = h;
  } else {
    m_viewWidth = static_cast<int32_t>(width);
    m_viewHeight = static_cast<int32_t>(height);
  }
  FinishZoom();
}

void CTavlenCtrl::FitTo(FitMode mode) {
  const double width = m_image->Width();
  const double height = m_image->Height();
  int32_t w = 0, h = 0;
  if (width > 0 && height > 0) {
    const double byWidth = m_clientWidth / width;
    const double byHeight = m_clientHeight / height;
    const double ratio = mode == FitMode::Width    ? byWidth
                         : mode == FitMode::Height ? byHeight
                                                   : std::min(byWidth, byHeight);
    // Fits compare the untruncated products: a side of 10.5 passes and is shown 10 wide.
    if (AcceptSide(ratio * width, false, w) && AcceptSide(ratio * height, false, h)) {
      m_viewWidth = w;
      m_viewHeight = h;
      FinishZoom();
      return;
    }
  }
  m_viewWidth = static_cast<int32_t>(width);
  m_viewHeight = static_cast<int32_t>(height);
  FinishZoom();
}

void CTavlenCtrl::ZoomToFit() {
  if (m_image) FitTo(FitMode::Both);
}

void CTavlenCtrl::ZoomToFitByWidth() {
  if (m_image) FitTo(FitMode::Width);
}

void CTavlenCtrl::ZoomToFitByHeight() {
  if (m_image) FitTo(FitMode::Height);
}

}  // namespace tavlen
