// WMF record functions with their published values, and the handler table the player dispatches through.
#pragma once

#include <cstdint>

#include "platform/graphics/metafile/record_table.h"
#include "platform/graphics/metafile/wmf_player.h"

namespace tavlen::gfx::metafile {

// The low byte numbers the function, the high byte is the size of its parameters in words (for most).
enum WmfFunction : uint16_t {
  kWmfEof = 0x0000,
  kWmfSaveDc = 0x001E,
  kWmfRealizePalette = 0x0035,
  kWmfSetPalEntries = 0x0037,
  kWmfCreatePalette = 0x00F7,
  kWmfSetBkMode = 0x0102,
  kWmfSetMapMode = 0x0103,
  kWmfSetRop2 = 0x0104,
  kWmfSetRelAbs = 0x0105,
  kWmfSetPolyFillMode = 0x0106,
  kWmfSetStretchBltMode = 0x0107,
  kWmfSetTextCharExtra = 0x0108,
  kWmfRestoreDc = 0x0127,
  kWmfInvertRegion = 0x012A,
  kWmfPaintRegion = 0x012B,
  kWmfSelectClipRegion = 0x012C,
  kWmfSelectObject = 0x012D,
  kWmfSetTextAlign = 0x012E,
  kWmfResizePalette = 0x0139,
  kWmfDibCreatePatternBrush = 0x0142,
  kWmfSetLayout = 0x0149,
  kWmfDeleteObject = 0x01F0,
  kWmfCreatePatternBrush = 0x01F9,
  // A creation record without a published layout; it takes an object slot like the others.
  kWmfCreateObject01FA = 0x01FA,
  kWmfSetBkColor = 0x0201,
  kWmfSetTextColor = 0x0209,
  kWmfSetTextJustification = 0x020A,
  kWmfSetWindowOrg = 0x020B,
  kWmfSetWindowExt = 0x020C,
  kWmfSetViewportOrg = 0x020D,
  kWmfSetViewportExt = 0x020E,
  kWmfOffsetWindowOrg = 0x020F,
  kWmfOffsetViewportOrg = 0x0211,
  kWmfLineTo = 0x0213,
  kWmfMoveTo = 0x0214,
  kWmfOffsetClipRgn = 0x0220,
  kWmfFillRegion = 0x0228,
  kWmfSetMapperFlags = 0x0231,
  kWmfSelectPalette = 0x0234,
  kWmfCreatePenIndirect = 0x02FA,
  kWmfCreateFontIndirect = 0x02FB,
  kWmfCreateBrushIndirect = 0x02FC,
  kWmfCreateBitmapIndirect = 0x02FD,
  kWmfPolygon = 0x0324,
  kWmfPolyline = 0x0325,
  kWmfScaleWindowExt = 0x0410,
  kWmfScaleViewportExt = 0x0412,
  kWmfExcludeClipRect = 0x0415,
  kWmfIntersectClipRect = 0x0416,
  kWmfEllipse = 0x0418,
  kWmfRectangle = 0x041B,
  kWmfSetPixel = 0x041F,
  kWmfFrameRegion = 0x0429,
  kWmfAnimatePalette = 0x0436,
  kWmfTextOut = 0x0521,
  kWmfPolyPolygon = 0x0538,
  kWmfRoundRect = 0x061C,
  kWmfPatBlt = 0x061D,
  kWmfEscape = 0x0626,
  kWmfCreateBitmap = 0x06FE,
  kWmfCreateRegion = 0x06FF,
  kWmfArc = 0x0817,
  kWmfPie = 0x081A,
  kWmfChord = 0x0830,
  kWmfBitBlt = 0x0922,
  kWmfDibBitBlt = 0x0940,
  kWmfExtTextOut = 0x0A32,
  kWmfStretchBlt = 0x0B23,
  kWmfDibStretchBlt = 0x0B41,
  kWmfSetDibToDev = 0x0D33,
  kWmfStretchDib = 0x0F43,
};

// A handler reads its record's parameters from `p`; false when the record is malformed or not drawn.
using WmfEntry = RecordEntry<WmfFunction, WmfPlayer::Handler>;

}  // namespace tavlen::gfx::metafile
