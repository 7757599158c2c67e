// Dialog templates as Qt dialogs: the About box and the property frame with its pages, their items
// at the template's positions and sizes, recorded in the process's list of shown dialogs.
#pragma once

#include <QDialog>
#include <memory>

#include "platform/desktop/desktop_services.h"
#include "platform/framework/dialog.h"

class QWidget;

namespace tavlen::desktop {

// The pixel size of a dialog unit for a template's font.
struct DialogUnits {
  double x = 1.5;    // a quarter of the font's average character width
  double y = 1.625;  // an eighth of its height
};
DialogUnits DialogUnitsOf(const fw::DialogTemplate& dialog);

// Places a template's items as child widgets of `parent`: icons as labels with the icon, texts as
// labels (centred where the template says), buttons as push buttons whose objectName is "id<N>".
void BuildDialogItems(const fw::DialogTemplate& dialog, IconLookup icons, QWidget& parent);

// A modal dialog on a template. OK (IDOK) accepts it, Cancel (IDCANCEL) and Escape reject it.
std::unique_ptr<QDialog> MakeTemplateDialog(const fw::DialogTemplate& dialog, IconLookup icons);

// The property frame: "<object> Properties", a tab per page, OK, Cancel and Apply. Apply stays
// disabled, as no page binds a property that could change.
std::unique_ptr<QDialog> MakePropertyFrame(const std::string& caption,
                                           std::span<const fw::COlePropertyPage* const> pages, IconLookup icons);

// Runs a dialog modally. When the host answers dialogs it is closed with that answer once shown,
// through the same buttons and keys a user would press. Records it as shown, with `texts`.
int32_t RunRecorded(QDialog& dialog, std::vector<std::string> texts);

class QtDialogService final : public fw::DialogService {
 public:
  explicit QtDialogService(IconLookup icons) : m_icons(icons) {}
  int32_t RunModal(const fw::DialogTemplate& dialog) override;
  int32_t RunPropertyFrame(const std::string& caption, std::span<const fw::COlePropertyPage* const> pages) override;

 private:
  IconLookup m_icons;
};

}  // namespace tavlen::desktop
