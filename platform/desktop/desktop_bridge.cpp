// The control module's DesktopHost, the one companion of the process, and the desktop services'
// entry points. The companion is mapped only when the Qt backend is asked for, so headless processes
// never load a Qt library.
#include "platform/desktop/desktop_bridge.h"

#include <dlfcn.h>

#include <filesystem>
#include <mutex>

#include "platform/desktop/desktop_clipboard_service.h"
#include "platform/desktop/window_port_adapter.h"
#include "platform/framework/print_dlg.h"

namespace tavlen::desktop {

namespace {

class PlatformHost final : public DesktopHost {
 public:
  void InstallServices(fw::DialogService* dialogs, win::PrintDialogService* printDialog,
                       DesktopClipboard* clipboard) override {
    // The new clipboard service is in place before the old one goes.
    std::unique_ptr<DesktopClipboardService> previous = std::move(m_clipboard);
    if (clipboard) m_clipboard = std::make_unique<DesktopClipboardService>(*clipboard);
    win::InstallClipboardService(m_clipboard.get());
    fw::InstallDialogService(dialogs);
    win::InstallPrintDialogService(printDialog);
  }
  std::optional<fw::DialogAnswer> ScriptedAnswer() const override {
    if (!fw::HostAnswersDialogs()) return std::nullopt;
    return fw::GetDialogAnswer();
  }
  void RecordShownDialog(std::string caption, std::vector<std::string> texts, fw::DialogAnswer answer) override {
    fw::RecordShownDialog(std::move(caption), std::move(texts), answer);
  }
  std::vector<std::string> DialogTexts(const fw::DialogTemplate& dialog) const override {
    return fw::DialogTexts(dialog);
  }
  std::vector<std::string> PropertyFrameTexts(std::span<const fw::COlePropertyPage* const> pages) const override {
    return fw::PropertyFrameTexts(pages);
  }
  std::string HeadlessPrinter() const override { return fw::HeadlessPrinter(); }
  std::unique_ptr<win::PrinterDC> CreatePrinterDC(const std::string& destination) override {
    return win::CreatePrinterDC(destination);
  }

 private:
  std::unique_ptr<DesktopClipboardService> m_clipboard;
};

struct Bridge {
  // When this module unloads, the companion (which stays mapped) must not call into it again.
  ~Bridge() {
    if (module) module->Detach();
  }
  PlatformHost host;
  std::mutex mutex;
  DesktopModule* module = nullptr;  // guarded by mutex until set, then fixed
  bool loadTried = false;
  std::string failure;
};

Bridge& TheBridge() {
  static Bridge bridge;
  return bridge;
}

std::unique_ptr<win::WindowPresenter> MakeCompanionPresenter(win::Window& window) {
  DesktopModule* module = AttachedDesktopModule();
  return module ? MakePresenterThrough(*module, window) : nullptr;
}

// Needs the bridge's mutex held.
bool AttachLocked(Bridge& bridge, DesktopEntry entry) {
  DesktopModule* module = entry(&bridge.host, kDesktopPortVersion);
  if (!module) return false;
  bridge.module = module;
  win::SetWindowPresenterFactory(&MakeCompanionPresenter);
  return true;
}

// Needs the bridge's mutex held.
void LoadLocked(Bridge& bridge) {
  bridge.loadTried = true;
  const std::string path = DesktopModulePath();
  if (path.empty()) {
    bridge.failure =
        "the folder of the control module is unknown, so " + std::string(kDesktopModuleName) + " cannot be found";
    return;
  }
  // Never closed: Qt does not survive being unloaded, and windows may still show its widgets.
  void* handle = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!handle) {
    const char* error = ::dlerror();
    bridge.failure = "cannot load the Qt backend " + path + ": " + (error ? error : "unknown error");
    return;
  }
  auto entry = reinterpret_cast<DesktopEntry>(::dlsym(handle, kDesktopEntryName));
  if (!entry) {
    bridge.failure = path + " has no " + kDesktopEntryName;
  } else if (!AttachLocked(bridge, entry)) {
    bridge.failure = path + " belongs to another build of the control module";
  }
}

}  // namespace

std::string DesktopModulePath() {
  Dl_info info{};
  if (::dladdr(reinterpret_cast<const void*>(&DesktopModulePath), &info) == 0 || !info.dli_fname) return {};
  std::error_code error;
  const std::filesystem::path self = std::filesystem::canonical(info.dli_fname, error);
  if (error) return {};
  return (self.parent_path() / kDesktopModuleName).string();
}

DesktopModule* DesktopModuleOnDemand(std::string* why) {
  Bridge& bridge = TheBridge();
  std::lock_guard lock(bridge.mutex);
  if (!bridge.module && !bridge.loadTried) LoadLocked(bridge);
  if (!bridge.module && why) *why = bridge.failure;
  return bridge.module;
}

DesktopModule* AttachedDesktopModule() {
  Bridge& bridge = TheBridge();
  std::lock_guard lock(bridge.mutex);
  return bridge.module;
}

bool AttachDesktopModule(DesktopEntry entry) {
  Bridge& bridge = TheBridge();
  std::lock_guard lock(bridge.mutex);
  return entry && AttachLocked(bridge, entry);
}

}  // namespace tavlen::desktop
