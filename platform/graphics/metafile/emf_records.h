// EMF record types with their published values, and the handler tables the player dispatches through.
#pragma once

#include <cstdint>
#include <span>

#include "platform/graphics/metafile/emf_player.h"
#include "platform/graphics/metafile/record_table.h"

namespace tavlen::gfx::metafile {

enum EmrType : uint32_t {
  kEmrHeader = 1,
  kEmrPolyBezier = 2,
  kEmrPolygon = 3,
  kEmrPolyline = 4,
  kEmrPolyBezierTo = 5,
  kEmrPolylineTo = 6,
  kEmrPolyPolyline = 7,
  kEmrPolyPolygon = 8,
  kEmrSetWindowExtEx = 9,
  kEmrSetWindowOrgEx = 10,
  kEmrSetViewportExtEx = 11,
  kEmrSetViewportOrgEx = 12,
  kEmrSetBrushOrgEx = 13,
  kEmrEof = 14,
  kEmrSetPixelV = 15,
  kEmrSetMapperFlags = 16,
  kEmrSetMapMode = 17,
  kEmrSetBkMode = 18,
  kEmrSetPolyFillMode = 19,
  kEmrSetRop2 = 20,
  kEmrSetStretchBltMode = 21,
  kEmrSetTextAlign = 22,
  kEmrSetColorAdjustment = 23,
  kEmrSetTextColor = 24,
  kEmrSetBkColor = 25,
  kEmrOffsetClipRgn = 26,
  kEmrMoveToEx = 27,
  kEmrSetMetaRgn = 28,
  kEmrExcludeClipRect = 29,
  kEmrIntersectClipRect = 30,
  kEmrScaleViewportExtEx = 31,
  kEmrScaleWindowExtEx = 32,
  kEmrSaveDc = 33,
  kEmrRestoreDc = 34,
  kEmrSetWorldTransform = 35,
  kEmrModifyWorldTransform = 36,
  kEmrSelectObject = 37,
  kEmrCreatePen = 38,
  kEmrCreateBrushIndirect = 39,
  kEmrDeleteObject = 40,
  kEmrAngleArc = 41,
  kEmrEllipse = 42,
  kEmrRectangle = 43,
  kEmrRoundRect = 44,
  kEmrArc = 45,
  kEmrChord = 46,
  kEmrPie = 47,
  kEmrSelectPalette = 48,
  kEmrCreatePalette = 49,
  kEmrSetPaletteEntries = 50,
  kEmrResizePalette = 51,
  kEmrRealizePalette = 52,
  kEmrExtFloodFill = 53,
  kEmrLineTo = 54,
  kEmrArcTo = 55,
  kEmrPolyDraw = 56,
  kEmrSetArcDirection = 57,
  kEmrSetMiterLimit = 58,
  kEmrBeginPath = 59,
  kEmrEndPath = 60,
  kEmrCloseFigure = 61,
  kEmrFillPath = 62,
  kEmrStrokeAndFillPath = 63,
  kEmrStrokePath = 64,
  kEmrFlattenPath = 65,
  kEmrWidenPath = 66,
  kEmrSelectClipPath = 67,
  kEmrAbortPath = 68,
  kEmrComment = 70,
  kEmrFillRgn = 71,
  kEmrFrameRgn = 72,
  kEmrInvertRgn = 73,
  kEmrPaintRgn = 74,
  kEmrExtSelectClipRgn = 75,
  kEmrBitBlt = 76,
  kEmrStretchBlt = 77,
  kEmrMaskBlt = 78,
  kEmrPlgBlt = 79,
  kEmrSetDiBitsToDevice = 80,
  kEmrStretchDiBits = 81,
  kEmrExtCreateFontIndirectW = 82,
  kEmrExtTextOutA = 83,
  kEmrExtTextOutW = 84,
  kEmrPolyBezier16 = 85,
  kEmrPolygon16 = 86,
  kEmrPolyline16 = 87,
  kEmrPolyBezierTo16 = 88,
  kEmrPolylineTo16 = 89,
  kEmrPolyPolyline16 = 90,
  kEmrPolyPolygon16 = 91,
  kEmrPolyDraw16 = 92,
  kEmrCreateMonoBrush = 93,
  kEmrCreateDibPatternBrushPt = 94,
  kEmrExtCreatePen = 95,
  kEmrPolyTextOutA = 96,
  kEmrPolyTextOutW = 97,
  kEmrSetIcmMode = 98,
  kEmrCreateColorSpace = 99,
  kEmrSetColorSpace = 100,
  kEmrDeleteColorSpace = 101,
  kEmrSmallTextOut = 108,
  kEmrAlphaBlend = 114,
  kEmrSetLayout = 115,
  kEmrTransparentBlt = 116,
  kEmrGradientFill = 118,
  kEmrSetLinkedUfis = 119,
  kEmrSetTextJustification = 120,
  kEmrCreateColorSpaceW = 122,
};

// A handler reads its record from offset 8 (after type and size); false when the record is malformed
// or not drawn.
using EmfHandler = bool (*)(EmfPlayer& player, ByteReader& rec);
using EmfEntry = RecordEntry<EmrType, EmfHandler>;

// The handlers by family (emf_state_records.cpp, emf_draw_records.cpp, emf_bitmap_records.cpp).
std::span<const EmfEntry> EmfStateHandlers();
std::span<const EmfEntry> EmfDrawingHandlers();
std::span<const EmfEntry> EmfBitmapHandlers();

// The EMF+ records a comment record carries (`rec` covers it whole), empty when it carries none.
std::span<const uint8_t> EmfPlusRecords(const ByteReader& rec);

// EMR_GRADIENTFILL (emf_gradient.cpp).
bool GradientFill(EmfPlayer& player, ByteReader& rec);

}  // namespace tavlen::gfx::metafile
