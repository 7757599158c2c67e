// Choosing and installing the desktop services: one set per process, made on the GUI thread the
// first time a control asks while a QApplication runs with the Qt backend selected.
#include "platform/desktop/desktop_services.h"

#include <QApplication>
#include <QPointer>
#include <memory>

#include "platform/desktop/qt_clipboard.h"
#include "platform/desktop/qt_dialogs.h"
#include "platform/desktop/qt_print_dialog.h"
#include "platform/window/backend.h"

namespace tavlen::desktop {

namespace {

struct Services {
  explicit Services(IconLookup icons) : dialogs(icons) {}
  QtDialogService dialogs;
  QtPrintDialog printDialog;
  QtClipboard clipboard;
};

std::unique_ptr<Services> g_services;  // touched only on the GUI thread
QPointer<QCoreApplication> g_watchedApplication;

// TAVLEN_BACKEND=qt and this process runs a QApplication.
bool DesktopServicesWanted() {
  return win::UsesQtBackend() && qobject_cast<QApplication*>(QCoreApplication::instance()) != nullptr;
}

}  // namespace

bool InstallDesktopServicesWhenWanted(IconLookup icons) {
  if (!g_services && DesktopServicesWanted()) InstallDesktopServices(icons);
  return g_services != nullptr;
}

void InstallDesktopServices(IconLookup icons) {
  UninstallDesktopServices();
  g_services = std::make_unique<Services>(icons);
  fw::InstallDialogService(&g_services->dialogs);
  win::InstallPrintDialogService(&g_services->printDialog);
  win::InstallClipboardService(&g_services->clipboard);
  // The services die with the application object, whose clipboard and widgets they use.
  if (g_watchedApplication != QCoreApplication::instance()) {
    g_watchedApplication = QCoreApplication::instance();
    QObject::connect(g_watchedApplication, &QObject::destroyed, [] { UninstallDesktopServices(); });
  }
}

void UninstallDesktopServices() {
  if (!g_services) return;
  fw::InstallDialogService(nullptr);
  win::InstallPrintDialogService(nullptr);
  win::InstallClipboardService(nullptr);
  g_services.reset();
}

}  // namespace tavlen::desktop
