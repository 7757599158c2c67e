// The device context's state while a metafile plays: mapping, selected objects, colours and modes.
#pragma once

#include <cstdint>

#include "platform/graphics/metafile/clip.h"
#include "platform/graphics/metafile/device_path.h"
#include "platform/graphics/metafile/geometry.h"
#include "platform/graphics/metafile/graphics_objects.h"

namespace tavlen::gfx::metafile {

// Mapping modes with their published values.
enum : int32_t {
  kMmText = 1,
  kMmLoMetric = 2,
  kMmHiMetric = 3,
  kMmLoEnglish = 4,
  kMmHiEnglish = 5,
  kMmTwips = 6,
  kMmIsotropic = 7,
  kMmAnisotropic = 8,
};

// Text alignment bits.
enum : uint32_t {
  kTaUpdateCp = 1,
  kTaRight = 2,
  kTaCenter = 6,
  kTaHorizontalMask = 6,
  kTaBottom = 8,
  kTaBaseline = 24,
  kTaVerticalMask = 24,
};

enum : int32_t { kTransparent = 1, kOpaque = 2 };
enum : int32_t { kAlternate = 1, kWinding = 2 };

struct DcState {
  int32_t mapMode = kMmText;
  PointD windowOrg{0, 0}, windowExt{1, 1}, viewportOrg{0, 0}, viewportExt{1, 1};
  Affine world;  // the new format's world transform (logical to page)

  ObjectPtr pen, brush, font, palette;
  ColorRef textColor = 0x000000;
  ColorRef bkColor = 0xFFFFFF;
  int32_t bkMode = kOpaque;
  int32_t polyFillMode = kAlternate;
  int32_t rop2 = 13;
  int32_t stretchMode = 1;
  uint32_t textAlign = 0;
  int32_t charExtra = 0;
  bool clockwiseArcs = false;
  double miterLimit = 10;
  PointD brushOrg{0, 0};
  PointD current{0, 0};  // logical units
  Clip clip;

  bool inPath = false;
  DevicePath path;  // the path bracket's figures, in device space
};

// Device units per logical unit of the fixed mapping modes, given the device's pixels per millimetre.
struct DeviceMetrics {
  double pixelsPerMmX = 96 / 25.4;
  double pixelsPerMmY = 96 / 25.4;
};

// Page space (after the world transform) to device space for the mapping mode, window and viewport.
Affine PageToDevice(const DcState& dc, const DeviceMetrics& metrics);

}  // namespace tavlen::gfx::metafile
