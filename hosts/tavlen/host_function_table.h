// Tables of script functions (Host.*, WScript.*): each row names a function, says what each argument must
// be, and binds a body whose C++ parameters receive the checked values. One checker reads the rows, so
// every function refuses bad arguments alike ("Host.Resize: argument 2 must be a width in pixels").
//
//   NativeResult Resize(duk_context* ctx, Sited& sited, int32_t width, int32_t height);
//   constexpr HostFunction kFunctions[] = {
//       Bind<Resize>("Resize", {Arg::Sited(), Arg::Int("a width in pixels"), Arg::Int("a height in pixels")}),
//   };
//   static_assert(CheckFunctions(kFunctions));
//
// Binding is consteval: a body whose parameters do not fit the declared arguments, a required argument
// after an optional one, or two rows of one name fail to compile.
#pragma once

#include <duktape.h>

#include <array>
#include <cstdint>
#include <initializer_list>
#include <limits>
#include <span>
#include <string>
#include <tuple>
#include <type_traits>
#include <utility>

#include "hosts/common/named_values.h"
#include "hosts/tavlen/control_table.h"
#include "hosts/tavlen/script_runtime.h"
#include "platform/base/ascii.h"

namespace tavlen::host {

enum class ArgKind : uint8_t {
  SitedControl,    // a live control in a headless window          -> Sited&
  LiveControl,     // a live control                               -> Control&
  AnyControl,      // a control, released or not                    -> Control* (null when released)
  Int,             // a 32-bit integer within [min, max]            -> int32_t
  OptionalInt,     // the same, or undefined for `fallback`         -> int32_t
  String,          // a string                                      -> const std::string&
  OptionalString,  // a string, or undefined or null for ""          -> const std::string&
  Named,           // a name of `names` or a number it accepts      -> int32_t
  Function,        // a function                                    -> ScriptFunction
};

struct ArgSpec {
  ArgKind kind = ArgKind::Int;
  const char* expected = nullptr;  // how a failure says what the argument must be
  int32_t min = std::numeric_limits<int32_t>::min();
  int32_t max = std::numeric_limits<int32_t>::max();
  int32_t fallback = 0;
  const NamedValueSet* names = nullptr;
};

// The argument constructors of the table rows (a Named argument always has its names this way).
namespace Arg {
constexpr ArgSpec Sited() { return {ArgKind::SitedControl, "a control"}; }
constexpr ArgSpec LiveControl() { return {ArgKind::LiveControl, "a live control"}; }
constexpr ArgSpec AnyControl() { return {ArgKind::AnyControl, "a control"}; }
constexpr ArgSpec Int(const char* expected, int32_t min = std::numeric_limits<int32_t>::min(),
                      int32_t max = std::numeric_limits<int32_t>::max()) {
  return {ArgKind::Int, expected, min, max};
}
constexpr ArgSpec OptionalInt(const char* expected, int32_t fallback,
                              int32_t min = std::numeric_limits<int32_t>::min()) {
  return {ArgKind::OptionalInt, expected, min, std::numeric_limits<int32_t>::max(), fallback};
}
constexpr ArgSpec String(const char* expected) { return {ArgKind::String, expected}; }
constexpr ArgSpec OptionalString(const char* expected) { return {ArgKind::OptionalString, expected}; }
constexpr ArgSpec Named(const NamedValueSet& names, const char* expected) {
  ArgSpec spec{ArgKind::Named, expected};
  spec.names = &names;
  return spec;
}
constexpr ArgSpec Function(const char* expected) { return {ArgKind::Function, expected}; }
}  // namespace Arg

// The control of a Sited argument with its headless site.
struct Sited {
  Control* control = nullptr;
  ole::ComPtr<IControlWindow> site;
};

// A function argument: its index on the duktape stack.
struct ScriptFunction {
  duk_idx_t index = 0;
};

inline constexpr size_t kMaxHostArgs = 6;

// The checked values of one call, by position.
struct HostArgs {
  Sited sited;
  std::array<Control*, kMaxHostArgs> controls{};
  std::array<int32_t, kMaxHostArgs> numbers{};
  std::array<std::string, kMaxHostArgs> texts;
};

struct HostFunction {
  const char* name = nullptr;
  std::array<ArgSpec, kMaxHostArgs> args{};
  uint8_t argCount = 0;
  bool variadic = false;  // the body reads the stack itself (Echo)
  duk_c_function function = nullptr;

  constexpr duk_idx_t StackArgs() const { return variadic ? DUK_VARARGS : static_cast<duk_idx_t>(argCount); }
};

// Checks the arguments of the running function against its row: true with `args` filled, or false with
// the failure to throw ("<object>.<name>: argument N must be ...").
bool CheckHostArgs(duk_context* ctx, HostArgs& args, NativeResult* failure);

namespace detail {

// A failed check inside a consteval function stops compilation at the throw, whose text says why.
constexpr void Require(bool condition, const char* why) {
  if (!condition) throw why;
}

template <class T>
struct ArgTaker;
template <>
struct ArgTaker<Sited&> {
  static constexpr bool Fits(ArgKind kind) { return kind == ArgKind::SitedControl; }
  static Sited& Take(HostArgs& args, size_t) { return args.sited; }
};
template <>
struct ArgTaker<Control&> {
  static constexpr bool Fits(ArgKind kind) { return kind == ArgKind::LiveControl; }
  static Control& Take(HostArgs& args, size_t i) { return *args.controls[i]; }
};
template <>
struct ArgTaker<Control*> {
  static constexpr bool Fits(ArgKind kind) { return kind == ArgKind::AnyControl; }
  static Control* Take(HostArgs& args, size_t i) { return args.controls[i]; }
};
template <>
struct ArgTaker<int32_t> {
  static constexpr bool Fits(ArgKind kind) {
    return kind == ArgKind::Int || kind == ArgKind::OptionalInt || kind == ArgKind::Named;
  }
  static int32_t Take(HostArgs& args, size_t i) { return args.numbers[i]; }
};
template <>
struct ArgTaker<const std::string&> {
  static constexpr bool Fits(ArgKind kind) { return kind == ArgKind::String || kind == ArgKind::OptionalString; }
  static const std::string& Take(HostArgs& args, size_t i) { return args.texts[i]; }
};
template <>
struct ArgTaker<ScriptFunction> {
  static constexpr bool Fits(ArgKind kind) { return kind == ArgKind::Function; }
  static ScriptFunction Take(HostArgs&, size_t i) { return {static_cast<duk_idx_t>(i)}; }
};

template <class F>
struct BodyTraits;
template <class... A>
struct BodyTraits<NativeResult (*)(duk_context*, A...)> {
  using Args = std::tuple<A...>;
  static constexpr size_t kArity = sizeof...(A);
};

template <auto Body>
NativeResult CallChecked(duk_context* ctx) {
  using Traits = BodyTraits<decltype(Body)>;
  HostArgs args;
  NativeResult failure;
  if (!CheckHostArgs(ctx, args, &failure)) return failure;
  return [&]<size_t... I>(std::index_sequence<I...>) {
    return Body(ctx, ArgTaker<std::tuple_element_t<I, typename Traits::Args>>::Take(args, I)...);
  }
  (std::make_index_sequence<Traits::kArity>{});
}

}  // namespace detail

// A function whose body gets the checked arguments of `args`, in order.
template <auto Body>
consteval HostFunction Bind(const char* name, std::initializer_list<ArgSpec> args) {
  using Traits = detail::BodyTraits<decltype(Body)>;
  detail::Require(name != nullptr && *name != '\0', "a function needs a name");
  detail::Require(args.size() <= kMaxHostArgs, "too many arguments (see kMaxHostArgs)");
  detail::Require(args.size() == Traits::kArity, "the body takes another number of arguments");
  HostFunction row;
  row.name = name;
  bool optionalSeen = false;
  size_t i = 0;
  for (const ArgSpec& spec : args) {
    detail::Require(spec.expected != nullptr && *spec.expected != '\0', "an argument needs its expectation");
    detail::Require(spec.min <= spec.max, "an argument's range is empty");
    detail::Require(spec.kind != ArgKind::SitedControl || i == 0, "the sited control is the first argument");
    const bool optional = spec.kind == ArgKind::OptionalInt || spec.kind == ArgKind::OptionalString;
    detail::Require(optional || !optionalSeen, "a required argument follows an optional one");
    detail::Require(spec.kind != ArgKind::OptionalInt || (spec.fallback >= spec.min && spec.fallback <= spec.max),
                    "an optional argument's fallback is out of its range");
    optionalSeen = optionalSeen || optional;
    row.args[i++] = spec;
  }
  row.argCount = static_cast<uint8_t>(args.size());
  const bool fits = [&]<size_t... I>(std::index_sequence<I...>) {
    return (detail::ArgTaker<std::tuple_element_t<I, typename Traits::Args>>::Fits(row.args[I].kind) && ... && true);
  }
  (std::make_index_sequence<Traits::kArity>{});
  detail::Require(fits, "a body parameter does not fit its declared argument");
  row.function = &Native<&detail::CallChecked<Body>>;
  return row;
}

// A function that takes any number of values and reads them from the stack itself.
template <NativeBody Body>
consteval HostFunction BindVariadic(const char* name) {
  detail::Require(name != nullptr && *name != '\0', "a function needs a name");
  HostFunction row;
  row.name = name;
  row.variadic = true;
  row.function = &Native<Body>;
  return row;
}

// True when no two rows share a name (in any case); use in a static_assert.
consteval bool CheckFunctions(std::span<const HostFunction> functions) {
  for (size_t i = 0; i < functions.size(); ++i) {
    for (size_t j = 0; j < i; ++j) {
      detail::Require(!base::EqualsNoCase(functions[i].name, functions[j].name), "two rows share a name");
    }
  }
  return true;
}

// Pushes the function of a row; failures name it "<objectName>.<name>" (just the name when objectName is
// empty). `objectName` and `row` must outlive the heap.
void PushHostFunction(duk_context* ctx, const char* objectName, const HostFunction& row);

// Puts the functions on the object at `object`, as PushHostFunction makes them.
void InstallFunctions(duk_context* ctx, duk_idx_t object, const char* objectName,
                      std::span<const HostFunction> functions);

}  // namespace tavlen::host
