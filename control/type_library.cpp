// ZORARUZuv 1.0: enumerations with their own identifiers, the two dispatch interfaces from their
// tables, and the control class that joins them.
#include "control/type_library.h"

#include "control/class_ids.h"
#include "control/dispatch_table.h"

namespace tavlen {

namespace {

// {30D09974-68E4-48C7-99BC-D961CEBB5FF5}
constexpr ole::GUID kTiffCompressionEnum{0x30D09974, 0x68E4, 0x48C7, {0x99, 0xBC, 0xD9, 0x61, 0xCE, 0xBB, 0x5F, 0xF5}};
// {C87D1472-4B48-4EFC-8E70-C89679FE4CA6}
constexpr ole::GUID kAppearanceEnum{0xC87D1472, 0x4B48, 0x4EFC, {0x8E, 0x70, 0xC8, 0x96, 0x79, 0xFE, 0x4C, 0xA6}};
// {AF15B21D-ECFE-4F19-904A-DFCA913C74FF}
constexpr ole::GUID kImageAlignEnum{0xAF15B21D, 0xECFE, 0x4F19, {0x90, 0x4A, 0xDF, 0xCA, 0x91, 0x3C, 0x74, 0xFF}};
// {701AA0E7-283C-4BEF-BEDE-F8AC482E8461}
constexpr ole::GUID kBackStyleEnum{0x701AA0E7, 0x283C, 0x4BEF, {0xBE, 0xDE, 0xF8, 0xAC, 0x48, 0x2E, 0x84, 0x61}};

constexpr ole::EnumMember kTiffCompression[] = {
    {"CompressionLZW", 0}, {"CompressionCCITT3", 1}, {"CompressionCCITT4", 2},
    {"CompressionRle", 3}, {"CompressionNone", 4},
};

constexpr ole::EnumMember kAppearance[] = {{"Flat", 0}, {"Style3D", 1}};

constexpr ole::EnumMember kImageAlign[] = {
    {"None", 0},   {"Top", 1},    {"TopLeft", 2},    {"TopRight", 3},
    {"Center", 4}, {"Bottom", 5}, {"BottomLeft", 6}, {"BottomRight", 7},
};

// Value n (1-53) is the imaging library's hatch style n - 1; 0 is a plain fill.
constexpr ole::EnumMember kBackStyle[] = {
    {"Solid", 0},
    {"Horizontal", 1},
    {"Vertical", 2},
    {"ForwardDiagonal", 3},
    {"BackwardDiagonal", 4},
    {"Cross", 5},
    {"DiagonalCross", 6},
    {"Dot05Percent", 7},
    {"Dot10Percent", 8},
    {"Dot20Percent", 9},
    {"Dot25Percent", 10},
    {"Dot30Percent", 11},
    {"Dot40Percent", 12},
    {"Dot50Percent", 13},
    {"Dot60Percent", 14},
    {"Dot70Percent", 15},
    {"Dot75Percent", 16},
    {"Dot80Percent", 17},
    {"Dot90Percent", 18},
    {"LightDownwardDiagonal", 19},
    {"LightUpwardDiagonal", 20},
    {"DarkDownwardDiagonal", 21},
    {"DarkUpwardDiagonal", 22},
    {"WideDownwardDiagonal", 23},
    {"WideUpwardDiagonal", 24},
    {"LightVertical", 25},
    {"LightHorizontal", 26},
    {"NarrowVertical", 27},
    {"NarrowHorizontal", 28},
    {"DarkVertical", 29},
    {"DarkHorizontal", 30},
    {"DashedDownwardDiagonal", 31},
    {"DashedUpwardDiagonal", 32},
    {"DashedHorizontal", 33},
    {"DashedVertical", 34},
    {"SmallConfetti", 35},
    {"LargeConfetti", 36},
    {"ZigZag", 37},
    {"Wave", 38},
    {"DiagonalBrick", 39},
    {"HorizontalBrick", 40},
    {"Weave", 41},
    {"Plaid", 42},
    {"Divot", 43},
    {"DottedGrid", 44},
    {"DottedDiamond", 45},
    {"Shingle", 46},
    {"Trellis", 47},
    {"Sphere", 48},
    {"SmallGrid", 49},
    {"SmallCheckerBoard", 50},
    {"LargeCheckerBoard", 51},
    {"OutlinedDiamond", 52},
    {"SolidDiamond", 53},
};

constexpr ole::EnumDesc kEnums[] = {
    {"TiffCompression", kTiffCompressionEnum, nullptr, kTiffCompression},
    {"Appearance", kAppearanceEnum, nullptr, kAppearance},
    {"ImageAlign", kImageAlignEnum, nullptr, kImageAlign},
    {"BackStyle", kBackStyleEnum, nullptr, kBackStyle},
};

// The standard automation library, for OLE_COLOR and the pixel position types.
constexpr const char* kImports[] = {"stdole2.tlb"};

}  // namespace

const ole::TypeLibDesc& TavlenTypeLib() {
  static const ole::DispatchTable* const kInterfaces[] = {&TavlenDispatchTable(), &TavlenEventTable()};
  static const ole::CoClassDesc kClasses[] = {{"Tavlen", kTavlenClsid, "Tavlen Control", &TavlenDispatchTable(),
                                               &TavlenEventTable(), ole::TYPEFLAG_FCANCREATE | ole::TYPEFLAG_FCONTROL}};
  static const ole::TypeLibDesc kLib{"ZORARUZuv",
                                     kTavlenLibId,
                                     kTavlenVersionMajor,
                                     kTavlenVersionMinor,
                                     kTavlenLibLcid,
                                     "Tavlen ActiveX Control module",
                                     "Zeriri.zir",
                                     ole::LIBFLAG_FCONTROL,
                                     kImports,
                                     kEnums,
                                     kInterfaces,
                                     kClasses};
  return kLib;
}

}  // namespace tavlen
