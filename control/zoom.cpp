// Zoom and fit: the displayed size changes, the pixels never do.
#include "control/tavlen_ctrl.h"

namespace tavlen {

void CTavlenCtrl::FinishZoom() {
  m_placement.Resized();
  UpdateScrollBars();
  InvalidateClientArea();
}

void CTavlenCtrl::Zoom() {
  if (!m_image) return;
  // A refused zoom keeps the size and still finishes.
  m_viewport.Zoom(m_zoomValue);
  FinishZoom();
}

void CTavlenCtrl::ZoomByOriginal() {
  if (!m_image) return;
  const uint32_t width = m_image->Width();
  const uint32_t height = m_image->Height();
  m_viewport.ZoomByOriginal(width, height, m_zoomValue);
  FinishZoom();
}

void CTavlenCtrl::FitTo(FitMode mode) {
  if (!m_image) return;
  const uint32_t width = m_image->Width();
  const uint32_t height = m_image->Height();
  m_viewport.Fit(mode, width, height, Client());
  FinishZoom();
}

void CTavlenCtrl::ZoomToFit() { FitTo(FitMode::Both); }

void CTavlenCtrl::ZoomToFitByWidth() { FitTo(FitMode::Width); }

void CTavlenCtrl::ZoomToFitByHeight() { FitTo(FitMode::Height); }

}  // namespace tavlen
