// Type libraries described by the same dispatch tables that drive Invoke: enumerations, dispatch
// interfaces and creatable classes, served at run time through ITypeLib / ITypeInfo.
#pragma once

#include <cstdint>
#include <span>

#include "platform/automation/com_ptr.h"
#include "platform/automation/dispatch_table.h"
#include "platform/automation/type_info.h"

namespace tavlen::ole {

struct EnumMember {
  const char* name = nullptr;
  int32_t value = 0;
  const char* help = nullptr;
};

struct EnumDesc {
  const char* name = nullptr;
  GUID guid;
  const char* help = nullptr;
  std::span<const EnumMember> members;
};

struct CoClassDesc {
  const char* name = nullptr;
  CLSID clsid;
  const char* help = nullptr;
  const DispatchTable* defaultInterface = nullptr;  // [default]
  const DispatchTable* defaultSource = nullptr;     // [default, source], may be null
  uint16_t typeFlags = TYPEFLAG_FCANCREATE;         // add TYPEFLAG_FCONTROL for a control
};

// Every span and pointer must refer to static data: the library object keeps only views.
struct TypeLibDesc {
  const char* name = nullptr;
  GUID libid;
  uint16_t majorVersion = 1;
  uint16_t minorVersion = 0;
  LCID lcid = 0;
  const char* help = nullptr;
  const char* helpFile = nullptr;
  uint16_t libFlags = 0;  // LIBFLAG_*
  std::span<const char* const> imports;
  std::span<const EnumDesc> enums;
  std::span<const DispatchTable* const> interfaces;  // every interface a class names must be listed
  std::span<const CoClassDesc> classes;
};

// The library object. Type infos come in the order enumerations, interfaces, classes, each in the order
// given. E_INVALIDARG when a class names an interface that is not listed or names are missing;
// E_OUTOFMEMORY.
HRESULT CreateTypeLib(const TypeLibDesc& desc, ITypeLib** lib);

// The IDL source of a library, deterministic for a given library.
HRESULT FormatIdl(ITypeLib* lib, std::string* idl);

}  // namespace tavlen::ole
