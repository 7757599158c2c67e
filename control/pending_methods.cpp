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

// FIXME: printing is not built yet.
BOOL CTavlenCtrl::PrintImage() { return win::FALSE; }
// FIXME: printing is not built yet.
BOOL CTavlenCtrl::PrintImageBySize(int32_t, int32_t) { return win::FALSE; }

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

// FIXME: clipboard copy is not built yet.
void CTavlenCtrl::CopyToClipboard() {}

}  // namespace tavlen
