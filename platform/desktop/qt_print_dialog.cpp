// QPrintDialog in front of the printing path: the page itself is still drawn by our PDF printer
// context and sent with libcups, so both backends print the same document.
#include "platform/desktop/qt_print_dialog.h"

#include <QPrintDialog>
#include <QPrinter>

#include "platform/desktop/qt_dialogs.h"

namespace tavlen::desktop {

std::string DestinationOf(const QPrinter& printer) {
  if (!printer.outputFileName().isEmpty()) {
    return std::string(win::kFileDestinationPrefix) + printer.outputFileName().toStdString();
  }
  return printer.printerName().toStdString();
}

std::unique_ptr<win::PrinterDC> QtPrintDialog::Show(const win::PrintDialogRequest& /*request*/) {
  QPrinter printer;
  const std::string preset = m_host.HeadlessPrinter();
  if (preset.starts_with(win::kFileDestinationPrefix)) {
    printer.setOutputFileName(QString::fromStdString(preset.substr(win::kFileDestinationPrefix.size())));
  } else if (!preset.empty()) {
    printer.setPrinterName(QString::fromStdString(preset));
  }
  // The control prints one page once: ranges and copies chosen here would not be honoured.
  QPrintDialog dialog(&printer);
  dialog.setWindowTitle(QStringLiteral("Print"));
  dialog.setOption(QAbstractPrintDialog::PrintPageRange, false);
  dialog.setOption(QAbstractPrintDialog::PrintCollateCopies, false);
  dialog.setOption(QAbstractPrintDialog::PrintCurrentPage, false);
  dialog.setOption(QAbstractPrintDialog::PrintSelection, false);
  const std::string shownPrinter = DestinationOf(printer);
  if (RunRecorded(m_host, dialog,
                  {"Printer", shownPrinter.empty() ? "No printers are installed." : shownPrinter, "OK", "Cancel"}) !=
      fw::IDOK) {
    return nullptr;
  }
  return m_host.CreatePrinterDC(DestinationOf(printer));
}

}  // namespace tavlen::desktop
