// WScript: the desktop script host's object on top of the same functions as Host.
#include "hosts/tavlen/wscript_object.h"

#include <time.h>

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <string>

#include "hosts/tavlen/common_functions.h"
#include "hosts/tavlen/event_sink.h"
#include "hosts/tavlen/host_function_table.h"
#include "hosts/tavlen/script_text.h"

namespace tavlen::host {

namespace {

constexpr const char* kPrefixKey = DUK_HIDDEN_SYMBOL("tavlenEventPrefix");

// Arguments ---------------------------------------------------------------------------------------

NativeResult ArgumentItem(duk_context* ctx, int32_t index) {
  const std::vector<std::string>& arguments = StateOf(ctx).arguments;
  if (static_cast<size_t>(index) >= arguments.size()) {
    return NativeResult::Range("WScript.Arguments: there is no argument " + std::to_string(index) + " (" +
                               std::to_string(arguments.size()) + " given)");
  }
  const std::string argument = ToScriptText(arguments[static_cast<size_t>(index)]);
  duk_push_lstring(ctx, argument.data(), argument.size());
  return NativeResult::Values(1);
}

NativeResult ArgumentCount(duk_context* ctx) {
  duk_push_uint(ctx, static_cast<duk_uint_t>(StateOf(ctx).arguments.size()));
  return NativeResult::Values(1);
}

constexpr HostFunction kArgumentsCall = Bind<ArgumentItem>("Arguments", {Arg::Int("an argument index", 0)});
constexpr HostFunction kArgumentsMembers[] = {
    Bind<ArgumentItem>("Item", {Arg::Int("an argument index", 0)}),
    Bind<ArgumentCount>("Count", {}),
};
static_assert(CheckFunctions(kArgumentsMembers));

// The collection is itself callable, WScript.Arguments(i), as well as WScript.Arguments.Item(i).
void PushArguments(duk_context* ctx) {
  PushHostFunction(ctx, "WScript", kArgumentsCall);
  InstallFunctions(ctx, -1, "WScript.Arguments", kArgumentsMembers);
  duk_push_string(ctx, "length");
  duk_push_uint(ctx, static_cast<duk_uint_t>(StateOf(ctx).arguments.size()));
  duk_def_prop(ctx, -3, DUK_DEFPROP_HAVE_VALUE | DUK_DEFPROP_FORCE | DUK_DEFPROP_CLEAR_WRITABLE);
}

// Text streams ------------------------------------------------------------------------------------

// The first argument as text (nothing when there is none), then the line end when asked for.
NativeResult WriteText(duk_context* ctx, FILE* stream, bool lineEnd) {
  std::string text;
  if (duk_get_top(ctx) > 0) {
    duk_dup(ctx, 0);
    text = FromScriptText(duk_safe_to_string(ctx, -1));
    duk_pop(ctx);
  }
  if (lineEnd) text += '\n';
  std::fwrite(text.data(), 1, text.size(), stream);
  std::fflush(stream);
  return NativeResult::None();
}

NativeResult OutWrite(duk_context* ctx) { return WriteText(ctx, stdout, false); }
NativeResult OutWriteLine(duk_context* ctx) { return WriteText(ctx, stdout, true); }
NativeResult ErrWrite(duk_context* ctx) { return WriteText(ctx, stderr, false); }
NativeResult ErrWriteLine(duk_context* ctx) { return WriteText(ctx, stderr, true); }

constexpr HostFunction kStdOut[] = {BindVariadic<OutWrite>("Write"), BindVariadic<OutWriteLine>("WriteLine")};
constexpr HostFunction kStdErr[] = {BindVariadic<ErrWrite>("Write"), BindVariadic<ErrWriteLine>("WriteLine")};

// Functions ---------------------------------------------------------------------------------------

NativeResult Sleep(duk_context*, int32_t milliseconds) {
  timespec left{milliseconds / 1000, static_cast<long>(milliseconds % 1000) * 1000000L};
  while (::nanosleep(&left, &left) != 0 && errno == EINTR) {
  }
  return NativeResult::None();
}

// An event of a control created with a prefix calls the script's function prefix + event name with the
// event's arguments, when there is one.
NativeResult CallPrefixedHandler(duk_context* ctx) {
  duk_push_current_function(ctx);
  duk_get_prop_string(ctx, -1, kPrefixKey);
  std::string function = duk_safe_to_string(ctx, -1);
  duk_pop_2(ctx);
  function += duk_safe_to_string(ctx, 0);
  if (!duk_get_global_lstring(ctx, function.data(), function.size()) || !duk_is_function(ctx, -1)) {
    duk_pop(ctx);
    return NativeResult::None();
  }
  duk_push_undefined(ctx);  // this
  const duk_size_t count = duk_is_array(ctx, 1) ? duk_get_length(ctx, 1) : 0;
  for (duk_size_t i = 0; i < count; ++i) duk_get_prop_index(ctx, 1, static_cast<duk_uarridx_t>(i));
  if (duk_pcall_method(ctx, static_cast<duk_idx_t>(count)) != 0) return NativeResult::Rethrow();
  duk_pop(ctx);
  return NativeResult::None();
}

NativeResult CreateObject(duk_context* ctx, const std::string& progId, const std::string& eventPrefix) {
  NativeResult created = CreateByProgId(ctx, progId);
  if (created.kind != NativeResult::Kind::Values || eventPrefix.empty()) return created;
  Control* control = ControlAt(ctx, -1);
  if (!control) return created;
  duk_push_c_function(ctx, Native<CallPrefixedHandler>, 2);
  duk_push_lstring(ctx, eventPrefix.data(), eventPrefix.size());
  duk_put_prop_string(ctx, -2, kPrefixKey);
  NativeResult connected = AddEventHandler(ctx, *control, -1, "WScript.CreateObject");
  duk_pop(ctx);
  if (connected.kind == NativeResult::Kind::Values) return created;
  // The script never sees an object whose events it asked for and cannot have.
  StateOf(ctx).controls->Release(control->id);
  return connected;
}

constexpr HostFunction kFunctions[] = {
    BindVariadic<EchoValues>("Echo"),
    Bind<QuitScript>("Quit", {Arg::OptionalInt("an integer exit code", 0)}),
    Bind<Sleep>("Sleep", {Arg::Int("a time in milliseconds", 0)}),
    Bind<CreateObject>("CreateObject",
                       {Arg::String("a ProgID"), Arg::OptionalString("the prefix of the event handlers' names")}),
};
static_assert(CheckFunctions(kFunctions));

void PutString(duk_context* ctx, duk_idx_t object, const char* name, const std::string& value) {
  object = duk_normalize_index(ctx, object);
  duk_push_string(ctx, name);
  duk_push_lstring(ctx, value.data(), value.size());
  duk_def_prop(ctx, object, DUK_DEFPROP_HAVE_VALUE | DUK_DEFPROP_CLEAR_WRITABLE | DUK_DEFPROP_SET_ENUMERABLE);
}

void PutStream(duk_context* ctx, duk_idx_t object, const char* name, const char* qualifiedName,
               std::span<const HostFunction> functions) {
  object = duk_normalize_index(ctx, object);
  duk_push_object(ctx);
  InstallFunctions(ctx, -1, qualifiedName, functions);
  duk_put_prop_string(ctx, object, name);
}

}  // namespace

void InstallWScriptObject(duk_context* ctx) {
  const std::string& script = StateOf(ctx).scriptPath;
  std::error_code error;
  std::filesystem::path full = std::filesystem::absolute(script, error);
  if (error) full = script;

  duk_push_global_object(ctx);
  duk_idx_t wscript = duk_push_object(ctx);
  InstallFunctions(ctx, wscript, "WScript", kFunctions);
  PushArguments(ctx);
  duk_put_prop_string(ctx, wscript, "Arguments");
  PutString(ctx, wscript, "ScriptName", full.filename().string());
  PutString(ctx, wscript, "ScriptFullName", full.lexically_normal().string());
  PutStream(ctx, wscript, "StdOut", "WScript.StdOut", kStdOut);
  PutStream(ctx, wscript, "StdErr", "WScript.StdErr", kStdErr);
  duk_put_prop_string(ctx, -2, "WScript");
  duk_pop(ctx);
}

}  // namespace tavlen::host
