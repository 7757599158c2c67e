// ITypeInfo and ITypeLib: read-only descriptions of enumerations, dispatch interfaces and classes,
// answered with plain C++ values (names, DISPIDs, types, help strings).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/automation/unknown.h"
#include "platform/automation/variant.h"

namespace tavlen::ole {

class ITypeLib;

enum TypeKind : uint32_t {
  TKIND_ENUM = 0,
  TKIND_RECORD = 1,
  TKIND_MODULE = 2,
  TKIND_INTERFACE = 3,
  TKIND_DISPATCH = 4,
  TKIND_COCLASS = 5,
  TKIND_ALIAS = 6,
  TKIND_UNION = 7,
};

enum InvokeKind : uint32_t {
  INVOKE_FUNC = 1,
  INVOKE_PROPERTYGET = 2,
  INVOKE_PROPERTYPUT = 4,
  INVOKE_PROPERTYPUTREF = 8,
};

enum VarKind : uint32_t { VAR_PERINSTANCE = 0, VAR_STATIC = 1, VAR_CONST = 2, VAR_DISPATCH = 3 };

inline constexpr uint16_t TYPEFLAG_FAPPOBJECT = 0x1;
inline constexpr uint16_t TYPEFLAG_FCANCREATE = 0x2;
inline constexpr uint16_t TYPEFLAG_FLICENSED = 0x4;
inline constexpr uint16_t TYPEFLAG_FHIDDEN = 0x10;
inline constexpr uint16_t TYPEFLAG_FCONTROL = 0x20;
inline constexpr uint16_t TYPEFLAG_FDISPATCHABLE = 0x1000;

inline constexpr int32_t IMPLTYPEFLAG_FDEFAULT = 0x1;
inline constexpr int32_t IMPLTYPEFLAG_FSOURCE = 0x2;

inline constexpr uint16_t VARFLAG_FREADONLY = 0x1;
inline constexpr uint16_t VARFLAG_FBINDABLE = 0x4;
inline constexpr uint16_t VARFLAG_FREQUESTEDIT = 0x8;

inline constexpr uint16_t LIBFLAG_FRESTRICTED = 0x1;
inline constexpr uint16_t LIBFLAG_FCONTROL = 0x2;
inline constexpr uint16_t LIBFLAG_FHIDDEN = 0x4;

inline constexpr DISPID MEMBERID_NIL = -1;

// A type as a description gives it: the automation type and the name it is declared under
// ("OLE_COLOR", an enumeration's name), empty when it is just the automation type.
struct ElemType {
  VARTYPE vt = VT_EMPTY;
  std::string name;
};

struct TypeAttr {
  GUID guid;
  LCID lcid = 0;
  TypeKind kind = TKIND_ENUM;
  uint16_t funcCount = 0;
  uint16_t varCount = 0;
  uint16_t implTypeCount = 0;
  uint16_t majorVersion = 0;
  uint16_t minorVersion = 0;
  uint16_t typeFlags = 0;
};

struct ParamInfo {
  std::string name;
  ElemType type;
};

// A method of a dispatch interface.
struct FuncDesc {
  DISPID memid = 0;
  InvokeKind invokeKind = INVOKE_FUNC;
  std::string name;
  std::string help;
  ElemType result;
  std::vector<ParamInfo> params;
};

// A property of a dispatch interface (VAR_DISPATCH) or a constant of an enumeration (VAR_CONST, with value).
struct VarDesc {
  DISPID memid = 0;
  VarKind kind = VAR_DISPATCH;
  std::string name;
  std::string help;
  ElemType type;
  uint16_t flags = 0;  // VARFLAG_*
  Variant value;
};

struct LibAttr {
  GUID guid;
  LCID lcid = 0;
  uint16_t majorVersion = 0;
  uint16_t minorVersion = 0;
  uint16_t flags = 0;                // LIBFLAG_*
  std::vector<std::string> imports;  // libraries the description refers to ("stdole2.tlb")
};

class ITypeInfo : public IUnknown {
 public:
  using Base = IUnknown;
  static constexpr IID kIid{0x00020401, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};

  virtual HRESULT GetTypeAttr(TypeAttr* attr) = 0;
  // TYPE_E_ELEMENTNOTFOUND for an index past the end.
  virtual HRESULT GetFuncDesc(uint32_t index, FuncDesc* desc) = 0;
  virtual HRESULT GetVarDesc(uint32_t index, VarDesc* desc) = 0;
  // The interfaces a class implements, with IMPLTYPEFLAG_* flags.
  virtual HRESULT GetImplType(uint32_t index, int32_t* implFlags, ITypeInfo** info) = 0;
  // Case-insensitive; names after the first are parameter names of the first.
  virtual HRESULT GetIDsOfNames(const char* const* names, uint32_t count, DISPID* ids) = 0;
  // Name, help string and help file of a member, or of the type itself for MEMBERID_NIL. Any out-pointer
  // may be null.
  virtual HRESULT GetDocumentation(DISPID memid, std::string* name, std::string* help, std::string* helpFile) = 0;
  virtual HRESULT GetContainingTypeLib(ITypeLib** lib, uint32_t* index) = 0;

 protected:
  ~ITypeInfo() = default;
};

class ITypeLib : public IUnknown {
 public:
  using Base = IUnknown;
  static constexpr IID kIid{0x00020402, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};

  virtual uint32_t GetTypeInfoCount() = 0;
  virtual HRESULT GetTypeInfo(uint32_t index, ITypeInfo** info) = 0;
  // TYPE_E_ELEMENTNOTFOUND when no type has that identifier.
  virtual HRESULT GetTypeInfoOfGuid(const GUID& guid, ITypeInfo** info) = 0;
  // Case-insensitive lookup of a type by name.
  virtual HRESULT FindTypeInfo(const char* name, ITypeInfo** info) = 0;
  virtual HRESULT GetLibAttr(LibAttr* attr) = 0;
  // index -1 describes the library itself.
  virtual HRESULT GetDocumentation(int32_t index, std::string* name, std::string* help, std::string* helpFile) = 0;

 protected:
  ~ITypeLib() = default;
};

inline constexpr IID IID_ITypeInfo = ITypeInfo::kIid;
inline constexpr IID IID_ITypeLib = ITypeLib::kIid;

}  // namespace tavlen::ole
