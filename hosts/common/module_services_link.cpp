// The host's end of the module's services: settings kept on this side, calls passed to the module.
#include "hosts/common/module_services_link.h"

namespace tavlen::host {

ole::HRESULT ModuleServicesLink::HandOver(IModuleServices& services) const {
  ole::HRESULT hr = m_answer ? services.SetDialogAnswer(*m_answer) : ole::S_OK;
  if (ole::SUCCEEDED(hr) && m_printer) hr = services.SetPrinter(*m_printer);
  if (ole::SUCCEEDED(hr) && m_clipboardBusy) hr = services.SetClipboardBusy(win::TRUE);
  return hr;
}

ole::HRESULT ModuleServicesLink::Link(ole::IUnknown* control, bool* linked) {
  if (!control || !linked) return ole::E_POINTER;
  *linked = false;
  ole::ComPtr<IModuleServices> services;
  if (ole::FAILED(control->QueryInterface(IModuleServices::kIid, services.PutVoid()))) return ole::S_OK;
  std::lock_guard<std::mutex> lock(m_mutex);
  const ole::HRESULT hr = HandOver(*services);
  if (ole::FAILED(hr)) return hr;
  if (!m_services) m_services = std::move(services);
  ++m_linkedControls;
  *linked = true;
  return ole::S_OK;
}

void ModuleServicesLink::Unlink() {
  std::lock_guard<std::mutex> lock(m_mutex);
  if (m_linkedControls == 0 || --m_linkedControls > 0) return;
  std::vector<ShownDialog> dialogs;
  if (ole::SUCCEEDED(m_services->GetShownDialogs(&dialogs))) m_lastDialogs = std::move(dialogs);
  m_services.Reset();
}

bool ModuleServicesLink::Linked() const {
  std::lock_guard<std::mutex> lock(m_mutex);
  return static_cast<bool>(m_services);
}

ole::HRESULT ModuleServicesLink::SetDialogAnswer(const std::string& answer) {
  std::lock_guard<std::mutex> lock(m_mutex);
  if (m_services) {
    if (ole::HRESULT hr = m_services->SetDialogAnswer(answer); ole::FAILED(hr)) return hr;
  }
  m_answer = answer;
  return ole::S_OK;
}

ole::HRESULT ModuleServicesLink::SetPrinter(const std::string& destination) {
  std::lock_guard<std::mutex> lock(m_mutex);
  m_printer = destination;
  return m_services ? m_services->SetPrinter(destination) : ole::S_OK;
}

ole::HRESULT ModuleServicesLink::SetClipboardBusy(bool busy) {
  std::lock_guard<std::mutex> lock(m_mutex);
  m_clipboardBusy = busy;
  return m_services ? m_services->SetClipboardBusy(busy ? win::TRUE : win::FALSE) : ole::S_OK;
}

std::string ModuleServicesLink::DialogAnswer() const {
  std::lock_guard<std::mutex> lock(m_mutex);
  return m_answer.value_or(std::string());
}

bool ModuleServicesLink::ClipboardBusy() const {
  std::lock_guard<std::mutex> lock(m_mutex);
  return m_clipboardBusy;
}

std::string ModuleServicesLink::Printer() const {
  std::lock_guard<std::mutex> lock(m_mutex);
  std::string printer = m_printer.value_or(std::string());
  if (m_services && !m_printer) (void)m_services->GetPrinter(&printer);  // "" when the module cannot say
  return printer;
}

std::vector<ShownDialog> ModuleServicesLink::ShownDialogs() {
  std::lock_guard<std::mutex> lock(m_mutex);
  std::vector<ShownDialog> dialogs;
  if (m_services && ole::SUCCEEDED(m_services->GetShownDialogs(&dialogs))) m_lastDialogs = std::move(dialogs);
  return m_lastDialogs;
}

ole::HRESULT ModuleServicesLink::ClipboardFormats(std::vector<uint32_t>* formats) const {
  if (!formats) return ole::E_POINTER;
  formats->clear();
  std::lock_guard<std::mutex> lock(m_mutex);
  return m_services ? m_services->GetClipboardFormats(formats) : ole::S_OK;
}

ole::HRESULT ModuleServicesLink::SaveClipboardPng(const std::string& path) const {
  std::lock_guard<std::mutex> lock(m_mutex);
  return m_services ? m_services->SaveClipboardPng(path) : ole::S_FALSE;
}

ole::HRESULT ModuleServicesLink::SetClipboardText(const std::string& text) const {
  std::lock_guard<std::mutex> lock(m_mutex);
  return m_services ? m_services->SetClipboardText(text) : ole::E_UNEXPECTED;
}

}  // namespace tavlen::host
