// Running one script: the heap, error reporting with the script's own line numbers, and the end of a run.
#include "hosts/tavlen/script_runtime.h"

#include <cstdio>
#include <cstdlib>
#include <sstream>

#include "hosts/tavlen/control_table.h"
#include "hosts/tavlen/host_object.h"
#include "hosts/tavlen/wscript_object.h"
#include "platform/base/file_io.h"

namespace tavlen::host {

namespace {

constexpr const char* kStateKey = DUK_HIDDEN_SYMBOL("tavlenHostState");
constexpr const char* kPendingKey = DUK_HIDDEN_SYMBOL("tavlenPendingError");

// The line of the innermost script function on the call stack (0 when none) and its file name.
int ScriptLine(duk_context* ctx, std::string* fileName) {
  for (duk_int_t level = -1; level > -64; --level) {
    duk_inspect_callstack_entry(ctx, level);
    if (!duk_is_object(ctx, -1)) {
      duk_pop(ctx);
      return 0;
    }
    duk_get_prop_string(ctx, -1, "function");
    bool native = duk_is_c_function(ctx, -1) != 0;
    if (!native) {
      duk_get_prop_string(ctx, -1, "fileName");
      if (duk_is_string(ctx, -1)) *fileName = duk_get_string(ctx, -1);
      duk_pop(ctx);
    }
    duk_pop(ctx);
    if (!native) {
      duk_get_prop_string(ctx, -1, "lineNumber");
      int line = duk_get_int(ctx, -1);
      duk_pop_2(ctx);
      return line;
    }
    duk_pop(ctx);
  }
  return 0;
}

void DefineOwn(duk_context* ctx, duk_idx_t object, const char* name) {
  // The value is on top; Error.prototype's accessors would otherwise keep the host's file and line.
  object = duk_normalize_index(ctx, object);
  duk_push_string(ctx, name);
  duk_insert(ctx, -2);
  duk_def_prop(ctx, object,
               DUK_DEFPROP_HAVE_VALUE | DUK_DEFPROP_FORCE | DUK_DEFPROP_SET_WRITABLE | DUK_DEFPROP_SET_CONFIGURABLE);
}

// Scripts are text of a few kilobytes; the engine would not run one of this size anyway.
constexpr uint64_t kMaxScriptBytes = 256 << 20;

void SetupGlobals(duk_context* ctx) {
  InstallHostObject(ctx);
  InstallActiveXObject(ctx);
  InstallWScriptObject(ctx);
}

// The error at the top of the stack as "file:line: text".
std::string FormatUncaught(duk_context* ctx, const std::string& scriptPath) {
  int line = 0;
  std::string file;
  if (duk_is_error(ctx, -1)) {
    duk_get_prop_string(ctx, -1, "lineNumber");
    line = duk_get_int(ctx, -1);
    duk_pop(ctx);
    duk_get_prop_string(ctx, -1, "fileName");
    if (duk_is_string(ctx, -1)) file = duk_get_string(ctx, -1);
    duk_pop(ctx);
    if (file != scriptPath) {
      // Raised inside the engine: its first script frame is on the traceback.
      duk_get_prop_string(ctx, -1, "stack");
      std::string stack = duk_is_string(ctx, -1) ? duk_get_string(ctx, -1) : "";
      duk_pop(ctx);
      std::string marker = "(" + scriptPath + ":";
      size_t at = stack.find(marker);
      line = at == std::string::npos ? 0 : std::atoi(stack.c_str() + at + marker.size());
    }
  }
  duk_dup_top(ctx);
  std::string text = scriptPath + ":" + std::to_string(line) + ": " + duk_safe_to_string(ctx, -1);
  duk_pop(ctx);
  // The script's own frames follow, innermost first, so a failure inside a helper shows its caller.
  if (duk_is_error(ctx, -1)) {
    duk_get_prop_string(ctx, -1, "stack");
    std::string stack = duk_is_string(ctx, -1) ? duk_get_string(ctx, -1) : "";
    duk_pop(ctx);
    std::istringstream lines(stack);
    std::string frame;
    while (std::getline(lines, frame)) {
      if (frame.find("(" + scriptPath + ":") != std::string::npos) text += "\n" + frame;
    }
  }
  return text;
}

void Fatal(void* /*udata*/, const char* message) {
  std::fprintf(stderr, "tavlen: fatal script engine error: %s\n", message ? message : "");
  std::fflush(stderr);
  std::abort();
}

}  // namespace

HostState& StateOf(duk_context* ctx) {
  duk_push_global_stash(ctx);
  duk_get_prop_string(ctx, -1, kStateKey);
  auto* state = static_cast<HostState*>(duk_get_pointer(ctx, -1));
  duk_pop_2(ctx);
  return *state;
}

NativeResult NativeResult::Failed(const std::string& what, ole::HRESULT hr, const std::string& detail) {
  std::string text = what + " failed: " + ole::FormatHResult(hr);
  std::string name = ole::HResultName(hr);
  if (name != ole::FormatHResult(hr)) text += " (" + name + ")";
  if (!detail.empty()) text += ": " + detail;
  NativeResult result = Fail(std::move(text));
  result.hasHResult = true;
  result.hresult = hr;
  return result;
}

void PushNativeError(duk_context* ctx, const NativeResult& result) {
  duk_errcode_t code = DUK_ERR_ERROR;
  if (result.kind == NativeResult::Kind::TypeError) code = DUK_ERR_TYPE_ERROR;
  if (result.kind == NativeResult::Kind::RangeError) code = DUK_ERR_RANGE_ERROR;
  std::string file;
  int line = ScriptLine(ctx, &file);
  duk_push_error_object(ctx, code, "%s", result.message.c_str());
  if (line > 0) {
    duk_push_int(ctx, line);
    DefineOwn(ctx, -2, "lineNumber");
    duk_push_string(ctx, file.c_str());
    DefineOwn(ctx, -2, "fileName");
  }
  if (result.hasHResult) {
    duk_push_number(ctx, static_cast<uint32_t>(result.hresult));
    duk_put_prop_string(ctx, -2, "hresult");
  }
}

void StashHandlerError(duk_context* ctx) {
  HostState& state = StateOf(ctx);
  if (state.handlerFailed) {
    duk_pop(ctx);
    return;
  }
  duk_push_global_stash(ctx);
  duk_insert(ctx, -2);
  duk_put_prop_string(ctx, -2, kPendingKey);
  duk_pop(ctx);
  state.handlerFailed = true;
}

bool TakePendingError(duk_context* ctx, NativeResult* result) {
  HostState& state = StateOf(ctx);
  if (state.handlerFailed) {
    state.handlerFailed = false;
    duk_push_global_stash(ctx);
    duk_get_prop_string(ctx, -1, kPendingKey);
    duk_push_undefined(ctx);
    duk_put_prop_string(ctx, -3, kPendingKey);
    duk_remove(ctx, -2);
    *result = NativeResult::Rethrow();
    return true;
  }
  if (state.quitRequested) {
    *result = NativeResult::Fail("Host.Quit(" + std::to_string(state.quitCode) + ")");
    return true;
  }
  return false;
}

int RunScript(const std::string& scriptPath, const std::vector<std::string>& arguments) {
  std::string source;
  if (base::ReadWholeFile(scriptPath, source, kMaxScriptBytes) != 0) {
    std::fprintf(stderr, "%s:0: cannot read the script\n", scriptPath.c_str());
    return 1;
  }
  // A "#!" first line lets scripts run as commands; keep the line so numbering stays.
  if (source.rfind("#!", 0) == 0) source.replace(0, 2, "//");

  HostState state;
  state.scriptPath = scriptPath;
  state.arguments = arguments;
  state.controls = std::make_unique<ControlTable>();
  // Scripts answer the module's dialogs with OK until they say otherwise.
  (void)state.controls->Services().SetDialogAnswer("ok");
  duk_context* ctx = duk_create_heap(nullptr, nullptr, nullptr, nullptr, Fatal);
  if (!ctx) {
    std::fprintf(stderr, "tavlen: cannot create the script engine\n");
    return 1;
  }
  state.ctx = ctx;
  duk_push_global_stash(ctx);
  duk_push_pointer(ctx, &state);
  duk_put_prop_string(ctx, -2, kStateKey);
  duk_pop(ctx);
  SetupGlobals(ctx);

  int exitCode = 0;
  duk_push_lstring(ctx, source.data(), source.size());
  duk_push_string(ctx, scriptPath.c_str());
  if (duk_pcompile(ctx, 0) != 0 || duk_pcall(ctx, 0) != 0) {
    if (state.quitRequested) {
      exitCode = state.quitCode;
    } else {
      std::fflush(stdout);
      std::fprintf(stderr, "%s\n", FormatUncaught(ctx, scriptPath).c_str());
      exitCode = 1;
    }
  } else if (state.quitRequested) {
    exitCode = state.quitCode;  // the quit was caught by the script, which then ran to its end
  }
  duk_pop(ctx);
  std::fflush(stdout);
  // Controls go before the heap: their event sinks call into it.
  state.controls->ReleaseAll();
  duk_destroy_heap(ctx);
  state.controls.reset();
  return exitCode;
}

}  // namespace tavlen::host
