// Controls as JavaScript objects: one Proxy per control whose property reads, writes and method calls
// go through IDispatch by name (any case).
#pragma once

#include <duktape.h>

#include <functional>
#include <string>

#include "hosts/tavlen/control_table.h"

namespace tavlen::host {

// Pushes the proxy of a control.
void PushControl(duk_context* ctx, const Control& control);

// What turns an object a control hands back (a result, an event argument) into a proxy of its own,
// named `name`, in the control table.
std::function<void(ole::IDispatch*)> PushReturnedObject(duk_context* ctx, const std::string& name);

}  // namespace tavlen::host
