// Dialog templates as Qt dialogs: the About box and the property frame with its pages, their items
// at the template's positions and sizes, recorded in the process's list of shown dialogs.
#pragma once

#include <QDialog>
#include <span>
#include <string>
#include <vector>

#include "platform/desktop/desktop_port.h"

namespace tavlen::desktop {

// Runs a dialog modally. When the host answers dialogs it is closed with that answer once shown,
// through the same buttons and keys a user would press. Records it with the host as shown, with `texts`.
int32_t RunRecorded(DesktopHost& host, QDialog& dialog, std::vector<std::string> texts);

class QtDialogService final : public fw::DialogService {
 public:
  QtDialogService(DesktopHost& host, IconLookup icons) : m_host(host), m_icons(icons) {}
  int32_t RunModal(const fw::DialogTemplate& dialog) override;
  int32_t RunPropertyFrame(const std::string& caption, std::span<const fw::COlePropertyPage* const> pages) override;

 private:
  DesktopHost& m_host;
  IconLookup m_icons;
};

}  // namespace tavlen::desktop
