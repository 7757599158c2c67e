// Variant: the tagged value that carries automation arguments and results; BSTR is a UTF-8 std::string.
#pragma once

#include <cstdint>
#include <string>

#include "platform/automation/hresult.h"

namespace tavlen::ole {

class IUnknown;
class IDispatch;

using VARTYPE = uint16_t;
using VARIANT_BOOL = int16_t;
using BSTR = std::string;
using DISPID = int32_t;

enum VarEnum : VARTYPE {
  VT_EMPTY = 0,
  VT_NULL = 1,
  VT_I2 = 2,
  VT_I4 = 3,
  VT_R4 = 4,
  VT_R8 = 5,
  VT_CY = 6,
  VT_DATE = 7,
  VT_BSTR = 8,
  VT_DISPATCH = 9,
  VT_ERROR = 10,
  VT_BOOL = 11,
  VT_VARIANT = 12,
  VT_UNKNOWN = 13,
  VT_DECIMAL = 14,
  VT_I1 = 16,
  VT_UI1 = 17,
  VT_UI2 = 18,
  VT_UI4 = 19,
  VT_I8 = 20,
  VT_UI8 = 21,
  VT_INT = 22,
  VT_UINT = 23,
  VT_VOID = 24,
  VT_HRESULT = 25,
  VT_BYREF = 0x4000,
  VT_TYPEMASK = 0x0FFF,
};

inline constexpr VARIANT_BOOL VARIANT_TRUE = -1;
inline constexpr VARIANT_BOOL VARIANT_FALSE = 0;

// The name of a base type as IDL writes it ("short", "BSTR", "VARIANT_BOOL"); "?" when unknown.
const char* VarTypeIdlName(VARTYPE vt);
// "VT_I4"-style name, with "|VT_BYREF" when flagged.
std::string VarTypeName(VARTYPE vt);

class Variant {
 public:
  Variant() = default;
  Variant(const Variant& other);
  Variant(Variant&& other) noexcept;
  Variant& operator=(const Variant& other);
  Variant& operator=(Variant&& other) noexcept;
  ~Variant();

  // Values, each tagged with its natural automation type.
  Variant(int8_t v) : m_vt(VT_I1) { m_v.i1 = v; }
  Variant(uint8_t v) : m_vt(VT_UI1) { m_v.ui1 = v; }
  Variant(int16_t v) : m_vt(VT_I2) { m_v.i2 = v; }
  Variant(uint16_t v) : m_vt(VT_UI2) { m_v.ui2 = v; }
  Variant(int32_t v) : m_vt(VT_I4) { m_v.i4 = v; }
  Variant(uint32_t v) : m_vt(VT_UI4) { m_v.ui4 = v; }
  Variant(int64_t v) : m_vt(VT_I8) { m_v.i8 = v; }
  Variant(uint64_t v) : m_vt(VT_UI8) { m_v.ui8 = v; }
  Variant(float v) : m_vt(VT_R4) { m_v.r4 = v; }
  Variant(double v) : m_vt(VT_R8) { m_v.r8 = v; }
  Variant(bool v) : m_vt(VT_BOOL) { m_v.boolVal = v ? VARIANT_TRUE : VARIANT_FALSE; }
  Variant(std::string v) : m_vt(VT_BSTR), m_bstr(std::move(v)) {}
  Variant(const char* v) : m_vt(VT_BSTR), m_bstr(v ? v : "") {}
  // Interfaces are shared: the variant takes a reference of its own (a null pointer is allowed).
  Variant(IDispatch* v);
  Variant(IUnknown* v);

  static Variant Null();
  static Variant Error(SCODE code);
  // VT_BOOL from a raw VARIANT_BOOL or a BOOL: any nonzero value is true.
  static Variant Bool(int32_t value) { return Variant(value != 0); }
  // VT_INT / VT_UINT, which have no C++ type of their own.
  static Variant Int(int32_t value);
  static Variant UInt(uint32_t value);

  // References (VT_BYREF): the variant points at the caller's storage, which must outlive it.
  static Variant ByRef(int16_t* p) { return MakeRef(VT_I2, p); }
  static Variant ByRef(int32_t* p) { return MakeRef(VT_I4, p); }
  static Variant ByRef(double* p) { return MakeRef(VT_R8, p); }
  static Variant ByRef(std::string* p) { return MakeRef(VT_BSTR, p); }
  static Variant ByRef(Variant* p) { return MakeRef(VT_VARIANT, p); }
  static Variant BoolByRef(VARIANT_BOOL* p) { return MakeRef(VT_BOOL, p); }

  VARTYPE Type() const { return m_vt; }
  bool IsByRef() const { return (m_vt & VT_BYREF) != 0; }
  bool IsEmpty() const { return m_vt == VT_EMPTY; }

  // Accessors read the stored member; each is meaningful only for its own Type().
  int8_t I1() const { return m_v.i1; }
  uint8_t UI1() const { return m_v.ui1; }
  int16_t I2() const { return m_v.i2; }
  uint16_t UI2() const { return m_v.ui2; }
  int32_t I4() const { return m_v.i4; }     // also VT_INT
  uint32_t UI4() const { return m_v.ui4; }  // also VT_UINT
  int64_t I8() const { return m_v.i8; }
  uint64_t UI8() const { return m_v.ui8; }
  float R4() const { return m_v.r4; }
  double R8() const { return m_v.r8; }
  VARIANT_BOOL BoolVal() const { return m_v.boolVal; }
  SCODE ErrorCode() const { return m_v.scode; }
  const std::string& Bstr() const { return m_bstr; }
  IDispatch* Dispatch() const { return m_v.dispatch; }
  IUnknown* Unknown() const { return m_v.unknown; }
  void* RefPointer() const { return m_v.byref; }

  // The value behind a reference (one level; a reference to a variant yields that variant); a copy otherwise.
  Variant Deref() const;
  // Stores `value` through a reference of the same base type; E_INVALIDARG otherwise.
  HRESULT AssignThroughRef(const Variant& value) const;

  void Clear();

  // Same type and value; interfaces compare by pointer, R8/R4 by ==.
  friend bool operator==(const Variant& a, const Variant& b);

 private:
  static Variant MakeRef(VARTYPE base, void* p);
  void CopyFrom(const Variant& other);
  void MoveFrom(Variant& other) noexcept;

  VARTYPE m_vt = VT_EMPTY;
  union Value {
    int8_t i1;
    uint8_t ui1;
    int16_t i2;
    uint16_t ui2;
    int32_t i4;
    uint32_t ui4;
    int64_t i8;
    uint64_t ui8;
    float r4;
    double r8;
    VARIANT_BOOL boolVal;
    SCODE scode;
    IDispatch* dispatch;
    IUnknown* unknown;
    void* byref;
  } m_v{.i8 = 0};
  std::string m_bstr;
};

// Flags of VariantChangeType.
inline constexpr uint16_t VARIANT_NOVALUEPROP = 0x01;  // do not read an object's default value
inline constexpr uint16_t VARIANT_ALPHABOOL = 0x02;    // booleans become "True"/"False" instead of "-1"/"0"

// Converts `source` (a reference is followed first) to the base type `vt` as the automation runtime does:
//  - numbers convert with range checks (DISP_E_OVERFLOW); reals round half to even into integers;
//  - strings parse as decimal numbers with blanks around them, an optional sign, "," group separators,
//    a fraction and an exponent, or "&H" / "&O" hexadecimal and octal; for VT_BOOL also "True" / "False"
//    in any case; anything else is DISP_E_TYPEMISMATCH;
//  - booleans are -1 / 0 as numbers; any nonzero number is VARIANT_TRUE;
//  - VT_EMPTY is 0, false or ""; VT_NULL and VT_ERROR convert to nothing else (DISP_E_TYPEMISMATCH);
//  - objects give their default value (DISPID 0) unless VARIANT_NOVALUEPROP;
//  - VT_VARIANT copies; unsupported types are DISP_E_BADVARTYPE.
// `*dest` is replaced only on success; dest may be &source.
HRESULT VariantChangeType(Variant* dest, const Variant& source, uint16_t flags, VARTYPE vt);

// Rounds half to even, as integer conversions of reals do.
double RoundHalfEven(double value);

}  // namespace tavlen::ole
