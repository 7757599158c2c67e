// The functions the Host and WScript objects share: echoing values, quitting, creating a control by ProgID.
#pragma once

#include <duktape.h>

#include <cstdint>
#include <string>

#include "hosts/tavlen/script_runtime.h"

namespace tavlen::host {

// Writes all arguments to `out`, separated by blanks, and a line end; the Echo of both objects.
NativeResult EchoValues(duk_context* ctx);
// Ends the script with `code` as the exit code: unwinds with an error the runtime recognises.
NativeResult QuitScript(duk_context* ctx, int32_t code);
// new ActiveXObject(progId) and WScript.CreateObject(progId): a control in a 640 x 480 window.
NativeResult CreateByProgId(duk_context* ctx, const std::string& progId);

}  // namespace tavlen::host
