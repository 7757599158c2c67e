// Automation methods whose topics are not built yet: each answers with its "nothing to report"
// result (FALSE, 0, an empty string or nothing) until its topic lands.
#include "control/tavlen_ctrl.h"

namespace tavlen {

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

// FIXME: printing is not built yet.
BOOL CTavlenCtrl::PrintImage() { return win::FALSE; }
// FIXME: printing is not built yet.
BOOL CTavlenCtrl::PrintImageBySize(int32_t, int32_t) { return win::FALSE; }

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

// FIXME: clipboard copy is not built yet.
void CTavlenCtrl::CopyToClipboard() {}

}  // namespace tavlen
