// Dispatch tables: one static table per interface, rows in declaration order, each row binding a
// name, DISPID, kind, argument and result types to a member function or member variable of a class.
// The generic Invoke (dispatch_invoke.h) and the type library (type_library.h) both read these rows.
//
//   using B = ole::Bind<CMyCtrl>;
//   static constexpr ole::DispatchMember kMembers[] = {
//       B::Property<&CMyCtrl::m_align, &CMyCtrl::OnAlignChanged>("Align", 1, {ole::VT_I2, "ImageAlign"}),
//       B::Method<&CMyCtrl::LoadImage>("LoadImage", 33, ole::VT_EMPTY, {{"FilePath", ole::VT_BSTR}}),
//       B::Stock<&CMyCtrl::GetBackColor, &CMyCtrl::SetBackColor>("BackColor", -501, {ole::VT_UI4, "OLE_COLOR"}),
//   };
//   static constexpr ole::DispatchTable kTable = ole::MakeTable<CMyCtrl>("_DMine", kIid, "help", kMembers);
//
// Every binder is consteval: a handler whose arity or C++ types do not fit the declared automation types,
// duplicate DISPIDs or names, fail to compile.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <span>
#include <string>
#include <string_view>
#include <tuple>
#include <type_traits>
#include <utility>

#include "platform/automation/dispatch.h"
#include "platform/automation/variant.h"
#include "platform/base/ascii.h"

namespace tavlen::ole {

// An automation type, optionally under a name the type library knows it by ("OLE_COLOR", an enumeration).
struct TypeRef {
  VARTYPE vt = VT_EMPTY;
  const char* name = nullptr;

  constexpr TypeRef() = default;
  constexpr TypeRef(VARTYPE type, const char* alias = nullptr) : vt(type), name(alias) {}
  constexpr TypeRef(VarEnum type) : vt(type) {}
};

struct ParamDesc {
  const char* name = nullptr;
  TypeRef type;
};

enum class MemberKind : uint8_t {
  Method,
  Property,        // a value with get and (optionally) put, no notification
  PropertyNotify,  // a member variable whose put calls a change notification after storing
  StockProperty,   // one of the standard properties, with the standard DISPID
};

inline constexpr size_t kMaxParams = 8;

// Handlers, generated from the bound members. `self` is the object the table is bound to; arguments
// arrive already converted to their declared types, in declaration order.
using MethodThunk = void (*)(void* self, Variant* args, Variant* result, VARTYPE resultType);
using GetThunk = void (*)(void* self, Variant* value, VARTYPE type);
using PutThunk = void (*)(void* self, const Variant& value);

struct DispatchMember {
  const char* name = nullptr;
  DISPID dispid = 0;
  MemberKind kind = MemberKind::Method;
  TypeRef type;  // the result of a method, the value of a property
  std::array<ParamDesc, kMaxParams> params{};
  uint8_t paramCount = 0;
  const char* help = nullptr;
  MethodThunk method = nullptr;
  GetThunk get = nullptr;
  PutThunk put = nullptr;
  const void* owner = nullptr;  // identifies the class the handlers expect; null for event rows

  constexpr bool IsProperty() const { return kind != MemberKind::Method; }
  constexpr bool IsReadOnly() const { return IsProperty() && put == nullptr; }
  constexpr std::span<const ParamDesc> Params() const { return {params.data(), paramCount}; }
};

struct DispatchTable {
  const char* name = nullptr;  // "_DMyCtrl"
  IID iid;
  const char* help = nullptr;
  std::span<const DispatchMember> members;
  uint16_t typeFlags = 0;       // TYPEFLAG_* of the type library entry
  const void* owner = nullptr;  // null for an event (outgoing) interface

  const DispatchMember* FindId(DISPID id) const;
  // Case-insensitive, as name lookup by callers is.
  const DispatchMember* FindName(std::string_view name) const;
};

namespace detail {

template <class T>
struct OwnerTag {
  static constexpr char kTag = 0;
};

constexpr bool SameName(const char* a, const char* b) { return base::EqualsNoCase(a, b); }

// How a C++ parameter or member type takes a value of a declared automation type.
template <class T>
struct Marshal;

template <>
struct Marshal<int8_t> {
  static constexpr bool Accepts(VARTYPE vt) { return vt == VT_I1; }
  static int8_t From(const Variant& v) { return v.I1(); }
};
template <>
struct Marshal<uint8_t> {
  static constexpr bool Accepts(VARTYPE vt) { return vt == VT_UI1; }
  static uint8_t From(const Variant& v) { return v.UI1(); }
};
template <>
struct Marshal<int16_t> {
  // VT_BOOL into a short keeps the raw VARIANT_BOOL (-1 / 0).
  static constexpr bool Accepts(VARTYPE vt) { return vt == VT_I2 || vt == VT_BOOL; }
  static int16_t From(const Variant& v) { return v.Type() == VT_BOOL ? v.BoolVal() : v.I2(); }
};
template <>
struct Marshal<uint16_t> {
  static constexpr bool Accepts(VARTYPE vt) { return vt == VT_UI2; }
  static uint16_t From(const Variant& v) { return v.UI2(); }
};
template <>
struct Marshal<int32_t> {
  // VT_BOOL into a 32-bit integer is a BOOL: TRUE (1) or FALSE (0).
  static constexpr bool Accepts(VARTYPE vt) { return vt == VT_I4 || vt == VT_INT || vt == VT_BOOL || vt == VT_ERROR; }
  static int32_t From(const Variant& v) {
    if (v.Type() == VT_BOOL) return v.BoolVal() != 0 ? 1 : 0;
    if (v.Type() == VT_ERROR) return v.ErrorCode();
    return v.I4();
  }
};
template <>
struct Marshal<uint32_t> {
  // Colours are unsigned but often declared as long: the bits pass unchanged.
  static constexpr bool Accepts(VARTYPE vt) { return vt == VT_UI4 || vt == VT_UINT || vt == VT_I4; }
  static uint32_t From(const Variant& v) { return v.UI4(); }
};
template <>
struct Marshal<int64_t> {
  static constexpr bool Accepts(VARTYPE vt) { return vt == VT_I8; }
  static int64_t From(const Variant& v) { return v.I8(); }
};
template <>
struct Marshal<uint64_t> {
  static constexpr bool Accepts(VARTYPE vt) { return vt == VT_UI8; }
  static uint64_t From(const Variant& v) { return v.UI8(); }
};
template <>
struct Marshal<float> {
  static constexpr bool Accepts(VARTYPE vt) { return vt == VT_R4; }
  static float From(const Variant& v) { return v.R4(); }
};
template <>
struct Marshal<double> {
  static constexpr bool Accepts(VARTYPE vt) { return vt == VT_R8; }
  static double From(const Variant& v) { return v.R8(); }
};
template <>
struct Marshal<bool> {
  static constexpr bool Accepts(VARTYPE vt) { return vt == VT_BOOL; }
  static bool From(const Variant& v) { return v.BoolVal() != 0; }
};
template <>
struct Marshal<std::string> {
  static constexpr bool Accepts(VARTYPE vt) { return vt == VT_BSTR; }
  static const std::string& From(const Variant& v) { return v.Bstr(); }
};
template <>
struct Marshal<Variant> {
  static constexpr bool Accepts(VARTYPE vt) { return vt == VT_VARIANT; }
  static const Variant& From(const Variant& v) { return v; }
};
template <>
struct Marshal<IDispatch*> {
  static constexpr bool Accepts(VARTYPE vt) { return vt == VT_DISPATCH; }
  static IDispatch* From(const Variant& v) { return v.Dispatch(); }
};
template <>
struct Marshal<IUnknown*> {
  static constexpr bool Accepts(VARTYPE vt) { return vt == VT_UNKNOWN; }
  static IUnknown* From(const Variant& v) { return v.Unknown(); }
};

template <class T>
using Plain = std::remove_cvref_t<T>;

template <class T>
constexpr bool IsMarshalled = requires {
  Marshal<Plain<T>>::Accepts(VT_EMPTY);
};

// A C++ value as a variant of the declared type; only pairs that Marshal accepts reach here.
template <class T>
Variant ToVariant(const T& value, VARTYPE vt) {
  using P = Plain<T>;
  if constexpr (std::is_same_v<P, bool> || std::is_same_v<P, int16_t> || std::is_same_v<P, int32_t>) {
    if (vt == VT_BOOL) return Variant::Bool(value);
  }
  if constexpr (std::is_same_v<P, int32_t>) {
    if (vt == VT_INT) return Variant::Int(value);
    if (vt == VT_ERROR) return Variant::Error(value);
  }
  if constexpr (std::is_same_v<P, uint32_t>) {
    if (vt == VT_UINT) return Variant::UInt(value);
    if (vt == VT_I4) return Variant(static_cast<int32_t>(value));
  }
  return Variant(value);
}

template <class F>
struct FnTraits;
template <class C, class R, class... A>
struct FnTraits<R (C::*)(A...)> {
  using Class = C;
  using Result = R;
  using Args = std::tuple<A...>;
  static constexpr size_t kArity = sizeof...(A);
};
template <class C, class R, class... A>
struct FnTraits<R (C::*)(A...) const> : FnTraits<R (C::*)(A...)> {};
template <class C, class R, class... A>
struct FnTraits<R (C::*)(A...) noexcept> : FnTraits<R (C::*)(A...)> {};
template <class C, class R, class... A>
struct FnTraits<R (C::*)(A...) const noexcept> : FnTraits<R (C::*)(A...)> {};

template <class M>
struct MemberTraits;
template <class C, class T>
struct MemberTraits<T C::*> {
  using Class = C;
  using Type = T;
};

template <class Self, auto Fn>
void CallMethod(void* self, Variant* args, Variant* result, VARTYPE resultType) {
  using Traits = FnTraits<decltype(Fn)>;
  Self* object = static_cast<Self*>(self);
  [&]<size_t... I>(std::index_sequence<I...>) {
    if constexpr (std::is_void_v<typename Traits::Result>) {
      (object->*Fn)(Marshal<Plain<std::tuple_element_t<I, typename Traits::Args>>>::From(args[I])...);
    } else {
      auto value = (object->*Fn)(Marshal<Plain<std::tuple_element_t<I, typename Traits::Args>>>::From(args[I])...);
      if (result) *result = ToVariant(value, resultType);
    }
  }
  (std::make_index_sequence<Traits::kArity>{});
}

template <class Self, auto Member>
void GetMember(void* self, Variant* value, VARTYPE type) {
  *value = ToVariant(static_cast<Self*>(self)->*Member, type);
}

template <class Self, auto Member, auto Notify>
void PutMember(void* self, const Variant& value) {
  using T = typename MemberTraits<decltype(Member)>::Type;
  Self* object = static_cast<Self*>(self);
  object->*Member = static_cast<T>(Marshal<T>::From(value));
  if constexpr (!std::is_same_v<decltype(Notify), std::nullptr_t>) (object->*Notify)();
}

template <class Self, auto Get>
void GetByFunction(void* self, Variant* value, VARTYPE type) {
  *value = ToVariant((static_cast<Self*>(self)->*Get)(), type);
}

template <class Self, auto Put>
void PutByFunction(void* self, const Variant& value) {
  using Arg = Plain<std::tuple_element_t<0, typename FnTraits<decltype(Put)>::Args>>;
  (static_cast<Self*>(self)->*Put)(Marshal<Arg>::From(value));
}

// A failed check inside a consteval function stops compilation at the throw, whose text says why.
constexpr void Require(bool condition, const char* why) {
  if (!condition) throw why;
}

constexpr DispatchMember Describe(const char* name, DISPID id, MemberKind kind, TypeRef type,
                                  std::initializer_list<ParamDesc> params, const char* help) {
  Require(name != nullptr && *name != '\0', "a member needs a name");
  Require(params.size() <= kMaxParams, "too many parameters (see kMaxParams)");
  DispatchMember row;
  row.name = name;
  row.dispid = id;
  row.kind = kind;
  row.type = type;
  row.help = help;
  size_t i = 0;
  for (const ParamDesc& p : params) {
    Require(p.name != nullptr && *p.name != '\0', "a parameter needs a name");
    Require(p.type.vt != VT_EMPTY, "a parameter needs a type");
    row.params[i++] = p;
  }
  row.paramCount = static_cast<uint8_t>(params.size());
  return row;
}

}  // namespace detail

// Binders of rows to members of Self (members of a base class of Self are fine).
template <class Self>
struct Bind {
  // A method: the handler's parameters and result must fit `params` and `result` (VT_EMPTY for void).
  template <auto Fn>
  static consteval DispatchMember Method(const char* name, DISPID id, TypeRef result,
                                         std::initializer_list<ParamDesc> params, const char* help = nullptr) {
    using Traits = detail::FnTraits<decltype(Fn)>;
    DispatchMember row = detail::Describe(name, id, MemberKind::Method, result, params, help);
    detail::Require(params.size() == Traits::kArity, "the handler takes another number of arguments");
    bool fits = [&]<size_t... I>(std::index_sequence<I...>) {
      return (detail::Marshal<detail::Plain<std::tuple_element_t<I, typename Traits::Args>>>::Accepts(
                  row.params[I].type.vt) &&
              ... && true);
    }
    (std::make_index_sequence<Traits::kArity>{});
    detail::Require(fits, "a handler argument does not fit its declared automation type");
    if constexpr (std::is_void_v<typename Traits::Result>) {
      detail::Require(result.vt == VT_EMPTY, "a void handler must declare VT_EMPTY");
    } else {
      detail::Require(detail::Marshal<detail::Plain<typename Traits::Result>>::Accepts(result.vt),
                      "the handler's result does not fit its declared automation type");
    }
    row.method = &detail::CallMethod<Self, Fn>;
    row.owner = &detail::OwnerTag<Self>::kTag;
    return row;
  }

  // A member variable read and written directly; Notify (a member function without arguments) is
  // called after every put.
  template <auto Member, auto Notify = nullptr>
  static consteval DispatchMember Property(const char* name, DISPID id, TypeRef type, const char* help = nullptr) {
    using T = typename detail::MemberTraits<decltype(Member)>::Type;
    constexpr bool notifies = !std::is_same_v<decltype(Notify), std::nullptr_t>;
    DispatchMember row =
        detail::Describe(name, id, notifies ? MemberKind::PropertyNotify : MemberKind::Property, type, {}, help);
    detail::Require(detail::Marshal<T>::Accepts(type.vt), "the member does not fit its declared automation type");
    row.get = &detail::GetMember<Self, Member>;
    row.put = &detail::PutMember<Self, Member, Notify>;
    row.owner = &detail::OwnerTag<Self>::kTag;
    return row;
  }

  // A property read and written through functions; without Put it is read-only.
  template <auto Get, auto Put = nullptr>
  static consteval DispatchMember PropertyGetPut(const char* name, DISPID id, TypeRef type,
                                                 const char* help = nullptr) {
    return Accessors<Get, Put>(name, id, MemberKind::Property, type, help);
  }

  // A standard property (BackColor, Enabled, ...) kept by a base class, under its standard DISPID.
  template <auto Get, auto Put = nullptr>
  static consteval DispatchMember Stock(const char* name, DISPID id, TypeRef type, const char* help = nullptr) {
    return Accessors<Get, Put>(name, id, MemberKind::StockProperty, type, help);
  }

 private:
  template <auto Get, auto Put>
  static consteval DispatchMember Accessors(const char* name, DISPID id, MemberKind kind, TypeRef type,
                                            const char* help) {
    using GetTraits = detail::FnTraits<decltype(Get)>;
    DispatchMember row = detail::Describe(name, id, kind, type, {}, help);
    detail::Require(GetTraits::kArity == 0, "a property getter takes no arguments");
    detail::Require(detail::Marshal<detail::Plain<typename GetTraits::Result>>::Accepts(type.vt),
                    "the getter's result does not fit the declared automation type");
    row.get = &detail::GetByFunction<Self, Get>;
    if constexpr (!std::is_same_v<decltype(Put), std::nullptr_t>) {
      using PutTraits = detail::FnTraits<decltype(Put)>;
      detail::Require(PutTraits::kArity == 1, "a property setter takes one argument");
      detail::Require(
          detail::Marshal<detail::Plain<std::tuple_element_t<0, typename PutTraits::Args>>>::Accepts(type.vt),
          "the setter's argument does not fit the declared automation type");
      row.put = &detail::PutByFunction<Self, Put>;
    }
    row.owner = &detail::OwnerTag<Self>::kTag;
    return row;
  }
};

// A row of an outgoing (event) interface: described only, the sinks implement it.
consteval DispatchMember Event(const char* name, DISPID id, std::initializer_list<ParamDesc> params,
                               const char* help = nullptr) {
  return detail::Describe(name, id, MemberKind::Method, VT_EMPTY, params, help);
}

namespace detail {

constexpr void CheckMembers(std::span<const DispatchMember> members, const void* owner) {
  for (size_t i = 0; i < members.size(); ++i) {
    Require(members[i].owner == owner, "a row is bound to another class than the table");
    for (size_t j = 0; j < i; ++j) {
      Require(members[i].dispid != members[j].dispid, "two rows share a DISPID");
      Require(!SameName(members[i].name, members[j].name), "two rows share a name");
    }
  }
}

}  // namespace detail

// The table of an interface implemented by Self.
template <class Self>
consteval DispatchTable MakeTable(const char* name, const IID& iid, const char* help,
                                  std::span<const DispatchMember> members, uint16_t typeFlags = 0) {
  detail::CheckMembers(members, &detail::OwnerTag<Self>::kTag);
  return DispatchTable{name, iid, help, members, typeFlags, &detail::OwnerTag<Self>::kTag};
}

// The table of an event interface: rows made by Event().
consteval DispatchTable MakeEventTable(const char* name, const IID& iid, const char* help,
                                       std::span<const DispatchMember> members, uint16_t typeFlags = 0) {
  detail::CheckMembers(members, nullptr);
  return DispatchTable{name, iid, help, members, typeFlags, nullptr};
}

// True when `table` was made for Self (what a dispatcher checks before it casts back to Self).
template <class Self>
bool TableBelongsTo(const DispatchTable& table) {
  return table.owner == &detail::OwnerTag<Self>::kTag;
}

}  // namespace tavlen::ole
