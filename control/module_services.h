// The module's one service object: dialogs, printer choice and clipboard, kept once per process by
// the framework and the window system, offered to hosts as IModuleServices.
#pragma once

#include "include/tavlen/module_services.h"

namespace tavlen {

// The object, without a reference added: it lives as long as the module. Its references count as
// server locks, so the module stays loaded while a host holds it.
IModuleServices& TheModuleServices();

}  // namespace tavlen
