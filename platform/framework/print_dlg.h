// The print dialog as the control calls it: the backend's dialog when one is installed, else the
// headless one, which the host answers and which opens the printer the host chose.
#pragma once

#include <memory>
#include <string>

#include "platform/window/print_dialog.h"

namespace tavlen::fw {

// The printer device context the user confirmed; null when cancelled or there is no printer (an
// empty or unknown destination). The headless dialog is recorded with caption "Print".
std::unique_ptr<win::PrinterDC> PrintDlg(const win::PrintDialogRequest& request);

// The destination a confirmed headless dialog prints to: a CUPS destination or "file:" and a path.
// Until set it is the CUPS default destination ("" when CUPS has none or is not running).
void SetHeadlessPrinter(std::string destination);
std::string HeadlessPrinter();

}  // namespace tavlen::fw
