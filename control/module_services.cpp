// The module's service object over the framework's dialog list and answer, its headless printer
// choice and the window system's clipboard, all of them process-wide.
#include "control/module_services.h"

#include <atomic>

#include "platform/automation/module_state.h"
#include "platform/framework/dialog.h"
#include "platform/framework/headless_site.h"
#include "platform/framework/print_dlg.h"
#include "platform/graphics/codec_registry.h"
#include "platform/window/clipboard.h"

namespace tavlen {

namespace {

class ModuleServices final : public IModuleServices {
 public:
  ole::HRESULT QueryInterface(const ole::IID& iid, void** object) override {
    if (!object) return ole::E_POINTER;
    *object = nullptr;
    if (!ole::InterfaceChainHas<IModuleServices>(iid)) return ole::E_NOINTERFACE;
    *object = static_cast<IModuleServices*>(this);
    AddRef();
    return ole::S_OK;
  }
  ole::ULONG AddRef() override {
    ole::ModuleState::LockServer();
    return ++m_refs;
  }
  ole::ULONG Release() override {
    const ole::ULONG left = --m_refs;
    ole::ModuleState::UnlockServer();
    return left;
  }

  ole::HRESULT SetDialogAnswer(const std::string& answer) override {
    const bool known = fw::HeadlessSite::AnswerDialogs(answer) == fw::HeadlessSite::Outcome::Done;
    return known ? ole::S_OK : ole::E_INVALIDARG;
  }

  ole::HRESULT GetShownDialogs(std::vector<ShownDialog>* dialogs) override {
    if (!dialogs) return ole::E_POINTER;
    dialogs->clear();
    for (fw::ShownDialog& shown : fw::ShownDialogs()) {
      dialogs->push_back({std::move(shown.caption), std::move(shown.texts), std::move(shown.result)});
    }
    return ole::S_OK;
  }

  ole::HRESULT ClearShownDialogs() override {
    fw::ClearShownDialogs();
    return ole::S_OK;
  }

  ole::HRESULT SetPrinter(const std::string& destination) override {
    fw::SetHeadlessPrinter(destination);
    return ole::S_OK;
  }

  ole::HRESULT GetPrinter(std::string* destination) override {
    if (!destination) return ole::E_POINTER;
    *destination = fw::HeadlessPrinter();
    return ole::S_OK;
  }

  ole::HRESULT GetClipboardFormats(std::vector<uint32_t>* formats) override {
    if (!formats) return ole::E_POINTER;
    *formats = win::Clipboard().Formats();
    return ole::S_OK;
  }

  ole::HRESULT SaveClipboardPng(const std::string& path) override {
    gfx::Bitmap::Ptr bitmap = win::Clipboard().CopyBitmap();
    if (!bitmap) return ole::S_FALSE;
    return bitmap->Save(path, gfx::kPngEncoderClsid) == gfx::Status::Ok ? ole::S_OK : ole::E_FAIL;
  }

  ole::HRESULT SetClipboardText(const std::string& text) override {
    // Another program opens with a window of its own, which this process does not have.
    win::ClipboardSession session(nullptr);
    if (!session.IsOpen()) return ole::S_FALSE;
    win::ClipboardService& clipboard = session.Service();
    win::ClipboardData data = text;
    if (!clipboard.Empty() || !clipboard.SetData(win::CF_TEXT, data)) return ole::E_FAIL;
    return ole::S_OK;
  }

  ole::HRESULT SetClipboardBusy(win::BOOL busy) override {
    win::SetHeadlessClipboardBusy(busy != win::FALSE);
    return ole::S_OK;
  }

 private:
  std::atomic<ole::ULONG> m_refs{0};
};

constinit ModuleServices g_services;

}  // namespace

IModuleServices& TheModuleServices() { return g_services; }

}  // namespace tavlen
