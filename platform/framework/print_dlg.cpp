// The headless print dialog: recorded like every dialog of the process, closed with the host's
// answer, and on OK the printer context of the destination the host chose.
#include "platform/framework/print_dlg.h"

#include <mutex>
#include <optional>
#include <vector>

#include "platform/framework/dialog.h"

namespace tavlen::fw {

namespace {

std::mutex g_printerMutex;
std::optional<std::string> g_printer;  // unset: the CUPS default, looked up when asked

}  // namespace

void SetHeadlessPrinter(std::string destination) {
  std::lock_guard<std::mutex> lock(g_printerMutex);
  g_printer = std::move(destination);
}

std::string HeadlessPrinter() {
  {
    std::lock_guard<std::mutex> lock(g_printerMutex);
    if (g_printer) return *g_printer;
  }
  // Asked each time: a default set while the host runs is seen.
  return win::DefaultPrinterName();
}

std::unique_ptr<win::PrinterDC> PrintDlg(const win::PrintDialogRequest& request) {
  if (win::PrintDialogService* backend = win::InstalledPrintDialogService()) return backend->Show(request);
  const std::string printer = HeadlessPrinter();
  std::vector<std::string> texts{"Printer", printer.empty() ? "No printers are installed." : printer, "OK", "Cancel"};
  if (RunRecordedDialog("Print", std::move(texts)) != IDOK) return nullptr;
  return win::CreatePrinterDC(printer);
}

}  // namespace tavlen::fw
