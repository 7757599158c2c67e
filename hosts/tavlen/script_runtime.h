// The script side of the host: one duktape heap running one script with Host and ActiveXObject, the
// per-heap host state, and the discipline every native function follows when it fails.
#pragma once

#include <duktape.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/automation/hresult.h"

namespace tavlen::host {

class ControlTable;

// What the native functions of one heap share.
struct HostState {
  duk_context* ctx = nullptr;
  std::string scriptPath;
  std::vector<std::string> arguments;
  bool autoPump = true;
  bool quitRequested = false;
  int quitCode = 0;
  // Set when an event handler threw inside a call into a control; thrown again when that call returns.
  bool handlerFailed = false;
  std::unique_ptr<ControlTable> controls;
};

HostState& StateOf(duk_context* ctx);

// The outcome of a native body: how many values it pushed, or an error to throw. Duktape unwinds with
// longjmp, so a body never throws itself: it returns a failure and the wrapper throws once the body's
// C++ objects are gone.
struct NativeResult {
  enum class Kind { Values, Error, TypeError, RangeError, Rethrow };
  Kind kind = Kind::Values;
  duk_ret_t count = 0;
  std::string message;
  bool hasHResult = false;
  ole::HRESULT hresult = 0;

  static NativeResult Values(duk_ret_t count) { return {Kind::Values, count, {}, false, 0}; }
  static NativeResult None() { return Values(0); }
  static NativeResult Fail(std::string message) { return {Kind::Error, 0, std::move(message), false, 0}; }
  static NativeResult Type(std::string message) { return {Kind::TypeError, 0, std::move(message), false, 0}; }
  static NativeResult Range(std::string message) { return {Kind::RangeError, 0, std::move(message), false, 0}; }
  // A failed automation call: the message holds `what` and the HRESULT in hex.
  static NativeResult Failed(const std::string& what, ole::HRESULT hr, const std::string& detail = {});
  // The error value left on top of the stack (a handler's error, a quit) is thrown as it is.
  static NativeResult Rethrow() { return {Kind::Rethrow, 0, {}, false, 0}; }
};

using NativeBody = NativeResult (*)(duk_context* ctx);

// Pushes an error object of `result` blamed on the nearest script line (not on host code).
void PushNativeError(duk_context* ctx, const NativeResult& result);
// What a body returns when a quit was requested or an event handler failed: the pending error pushed.
// Returns false when nothing is pending.
bool TakePendingError(duk_context* ctx, NativeResult* result);

template <NativeBody Body>
duk_ret_t Native(duk_context* ctx) {
  bool fail = false;
  duk_ret_t count = 0;
  {
    NativeResult pending;
    NativeResult result = TakePendingError(ctx, &pending) ? std::move(pending) : Body(ctx);
    if (result.kind == NativeResult::Kind::Values) {
      count = result.count;
    } else {
      if (result.kind != NativeResult::Kind::Rethrow) PushNativeError(ctx, result);
      fail = true;
    }
  }
  if (fail) return duk_throw(ctx);
  return count;
}

// Remembers the error value on top of the stack (popped) as the one to throw when the current call into
// a control returns; the first one wins.
void StashHandlerError(duk_context* ctx);

// Runs a script file with its arguments; returns the process exit code: 0, Host.Quit's code, or 1 after
// printing "SCRIPT:LINE: message" for an uncaught error (or a script that cannot be read or compiled).
int RunScript(const std::string& scriptPath, const std::vector<std::string>& arguments);

}  // namespace tavlen::host
