// What self-registration writes into the registry, and the lookups hosts make there: classes by
// class identifier and ProgID, type libraries by library identifier and version.
//
// Keys written for a class:
//   CLSID\{clsid}                    @ = type name
//   CLSID\{clsid}\InprocServer32     @ = module path, ThreadingModel = Apartment | Free | Both
//   CLSID\{clsid}\ProgID             @ = ProgID
//   CLSID\{clsid}\Control, \Insertable (empty keys, when flagged)
//   CLSID\{clsid}\MiscStatus         @ = "0";  \MiscStatus\1  @ = status flags in decimal
//   CLSID\{clsid}\TypeLib            @ = {libid};  \Version  @ = "major.minor"
//   CLSID\{clsid}\ToolboxBitmap32    @ = "module path, bitmap id"
//   <ProgID>                         @ = type name;  <ProgID>\CLSID  @ = {clsid}
// Keys written for a type library:
//   TypeLib\{libid}\<maj.min>        @ = help string;  \FLAGS @ = library flags;  \HELPDIR @ = folder
//   TypeLib\{libid}\<maj.min>\<lcid>\linux   @ = path of the module that carries the library
//   Interface\{iid}                  @ = name;  \ProxyStubClsid32 @ = the automation marshaller;
//   Interface\{iid}\TypeLib          @ = {libid}, Version = "maj.min"
// Versions and locale identifiers are hexadecimal, as desktop registries write them.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/automation/com_ids.h"
#include "platform/automation/registry.h"
#include "platform/automation/type_info.h"

namespace tavlen::ole {

enum class ThreadingModel { None, Apartment, Free, Both };

struct ClassRegistration {
  CLSID clsid;
  std::string progId;  // none written when empty
  // The ProgID without version that names the newest version of a class (its CurVer is progId); none
  // written when empty.
  std::string versionIndependentProgId;
  std::string typeName;
  std::string modulePath;
  ThreadingModel threading = ThreadingModel::Apartment;
  bool control = false;
  bool insertable = false;
  std::optional<uint32_t> miscStatus;  // OLEMISC_* flags for the content aspect
  int toolboxBitmap = 0;               // resource id; none written when 0
  std::optional<GUID> libid;
  uint16_t majorVersion = 1;
  uint16_t minorVersion = 0;
};

// Replaces whatever was registered under the class identifier; one atomic registry update.
HRESULT RegisterClass(Registry& registry, const ClassRegistration& info);
// Removes the class key and, when they name this class, the ProgID key (pass an empty ProgID for none)
// and the version-independent ProgID the class key names.
// S_FALSE when nothing was registered.
HRESULT UnregisterClass(Registry& registry, const CLSID& clsid, std::string_view progId);

// Registers every dispatch interface of the library and the library itself, found in `modulePath`.
// An empty helpDir means the module's folder.
HRESULT RegisterTypeLib(Registry& registry, ITypeLib* lib, std::string_view modulePath, std::string_view helpDir);
// Removes the version's entry for `lcid` and the interfaces registered for that library version, and the
// library key once no version is left. S_FALSE when it was not registered.
HRESULT UnregisterTypeLib(Registry& registry, const GUID& libid, uint16_t major, uint16_t minor, LCID lcid);
// The module of a registered library: the version with this major number and the highest minor number
// not below `minor`; the locale `lcid`, else its primary language, else neutral (0), else any.
// TYPE_E_LIBNOTREGISTERED when there is none.
HRESULT QueryPathOfRegTypeLib(const Registry& registry, const GUID& libid, uint16_t major, uint16_t minor, LCID lcid,
                              std::string* path);

// "{...}" text to an identifier: CO_E_CLASSSTRING when malformed.
HRESULT CLSIDFromString(std::string_view text, CLSID* clsid);
// REGDB_E_CLASSNOTREG when the ProgID is not registered (or names a malformed identifier).
HRESULT CLSIDFromProgID(const Registry& registry, std::string_view progId, CLSID* clsid);
// A "{...}" text is a class identifier (CO_E_CLASSSTRING when malformed); anything else a ProgID.
HRESULT CLSIDFromProgIDOrString(const Registry& registry, std::string_view text, CLSID* clsid);
// The module path of a registered class: REGDB_E_CLASSNOTREG when the class or its InprocServer32 is missing.
HRESULT InprocServerOfClass(const Registry& registry, const CLSID& clsid, std::string* path);

// The file of the binary this copy of the runtime is linked into: a module learns its own path here.
std::string ThisModulePath();

}  // namespace tavlen::ole
