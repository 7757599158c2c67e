// The desktop's system colours in their classic values, as the framework's colour translation sees them.
#include <array>

#include "platform/window/window.h"

namespace tavlen::win {

namespace {

// Indexed by the published COLOR_* numbers; values are 0x00BBGGRR.
constexpr std::array<COLORREF, kSysColorCount> kSysColors = {
    0xC8C8C8,  // 0  COLOR_SCROLLBAR
    0x000000,  // 1  COLOR_BACKGROUND
    0xD1B499,  // 2  COLOR_ACTIVECAPTION
    0xDBCDBF,  // 3  COLOR_INACTIVECAPTION
    0xF0F0F0,  // 4  COLOR_MENU
    0xFFFFFF,  // 5  COLOR_WINDOW
    0x646464,  // 6  COLOR_WINDOWFRAME
    0x000000,  // 7  COLOR_MENUTEXT
    0x000000,  // 8  COLOR_WINDOWTEXT
    0x000000,  // 9  COLOR_CAPTIONTEXT
    0xB4B4B4,  // 10 COLOR_ACTIVEBORDER
    0xFCF7F4,  // 11 COLOR_INACTIVEBORDER
    0xABABAB,  // 12 COLOR_APPWORKSPACE
    0xFF9933,  // 13 COLOR_HIGHLIGHT
    0xFFFFFF,  // 14 COLOR_HIGHLIGHTTEXT
    0xF0F0F0,  // 15 COLOR_BTNFACE
    0xA0A0A0,  // 16 COLOR_BTNSHADOW
    0x6D6D6D,  // 17 COLOR_GRAYTEXT
    0x000000,  // 18 COLOR_BTNTEXT
    0x544E43,  // 19 COLOR_INACTIVECAPTIONTEXT
    0xFFFFFF,  // 20 COLOR_BTNHIGHLIGHT
    0x696969,  // 21 COLOR_3DDKSHADOW
    0xE3E3E3,  // 22 COLOR_3DLIGHT
    0x000000,  // 23 COLOR_INFOTEXT
    0xE1FFFF,  // 24 COLOR_INFOBK
    0x000000,  // 25 (unused)
    0xCC6600,  // 26 COLOR_HOTLIGHT
    0xEAD1B9,  // 27 COLOR_GRADIENTACTIVECAPTION
    0xF2E4D7,  // 28 COLOR_GRADIENTINACTIVECAPTION
    0xFF9933,  // 29 COLOR_MENUHILIGHT
    0xF0F0F0,  // 30 COLOR_MENUBAR
};

}  // namespace

COLORREF GetSysColor(int32_t index) {
  if (index < 0 || index >= kSysColorCount) return 0;
  return kSysColors[static_cast<size_t>(index)];
}

}  // namespace tavlen::win
