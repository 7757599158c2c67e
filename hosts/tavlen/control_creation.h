// Creating controls for a script by ProgID or class identifier.
#pragma once

#include <duktape.h>

#include <cstdint>
#include <string>

#include "hosts/tavlen/script_runtime.h"

namespace tavlen::host {

// Creates a control through the registry and its class factory, sites it in a headless window with
// this client size (from a saved property bag when `propertiesFile` is not empty) and pushes its proxy.
NativeResult CreateControl(duk_context* ctx, const std::string& progIdOrClsid, int32_t width, int32_t height,
                           const std::string& propertiesFile);

}  // namespace tavlen::host
