// What the control module keeps once per process rather than per control: the dialogs its controls
// showed and the answer that closes them, the printer a confirmed headless print dialog prints to,
// and the clipboard as another program sees it. One object of the module serves them; hosts reach it
// with QueryInterface on any of the module's controls and may keep it: its references keep the
// module loaded, as a class factory's do.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/automation/unknown.h"
#include "platform/window/win_types.h"

namespace tavlen {

// A dialog that a control of the module showed, and how it was closed.
struct ShownDialog {
  std::string caption;
  std::vector<std::string> texts;
  std::string result;  // "ok", "cancel" or "escape"
};

class IModuleServices : public ole::IUnknown {
 public:
  using Base = ole::IUnknown;
  // {914A7E3A-54F1-4949-A363-FF67880CD5AE}
  static constexpr ole::IID kIid{0x914A7E3A, 0x54F1, 0x4949, {0xA3, 0x63, 0xFF, 0x67, 0x88, 0x0C, 0xD5, 0xAE}};

  // "ok", "cancel" or "escape" (any case) closes every following dialog; E_INVALIDARG for another
  // answer, which changes nothing.
  virtual ole::HRESULT SetDialogAnswer(const std::string& answer) = 0;
  virtual ole::HRESULT GetShownDialogs(std::vector<ShownDialog>* dialogs) = 0;
  virtual ole::HRESULT ClearShownDialogs() = 0;

  // What a confirmed headless print dialog prints to: a CUPS destination, "file:" and a path, or ""
  // for no printer. Until set, the CUPS default destination.
  virtual ole::HRESULT SetPrinter(const std::string& destination) = 0;
  virtual ole::HRESULT GetPrinter(std::string* destination) = 0;

  // The clipboard as another program sees it: the format numbers it holds; its bitmap written as a
  // PNG (S_FALSE when it holds none, E_FAIL when the file cannot be written); text put on it as
  // CF_TEXT (S_FALSE while busy); and busy, which makes every open fail.
  virtual ole::HRESULT GetClipboardFormats(std::vector<uint32_t>* formats) = 0;
  virtual ole::HRESULT SaveClipboardPng(const std::string& path) = 0;
  virtual ole::HRESULT SetClipboardText(const std::string& text) = 0;
  virtual ole::HRESULT SetClipboardBusy(win::BOOL busy) = 0;

 protected:
  ~IModuleServices() = default;
};

}  // namespace tavlen
