// The companion's services: one set per process, made on the GUI thread the first time a control
// asks while a QApplication runs with the Qt backend selected, and gone with that application.
#include "platform/desktop/desktop_module.h"

#include <QApplication>
#include <QPointer>
#include <memory>

#include "platform/desktop/qt_clipboard.h"
#include "platform/desktop/qt_dialogs.h"
#include "platform/desktop/qt_print_dialog.h"
#include "platform/window/backend.h"
#include "platform/window/qt/qt_backend.h"

namespace tavlen::desktop {

namespace {

struct Services {
  Services(DesktopHost& host, IconLookup icons) : dialogs(host, icons), printDialog(host) {}
  QtDialogService dialogs;
  QtPrintDialog printDialog;
  QtClipboard clipboard;
};

// Touched only on the GUI thread, as the services are.
class QtDesktopModule final : public DesktopModule {
 public:
  void Attach(DesktopHost* host) {
    if (host == m_host) return;
    Detach();
    m_host = host;
  }

  std::unique_ptr<win::WindowPresenter> MakePresenter(win::WindowPort& window) override {
    return win::qt::MakeQtPresenter(window);
  }

  bool InstallServicesWhenWanted(IconLookup icons) override {
    const bool wanted = win::UsesQtBackend() && qobject_cast<QApplication*>(QCoreApplication::instance()) != nullptr;
    if (!m_services && wanted) InstallServices(icons);
    return m_services != nullptr;
  }

  void InstallServices(IconLookup icons) override {
    if (!m_host) return;
    UninstallServices();
    m_services = std::make_unique<Services>(*m_host, icons);
    m_host->InstallServices(&m_services->dialogs, &m_services->printDialog, &m_services->clipboard);
    // The services die with the application object, whose clipboard and widgets they use.
    if (m_watched != QCoreApplication::instance()) {
      QObject::disconnect(m_watch);
      m_watched = QCoreApplication::instance();
      m_watch = QObject::connect(m_watched, &QObject::destroyed, [this] { UninstallServices(); });
    }
  }

  void UninstallServices() override {
    if (!m_services) return;
    if (m_host) m_host->InstallServices(nullptr, nullptr, nullptr);
    m_services.reset();
  }

  // No Qt calls: this runs while the process exits too, when Qt's own state may be gone. The
  // application watch stays; without a host it only drops services.
  void Detach() override {
    m_services.reset();
    m_host = nullptr;
  }

 private:
  DesktopHost* m_host = nullptr;
  std::unique_ptr<Services> m_services;
  QPointer<QCoreApplication> m_watched;
  QMetaObject::Connection m_watch;
};

}  // namespace

DesktopModule* AttachDesktop(DesktopHost* host, uint32_t portVersion) {
  if (!host || portVersion != kDesktopPortVersion) return nullptr;
  // Never destroyed: the companion stays loaded for the life of the process, and a destructor run at
  // exit would outlive the QApplication its members point into.
  static auto* module = new QtDesktopModule();
  module->Attach(host);
  return module;
}

}  // namespace tavlen::desktop
