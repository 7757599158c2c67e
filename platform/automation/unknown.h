// The root interfaces: IUnknown and IClassFactory, with the COM vtable layout and their published identifiers.
#pragma once

#include <cstdint>
#include <type_traits>

#include "platform/automation/com_ids.h"
#include "platform/automation/hresult.h"

namespace tavlen::ole {

using ULONG = uint32_t;
using BOOL = int32_t;
using DWORD = uint32_t;
using LCID = uint32_t;

// Each interface names its identifier (kIid) and the interface it extends (Base), so that one
// QueryInterface implementation can answer for a whole inheritance chain.
class IUnknown {
 public:
  using Base = void;
  static constexpr IID kIid{0x00000000, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};

  // Sets *object to null first; E_POINTER when object is null, E_NOINTERFACE when not supported.
  virtual HRESULT QueryInterface(const IID& iid, void** object) = 0;
  virtual ULONG AddRef() = 0;
  virtual ULONG Release() = 0;

 protected:
  ~IUnknown() = default;  // objects end through Release, never through delete on an interface
};

class IClassFactory : public IUnknown {
 public:
  using Base = IUnknown;
  static constexpr IID kIid{0x00000001, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};

  // CLASS_E_NOAGGREGATION when outer is given and the class cannot be aggregated.
  virtual HRESULT CreateInstance(IUnknown* outer, const IID& iid, void** object) = 0;
  virtual HRESULT LockServer(BOOL lock) = 0;

 protected:
  ~IClassFactory() = default;
};

inline constexpr IID IID_IUnknown = IUnknown::kIid;
inline constexpr IID IID_IClassFactory = IClassFactory::kIid;

// True when `iid` names I or one of the interfaces I extends.
template <class I>
constexpr bool InterfaceChainHas(const IID& iid) {
  if (iid == I::kIid) return true;
  if constexpr (!std::is_void_v<typename I::Base>) return InterfaceChainHas<typename I::Base>(iid);
  return false;
}

}  // namespace tavlen::ole
