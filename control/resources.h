// Resources the module carries: strings, the version block, the toolbox bitmap, the icon and the
// dialog templates. The type library resource (TYPELIB 1) is built from the dispatch tables in
// control/type_library.cpp.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

#include "platform/framework/dialog.h"

namespace tavlen::res {

inline constexpr int32_t IDS_TAVLEN = 1;                // "Tavlen Control": the control's type name
inline constexpr int32_t IDS_TAVLEN_PPG = 2;            // "Tavlen Property Page": the page's type name
inline constexpr int32_t IDS_TAVLEN_PPG_CAPTION = 200;  // "General": the page's tab
inline constexpr int32_t IDB_TAVLEN = 1;                // toolbox bitmap
inline constexpr int32_t IDI_ABOUTDLL = 1;              // icon group
inline constexpr int32_t IDD_ABOUTBOX_TAVLEN = 1;       // About box
inline constexpr int32_t IDD_PROPPAGE_TAVLEN = 200;     // property page
inline constexpr int32_t IDR_TYPELIB = 1;               // type library

// A string of the string table; empty for an id the module does not carry.
std::string_view LoadString(int32_t id);

// Null for an id the module does not carry.
const fw::DialogTemplate* FindDialog(int32_t id);

// A device-independent bitmap: rows top-down, each pixel B, G, R, rows packed without padding.
struct BitmapResource {
  int32_t id = 0;
  int32_t width = 0;
  int32_t height = 0;
  int32_t bitsPerPixel = 24;
  std::span<const uint8_t> pixels;
};
const BitmapResource* FindBitmap(int32_t id);

// One image of an icon group: 0xAARRGGBB words, rows top-down.
using IconImage = fw::DialogIcon;
// The images of an icon group, largest first; empty for an unknown id.
std::span<const IconImage> FindIcon(int32_t id);

struct VersionString {
  const char* key;
  const char* value;
};

struct VersionBlock {
  uint16_t fileVersion[4];
  uint16_t productVersion[4];
  uint16_t language;  // 0x0409
  uint16_t codePage;  // 1200
  std::span<const VersionString> strings;
};
const VersionBlock& Version();

}  // namespace tavlen::res
