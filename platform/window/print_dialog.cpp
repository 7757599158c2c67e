// The slot where a desktop backend installs its print dialog.
#include "platform/window/print_dialog.h"

#include <atomic>

namespace tavlen::win {

namespace {
std::atomic<PrintDialogService*> g_printDialogs{nullptr};
}  // namespace

void InstallPrintDialogService(PrintDialogService* service) { g_printDialogs.store(service); }

PrintDialogService* InstalledPrintDialogService() { return g_printDialogs.load(); }

}  // namespace tavlen::win
