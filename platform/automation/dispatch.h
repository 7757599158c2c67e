// IDispatch, the late-bound call interface, with its argument block and caller-side helpers.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

#include "platform/automation/unknown.h"
#include "platform/automation/variant.h"

namespace tavlen::ole {

class ITypeInfo;

inline constexpr uint16_t DISPATCH_METHOD = 0x1;
inline constexpr uint16_t DISPATCH_PROPERTYGET = 0x2;
inline constexpr uint16_t DISPATCH_PROPERTYPUT = 0x4;
inline constexpr uint16_t DISPATCH_PROPERTYPUTREF = 0x8;

inline constexpr DISPID DISPID_VALUE = 0;
inline constexpr DISPID DISPID_UNKNOWN = -1;
inline constexpr DISPID DISPID_PROPERTYPUT = -3;
inline constexpr DISPID DISPID_NEWENUM = -4;

inline constexpr LCID LOCALE_USER_DEFAULT = 0x0400;
inline constexpr LCID LOCALE_SYSTEM_DEFAULT = 0x0800;

// Arguments of one Invoke. rgvarg holds the LAST argument first; the first cNamedArgs entries are the
// named ones, identified by rgdispidNamedArgs (a property put names its value DISPID_PROPERTYPUT).
struct DISPPARAMS {
  Variant* rgvarg = nullptr;
  DISPID* rgdispidNamedArgs = nullptr;
  uint32_t cArgs = 0;
  uint32_t cNamedArgs = 0;
};

// What a callee reports with DISP_E_EXCEPTION.
struct EXCEPINFO {
  uint16_t wCode = 0;
  std::string source;
  std::string description;
  std::string helpFile;
  uint32_t helpContext = 0;
  SCODE scode = 0;
};

class IDispatch : public IUnknown {
 public:
  using Base = IUnknown;
  static constexpr IID kIid{0x00020400, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};

  virtual HRESULT GetTypeInfoCount(uint32_t* count) = 0;
  virtual HRESULT GetTypeInfo(uint32_t index, LCID lcid, ITypeInfo** info) = 0;
  // names[0] is a member; further names are its parameters, answered with their positions.
  // DISP_E_UNKNOWNNAME when any name is unknown (its id is DISPID_UNKNOWN, the others are still filled).
  virtual HRESULT GetIDsOfNames(const IID& iid, const char* const* names, uint32_t count, LCID lcid, DISPID* ids) = 0;
  // iid must be IID_NULL. result may be null when the caller wants none. On a conversion failure
  // *argErr receives the index of the failing argument in rgvarg.
  virtual HRESULT Invoke(DISPID id, const IID& iid, LCID lcid, uint16_t flags, DISPPARAMS* params, Variant* result,
                         EXCEPINFO* excepInfo, uint32_t* argErr) = 0;

 protected:
  ~IDispatch() = default;
};

inline constexpr IID IID_IDispatch = IDispatch::kIid;

// Arguments built in the order a caller writes them and kept reversed, as Invoke expects.
class DispArgs {
 public:
  DispArgs() = default;
  DispArgs(std::initializer_list<Variant> args);
  DispArgs(DispArgs&&) = default;
  DispArgs& operator=(DispArgs&&) = default;

  // One value named DISPID_PROPERTYPUT, as a property put passes it.
  static DispArgs ForPut(Variant value);

  // Appends a positional argument after the ones already given.
  void Append(Variant arg);
  // Adds an argument named by its parameter id (from GetIDsOfNames).
  void AppendNamed(DISPID id, Variant arg);

  DISPPARAMS* Params();
  uint32_t Count() const { return static_cast<uint32_t>(m_positional.size() + m_named.size()); }
  // The position of the caller's argument `index` (0 = first written) inside rgvarg.
  uint32_t RgvargIndexOf(uint32_t index) const { return Count() - 1 - index; }

 private:
  std::vector<Variant> m_positional;  // natural order
  std::vector<Variant> m_named;       // natural order
  std::vector<DISPID> m_namedIds;
  std::vector<Variant> m_rgvarg;
  std::vector<DISPID> m_rgNamedIds;
  DISPPARAMS m_params;
};

// Caller-side conveniences: look the name up, then Invoke. argErr (optional) receives the caller's
// argument index (0 = first written) of a failing argument; `failedName` is left to the caller.
HRESULT GetDispId(IDispatch* object, std::string_view name, DISPID* id);
HRESULT InvokeByName(IDispatch* object, std::string_view name, uint16_t flags, DispArgs& args, Variant* result,
                     uint32_t* argErr = nullptr);
HRESULT GetProperty(IDispatch* object, std::string_view name, Variant* value);
HRESULT PutProperty(IDispatch* object, std::string_view name, Variant value);
HRESULT CallMethod(IDispatch* object, std::string_view name, std::initializer_list<Variant> args,
                   Variant* result = nullptr, uint32_t* argErr = nullptr);

}  // namespace tavlen::ole
