// A host's end of the control module's process-wide services (dialogs, printer, clipboard): the
// module's service object, held while the host has a control of the module, the settings the host
// made (handed to the module whenever a control links), and the dialog list last seen, which stays
// readable once the last control is gone. Thread-safe: a host may release controls on any thread.
#pragma once

#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "include/tavlen/module_services.h"
#include "platform/automation/com_ptr.h"

namespace tavlen::host {

class ModuleServicesLink {
 public:
  // A control was created: takes its module's services when it offers them and hands them the
  // settings made so far. *linked says whether it did; the host then calls Unlink when it releases
  // that control. Fails (linking nothing) when the module refuses a setting.
  ole::HRESULT Link(ole::IUnknown* control, bool* linked);
  // A linked control was released; with the last one the dialog list is kept and the module let go.
  void Unlink();
  bool Linked() const;

  // Settings, kept and handed on while linked. The answer is checked by the module: E_INVALIDARG
  // (nothing kept) for one it does not know; unchecked while no control is linked.
  ole::HRESULT SetDialogAnswer(const std::string& answer);
  ole::HRESULT SetPrinter(const std::string& destination);
  ole::HRESULT SetClipboardBusy(bool busy);
  std::string DialogAnswer() const;  // "" while none was set
  bool ClipboardBusy() const;
  // The printer set; else the module's choice while linked; else "".
  std::string Printer() const;

  // The module's dialog list while linked (kept as the last seen), else the last seen.
  std::vector<ShownDialog> ShownDialogs();
  // The clipboard while linked. Without a control: no formats, no bitmap (S_FALSE), and
  // E_UNEXPECTED for text, which needs the module.
  ole::HRESULT ClipboardFormats(std::vector<uint32_t>* formats) const;
  ole::HRESULT SaveClipboardPng(const std::string& path) const;
  ole::HRESULT SetClipboardText(const std::string& text) const;

 private:
  ole::HRESULT HandOver(IModuleServices& services) const;

  mutable std::mutex m_mutex;
  ole::ComPtr<IModuleServices> m_services;
  int32_t m_linkedControls = 0;
  std::optional<std::string> m_answer;
  std::optional<std::string> m_printer;
  bool m_clipboardBusy = false;
  std::vector<ShownDialog> m_lastDialogs;
};

}  // namespace tavlen::host
