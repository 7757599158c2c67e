// Variant storage: copying with shared interfaces, references, equality and type names.
#include "platform/automation/variant.h"

#include <utility>

#include "platform/automation/dispatch.h"

namespace tavlen::ole {

namespace {

struct TypeNames {
  VARTYPE vt;
  const char* constant;
  const char* idl;
};

constexpr TypeNames kTypeNames[] = {
    {VT_EMPTY, "VT_EMPTY", "void"},
    {VT_NULL, "VT_NULL", "?"},
    {VT_I2, "VT_I2", "short"},
    {VT_I4, "VT_I4", "long"},
    {VT_R4, "VT_R4", "float"},
    {VT_R8, "VT_R8", "double"},
    {VT_CY, "VT_CY", "CURRENCY"},
    {VT_DATE, "VT_DATE", "DATE"},
    {VT_BSTR, "VT_BSTR", "BSTR"},
    {VT_DISPATCH, "VT_DISPATCH", "IDispatch*"},
    {VT_ERROR, "VT_ERROR", "SCODE"},
    {VT_BOOL, "VT_BOOL", "VARIANT_BOOL"},
    {VT_VARIANT, "VT_VARIANT", "VARIANT"},
    {VT_UNKNOWN, "VT_UNKNOWN", "IUnknown*"},
    {VT_DECIMAL, "VT_DECIMAL", "DECIMAL"},
    {VT_I1, "VT_I1", "char"},
    {VT_UI1, "VT_UI1", "unsigned char"},
    {VT_UI2, "VT_UI2", "unsigned short"},
    {VT_UI4, "VT_UI4", "unsigned long"},
    {VT_I8, "VT_I8", "int64"},
    {VT_UI8, "VT_UI8", "uint64"},
    {VT_INT, "VT_INT", "int"},
    {VT_UINT, "VT_UINT", "unsigned int"},
    {VT_VOID, "VT_VOID", "void"},
    {VT_HRESULT, "VT_HRESULT", "HRESULT"},
};

const TypeNames* FindType(VARTYPE vt) {
  for (const TypeNames& t : kTypeNames) {
    if (t.vt == vt) return &t;
  }
  return nullptr;
}

void AddRefInterface(VARTYPE vt, IDispatch* dispatch, IUnknown* unknown) {
  if (vt == VT_DISPATCH && dispatch) dispatch->AddRef();
  if (vt == VT_UNKNOWN && unknown) unknown->AddRef();
}

}  // namespace

const char* VarTypeIdlName(VARTYPE vt) {
  const TypeNames* t = FindType(vt);
  return t ? t->idl : "?";
}

std::string VarTypeName(VARTYPE vt) {
  const TypeNames* t = FindType(vt & VT_TYPEMASK);
  std::string name = t ? t->constant : "VT_" + std::to_string(vt & VT_TYPEMASK);
  if (vt & VT_BYREF) name += "|VT_BYREF";
  return name;
}

Variant::Variant(IDispatch* v) : m_vt(VT_DISPATCH) {
  m_v.dispatch = v;
  if (v) v->AddRef();
}

Variant::Variant(IUnknown* v) : m_vt(VT_UNKNOWN) {
  m_v.unknown = v;
  if (v) v->AddRef();
}

Variant Variant::Null() {
  Variant v;
  v.m_vt = VT_NULL;
  return v;
}

Variant Variant::Error(SCODE code) {
  Variant v;
  v.m_vt = VT_ERROR;
  v.m_v.scode = code;
  return v;
}

Variant Variant::Int(int32_t value) {
  Variant v(value);
  v.m_vt = VT_INT;
  return v;
}

Variant Variant::UInt(uint32_t value) {
  Variant v(value);
  v.m_vt = VT_UINT;
  return v;
}

Variant Variant::MakeRef(VARTYPE base, void* p) {
  Variant v;
  v.m_vt = static_cast<VARTYPE>(base | VT_BYREF);
  v.m_v.byref = p;
  return v;
}

Variant::Variant(const Variant& other) { CopyFrom(other); }
Variant::Variant(Variant&& other) noexcept { MoveFrom(other); }

Variant& Variant::operator=(const Variant& other) {
  if (this != &other) {
    Variant copy(other);
    Clear();
    MoveFrom(copy);
  }
  return *this;
}

Variant& Variant::operator=(Variant&& other) noexcept {
  if (this != &other) {
    Clear();
    MoveFrom(other);
  }
  return *this;
}

Variant::~Variant() { Clear(); }

void Variant::CopyFrom(const Variant& other) {
  m_vt = other.m_vt;
  m_v = other.m_v;
  m_bstr = other.m_bstr;
  AddRefInterface(m_vt, m_v.dispatch, m_v.unknown);
}

void Variant::MoveFrom(Variant& other) noexcept {
  m_vt = std::exchange(other.m_vt, VT_EMPTY);
  m_v = std::exchange(other.m_v, Value{.i8 = 0});
  m_bstr = std::move(other.m_bstr);
  other.m_bstr.clear();
}

void Variant::Clear() {
  // Take the pointer out first: a Release may re-enter code that looks at this variant.
  VARTYPE vt = std::exchange(m_vt, VT_EMPTY);
  Value v = std::exchange(m_v, Value{.i8 = 0});
  m_bstr.clear();
  if (vt == VT_DISPATCH && v.dispatch) v.dispatch->Release();
  if (vt == VT_UNKNOWN && v.unknown) v.unknown->Release();
}

Variant Variant::Deref() const {
  if (!IsByRef()) return *this;
  VARTYPE base = m_vt & VT_TYPEMASK;
  if (!m_v.byref) return Variant();
  switch (base) {
    case VT_I2:
      return Variant(*static_cast<int16_t*>(m_v.byref));
    case VT_I4:
      return Variant(*static_cast<int32_t*>(m_v.byref));
    case VT_R8:
      return Variant(*static_cast<double*>(m_v.byref));
    case VT_BSTR:
      return Variant(*static_cast<std::string*>(m_v.byref));
    case VT_BOOL:
      return Bool(*static_cast<VARIANT_BOOL*>(m_v.byref));
    case VT_VARIANT: {
      const Variant& inner = *static_cast<Variant*>(m_v.byref);
      // A reference to a reference is not followed further, as the runtime does.
      return inner.IsByRef() ? Variant() : inner;
    }
    default:
      return Variant();
  }
}

HRESULT Variant::AssignThroughRef(const Variant& value) const {
  if (!IsByRef() || !m_v.byref) return E_INVALIDARG;
  VARTYPE base = m_vt & VT_TYPEMASK;
  if (base == VT_VARIANT) {
    *static_cast<Variant*>(m_v.byref) = value;
    return S_OK;
  }
  if (value.Type() != base) return E_INVALIDARG;
  switch (base) {
    case VT_I2:
      *static_cast<int16_t*>(m_v.byref) = value.I2();
      return S_OK;
    case VT_I4:
      *static_cast<int32_t*>(m_v.byref) = value.I4();
      return S_OK;
    case VT_R8:
      *static_cast<double*>(m_v.byref) = value.R8();
      return S_OK;
    case VT_BSTR:
      *static_cast<std::string*>(m_v.byref) = value.Bstr();
      return S_OK;
    case VT_BOOL:
      *static_cast<VARIANT_BOOL*>(m_v.byref) = value.BoolVal();
      return S_OK;
    default:
      return E_INVALIDARG;
  }
}

bool operator==(const Variant& a, const Variant& b) {
  if (a.m_vt != b.m_vt) return false;
  if (a.IsByRef()) return a.m_v.byref == b.m_v.byref;
  switch (a.m_vt) {
    case VT_EMPTY:
    case VT_NULL:
      return true;
    case VT_I1:
    case VT_UI1:
      return a.m_v.ui1 == b.m_v.ui1;
    case VT_I2:
    case VT_UI2:
    case VT_BOOL:
      return a.m_v.ui2 == b.m_v.ui2;
    case VT_I4:
    case VT_UI4:
    case VT_INT:
    case VT_UINT:
    case VT_ERROR:
      return a.m_v.ui4 == b.m_v.ui4;
    case VT_I8:
    case VT_UI8:
      return a.m_v.ui8 == b.m_v.ui8;
    case VT_R4:
      return a.m_v.r4 == b.m_v.r4;
    case VT_R8:
      return a.m_v.r8 == b.m_v.r8;
    case VT_BSTR:
      return a.m_bstr == b.m_bstr;
    case VT_DISPATCH:
      return a.m_v.dispatch == b.m_v.dispatch;
    case VT_UNKNOWN:
      return a.m_v.unknown == b.m_v.unknown;
    default:
      return false;
  }
}

}  // namespace tavlen::ole
