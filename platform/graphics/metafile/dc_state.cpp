// The mapping from page space to device space for every mapping mode.
#include "platform/graphics/metafile/dc_state.h"

#include <cmath>

namespace tavlen::gfx::metafile {

Affine PageToDevice(const DcState& dc, const DeviceMetrics& metrics) {
  double sx = 1, sy = 1;
  switch (dc.mapMode) {
    case kMmLoMetric:  // 0.1 mm, y up
      sx = metrics.pixelsPerMmX * 0.1, sy = -metrics.pixelsPerMmY * 0.1;
      break;
    case kMmHiMetric:  // 0.01 mm
      sx = metrics.pixelsPerMmX * 0.01, sy = -metrics.pixelsPerMmY * 0.01;
      break;
    case kMmLoEnglish:  // 0.01 inch
      sx = metrics.pixelsPerMmX * 0.254, sy = -metrics.pixelsPerMmY * 0.254;
      break;
    case kMmHiEnglish:  // 0.001 inch
      sx = metrics.pixelsPerMmX * 0.0254, sy = -metrics.pixelsPerMmY * 0.0254;
      break;
    case kMmTwips:  // 1/1440 inch
      sx = metrics.pixelsPerMmX * 25.4 / 1440, sy = -metrics.pixelsPerMmY * 25.4 / 1440;
      break;
    case kMmIsotropic:
    case kMmAnisotropic: {
      const double wx = dc.windowExt.x == 0 ? 1 : dc.windowExt.x;
      const double wy = dc.windowExt.y == 0 ? 1 : dc.windowExt.y;
      sx = dc.viewportExt.x / wx;
      sy = dc.viewportExt.y / wy;
      if (dc.mapMode == kMmIsotropic) {
        // Both axes take the smaller scale, each keeping its own sign.
        const double s = std::min(std::fabs(sx), std::fabs(sy));
        sx = std::copysign(s, sx);
        sy = std::copysign(s, sy);
      }
      break;
    }
    default:
      break;
  }
  if (!std::isfinite(sx) || !std::isfinite(sy)) sx = sy = 1;
  // device = (page - windowOrg) * scale + viewportOrg
  return {sx, 0, 0, sy, dc.viewportOrg.x - dc.windowOrg.x * sx, dc.viewportOrg.y - dc.windowOrg.y * sy};
}

}  // namespace tavlen::gfx::metafile
