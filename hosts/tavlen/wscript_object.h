// The global WScript object, as the classic script host of the desktop offers it, so that scripts
// written for that host run unchanged: Echo, Arguments, Quit, Sleep, ScriptName, ScriptFullName,
// CreateObject, StdOut and StdErr.
#pragma once

#include <duktape.h>

namespace tavlen::host {

void InstallWScriptObject(duk_context* ctx);

}  // namespace tavlen::host
