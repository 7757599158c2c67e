// Echo, Quit and creation by ProgID, shared by the Host and WScript objects.
#include "hosts/tavlen/common_functions.h"

#include <cstdio>

#include "hosts/tavlen/control_creation.h"
#include "hosts/tavlen/script_text.h"

namespace tavlen::host {

namespace {

constexpr int32_t kDefaultWidth = 640;
constexpr int32_t kDefaultHeight = 480;

}  // namespace

NativeResult EchoValues(duk_context* ctx) {
  std::string line;
  duk_idx_t count = duk_get_top(ctx);
  for (duk_idx_t i = 0; i < count; ++i) {
    if (i > 0) line += ' ';
    duk_dup(ctx, i);
    line += FromScriptText(duk_safe_to_string(ctx, -1));
    duk_pop(ctx);
  }
  line += '\n';
  std::fwrite(line.data(), 1, line.size(), stdout);
  std::fflush(stdout);
  return NativeResult::None();
}

NativeResult QuitScript(duk_context* ctx, int32_t code) {
  HostState& state = StateOf(ctx);
  state.quitRequested = true;
  state.quitCode = code;
  return NativeResult::Fail("Host.Quit(" + std::to_string(code) + ")");
}

NativeResult CreateByProgId(duk_context* ctx, const std::string& progId) {
  return CreateControl(ctx, progId, kDefaultWidth, kDefaultHeight, {});
}

}  // namespace tavlen::host
