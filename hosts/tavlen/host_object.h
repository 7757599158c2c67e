// The global Host object of a script (echo, arguments, quit, control creation, window operations,
// persistence, events, dialogs) and the ActiveXObject constructor.
#pragma once

#include <duktape.h>

namespace tavlen::host {

void InstallHostObject(duk_context* ctx);
// new ActiveXObject(progId) is Host.CreateControl(progId, 640, 480).
void InstallActiveXObject(duk_context* ctx);

}  // namespace tavlen::host
