// The print-dialog service: a backend shows the system's print dialog and hands back a device
// context for the printer the user chose. Without a backend the framework's headless dialog serves.
#pragma once

#include <cstdint>
#include <memory>

#include "platform/window/printer.h"

namespace tavlen::win {

class Window;

// Flags of a print-dialog request.
enum PrintDialogFlags : uint32_t { PD_RETURNDC = 0x100 };

struct PrintDialogRequest {
  const Window* owner = nullptr;  // none: the host's windows stay enabled
  uint32_t flags = PD_RETURNDC;
};

class PrintDialogService {
 public:
  virtual ~PrintDialogService() = default;
  // The chosen printer's device context once the user confirmed; null when the dialog was
  // cancelled or there is no printer to choose.
  virtual std::unique_ptr<PrinterDC> Show(const PrintDialogRequest& request) = 0;
};

// A backend's service (null removes it). It must outlive its use.
void InstallPrintDialogService(PrintDialogService* service);
PrintDialogService* InstalledPrintDialogService();

}  // namespace tavlen::win
