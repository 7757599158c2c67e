// Dialog templates as Qt dialogs: the About box and the property frame with its pages, their items
// at the template's positions and sizes, recorded in the process's list of shown dialogs.
#pragma once

#include <QDialog>
#include <span>
#include <string>
#include <vector>

#include "platform/desktop/desktop_services.h"
#include "platform/framework/dialog.h"

namespace tavlen::desktop {

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
