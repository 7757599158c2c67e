// The module's resources as constant data: string table, version block, a small picture drawn in
// code for the toolbox bitmap and the icon, and the About box and property page templates.
#include "control/resources.h"

#include <array>

namespace tavlen::res {

namespace {

struct StringEntry {
  int32_t id;
  std::string_view text;
};

constexpr StringEntry kStrings[] = {
    {IDS_TAVLEN, "Tavlen Control"},
    {IDS_TAVLEN_PPG, "Tavlen Property Page"},
    {IDS_TAVLEN_PPG_CAPTION, "General"},
};

// A framed landscape: sky, a sun in the upper right, a hill on a meadow. N is the side in pixels.
template <int N>
consteval std::array<uint32_t, N * N> DrawPicture() {
  constexpr uint32_t kFrame = 0xFF404040, kSky = 0xFF87CEEB, kSun = 0xFFFFD700, kGrass = 0xFF2E8B57;
  std::array<uint32_t, N * N> pixels{};
  for (int y = 0; y < N; ++y) {
    for (int x = 0; x < N; ++x) {
      uint32_t color = kSky;
      // The sun: centre (11 N / 16, 5 N / 16), radius 3 N / 16, compared in sixteenths of a pixel.
      const int dx = 16 * x - 11 * N, dy = 16 * y - 5 * N;
      if (dx * dx + dy * dy <= 9 * N * N) color = kSun;
      const int peak = 3 * N / 8, distance = x > peak ? x - peak : peak - x;
      if (y >= peak + distance || 4 * y >= 3 * N) color = kGrass;
      if (x == 0 || y == 0 || x == N - 1 || y == N - 1) color = kFrame;
      pixels[y * N + x] = color;
    }
  }
  return pixels;
}

template <size_t Count>
consteval std::array<uint8_t, Count * 3> ToBgr(const std::array<uint32_t, Count>& argb) {
  std::array<uint8_t, Count * 3> bgr{};
  for (size_t i = 0; i < Count; ++i) {
    bgr[3 * i] = static_cast<uint8_t>(argb[i]);
    bgr[3 * i + 1] = static_cast<uint8_t>(argb[i] >> 8);
    bgr[3 * i + 2] = static_cast<uint8_t>(argb[i] >> 16);
  }
  return bgr;
}

constexpr auto kIcon32 = DrawPicture<32>();
constexpr auto kIcon16 = DrawPicture<16>();
constexpr auto kToolboxPixels = ToBgr(DrawPicture<16>());

constexpr BitmapResource kToolbox{IDB_TAVLEN, 16, 16, 24, kToolboxPixels};
constexpr IconImage kIconImages[] = {{32, 32, kIcon32}, {16, 16, kIcon16}};

using fw::DialogItem, fw::DialogItemKind;

constexpr DialogItem kAboutItems[] = {
    {DialogItemKind::Icon, -1, "", {10, 10, 20, 20}, IDI_ABOUTDLL},
    {DialogItemKind::Text, -1, "Tavlen ActiveX Control, Version 1.0", {40, 10, 170, 8}},
    {DialogItemKind::Text, -1, "Views pictures and edits them in place.", {40, 25, 170, 8}},
    {DialogItemKind::DefaultButton, fw::IDOK, "OK", {221, 7, 32, 14}},
};

constexpr DialogItem kPageItems[] = {
    {DialogItemKind::CenteredText,
     -1,
     "All Properties of Tavlen ActiveX Control show on the Appliction Properties Window!",
     {15, 25, 221, 16}},
};

constexpr fw::DialogTemplate kDialogs[] = {
    {IDD_ABOUTBOX_TAVLEN,
     fw::DialogKind::ModalPopup,
     "About Tavlen ActiveX Control",
     {34, 22, 260, 55},
     "MS Sans Serif",
     8,
     kAboutItems},
    {IDD_PROPPAGE_TAVLEN, fw::DialogKind::ChildPage, "", {0, 0, 250, 62}, "MS Sans Serif", 8, kPageItems},
};

constexpr VersionString kVersionStrings[] = {
    {"FileDescription", "Tavlen ActiveX Control Module"},
    {"FileVersion", "1, 0, 0, 1"},
    {"InternalName", "Tavlen"},
    {"OriginalFilename", "Tavlen.OCX"},
    {"ProductName", "Tavlen ActiveX Control Module"},
    {"ProductVersion", "1, 0, 0, 1"},
    {"OLESelfRegister", ""},  // tells installers that the module registers itself
};

constexpr VersionBlock kVersion{{1, 0, 0, 1}, {1, 0, 0, 1}, 0x0409, 1200, kVersionStrings};

}  // namespace

std::string_view LoadString(int32_t id) {
  for (const StringEntry& entry : kStrings) {
    if (entry.id == id) return entry.text;
  }
  return {};
}

const fw::DialogTemplate* FindDialog(int32_t id) {
  for (const fw::DialogTemplate& dialog : kDialogs) {
    if (dialog.id == id) return &dialog;
  }
  return nullptr;
}

const BitmapResource* FindBitmap(int32_t id) { return id == IDB_TAVLEN ? &kToolbox : nullptr; }

std::span<const IconImage> FindIcon(int32_t id) {
  if (id != IDI_ABOUTDLL) return {};
  return kIconImages;
}

const VersionBlock& Version() { return kVersion; }

}  // namespace tavlen::res
