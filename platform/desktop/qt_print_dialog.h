// The print dialog as QPrintDialog: the printer chosen there becomes the destination of the printing
// path (a CUPS destination, or "file:" and the path when the user prints to a file).
#pragma once

#include <string>

#include "platform/desktop/desktop_port.h"

class QPrinter;

namespace tavlen::desktop {

// The destination the printing path uses for what the dialog left in `printer`: "file:" and the
// output file when there is one, else the printer's name ("" when it has none).
std::string DestinationOf(const QPrinter& printer);

class QtPrintDialog final : public win::PrintDialogService {
 public:
  explicit QtPrintDialog(DesktopHost& host) : m_host(host) {}
  // Opens on the host's printer (the CUPS default until a host chooses), recorded as "Print".
  std::unique_ptr<win::PrinterDC> Show(const win::PrintDialogRequest& request) override;

 private:
  DesktopHost& m_host;
};

}  // namespace tavlen::desktop
