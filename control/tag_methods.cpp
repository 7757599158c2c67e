// The fourteen metadata tag members: one getter and one setter over metadata/, parameterised by the tag;
// and version 2's readers of any tag and of the colour profile.
#include "control/tavlen_ctrl.h"
#include "metadata/image_tags.h"

namespace tavlen {

using metadata::ImageTag;

std::string CTavlenCtrl::GetImageTag(ImageTag tag) const {
  if (!m_image || !m_image->Handle()) return {};
  return metadata::ReadImageTag(*m_image->Handle(), tag);
}

void CTavlenCtrl::SetImageTag(ImageTag tag, const std::string& text) {
  // No snapshot, no repaint and no modified flag: the tags are not shown and not properties. A
  // refusal is not held against the picture, which must stay copyable.
  if (!m_image || !m_image->Handle()) return;
  gfx::Ignore(metadata::WriteImageTag(*m_image->Handle(), tag, text));
}

std::string CTavlenCtrl::GetImageArtist() { return GetImageTag(ImageTag::Artist); }
std::string CTavlenCtrl::GetImageCopyright() { return GetImageTag(ImageTag::Copyright); }
std::string CTavlenCtrl::GetImageDateTime() { return GetImageTag(ImageTag::DateTime); }
std::string CTavlenCtrl::GetImageDescription() { return GetImageTag(ImageTag::Description); }
std::string CTavlenCtrl::GetImageEquipMake() { return GetImageTag(ImageTag::EquipMake); }
std::string CTavlenCtrl::GetImageEquipModel() { return GetImageTag(ImageTag::EquipModel); }
std::string CTavlenCtrl::GetImageTitle() { return GetImageTag(ImageTag::Title); }

void CTavlenCtrl::SetImageArtist(const std::string& Artist) { SetImageTag(ImageTag::Artist, Artist); }
void CTavlenCtrl::SetImageCopyright(const std::string& Copyright) { SetImageTag(ImageTag::Copyright, Copyright); }
void CTavlenCtrl::SetImageDateTime(const std::string& DateTime) { SetImageTag(ImageTag::DateTime, DateTime); }
void CTavlenCtrl::SetImageDescription(const std::string& Description) {
  SetImageTag(ImageTag::Description, Description);
}
void CTavlenCtrl::SetImageEquipMake(const std::string& EquipMake) { SetImageTag(ImageTag::EquipMake, EquipMake); }
void CTavlenCtrl::SetImageEquipModel(const std::string& EquipModel) { SetImageTag(ImageTag::EquipModel, EquipModel); }
void CTavlenCtrl::SetImageTitle(const std::string& Title) { SetImageTag(ImageTag::Title, Title); }

std::string CTavlenCtrl::GetImageTagText(int32_t TagId) const {
  if (!m_image || !m_image->Handle()) return {};
  return metadata::ReadTagText(*m_image->Handle(), static_cast<uint32_t>(TagId));
}

BOOL CTavlenCtrl::HasColorProfile() const {
  return m_image && m_image->Handle() && metadata::HasColorProfile(*m_image->Handle()) ? win::TRUE : win::FALSE;
}

}  // namespace tavlen
