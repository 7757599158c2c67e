// The graphics objects a metafile creates (pens, brushes, fonts, palettes, regions) and its object table.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <variant>
#include <vector>

#include "platform/graphics/metafile/dib.h"
#include "platform/graphics/metafile/geometry.h"

namespace tavlen::gfx::metafile {

// Pen style bits with their published values.
enum : uint32_t {
  kPsSolid = 0,
  kPsDash = 1,
  kPsDot = 2,
  kPsDashDot = 3,
  kPsDashDotDot = 4,
  kPsNull = 5,
  kPsInsideFrame = 6,
  kPsUserStyle = 7,
  kPsAlternate = 8,
  kPsStyleMask = 0x0F,
  kPsEndCapSquare = 0x100,
  kPsEndCapFlat = 0x200,
  kPsEndCapMask = 0xF00,
  kPsJoinBevel = 0x1000,
  kPsJoinMiter = 0x2000,
  kPsJoinMask = 0xF000,
  kPsGeometric = 0x10000,
};

// Brush styles.
enum : uint32_t {
  kBsSolid = 0,
  kBsNull = 1,
  kBsHatched = 2,
  kBsPattern = 3,
  kBsDibPattern = 5,
  kBsDibPatternPt = 6,
};

struct PenObject {
  uint32_t style = kPsSolid;
  double width = 0;  // logical units; 0 is one device pixel
  ColorRef color = 0;
  // Pens made by the extended record keep their dash style at any width; the old ones turn solid above one pixel.
  bool extended = false;
  std::vector<double> userDashes;  // logical units, for kPsUserStyle
};

struct BrushObject {
  uint32_t style = kBsSolid;
  ColorRef color = 0;
  uint32_t hatch = 0;
  // The pattern's pixels, tiled from the brush origin.
  std::shared_ptr<const DibImage> pattern;
  // A brush made from a device-dependent bitmap (the old pattern brushes, the new format's monochrome brush): when
  // it is 1-bit it paints its 0 bits in the text colour and its 1 bits in the background colour (or not at all in
  // transparent background mode). A DIB pattern brush paints its colour table's colours, as any DIB does.
  bool monoTakesDcColors = false;
};

struct FontObject {
  int32_t height = 0;  // negative: em height; positive: cell height; 0: the default size
  int32_t width = 0;
  int32_t escapement = 0;  // tenths of a degree, counter-clockwise
  int32_t weight = 400;
  bool italic = false, underline = false, strikeOut = false;
  uint8_t charSet = 0;
  uint8_t pitchAndFamily = 0;
  std::string face;  // UTF-8
};

struct PaletteObject {
  std::vector<ColorRef> colors;
};

// Rectangles in the space the record defines them in (logical for the old format, device for the new).
struct RegionObject {
  std::vector<RectD> rects;
};

using GraphicsObject = std::variant<PenObject, BrushObject, FontObject, PaletteObject, RegionObject>;
using ObjectPtr = std::shared_ptr<const GraphicsObject>;

// Slots of created objects. A selected object is held by the device context too, so deleting it
// while it is selected (which writers do) leaves drawing intact.
class ObjectTable {
 public:
  // Beyond what real metafiles use; keeps a hostile index from growing the table without bound.
  static constexpr uint32_t kMaxObjects = 65536;

  // The lowest free slot, as the old format assigns them; -1 when the table is full.
  int32_t Add(ObjectPtr object);
  // False for an index out of range.
  bool Put(uint32_t index, ObjectPtr object);
  ObjectPtr Get(uint32_t index) const;
  void Delete(uint32_t index);

 private:
  std::vector<ObjectPtr> m_slots;
};

// The objects every device context owns from the start (indexes with the top bit set in the new format).
ObjectPtr StockObject(uint32_t index);

}  // namespace tavlen::gfx::metafile
