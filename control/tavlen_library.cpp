// ZORARUZuv 1.0: enumerations with their own identifiers, the dispatch interfaces of both versions
// from their tables, and a control class for each version.
#include "control/tavlen_library.h"

#include "control/class_ids.h"
#include "control/tavlen_interfaces.h"
#include "files/tiff_compression.h"
#include "view/back_style.h"
#include "view/viewport.h"

namespace tavlen {

namespace {

// {30D09974-68E4-48C7-99BC-D961CEBB5FF5}
constexpr ole::GUID kTiffCompressionEnum{0x30D09974, 0x68E4, 0x48C7, {0x99, 0xBC, 0xD9, 0x61, 0xCE, 0xBB, 0x5F, 0xF5}};
// {719931F1-0FE0-48C7-A2EC-B39A06987777}
constexpr ole::GUID kTiffCompression2Enum{0x719931F1, 0x0FE0, 0x48C7, {0xA2, 0xEC, 0xB3, 0x9A, 0x06, 0x98, 0x77, 0x77}};
// {C87D1472-4B48-4EFC-8E70-C89679FE4CA6}
constexpr ole::GUID kAppearanceEnum{0xC87D1472, 0x4B48, 0x4EFC, {0x8E, 0x70, 0xC8, 0x96, 0x79, 0xFE, 0x4C, 0xA6}};
// {AF15B21D-ECFE-4F19-904A-DFCA913C74FF}
constexpr ole::GUID kImageAlignEnum{0xAF15B21D, 0xECFE, 0x4F19, {0x90, 0x4A, 0xDF, 0xCA, 0x91, 0x3C, 0x74, 0xFF}};
// {701AA0E7-283C-4BEF-BEDE-F8AC482E8461}
constexpr ole::GUID kBackStyleEnum{0x701AA0E7, 0x283C, 0x4BEF, {0xBE, 0xDE, 0xF8, 0xAC, 0x48, 0x2E, 0x84, 0x61}};

#define TAVLEN_ENUM_ROW(Enum, name, value) ole::EnumMember{#name, static_cast<int32_t>(Enum::name)},
#define TAVLEN_TIFF_ROW(name, value) TAVLEN_ENUM_ROW(TiffCompression, name, value)
#define TAVLEN_ALIGN_ROW(name, value) TAVLEN_ENUM_ROW(ImageAlign, name, value)
#define TAVLEN_BACK_STYLE_ROW(name, value) TAVLEN_ENUM_ROW(BackStyle, name, value)
constexpr ole::EnumMember kTiffCompression[] = {TAVLEN_TIFF_COMPRESSIONS(TAVLEN_TIFF_ROW)};
constexpr ole::EnumMember kTiffCompression2[] = {TAVLEN_TIFF_COMPRESSIONS_2(TAVLEN_TIFF_ROW)};
constexpr ole::EnumMember kImageAlign[] = {TAVLEN_IMAGE_ALIGNS(TAVLEN_ALIGN_ROW)};
// Value n (1-53) is the imaging library's hatch style n - 1; 0 is a plain fill.
constexpr ole::EnumMember kBackStyle[] = {TAVLEN_BACK_STYLES(TAVLEN_BACK_STYLE_ROW)};
#undef TAVLEN_BACK_STYLE_ROW
#undef TAVLEN_ALIGN_ROW
#undef TAVLEN_TIFF_ROW
#undef TAVLEN_ENUM_ROW

constexpr ole::EnumMember kAppearance[] = {{"Flat", 0}, {"Style3D", 1}};

// The published numbers run 0, 1, 2 ... in row order, and every value the code knows has a row.
template <size_t N>
constexpr bool NumberedInOrder(const ole::EnumMember (&rows)[N], size_t count) {
  for (size_t i = 0; i < N; ++i) {
    if (rows[i].value != static_cast<int32_t>(i)) return false;
  }
  return N == count;
}
static_assert(NumberedInOrder(kTiffCompression, kTiffCompressionCount));
static_assert(NumberedInOrder(kImageAlign, kImageAlignCount));
static_assert(NumberedInOrder(kBackStyle, kBackStyleCount));

constexpr ole::EnumDesc kEnums[] = {
    {"TiffCompression", kTiffCompressionEnum, nullptr, kTiffCompression},
    {"Appearance", kAppearanceEnum, nullptr, kAppearance},
    {"ImageAlign", kImageAlignEnum, nullptr, kImageAlign},
    {"BackStyle", kBackStyleEnum, nullptr, kBackStyle},
    {"TiffCompression2", kTiffCompression2Enum, "TiffCompression values of version 2 only", kTiffCompression2},
};

// The standard automation library, for OLE_COLOR and the pixel position types.
constexpr const char* kImports[] = {"stdole2.tlb"};

}  // namespace

const ole::TypeLibDesc& TavlenTypeLib() {
  static const ole::DispatchTable* const kInterfaces[] = {&TavlenDispatchTable(), &TavlenEventTable(),
                                                          &Tavlen2DispatchTable(), &Tavlen2EventTable()};
  constexpr uint16_t kControlClass = ole::TYPEFLAG_FCANCREATE | ole::TYPEFLAG_FCONTROL;
  static const ole::CoClassDesc kClasses[] = {
      {"Tavlen", kTavlenClsid, "Tavlen Control", &TavlenDispatchTable(), &TavlenEventTable(), kControlClass},
      {"Tavlen2", kTavlen2Clsid, "Tavlen Control 2", &Tavlen2DispatchTable(), &Tavlen2EventTable(), kControlClass}};
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
