// Automation methods whose topics are not built yet: each answers with its "nothing to report"
// result (FALSE, 0, an empty string or nothing) until its topic lands.
#include "control/tavlen_ctrl.h"

namespace tavlen {

// FIXME: colour conversions (black and white, grey scale, from 1 bpp) are not built yet.
void CTavlenCtrl::ConvertImageToBlackWhite() {}
// FIXME: colour conversions are not built yet.
void CTavlenCtrl::ConvertImageToGrayScaled() {}
// FIXME: conversion from 1-bit images is not built yet.
void CTavlenCtrl::ConvertFrom1bpp() {}

// FIXME: file-to-file conversion is not built yet.
BOOL CTavlenCtrl::ConvertToBmp(const std::string&, const std::string&) { return win::FALSE; }
// FIXME: file-to-file conversion is not built yet.
BOOL CTavlenCtrl::ConvertToGif(const std::string&, const std::string&) { return win::FALSE; }
// FIXME: file-to-file conversion is not built yet.
BOOL CTavlenCtrl::ConvertToJpg(const std::string&, const std::string&) { return win::FALSE; }
// FIXME: file-to-file conversion is not built yet.
BOOL CTavlenCtrl::ConvertToPng(const std::string&, const std::string&) { return win::FALSE; }
// FIXME: file-to-file conversion is not built yet.
BOOL CTavlenCtrl::ConvertToTif(const std::string&, const std::string&) { return win::FALSE; }

// FIXME: text overlays are not built yet.
void CTavlenCtrl::DrawText(int16_t, int16_t, const std::string&) {}
// FIXME: text overlays are not built yet.
void CTavlenCtrl::DrawWaterMarkText(int32_t, int32_t, const std::string&) {}
// FIXME: text overlays are not built yet.
void CTavlenCtrl::DrawOutlineText(int32_t, int32_t, const std::string&) {}
// FIXME: text overlays are not built yet.
void CTavlenCtrl::DrawFillOutlineText(int32_t, int32_t, const std::string&, int32_t) {}
// FIXME: text overlays are not built yet.
void CTavlenCtrl::DrawShadowText(int32_t, int32_t, const std::string&, int32_t) {}

// FIXME: multi-frame images are not built yet.
BOOL CTavlenCtrl::ExportFrame(const std::string&, const std::string&, const std::string&, int32_t) {
  return win::FALSE;
}
// FIXME: multi-frame images are not built yet.
int32_t CTavlenCtrl::GetFrameCount(const std::string&) { return 0; }
// FIXME: multi-frame images are not built yet.
void CTavlenCtrl::LoadFrame(const std::string&, int32_t) {}

// FIXME: pixel queries are not built yet.
int32_t CTavlenCtrl::GetPixelBlue(int32_t, int32_t) { return 0; }
// FIXME: pixel queries are not built yet.
int32_t CTavlenCtrl::GetPixelColor(int32_t, int32_t) { return 0; }
// FIXME: pixel queries are not built yet.
int32_t CTavlenCtrl::GetPixelGreen(int32_t, int32_t) { return 0; }
// FIXME: pixel queries are not built yet.
int32_t CTavlenCtrl::GetPixelRed(int32_t, int32_t) { return 0; }

// FIXME: encoder lookup and saving are not built yet.
BOOL CTavlenCtrl::SaveAsBmp(const std::string&) { return win::FALSE; }
// FIXME: encoder lookup and saving are not built yet.
BOOL CTavlenCtrl::SaveAsGif(const std::string&) { return win::FALSE; }
// FIXME: encoder lookup and saving are not built yet.
BOOL CTavlenCtrl::SaveAsJpg(const std::string&) { return win::FALSE; }
// FIXME: encoder lookup and saving are not built yet.
BOOL CTavlenCtrl::SaveAsPng(const std::string&) { return win::FALSE; }
// FIXME: encoder lookup and saving are not built yet.
BOOL CTavlenCtrl::SaveAsTif(const std::string&) { return win::FALSE; }

// FIXME: the installed font list is not built yet.
int32_t CTavlenCtrl::GetTextFontCount() { return 0; }
// FIXME: the installed font list is not built yet.
std::string CTavlenCtrl::GetTextFont(int16_t) { return {}; }

// FIXME: image metadata tags are not built yet.
std::string CTavlenCtrl::GetImageArtist() { return {}; }
// FIXME: image metadata tags are not built yet.
std::string CTavlenCtrl::GetImageCopyright() { return {}; }
// FIXME: image metadata tags are not built yet.
std::string CTavlenCtrl::GetImageDateTime() { return {}; }
// FIXME: image metadata tags are not built yet.
std::string CTavlenCtrl::GetImageDescription() { return {}; }
// FIXME: image metadata tags are not built yet.
std::string CTavlenCtrl::GetImageEquipMake() { return {}; }
// FIXME: image metadata tags are not built yet.
std::string CTavlenCtrl::GetImageEquipModel() { return {}; }
// FIXME: image metadata tags are not built yet.
std::string CTavlenCtrl::GetImageTitle() { return {}; }
// FIXME: image metadata tags are not built yet.
void CTavlenCtrl::SetImageArtist(const std::string&) {}
// FIXME: image metadata tags are not built yet.
void CTavlenCtrl::SetImageCopyright(const std::string&) {}
// FIXME: image metadata tags are not built yet.
void CTavlenCtrl::SetImageDateTime(const std::string&) {}
// FIXME: image metadata tags are not built yet.
void CTavlenCtrl::SetImageDescription(const std::string&) {}
// FIXME: image metadata tags are not built yet.
void CTavlenCtrl::SetImageEquipMake(const std::string&) {}
// FIXME: image metadata tags are not built yet.
void CTavlenCtrl::SetImageEquipModel(const std::string&) {}
// FIXME: image metadata tags are not built yet.
void CTavlenCtrl::SetImageTitle(const std::string&) {}

}  // namespace tavlen
