// The one generic IDispatch behind every dispatch table: name lookup, flag and argument checks,
// argument conversion, the call, and the result; plus the IDispatch objects that use it.
#pragma once

#include <cstdint>

#include "platform/automation/com_object.h"
#include "platform/automation/dispatch.h"
#include "platform/automation/dispatch_table.h"
#include "platform/automation/type_info.h"

namespace tavlen::ole {

// GetIDsOfNames over a table: names[0] is a member (case-insensitive), further names are its parameters,
// answered with their positions. Unknown names get DISPID_UNKNOWN and the result is DISP_E_UNKNOWNNAME.
HRESULT TableGetIDsOfNames(const DispatchTable& table, const char* const* names, uint32_t count, DISPID* ids);

// Invoke over a table, on `self` (the object the table's handlers are bound to).
//  - DISP_E_MEMBERNOTFOUND: unknown DISPID, or a call of the wrong kind: a property answers to
//    PROPERTYGET (alone or with METHOD, as scripting engines call) and PROPERTYPUT (PUTREF only for
//    object-typed properties); a read-only property refuses puts; a method answers to METHOD or
//    PROPERTYGET but never to puts.
//  - DISP_E_BADPARAMCOUNT: not exactly the declared number of arguments (a put takes just the value).
//  - DISP_E_NONAMEDARGS / DISP_E_PARAMNOTFOUND: named arguments that do not name parameters.
//  - DISP_E_TYPEMISMATCH / DISP_E_OVERFLOW / DISP_E_BADVARTYPE from converting an argument, with
//    *argErr set to that argument's index in rgvarg; nothing is called then.
//  - DISP_E_EXCEPTION when a handler throws, described in *excepInfo.
// A property put stores the value, then calls the row's change notification.
// A call that succeeds with a note (see SetCallNoteSource) returns S_OK with the note in
// excepInfo->description and excepInfo->scode S_OK; the result is what it would be without.
HRESULT TableInvoke(const DispatchTable& table, void* self, DISPID id, uint16_t flags, DISPPARAMS* params,
                    Variant* result, EXCEPINFO* excepInfo, uint32_t* argErr);

// Where a module's handlers leave a note for the caller of a call that succeeded (the control: which
// decode limit refused a file, as its members answer a refusal with FALSE or nothing). TableInvoke
// takes the note before each call, to start clean, and after it. One source per module; null for none.
using CallNoteSource = std::string (*)();
void SetCallNoteSource(CallNoteSource source);

// An object whose IDispatch is a table: Self provides `static const DispatchTable& AutomationTable()`,
// and may hand a type description to SetTypeInfo.
//   class CThing : public ole::DispatchObject<CThing, IOtherInterface> {
//    public:
//     static const ole::DispatchTable& AutomationTable();
//   };
template <class Self, class... MoreInterfaces>
class DispatchObject : public ComObject<IDispatch, MoreInterfaces...> {
 public:
  HRESULT GetTypeInfoCount(uint32_t* count) override {
    if (!count) return E_POINTER;
    *count = m_typeInfo ? 1 : 0;
    return S_OK;
  }
  HRESULT GetTypeInfo(uint32_t index, LCID, ITypeInfo** info) override {
    if (!info) return E_POINTER;
    *info = nullptr;
    if (index != 0 || !m_typeInfo) return DISP_E_BADINDEX;
    return m_typeInfo.CopyTo(info);
  }
  HRESULT GetIDsOfNames(const IID& iid, const char* const* names, uint32_t count, LCID, DISPID* ids) override {
    if (iid != IID_NULL) return DISP_E_UNKNOWNINTERFACE;
    return TableGetIDsOfNames(Self::AutomationTable(), names, count, ids);
  }
  HRESULT Invoke(DISPID id, const IID& iid, LCID, uint16_t flags, DISPPARAMS* params, Variant* result,
                 EXCEPINFO* excepInfo, uint32_t* argErr) override {
    if (iid != IID_NULL) return DISP_E_UNKNOWNINTERFACE;
    static_assert(std::is_base_of_v<DispatchObject, Self>);
    if (!TableBelongsTo<Self>(Self::AutomationTable())) return E_UNEXPECTED;
    return TableInvoke(Self::AutomationTable(), static_cast<Self*>(this), id, flags, params, result, excepInfo, argErr);
  }

 protected:
  // The type description handed out by GetTypeInfo (none by default).
  void SetTypeInfo(ComPtr<ITypeInfo> info) { m_typeInfo = std::move(info); }

 private:
  ComPtr<ITypeInfo> m_typeInfo;
};

// IDispatch served by a member of a larger object (a control): identity and lifetime are the outer
// object's, calls go to `self` through `table`.
class TableDispatch final : public OuterDelegating<IDispatch> {
 public:
  template <class Self>
  TableDispatch(IUnknown* outer, const DispatchTable& table, Self* self)
      : OuterDelegating<IDispatch>(outer), m_table(table), m_self(self), m_bound(TableBelongsTo<Self>(table)) {}

  void SetTypeInfo(ComPtr<ITypeInfo> info) { m_typeInfo = std::move(info); }
  const DispatchTable& Table() const { return m_table; }

  HRESULT GetTypeInfoCount(uint32_t* count) override;
  HRESULT GetTypeInfo(uint32_t index, LCID lcid, ITypeInfo** info) override;
  HRESULT GetIDsOfNames(const IID& iid, const char* const* names, uint32_t count, LCID lcid, DISPID* ids) override;
  HRESULT Invoke(DISPID id, const IID& iid, LCID lcid, uint16_t flags, DISPPARAMS* params, Variant* result,
                 EXCEPINFO* excepInfo, uint32_t* argErr) override;

 private:
  const DispatchTable& m_table;
  void* m_self;
  bool m_bound;  // false when the table was made for another class: every Invoke fails then
  ComPtr<ITypeInfo> m_typeInfo;
};

}  // namespace tavlen::ole
