// Event handlers of controls: the script's functions called as handler(name, args) for every event.
#pragma once

#include <duktape.h>

#include <string>

#include "hosts/tavlen/control_table.h"

namespace tavlen::host {

// Connects `handler` (the function at `index`) to the control's events: called as handler(name, args).
// Failures are blamed on `caller` ("Host.OnEvent").
NativeResult AddEventHandler(duk_context* ctx, Control& control, duk_idx_t index, const std::string& caller);

}  // namespace tavlen::host
